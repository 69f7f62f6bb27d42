// Test main: every test program runs inside a QApplication, offscreen unless
// the environment says otherwise, so widgets and message boxes can be made;
// messages and file dialogs no recorder catches show in the program's real
// boxes and dialogs. Scanning goes to SANE's test devices. Home, settings and
// cache folders are private to the test program, so no test reads or changes
// the user's own.
#include "platform/dialogs/file_dialogs.h"
#include "platform/dialogs/message_boxes.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "tests/support/sane_env.h"
#include "tests/support/temp_env.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Code that would open a modal box with no one to answer it (a control's
    // own warning) reports on standard error instead under a test.
    qputenv("BRINDLE_TEST", "1");
    const brindle::test::TempEnv home;
    QApplication app(argc, argv);
    brindle::installMessageBoxes();
    brindle::installFileDialogs();
    // Scanners are SANE's test devices in every test program, never the
    // machine's own backends (some probe the network for seconds).
    brindle::test::SaneTestDevices::folder();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
