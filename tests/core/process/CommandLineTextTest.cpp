#include "process/CommandLineText.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QSet>

using namespace CommandLineText;

TEST(CommandLineTextTest, SplitsArgumentsByTheCRuntimeRules) {
    struct Case {
        QString text;
        QStringList expected;
    };
    const QList<Case> cases = {
        {R"(-i "E:\music\a b.ape" -y)", {"-i", R"(E:\music\a b.ape)", "-y"}},
        {R"(a\\b c)", {R"(a\\b)", "c"}},  // backslashes alone stay literal
        {R"("a\"b")", {R"(a"b)"}},        // \" is a literal quote
        {R"("a\\\"b")", {R"(a\"b)"}},     // 2n+1 backslashes + quote
        {R"("a\\" b)", {R"(a\)", "b"}},   // 2n backslashes + closing quote
        {R"(x"y z"w)", {"xy zw"}},        // quotes group inside a word
        {R"("" a)", {"", "a"}},           // an empty quoted argument counts
        {"  a\t\tb  ", {"a", "b"}},
        {R"("unterminated arg)", {"unterminated arg"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(splitArguments(c.text), c.expected) << c.text.toStdString();
    }
}

TEST(CommandLineTextTest, QuotingLeavesWindowsPathsAsPlainQuotes) {
    for (const QString& path :
         {QStringLiteral(R"(E:\music\a b.ape)"), QStringLiteral(R"(E:\out\a b_953.mp3)"),
          QStringLiteral("/home/li/月亮代表我的心.ape")}) {
        EXPECT_EQ(quoteArgument(path), QLatin1Char('"') + path + QLatin1Char('"'));
    }
}

TEST(CommandLineTextTest, QuotedArgumentsSplitBackToExactlyThemselves) {
    QStringList tricky = {R"(a"b)",           R"(a\"b)",       R"(ends\)",
                          R"(ends\\)",        R"(\\server\x)", R"("quoted")",
                          R"(" -y -i "evil)", "tab\there",     "",
                          " lead and trail ", R"(a\\\"b\\)",   "月亮 \"代表\" 我的心.ape"};
    // Plus random strings over the characters that matter.
    QRandomGenerator random(20261208);
    const QString alphabet = QStringLiteral("ab \\\"\t月");
    for (int i = 0; i < 300; ++i) {
        QString s;
        const int length = random.bounded(12);
        for (int k = 0; k < length; ++k) {
            s += alphabet.at(random.bounded(static_cast<int>(alphabet.size())));
        }
        tricky << s;
    }
    QString line;
    for (const QString& argument : tricky) {
        line += quoteArgument(argument) + QLatin1Char(' ');
    }
    EXPECT_EQ(splitArguments(line), tricky);
}

TEST(CommandLineTextTest, UnquotedProgramWithBlanksResolvesToShortestExistingPrefix) {
    const QSet<QString> files = {"/opt/my app/data/coder", "/opt/my"};
    const auto exists = [&](const QString& p) { return files.contains(p); };

    auto split = splitCommandLine(R"(/opt/my app/data/coder -i "x y.ape" -y)", exists);
    ASSERT_TRUE(split);
    // "/opt/my" names a file, so it wins -- as Windows would run C:\Program for C:\Program Files.
    EXPECT_EQ(split->program, "/opt/my");

    const QSet<QString> onlyCoder = {"/opt/my app/data/coder"};
    split = splitCommandLine(R"(/opt/my app/data/coder -i "x y.ape" -y)",
                             [&](const QString& p) { return onlyCoder.contains(p); });
    ASSERT_TRUE(split);
    EXPECT_EQ(split->program, "/opt/my app/data/coder");
    EXPECT_EQ(split->arguments, (QStringList{"-i", "x y.ape", "-y"}));

    split = splitCommandLine(R"("/opt/my app/data/coder" -y)",
                             [&](const QString& p) { return onlyCoder.contains(p); });
    ASSERT_TRUE(split);
    EXPECT_EQ(split->program, "/opt/my app/data/coder");
    EXPECT_EQ(split->arguments, QStringList{"-y"});

    EXPECT_FALSE(splitCommandLine("/nowhere/coder -i a", exists));
    EXPECT_FALSE(splitCommandLine("   ", exists));
}
