#include "support/ScriptedPrompts.h"

#include <gtest/gtest.h>

ScriptedPrompts::ScriptedPrompts() {
    Prompts::install(this);
}

ScriptedPrompts::~ScriptedPrompts() {
    Prompts::install(nullptr);
    EXPECT_TRUE(m_answers.isEmpty()) << m_answers.size() << " expected message(s) never came";
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
