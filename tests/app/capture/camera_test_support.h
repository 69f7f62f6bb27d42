// Shared set-up of the camera dialog tests: a private temporary folder as
// gTempFolder and gWorkFolder, an empty project, the synthetic cameras and
// a message recorder.
#pragma once

#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/settings.h"
#include "platform/vfw/drivers.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QImage>

namespace brindle::test {

class CameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        gTempFolder = env.file("Temp");
        gWorkFolder = env.file("Work");
        QDir().mkpath(gWorkFolder);
        gProject.clear();
        resetCounters();
        gProjectChanged = false;
        gDefaultSlideDuration = 10000;
        gSettingsKey = "Software\\Brindle\\CameraTest";
    }
    void TearDown() override {
        gProject.clear();
        for (const char* name : {"BRINDLE_TEST_CAMERA", "BRINDLE_TEST_CAMERA_REFUSE",
                                 "BRINDLE_TEST_CAMERA_FRAMES", "BRINDLE_TEST_CAMERA_BUSY"}) {
            qunsetenv(name);
        }
    }

    // count synthetic cameras; gCapture names the first of them (real
    // devices come first in the driver list).
    void cameras(const char* count, const char* refuse = "") {
        qputenv("BRINDLE_TEST_CAMERA", count);
        qputenv("BRINDLE_TEST_CAMERA_REFUSE", refuse);
        gCapture = QString::number(firstCamera());
    }
    static int firstCamera() {
        const std::vector<vfw::DriverInfo> all = vfw::listDrivers();
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (all[i].synthetic) {
                return static_cast<int>(i);
            }
        }
        return static_cast<int>(all.size());
    }

    // The synthetic camera's frame counter read from the top row of blocks;
    // -1 when a block is neither clearly black nor clearly white.
    static int frameCounter(const QImage& picture) {
        int n = 0;
        for (int bit = 0; bit < 16; ++bit) {
            const int grey = qGray(picture.pixel(bit * 8 + 4, 4));
            if (grey > 60 && grey < 190) {
                return -1;
            }
            n = (n << 1) | (grey >= 190 ? 1 : 0);
        }
        return n;
    }

    TempEnv env;
    MessageRecorder messages;
};

}  // namespace brindle::test
