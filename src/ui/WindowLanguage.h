#pragma once

#include <QByteArray>
#include <QString>
#include <QTranslator>

// The window's language. Its texts are written in Chinese, the source texts of Qt's translation
// system; the English ones come from translations/vordana_en.qm in the program folder. Texts
// that are English already ("Done.", the tooltips, the popup groups) read the same in both.
enum class WindowLanguage { Chinese, English };

// VORDANA_LANG ("zh" or "en") when it names one of them; otherwise the language of the locale
// the C library takes for messages: LC_ALL, else LC_MESSAGES, else LANG, the first one set and
// not empty.
WindowLanguage windowLanguage();
// Chinese for zh (zh_CN.UTF-8, zh_TW, ...) and for C, POSIX or no locale at all, so a bare
// system shows the window's own texts; English for every other language.
WindowLanguage languageOfLocale(const QByteArray& locale);

// The window's texts in `language` for as long as this lives; made before the window.
class WindowTranslation {
public:
    WindowTranslation(WindowLanguage language, const QString& programFolder);
    ~WindowTranslation();
    WindowTranslation(const WindowTranslation&) = delete;
    WindowTranslation& operator=(const WindowTranslation&) = delete;

    // The file the English texts come from.
    static QString englishFile(const QString& programFolder);
    // False when English was asked and its file could not be read: the texts stay Chinese.
    bool loaded() const { return m_loaded; }

private:
    QTranslator m_translator;
    bool m_installed = false;
    bool m_loaded = true;
};
