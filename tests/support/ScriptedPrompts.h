#pragma once

#include "platform/Prompts.h"

#include <QList>
#include <QString>
#include <QStringList>

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
    void openUrl(const QString& target) override { m_opened << target; }
    void playSound(const QString& wavPath) override { m_sounds << wavPath; }

    const QList<Message>& messages() const { return m_messages; }
    const QStringList& opened() const { return m_opened; }
    const QStringList& sounds() const { return m_sounds; }

private:
    QList<Answer> m_answers;
    QList<Message> m_messages;
    QStringList m_opened;
    QStringList m_sounds;
};
