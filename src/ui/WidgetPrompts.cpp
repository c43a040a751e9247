#include "WidgetPrompts.h"

#include "platform/UserFile.h"

#include <QCursor>
#include <QDialog>
#include <QMenu>

#include <QAudioDevice>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontInfo>
#include <QMediaDevices>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>
#include <QtEndian>

#include <chrono>
#include <utility>
#include <vector>

namespace {

QMessageBox::Icon qtIcon(Prompts::Icon icon) {
    switch (icon) {
        case Prompts::Icon::None:
            return QMessageBox::NoIcon;
        case Prompts::Icon::Information:
            return QMessageBox::Information;
        case Prompts::Icon::Exclamation:
            return QMessageBox::Warning;
        case Prompts::Icon::Critical:
            return QMessageBox::Critical;
        case Prompts::Icon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// The buttons of a box in the order they are shown; the first is the default, the last is
// what closing the box without a button means (it always does the least).
std::vector<std::pair<QMessageBox::StandardButton, Prompts::Answer>> buttonsOf(
    Prompts::Buttons buttons) {
    using A = Prompts::Answer;
    switch (buttons) {
        case Prompts::Buttons::Ok:
            return {{QMessageBox::Ok, A::Ok}};
        case Prompts::Buttons::OkCancel:
            return {{QMessageBox::Ok, A::Ok}, {QMessageBox::Cancel, A::Cancel}};
        case Prompts::Buttons::YesNo:
            return {{QMessageBox::Yes, A::Yes}, {QMessageBox::No, A::No}};
        case Prompts::Buttons::YesNoCancel:
            return {{QMessageBox::Yes, A::Yes},
                    {QMessageBox::No, A::No},
                    {QMessageBox::Cancel, A::Cancel}};
    }
    return {{QMessageBox::Ok, A::Ok}};
}

// Without a sound server the audio backend says so on the first device query; that is the
// normal state of a machine without sound, not worth a line on the terminal.
QtMessageHandler g_forwardMessages = nullptr;

void dropSoundServerNotice(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("PulseAudioService:"))) {
        return;
    }
    g_forwardMessages(type, context, text);
}

bool hasAudioOutput() {
    g_forwardMessages = qInstallMessageHandler(dropSoundServerNotice);
    const bool any = !QMediaDevices::audioOutputs().isEmpty();
    qInstallMessageHandler(g_forwardMessages);
    return any;
}

}  // namespace

Prompts::Answer WidgetPrompts::message(const QString& text, const QString& caption, Icon icon,
                                       Buttons buttons) {
    QMessageBox box(m_owner);
    box.setWindowTitle(caption.isEmpty() ? applicationTitle() : caption);
    // Our texts are plain; a path with "<" in it must not turn the box into rich text.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(qtIcon(icon));
    const auto choices = buttonsOf(buttons);
    std::vector<std::pair<QPushButton*, Answer>> shown;
    for (const auto& [standard, answer] : choices) {
        shown.emplace_back(box.addButton(standard), answer);
    }
    box.setDefaultButton(shown.front().first);
    box.setEscapeButton(shown.back().first);
    box.exec();
    for (const auto& [button, answer] : shown) {
        if (box.clickedButton() == button) {
            return answer;
        }
    }
    return shown.back().second;
}

void WidgetPrompts::openUrl(const QString& target) {
    if (target.isEmpty()) {
        return;
    }
    // A scheme of one letter would be a drive name elsewhere; here only real addresses
    // ("https:", "mailto:") have one, everything else is a file or folder.
    const QUrl address(target, QUrl::StrictMode);
    const bool isAddress =
        !target.startsWith(QLatin1Char('/')) && address.isValid() && address.scheme().size() > 1;
    QDesktopServices::openUrl(
        isAddress ? address : QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath()));
}

void WidgetPrompts::playSound(const QString& wavPath) {
    const std::optional<qint64> length = wavLengthMs(wavPath);
    if (!length || !hasAudioOutput()) {
        return;
    }
    QSoundEffect effect;
    QEventLoop loop;
    QObject::connect(&effect, &QSoundEffect::playingChanged, &loop, [&effect, &loop] {
        if (!effect.isPlaying()) {
            loop.quit();
        }
    });
    QObject::connect(&effect, &QSoundEffect::statusChanged, &loop, [&effect, &loop] {
        if (effect.status() == QSoundEffect::Error) {
            loop.quit();
        }
    });
    // A device that takes the sound but never reports its end must not hold the caller.
    QTimer::singleShot(std::chrono::milliseconds(*length + 1000), &loop, &QEventLoop::quit);
    effect.setSource(QUrl::fromLocalFile(QFileInfo(wavPath).absoluteFilePath()));
    effect.play();
    // An end reported already inside play() came before the loop could hear it.
    if (effect.status() == QSoundEffect::Error || !effect.isPlaying()) {
        return;
    }
    loop.exec();
}

std::optional<QString> WidgetPrompts::runFileDialog(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(m_owner, request.title, request.folder);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The descriptions name their patterns themselves ("APE声音文件(*.APE, *.ape)").
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    // Saving over a file is the caller's decision; the dialog does not ask.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, save);
    const QStringList filters = nameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.first());
    }
    QString suffix = request.defaultExtension;
    if (suffix.startsWith(QLatin1Char('.'))) {
        suffix.remove(0, 1);
    }
    dialog.setDefaultSuffix(suffix);
    if (!request.fileName.isEmpty()) {
        dialog.selectFile(request.fileName);
    }
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QString chosen = dialog.selectedFiles().value(0);
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return chosen;
}

std::optional<QString> WidgetPrompts::openFile(const FileDialogRequest& request) {
    return runFileDialog(request, false);
}

std::optional<QString> WidgetPrompts::saveFile(const FileDialogRequest& request) {
    return runFileDialog(request, true);
}

std::optional<QString> WidgetPrompts::chooseFolder(const QString& instruction,
                                                   const QString& startFolder) {
    const QString start = startFolder.isEmpty() ? QDir::homePath() : startFolder;
    const QString folder =
        QFileDialog::getExistingDirectory(m_owner, instruction, start, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return folder;
}

std::optional<quint32> WidgetPrompts::chooseColor(quint32 initial, bool fullOpen) {
    QColorDialog dialog(toQColor(initial), m_owner);
    // The desktop's own colour dialog starts with a palette and keeps the custom part one
    // click away; Qt's always shows the custom part, so a full open asks for that one.
    dialog.setOption(QColorDialog::DontUseNativeDialog, fullOpen);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return fromQColor(dialog.selectedColor());
}

std::optional<Prompts::FontChoice> WidgetPrompts::chooseFont(const FontChoice& initial) {
    QFont font = m_owner ? m_owner->font() : QFont();
    if (!initial.name.isEmpty()) {
        font.setFamily(initial.name);
    }
    // Size 0 means "not set yet"; QFont refuses it with a warning.
    if (initial.pointSize > 0) {
        font.setPointSize(initial.pointSize);
    }
    font.setBold(initial.bold);
    font.setItalic(initial.italic);
    font.setUnderline(initial.underline);
    QFontDialog dialog(font, m_owner);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QFont chosen = dialog.selectedFont();
    FontChoice result = initial;  // the dialog has no colour; it stays as it was
    result.name = chosen.family();
    const double points =
        chosen.pointSizeF() > 0 ? chosen.pointSizeF() : QFontInfo(chosen).pointSizeF();
    result.pointSize = static_cast<int>(points);  // whole points: a fraction is cut, not rounded
    result.bold = chosen.bold();
    result.italic = chosen.italic();
    result.underline = chosen.underline();
    return result;
}

bool WidgetPrompts::printDialog() {
    QPrinter printer;
    QPrintDialog dialog(&printer, m_owner);
    // The whole document, on paper: no page numbers, no selection, no print-to-file.
    dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize |
                      QAbstractPrintDialog::PrintCollateCopies);
    return dialog.exec() == QDialog::Accepted;
}

bool WidgetPrompts::printerProperties() {
    // Properties of the current printer; without one there is nothing to show.
    const QPrinterInfo current = QPrinterInfo::defaultPrinter();
    if (current.isNull()) {
        return false;
    }
    QPrinter printer(current);
    QPageSetupDialog dialog(&printer, m_owner);
    return dialog.exec() == QDialog::Accepted;
}

QStringList WidgetPrompts::nameFilters(const QString& pairs) {
    QStringList filters;
    const QStringList parts = pairs.split(QLatin1Char('|'));
    // An unpaired description at the end has no pattern and is left out.
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& piece : parts.at(i + 1).split(QLatin1Char(';'))) {
            const QString pattern = piece.trimmed();
            if (pattern.isEmpty()) {
                continue;
            }
            // "*.*" means every file, names without a dot included.
            patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
        }
        if (patterns.isEmpty()) {
            continue;
        }
        const QString description = parts.at(i).trimmed();
        filters << (description.isEmpty() ? parts.at(i + 1).trimmed() : description) +
                       QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

QColor WidgetPrompts::toQColor(quint32 bgr) {
    return QColor(static_cast<int>(bgr & 0xFFu), static_cast<int>((bgr >> 8) & 0xFFu),
                  static_cast<int>((bgr >> 16) & 0xFFu));
}

quint32 WidgetPrompts::fromQColor(const QColor& color) {
    return static_cast<quint32>(color.red()) | static_cast<quint32>(color.green()) << 8 |
           static_cast<quint32>(color.blue()) << 16;
}

std::optional<qint64> WidgetPrompts::wavLengthMs(const QString& wavPath) {
    // Through UserFile: a FIFO or a device put in the sound's place must not hold the window.
    UserFile file(wavPath);
    const std::optional<QByteArray> riff = file.readAt(0, 12);
    if (!riff || !riff->startsWith("RIFF") || riff->mid(8, 4) != "WAVE") {
        return std::nullopt;
    }
    quint32 bytesPerSecond = 0;
    // Chunks follow one another, each an id, a little-endian size and the data padded to an
    // even length; "fmt " gives the rate, "data" the amount.
    for (qint64 at = 12;;) {
        const std::optional<QByteArray> header = file.readAt(at, 8);
        if (!header) {
            return std::nullopt;
        }
        const QByteArray id = header->left(4);
        const quint32 size = qFromLittleEndian<quint32>(header->constData() + 4);
        at += 8;
        if (id == "fmt ") {
            const std::optional<QByteArray> format = file.readAt(at, 16);
            if (size < 16 || !format) {
                return std::nullopt;
            }
            bytesPerSecond = qFromLittleEndian<quint32>(format->constData() + 8);
        } else if (id == "data") {
            if (bytesPerSecond == 0) {
                return std::nullopt;
            }
            // A header written before the recording ended may claim more than is there.
            const qint64 present = qMin<qint64>(size, file.size() - at);
            return present * 1000 / bytesPerSecond;
        }
        at += size + (size & 1u);
    }
}

void WidgetPrompts::showModal(QObject* window) {
    if (auto* dialog = qobject_cast<QDialog*>(window)) {
        dialog->exec();
    }
}

void WidgetPrompts::popupMenu(QObject* menu) {
    if (auto* popup = qobject_cast<QMenu*>(menu)) {
        popup->exec(QCursor::pos());
    }
}
