#include "support/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <QMetaObject>
#include <QVariant>

ScriptedPrompts::ScriptedPrompts() {
    Prompts::install(this);
}

ScriptedPrompts::~ScriptedPrompts() {
    Prompts::install(nullptr);
    EXPECT_TRUE(m_answers.isEmpty()) << m_answers.size() << " expected message(s) never came";
    const qsizetype dialogsLeft = m_openFiles.size() + m_saveFiles.size() + m_folders.size() +
                                  m_colors.size() + m_fonts.size() + m_printers.size() +
                                  m_modals.size() + m_popups.size();
    EXPECT_EQ(dialogsLeft, 0) << "expected dialog(s) never came";
}

Prompts::Answer ScriptedPrompts::message(const QString& text, const QString& caption, Icon icon,
                                         Buttons buttons) {
    Q_UNUSED(buttons);
    m_messages.append({text, caption, icon});
    if (m_answers.isEmpty()) {
        ADD_FAILURE() << "unexpected message: " << text.toStdString();
        return Answer::Ok;
    }
    return m_answers.takeFirst();
}

template <typename T>
T ScriptedPrompts::next(QList<T>& queue, const char* what, T cancelled) {
    if (queue.isEmpty()) {
        ADD_FAILURE() << "unexpected " << what << " dialog";
        return cancelled;
    }
    return queue.takeFirst();
}

std::optional<QString> ScriptedPrompts::openFile(const FileDialogRequest& request) {
    m_fileRequests.append(request);
    return next<std::optional<QString>>(m_openFiles, "open-file", std::nullopt);
}

std::optional<QString> ScriptedPrompts::saveFile(const FileDialogRequest& request) {
    m_fileRequests.append(request);
    return next<std::optional<QString>>(m_saveFiles, "save-file", std::nullopt);
}

std::optional<QString> ScriptedPrompts::chooseFolder(const QString& instruction,
                                                     const QString& startFolder) {
    Q_UNUSED(startFolder);
    m_folderInstructions.append(instruction);
    return next<std::optional<QString>>(m_folders, "folder", std::nullopt);
}

std::optional<quint32> ScriptedPrompts::chooseColor(quint32 initial, bool fullOpen) {
    m_initialColors.append(initial);
    m_colorFullOpen.append(fullOpen);
    return next<std::optional<quint32>>(m_colors, "colour", std::nullopt);
}

std::optional<Prompts::FontChoice> ScriptedPrompts::chooseFont(const FontChoice& initial) {
    m_initialFonts.append(initial);
    return next<std::optional<FontChoice>>(m_fonts, "font", std::nullopt);
}

bool ScriptedPrompts::printDialog() {
    return next<bool>(m_printers, "printer", false);
}

bool ScriptedPrompts::printerProperties() {
    return next<bool>(m_printers, "printer properties", false);
}

void ScriptedPrompts::showModal(QObject* window) {
    if (m_modals.isEmpty()) {
        ADD_FAILURE() << "unexpected modal window "
                      << (window ? window->objectName().toStdString() : std::string());
        return;
    }
    m_modals.takeFirst()(window);
}

void ScriptedPrompts::popupMenu(QObject* menu) {
    QStringList captions;
    // Menu items are found by their properties, so the test support needs no widget library.
    QObject* chosen = nullptr;
    const QString choice = m_popups.isEmpty() ? QString() : m_popups.first();
    for (QObject* item : menu ? menu->findChildren<QObject*>() : QList<QObject*>()) {
        if (!item->metaObject()->inherits(&QObject::staticMetaObject) ||
            qstrcmp(item->metaObject()->className(), "QAction") != 0 ||
            item->property("separator").toBool()) {
            continue;
        }
        const QString text = item->property("text").toString();
        if (item->parent() == menu && text == menu->property("title").toString()) {
            continue;  // the menu's own entry in its parent menu, not one of its items
        }
        captions << text;
        if (!choice.isEmpty() && text == choice) {
            chosen = item;
        }
    }
    m_popupCaptions.append(captions);
    if (m_popups.isEmpty()) {
        ADD_FAILURE() << "unexpected popup menu";
        return;
    }
    m_popups.removeFirst();
    if (chosen) {
        QMetaObject::invokeMethod(chosen, "trigger");
    } else if (!choice.isEmpty()) {
        ADD_FAILURE() << "the popup has no item " << choice.toStdString();
    }
}
