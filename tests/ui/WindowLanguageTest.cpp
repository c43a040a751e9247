#include "WindowLanguage.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QMenuBar>

#include <array>
#include <optional>
#include <utility>

namespace {

constexpr std::array<const char*, 4> kLanguageVariables = {"VORDANA_LANG", "LC_ALL", "LC_MESSAGES",
                                                           "LANG"};

// The language variables as a case sets them (the others unset), put back afterwards.
class LanguageEnvironment {
public:
    explicit LanguageEnvironment(const QList<std::pair<const char*, const char*>>& values) {
        for (const char* name : kLanguageVariables) {
            m_saved.append(qEnvironmentVariableIsSet(name)
                               ? std::optional<QByteArray>(qgetenv(name))
                               : std::nullopt);
            qunsetenv(name);
        }
        for (const auto& [name, value] : values) {
            qputenv(name, value);
        }
    }
    ~LanguageEnvironment() {
        for (size_t i = 0; i < kLanguageVariables.size(); ++i) {
            const auto& saved = m_saved.at(static_cast<qsizetype>(i));
            saved ? qputenv(kLanguageVariables[i], *saved) : qunsetenv(kLanguageVariables[i]);
        }
    }

private:
    QList<std::optional<QByteArray>> m_saved;
};

}  // namespace

TEST(WindowLanguage, FollowsVordanaLangThenTheLocaleForMessages) {
    const auto zh = WindowLanguage::Chinese;
    const auto en = WindowLanguage::English;
    const struct {
        QList<std::pair<const char*, const char*>> environment;
        WindowLanguage expected;
    } cases[] = {
        {{}, zh},
        {{{"LANG", "C"}}, zh},
        {{{"LANG", "C.UTF-8"}}, zh},
        {{{"LANG", "POSIX"}}, zh},
        {{{"LANG", "zh_TW.UTF-8"}}, zh},
        {{{"LANG", "en_US.UTF-8"}}, en},
        {{{"LANG", "de_DE.UTF-8"}}, en},
        {{{"LC_ALL", "C"}, {"LANG", "en_US.UTF-8"}}, zh},
        {{{"LC_ALL", ""}, {"LC_MESSAGES", "fr_FR.UTF-8"}, {"LANG", "zh_CN.UTF-8"}}, en},
        {{{"LC_MESSAGES", "zh_CN.GB18030"}, {"LANG", "en_GB.UTF-8"}}, zh},
        {{{"VORDANA_LANG", "zh"}, {"LC_ALL", "en_US.UTF-8"}}, zh},
        {{{"VORDANA_LANG", "en"}, {"LANG", "zh_CN.UTF-8"}}, en},
        {{{"VORDANA_LANG", "fr"}, {"LANG", "zh_CN.UTF-8"}}, zh},
    };
    for (const auto& c : cases) {
        const LanguageEnvironment environment(c.environment);
        EXPECT_EQ(windowLanguage(), c.expected)
            << (c.environment.isEmpty() ? "nothing set" : c.environment.last().second);
    }
}

TEST_F(WindowTest, ShowsEnglishForAnEnglishLocaleAndItsOwnTextsForC) {
    const struct {
        QList<std::pair<const char*, const char*>> environment;
        const char* start;
        const char* menu;
        const char* format;
        const char* prompt;
    } cases[] = {
        {{{"LANG", "en_US.UTF-8"}},
         "Convert now!",
         "Edit",
         "MP3 - common music format",
         "Add a file first."},
        {{{"VORDANA_LANG", "en"}, {"LANG", "C"}},
         "Convert now!",
         "Edit",
         "MP3 - common music format",
         "Add a file first."},
        {{{"LANG", "C"}}, "立刻开始转换！", "文件操作", "MP3 - 音乐声音格式", "请先添加一个文件"},
    };
    for (const auto& c : cases) {
        const LanguageEnvironment environment(c.environment);
        const WindowTranslation translation(windowLanguage(), TestPaths::programFolder());
        ASSERT_TRUE(translation.loaded()) << "the build puts translations/vordana_en.qm there";
        frmMain& w = window();
        QPushButton* start = widget<QPushButton>(w, "Command3");
        EXPECT_EQ(start->text(), QString::fromUtf8(c.start));
        EXPECT_EQ(w.menuBar()->actions().value(1)->text(), QString::fromUtf8(c.menu));
        EXPECT_EQ(widget<QLabel>(w, "Label9")->text(), QString::fromUtf8(c.format));
        m_prompts.expectMessage();
        QTest::mouseClick(start, Qt::LeftButton);
        ASSERT_FALSE(m_prompts.messages().isEmpty());
        EXPECT_EQ(m_prompts.messages().last().text, QString::fromUtf8(c.prompt));
        m_window.reset();  // made under this case's translation, gone before the next one's
    }
}
