#pragma once

#include "platform/Prompts.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Prompts for tests: answers from a queue, records what was asked, and fails the test on any
// prompt nobody expected. Installs itself for its lifetime.
class ScriptedPrompts : public Prompts {
public:
    struct Message {
        QString text;
        QString caption;
        Icon icon;
    };

    ScriptedPrompts();
    ~ScriptedPrompts() override;

    // The next message box is expected and answered with `answer`.
    void expectMessage(Answer answer = Answer::Ok) { m_answers.append(answer); }

    Answer message(const QString& text, const QString& caption, Icon icon,
                   Buttons buttons) override;
    // The next dialog of that kind is expected and gives `answer` (nothing = cancelled).
    void expectOpenFile(std::optional<QString> answer) { m_openFiles.append(answer); }
    void expectSaveFile(std::optional<QString> answer) { m_saveFiles.append(answer); }
    void expectFolder(std::optional<QString> answer) { m_folders.append(answer); }
    void expectColor(std::optional<quint32> answer) { m_colors.append(answer); }
    void expectFont(std::optional<FontChoice> answer) { m_fonts.append(answer); }
    void expectPrinter(bool answer) { m_printers.append(answer); }
    // The next modal window is expected; `script` acts on it (fills fields, presses buttons)
    // in place of the user, and the window counts as closed when it returns.
    void expectModal(std::function<void(QObject*)> script) { m_modals.append(std::move(script)); }
    // The next popup menu is expected; the item with caption `choice` is triggered (an empty
    // choice dismisses the menu). Every caption of the menu is recorded.
    void expectPopup(const QString& choice) { m_popups.append(choice); }

    void openUrl(const QString& target) override { m_opened << target; }
    void playSound(const QString& wavPath) override { m_sounds << wavPath; }
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
    const QList<QStringList>& popupCaptions() const { return m_popupCaptions; }

    // What the dialogs were asked, in order.
    const QList<FileDialogRequest>& fileRequests() const { return m_fileRequests; }
    const QStringList& folderInstructions() const { return m_folderInstructions; }
    const QList<quint32>& initialColors() const { return m_initialColors; }
    const QList<bool>& colorFullOpen() const { return m_colorFullOpen; }
    const QList<FontChoice>& initialFonts() const { return m_initialFonts; }

    const QList<Message>& messages() const { return m_messages; }
    const QStringList& opened() const { return m_opened; }
    const QStringList& sounds() const { return m_sounds; }

private:
    template <typename T>
    T next(QList<T>& queue, const char* what, T cancelled);

    QList<Answer> m_answers;
    QList<std::optional<QString>> m_openFiles;
    QList<std::optional<QString>> m_saveFiles;
    QList<std::optional<QString>> m_folders;
    QList<std::optional<quint32>> m_colors;
    QList<std::optional<FontChoice>> m_fonts;
    QList<bool> m_printers;
    QList<std::function<void(QObject*)>> m_modals;
    QStringList m_popups;
    QList<QStringList> m_popupCaptions;
    QList<FileDialogRequest> m_fileRequests;
    QStringList m_folderInstructions;
    QList<quint32> m_initialColors;
    QList<bool> m_colorFullOpen;
    QList<FontChoice> m_initialFonts;
    QList<Message> m_messages;
    QStringList m_opened;
    QStringList m_sounds;
};
