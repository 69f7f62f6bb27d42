// Test main for code without a window system: a QCoreApplication, so events,
// timers and resources work, and nothing that could show a window.
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
    qputenv("BRINDLE_TEST", "1");
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
