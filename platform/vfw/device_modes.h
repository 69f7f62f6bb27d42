// What a V4L2 camera offers: for each pixel format its frame sizes
// (VIDIOC_ENUM_FRAMESIZES) and for each size its frame intervals
// (VIDIOC_ENUM_FRAMEINTERVALS). The answers are read through an ioctl
// function, so a test can replay a device's recorded answers; nothing here
// trusts them: loops are bounded, zero fractions are skipped and every
// period is computed in 64 bits.
#pragma once

#include "platform/vfw/drivers.h"
#include "platform/vfw/formats.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace brindle::vfw {

// Answers one ioctl request as ioctl(2) does: 0, or -1 with errno set.
using IoctlFunction = std::function<int(unsigned long request, void* arg)>;

// The frame periods a device offers at one size, in microseconds: a list,
// or a range (with a step; step 0 takes any period within the range).
// Empty when the device did not say, in which case any period is tried.
struct FramePeriods {
    std::vector<std::uint32_t> discrete;  // shortest first
    std::uint32_t minUs = 0;
    std::uint32_t maxUs = 0;
    std::uint32_t stepUs = 0;

    bool empty() const { return discrete.empty() && maxUs == 0; }
    bool offers(std::uint32_t us) const { return nearest(us) == us; }
    // The offered period closest to us; us itself when offered or when the
    // device did not say.
    std::uint32_t nearest(std::uint32_t us) const;
};

struct DeviceMode {
    std::uint32_t pixelFormat = 0;  // V4L2 four-character code
    bool compressed = false;
    FrameSize size;
    FramePeriods periods;
};

// Every format, size and rate of the device, in the device's order. Sizes
// a device gives as a range become the common sizes within it.
std::vector<DeviceMode> enumerateModes(const IoctlFunction& ioctl);

// The modes of a driver: a V4L2 device's answers, or for the synthetic
// camera I420 at the common sizes less the refused ones, at any period from
// 1/60 s to 1 s. Empty when the device cannot be opened.
std::vector<DeviceMode> deviceModes(const DriverInfo& driver);

// The distinct sizes of the modes whose pixel format the capture can read,
// smallest first.
std::vector<FrameSize> readableSizes(const std::vector<DeviceMode>& modes);

struct ModeChoice {
    std::uint32_t pixelFormat = 0;
    std::uint32_t periodUs = 0;  // the period the device will run at
};

// The mode for a capture at size and about usPerFrame: among the readable
// pixel formats that offer the size, the one whose closest period is
// nearest the request; uncompressed formats win a tie (no decoding).
// Nothing when no readable format offers the size.
std::optional<ModeChoice> chooseMode(const std::vector<DeviceMode>& modes, FrameSize size,
                                     std::uint32_t usPerFrame);

// chooseMode over a driver's modes; the synthetic camera also makes any
// size it does not refuse, at any period from 1/60 s to 1 s.
std::optional<ModeChoice> modeFor(const DriverInfo& driver, const std::vector<DeviceMode>& modes,
                                  FrameSize size, std::uint32_t usPerFrame);

// The periods to offer a user at size, shortest first, each once: every
// listed period of the readable formats, and of a range the common rates
// (5 to 60 frames a second) that fall within it.
std::vector<std::uint32_t> offeredPeriods(const std::vector<DeviceMode>& modes, FrameSize size);

// The name libavdevice's v4l2 input takes as its input format for a V4L2
// pixel format; nullptr when it cannot read that format.
const char* inputFormatName(std::uint32_t pixelFormat);

// The frame period of an interval of num/den seconds, rounded to the
// nearest microsecond; 0 for a zero or out-of-range fraction.
std::uint32_t periodUs(std::uint32_t num, std::uint32_t den);

}  // namespace brindle::vfw
