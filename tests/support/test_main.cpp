#include <gtest/gtest.h>

#include <QCoreApplication>

// Every test program has a QCoreApplication, because the runner and the pause serve the event
// loop while they wait.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
