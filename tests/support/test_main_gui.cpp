#include <gtest/gtest.h>

#include <QApplication>

// Widget tests: a QApplication on the offscreen platform, so no display is needed and nothing
// appears on screen.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vordana"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
