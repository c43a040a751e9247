#pragma once

#include "platform/Prompts.h"

#include <cstdio>

// Prompts for the command-line front end: messages go to standard error as
// "Caption: text" and take the default answer; there is no folder to open or sound to play.
class ConsolePrompts : public Prompts {
public:
    explicit ConsolePrompts(FILE* out = stderr) : m_out(out) {}

    Answer message(const QString& text, const QString& caption, Icon icon,
                   Buttons buttons = Buttons::Ok) override;
    void openUrl(const QString& target) override;
    void playSound(const QString& wavPath) override;

    // No dialogs without a window: every one of them is cancelled.
    std::optional<QString> openFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> saveFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> chooseFolder(const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<quint32> chooseColor(quint32, bool) override { return std::nullopt; }
    std::optional<FontChoice> chooseFont(const FontChoice&) override { return std::nullopt; }
    bool printDialog() override { return false; }
    bool printerProperties() override { return false; }
    void showModal(QObject*) override {}
    void popupMenu(QObject*) override {}

private:
    FILE* m_out;
};
