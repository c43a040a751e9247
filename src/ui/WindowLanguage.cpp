#include "WindowLanguage.h"

#include <QCoreApplication>

WindowLanguage languageOfLocale(const QByteArray& locale) {
    // "C.UTF-8" is the C locale with UTF-8 characters.
    const bool plain =
        locale.isEmpty() || locale == "C" || locale.startsWith("C.") || locale == "POSIX";
    const bool chinese = locale == "zh" || locale.startsWith("zh_") || locale.startsWith("zh.") ||
                         locale.startsWith("zh@");
    return plain || chinese ? WindowLanguage::Chinese : WindowLanguage::English;
}

WindowLanguage windowLanguage() {
    const QByteArray chosen = qgetenv("VORDANA_LANG");
    if (chosen == "zh") {
        return WindowLanguage::Chinese;
    }
    if (chosen == "en") {
        return WindowLanguage::English;
    }
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QByteArray locale = qgetenv(variable);
        if (!locale.isEmpty()) {
            return languageOfLocale(locale);
        }
    }
    return WindowLanguage::Chinese;
}

QString WindowTranslation::englishFile(const QString& programFolder) {
    return programFolder + QStringLiteral("/translations/vordana_en.qm");
}

WindowTranslation::WindowTranslation(WindowLanguage language, const QString& programFolder) {
    if (language == WindowLanguage::Chinese) {
        return;
    }
    m_loaded = m_translator.load(englishFile(programFolder));
    if (m_loaded) {
        m_installed = QCoreApplication::installTranslator(&m_translator);
    }
}

WindowTranslation::~WindowTranslation() {
    if (m_installed) {
        QCoreApplication::removeTranslator(&m_translator);
    }
}
