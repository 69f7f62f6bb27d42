#include "platform/vfw/device_modes.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace brindle::vfw {
namespace {

// No device lists more than this many formats, sizes or intervals; a
// driver that never answers "no more" is cut off here.
constexpr std::uint32_t kMaxEntries = 512;

// The sizes offered within a device's range of sizes, as a common webcam
// lists them.
constexpr FrameSize kCommonSizes[] = {{160, 120}, {176, 144}, {320, 240},  {352, 288},
                                      {640, 480}, {800, 600}, {1280, 720}, {1920, 1080}};

// The rates offered within a range of periods.
constexpr std::uint32_t kCommonRates[] = {60, 30, 25, 20, 15, 10, 5};

int ask(const IoctlFunction& ioctl, unsigned long request, void* arg) {
    int rc;
    do {
        errno = 0;
        rc = ioctl(request, arg);
    } while (rc == -1 && errno == EINTR);
    return rc;
}

bool within(std::uint32_t value, std::uint32_t low, std::uint32_t high, std::uint32_t step) {
    return value >= low && value <= high && (step <= 1 || (value - low) % step == 0);
}

FramePeriods readPeriods(const IoctlFunction& ioctl, std::uint32_t pixelFormat, FrameSize size) {
    FramePeriods out;
    v4l2_frmivalenum ival{};
    ival.pixel_format = pixelFormat;
    ival.width = static_cast<std::uint32_t>(size.width);
    ival.height = static_cast<std::uint32_t>(size.height);
    for (ival.index = 0; ival.index < kMaxEntries; ++ival.index) {
        if (ask(ioctl, VIDIOC_ENUM_FRAMEINTERVALS, &ival) != 0) {
            break;
        }
        if (ival.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
            const std::uint32_t us = periodUs(ival.discrete.numerator, ival.discrete.denominator);
            if (us != 0 &&
                std::find(out.discrete.begin(), out.discrete.end(), us) == out.discrete.end()) {
                out.discrete.push_back(us);
            }
            continue;
        }
        // A range is the device's only answer.
        const std::uint32_t low =
            periodUs(ival.stepwise.min.numerator, ival.stepwise.min.denominator);
        const std::uint32_t high =
            periodUs(ival.stepwise.max.numerator, ival.stepwise.max.denominator);
        if (low != 0 && high >= low) {
            out.discrete.clear();
            out.minUs = low;
            out.maxUs = high;
            out.stepUs =
                ival.type == V4L2_FRMIVAL_TYPE_CONTINUOUS
                    ? 0
                    : periodUs(ival.stepwise.step.numerator, ival.stepwise.step.denominator);
        }
        break;
    }
    std::sort(out.discrete.begin(), out.discrete.end());
    return out;
}

}  // namespace

std::uint32_t periodUs(std::uint32_t num, std::uint32_t den) {
    if (num == 0 || den == 0) {
        return 0;
    }
    const std::uint64_t us = (std::uint64_t(num) * 1000000 + den / 2) / den;
    return us == 0 || us > 0xffffffffu ? 0 : static_cast<std::uint32_t>(us);
}

std::uint32_t FramePeriods::nearest(std::uint32_t us) const {
    if (!discrete.empty()) {
        std::uint32_t best = discrete.front();
        for (std::uint32_t p : discrete) {
            const auto distance = [us](std::uint32_t v) { return v > us ? v - us : us - v; };
            if (distance(p) < distance(best)) {
                best = p;
            }
        }
        return best;
    }
    if (maxUs == 0) {
        return us;
    }
    std::uint32_t p = std::clamp(us, minUs, maxUs);
    if (stepUs > 0) {
        const std::uint64_t k = (std::uint64_t(p - minUs) + stepUs / 2) / stepUs;
        std::uint64_t snapped = minUs + k * stepUs;
        if (snapped > maxUs) {
            snapped -= stepUs;
        }
        p = static_cast<std::uint32_t>(snapped);
    }
    return p;
}

std::vector<DeviceMode> enumerateModes(const IoctlFunction& ioctl) {
    std::vector<DeviceMode> out;
    v4l2_fmtdesc fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    for (fmt.index = 0; fmt.index < kMaxEntries; ++fmt.index) {
        if (ask(ioctl, VIDIOC_ENUM_FMT, &fmt) != 0) {
            break;
        }
        const bool compressed = (fmt.flags & V4L2_FMT_FLAG_COMPRESSED) != 0;
        std::vector<FrameSize> sizes;
        v4l2_frmsizeenum size{};
        size.pixel_format = fmt.pixelformat;
        for (size.index = 0; size.index < kMaxEntries; ++size.index) {
            if (ask(ioctl, VIDIOC_ENUM_FRAMESIZES, &size) != 0) {
                break;
            }
            if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
                if (size.discrete.width > kMaxFrameSide || size.discrete.height > kMaxFrameSide) {
                    continue;  // beyond any frame the capture takes
                }
                const FrameSize s{int(size.discrete.width), int(size.discrete.height)};
                if (s.width > 0 && s.height > 0 &&
                    std::find(sizes.begin(), sizes.end(), s) == sizes.end()) {
                    sizes.push_back(s);
                }
                continue;
            }
            // A range of sizes: the common sizes that fall on its steps.
            const auto& r = size.stepwise;
            const bool continuous = size.type == V4L2_FRMSIZE_TYPE_CONTINUOUS;
            for (const FrameSize& s : kCommonSizes) {
                if (within(std::uint32_t(s.width), r.min_width, r.max_width,
                           continuous ? 1 : r.step_width) &&
                    within(std::uint32_t(s.height), r.min_height, r.max_height,
                           continuous ? 1 : r.step_height)) {
                    sizes.push_back(s);
                }
            }
            break;
        }
        for (const FrameSize& s : sizes) {
            DeviceMode m;
            m.pixelFormat = fmt.pixelformat;
            m.compressed = compressed;
            m.size = s;
            m.periods = readPeriods(ioctl, fmt.pixelformat, s);
            out.push_back(std::move(m));
        }
    }
    return out;
}

std::vector<FrameSize> readableSizes(const std::vector<DeviceMode>& modes) {
    std::vector<FrameSize> out;
    for (const DeviceMode& m : modes) {
        if (inputFormatName(m.pixelFormat) &&
            std::find(out.begin(), out.end(), m.size) == out.end()) {
            out.push_back(m.size);
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const FrameSize& a, const FrameSize& b) {
        return std::int64_t(a.width) * a.height < std::int64_t(b.width) * b.height;
    });
    return out;
}

std::optional<ModeChoice> chooseMode(const std::vector<DeviceMode>& modes, FrameSize size,
                                     std::uint32_t usPerFrame) {
    std::optional<ModeChoice> best;
    std::uint64_t bestDistance = 0;
    bool bestCompressed = false;
    for (const DeviceMode& m : modes) {
        if (!(m.size == size) || !inputFormatName(m.pixelFormat)) {
            continue;
        }
        const std::uint32_t p = m.periods.nearest(usPerFrame);
        const std::uint64_t distance = p > usPerFrame ? p - usPerFrame : usPerFrame - p;
        if (!best || distance < bestDistance ||
            (distance == bestDistance && bestCompressed && !m.compressed)) {
            best = ModeChoice{m.pixelFormat, p};
            bestDistance = distance;
            bestCompressed = m.compressed;
        }
    }
    return best;
}

std::vector<std::uint32_t> offeredPeriods(const std::vector<DeviceMode>& modes, FrameSize size) {
    std::vector<std::uint32_t> out;
    const auto add = [&out](std::uint32_t p) {
        if (p != 0 && std::find(out.begin(), out.end(), p) == out.end()) {
            out.push_back(p);
        }
    };
    for (const DeviceMode& m : modes) {
        if (!(m.size == size) || !inputFormatName(m.pixelFormat)) {
            continue;
        }
        for (std::uint32_t p : m.periods.discrete) {
            add(p);
        }
        if (m.periods.discrete.empty()) {
            // A range, or a device that did not say: the common rates it takes.
            for (std::uint32_t rate : kCommonRates) {
                const std::uint32_t p = periodUs(1, rate);
                if (m.periods.empty() || m.periods.offers(p)) {
                    add(p);
                }
            }
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

const char* inputFormatName(std::uint32_t pixelFormat) {
    switch (pixelFormat) {
        case V4L2_PIX_FMT_YUV420:
            return "yuv420p";
        case V4L2_PIX_FMT_YUV422P:
            return "yuv422p";
        case V4L2_PIX_FMT_YUYV:
            return "yuyv422";
        case V4L2_PIX_FMT_UYVY:
            return "uyvy422";
        case V4L2_PIX_FMT_NV12:
            return "nv12";
        case V4L2_PIX_FMT_BGR24:
            return "bgr24";
        case V4L2_PIX_FMT_RGB24:
            return "rgb24";
        case V4L2_PIX_FMT_GREY:
            return "gray";
        case V4L2_PIX_FMT_MJPEG:
        case V4L2_PIX_FMT_JPEG:
            return "mjpeg";
        case V4L2_PIX_FMT_H264:
            return "h264";
        default:
            return nullptr;
    }
}

}  // namespace brindle::vfw
