// The capture drivers of the machine: every V4L2 video capture device, then
// the synthetic test cameras when BRINDLE_TEST_CAMERA is set. Driver numbers
// run 0, 1, 2... in that order, as the capture window's connect expects.
//
// The synthetic camera is a moving test picture with a running frame
// counter, made by libavdevice's lavfi input, so it travels the same code
// path as a real camera. Tests shape it through the environment:
//   BRINDLE_TEST_CAMERA=N            N cameras (1 when the value is not a number)
//   BRINDLE_TEST_CAMERA_REFUSE=WxH,. frame sizes the cameras refuse
//   BRINDLE_TEST_CAMERA_BUSY=i,j     cameras (0-based among the synthetic
//                                    ones) that another program holds
//   BRINDLE_TEST_CAMERA_FRAMES=N     after N frames the camera vanishes
//   BRINDLE_TEST_CAMERA_LOSE=N       the camera loses every Nth frame (its
//                                    times and counter skip it)
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace brindle::vfw {

struct FrameSize {
    int width = 0;
    int height = 0;
    bool operator==(const FrameSize&) const = default;
};

struct DriverInfo {
    std::string name;     // the description shown to the user (card name)
    std::string version;  // "Version: 5.10.0" and the like
    std::string device;   // "/dev/video0", or empty for a synthetic camera
    bool synthetic = false;
    int syntheticIndex = 0;
};

struct SyntheticConfig {
    int count = 0;
    std::vector<FrameSize> refused;
    std::vector<int> busy;
    std::int64_t framesBeforeVanishing = -1;  // -1: never
    int loseEvery = 0;                        // 0: none lost

    static SyntheticConfig fromEnvironment();
    bool refuses(FrameSize size) const;
    bool isBusy(int index) const;
};

// Every driver, in number order. Reads the device nodes each time, so a
// camera plugged in later is found.
std::vector<DriverInfo> listDrivers();

// Driver n's description; false when there is no driver with that number.
bool driverDescription(int n, DriverInfo* out);

// Frame sizes a device offers, smallest first (its readable modes; see
// deviceModes in device_modes.h).
std::vector<FrameSize> frameSizes(const DriverInfo& driver);

}  // namespace brindle::vfw
