// Test main for code without a window system: a QCoreApplication, so events,
// timers and resources work, and nothing that could show a window. Home,
// settings and cache folders are private to the test program, as in the
// other test main.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "tests/support/temp_env.h"

int main(int argc, char** argv) {
    qputenv("BRINDLE_TEST", "1");
    const brindle::test::TempEnv home;
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
