#include "platform/SingleInstance.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <memory>

TEST(SingleInstanceTest, OnlyTheFirstCopyOfAProgramIsFirst) {
    // A fresh folder per run, so a copy of the real program or an earlier run cannot interfere.
    QTemporaryDir folder;
    const QString program = folder.path() + QStringLiteral("/vordana");
    const QString other = folder.path() + QStringLiteral("/other/vordana");

    auto first = std::make_unique<SingleInstance>(program);
    ASSERT_TRUE(first->isFirst());
    EXPECT_TRUE(first->isFirst()) << "asking again must not lose the lock";

    SingleInstance second(program);
    EXPECT_FALSE(second.isFirst());
    SingleInstance elsewhere(other);
    EXPECT_TRUE(elsewhere.isFirst());
    // The same program named through a detour is the same program.
    SingleInstance detour(folder.path() + QStringLiteral("/other/../vordana"));
    EXPECT_FALSE(detour.isFirst());

    first.reset();
    SingleInstance afterwards(program);
    EXPECT_TRUE(afterwards.isFirst());
}

TEST(SingleInstanceTest, TheLockDoesNotMoveWithTheRuntimeFolder) {
    QTemporaryDir folder;
    QTemporaryDir runtimeA;
    QTemporaryDir runtimeB;
    const QString program = folder.path() + QStringLiteral("/vordana");
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeA.path()));
    SingleInstance first(program);
    ASSERT_TRUE(first.isFirst());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeB.path()));
    SingleInstance second(program);
    EXPECT_FALSE(second.isFirst());
    qputenv("XDG_RUNTIME_DIR", saved);
}
