#pragma once

#include "platform/Prompts.h"

#include <QColor>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <optional>

// The prompts of the window: real message boxes and dialogs, parented to the owner. This is
// the only place in the program that runs a modal dialog.
class WidgetPrompts : public Prompts {
public:
    explicit WidgetPrompts(QWidget* owner = nullptr) : m_owner(owner) {}

    Answer message(const QString& text, const QString& caption, Icon icon,
                   Buttons buttons = Buttons::Ok) override;
    void openUrl(const QString& target) override;
    // Returns when the sound has ended, at the latest its length plus a second after it
    // started; at once when the file cannot be read or there is nothing to play it on.
    void playSound(const QString& wavPath) override;

    std::optional<QString> openFile(const FileDialogRequest& request) override;
    std::optional<QString> saveFile(const FileDialogRequest& request) override;
    std::optional<QString> chooseFolder(const QString& instruction,
                                        const QString& startFolder) override;
    std::optional<quint32> chooseColor(quint32 initial, bool fullOpen) override;
    std::optional<FontChoice> chooseFont(const FontChoice& initial) override;
    bool printDialog() override;
    bool printerProperties() override;
    void showModal(QObject* window) override;
    void popupMenu(QObject* menu) override;

    // "description|pattern;pattern|description|pattern" as Qt name filters
    // ("description (pattern pattern)"), in the same order.
    static QStringList nameFilters(const QString& pairs);
    // Colours of the dialogs' interface (0x00BBGGRR) to and from QColor.
    static QColor toQColor(quint32 bgr);
    static quint32 fromQColor(const QColor& color);
    // Playing time of a wave file from its header; nothing when it is not a readable one.
    static std::optional<qint64> wavLengthMs(const QString& wavPath);

private:
    std::optional<QString> runFileDialog(const FileDialogRequest& request, bool save);

    QPointer<QWidget> m_owner;
};
