#pragma once

#include "frmMain.h"
#include "options/OptionsFile.h"
#include "support/ScriptedPrompts.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <memory>
#include <stdexcept>

// The window's control of that object name (its documented name) and type. A name that finds
// none, or more than one, fails the test.
template <class T>
T* widget(const QWidget& w, const char* name) {
    const QList<T*> found = w.findChildren<T*>(QString::fromLatin1(name));
    if (found.size() != 1) {
        ADD_FAILURE() << found.size() << " controls named " << name;
        throw std::runtime_error(name);
    }
    return found.first();
}

// The list's rows as the user sees them.
inline int rowCount(const frmMain& w) {
    return widget<QTreeView>(w, "LV")->model()->rowCount();
}
inline QString rowText(const frmMain& w, int row, int column) {
    return widget<QTreeView>(w, "LV")->model()->index(row, column).data().toString();
}
inline void selectRow(frmMain& w, int row) {
    QTreeView* list = widget<QTreeView>(w, "LV");
    list->setCurrentIndex(list->model()->index(row, 0));
}

// A window over a program folder of its own (setup.ini, options.ini, data/coder), with scripted
// prompts installed, so tests neither touch the build folder nor block on a dialog.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_program.isValid());
        QDir().mkpath(folder() + "/data");
        Options() = OptionsRecord{};
    }

    QString folder() const { return m_program.path(); }

    // An (empty) input file in the program folder; the stand-in encoder does not read it.
    QString input(const QString& name) const {
        QFile file(folder() + name);
        file.open(QIODevice::WriteOnly);
        return file.fileName();
    }

    void useEncoder(const QString& helperOrCoder) {
        if (helperOrCoder == QLatin1String("coder")) {
            // The real adapters, all three.
            for (const char* adapter : {"/data/coder", "/data/coder2", "/data/conv"}) {
                QFile::copy(TestPaths::programFolder() + adapter, folder() + adapter);
            }
        } else {
            TestPaths::copyHelperAs(helperOrCoder, folder() + "/data", "coder");
        }
    }

    frmMain& window(bool load = true) {
        m_window = std::make_unique<frmMain>(folder());
        if (load) {
            EXPECT_TRUE(m_window->Form_Load());
            // What options.ini said, or one file at a time: the window's documented display.
            Options().FilesAtOnce = m_filesAtOnce;
        }
        return *m_window;
    }

    // Clicks the start button and waits for the run to end.
    void convert(frmMain& w, int timeoutMs = 120000) {
        QTest::mouseClick(widget<QPushButton>(w, "Command3"), Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !w.isConverting(); }, timeoutMs));
    }

    QTemporaryDir m_program;
    int m_filesAtOnce = 1;
    ScriptedPrompts m_prompts;
    std::unique_ptr<frmMain> m_window;
};
