#include "platform/Prompts.h"

#include "platform/ConsolePrompts.h"

#include <QCoreApplication>

namespace {

Prompts*& installed() {
    static Prompts* prompts = nullptr;
    return prompts;
}

}  // namespace

Prompts::~Prompts() = default;

Prompts& Prompts::current() {
    if (Prompts* p = installed()) {
        return *p;
    }
    static ConsolePrompts console;
    return console;
}

void Prompts::install(Prompts* prompts) {
    installed() = prompts;
}

QString Prompts::applicationTitle() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Vordana") : name;
}
