#include "HelpAbout.h"

#include "platform/Prompts.h"

#include <QCoreApplication>

namespace {

const char* const kMaker = "Vordana Project";
const char* const kYear = "2026";

}  // namespace

QString makerWebAddress() {
    return QStringLiteral("https://www.vordana.example/");
}

void openHelp(const QString& helpPage) {
    // No existence test: a missing page is left to the desktop to report (or not).
    Prompts::current().openUrl(helpPage);
}

void showAbout() {
    const QString text = QLatin1String(kMaker) + QStringLiteral(" - Vordana ") + makerWebAddress() +
                         QStringLiteral(" @") + QLatin1String(kYear);
    Prompts::current().message(text, QCoreApplication::translate("HelpAbout", "关于"),
                               Prompts::Icon::None, Prompts::Buttons::Ok);
}

void openWebSite() {
    Prompts::current().openUrl(makerWebAddress());
}

QString noticeText() {
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("Copyright (C) ") + QLatin1String(kYear) + QLatin1Char(' ') +
           QLatin1String(kMaker) + crlf + QStringLiteral("All rights reserved.") + crlf +
           makerWebAddress();
}
