// The V4L2 mode reading, replaying devices' recorded answers (the .modes
// files beside this test) through the same ioctl calls a camera answers.
#include "platform/vfw/device_modes.h"
#include "platform/vfw/formats.h"

#include <gtest/gtest.h>

#include <linux/videodev2.h>

#include <cerrno>
#include <fstream>
#include <sstream>

namespace brindle::vfw {
namespace {

struct Fraction {
    std::uint32_t num = 0;
    std::uint32_t den = 0;
};

struct RecordedSize {
    FrameSize size;
    std::vector<Fraction> intervals;
};

struct RecordedFormat {
    std::uint32_t code = 0;
    bool compressed = false;
    std::vector<RecordedSize> sizes;
    bool sizeRange = false;  // sizes given as "min-max step WxH" or continuous
    v4l2_frmsize_stepwise range{};
    bool sizeContinuous = false;
    bool endless = false;  // the one size, answered at every index
    bool intervalRange = false;
    bool intervalContinuous = false;
    Fraction intervalMin, intervalMax, intervalStep;
};

// A device that answers ENUM_FMT, ENUM_FRAMESIZES and ENUM_FRAMEINTERVALS
// from a recording.
class RecordedDevice {
public:
    explicit RecordedDevice(const std::string& name) {
        std::ifstream in(std::string(BRINDLE_DEVICES_DIR) + "/" + name);
        EXPECT_TRUE(in.good()) << name;
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream words(line);
            std::string word;
            words >> word;
            if (word == "format") {
                std::string code;
                std::string flag;
                words >> code >> flag;
                RecordedFormat f;
                f.code = fourcc(code[0], code[1], code[2], code[3]);
                f.compressed = flag == "compressed";
                m_formats.push_back(f);
            } else if (word == "size" || word == "endless-size") {
                RecordedSize s;
                char x = 0;
                words >> s.size.width >> x >> s.size.height;
                m_formats.back().sizes.push_back(s);
                m_formats.back().endless = word == "endless-size";
            } else if (word == "interval") {
                m_formats.back().sizes.back().intervals.push_back(fraction(words));
            } else if (word == "sizes") {
                RecordedFormat& f = m_formats.back();
                char c = 0;
                std::string kind;
                f.sizeRange = true;
                words >> f.range.min_width >> c >> f.range.min_height >> c >> f.range.max_width >>
                    c >> f.range.max_height >> kind;
                f.sizeContinuous = kind == "continuous";
                if (!f.sizeContinuous) {
                    words >> f.range.step_width >> c >> f.range.step_height;
                }
            } else if (word == "intervals") {
                RecordedFormat& f = m_formats.back();
                std::string range;
                std::string kind;
                words >> range >> kind;
                std::istringstream r(range);
                f.intervalRange = true;
                f.intervalMin = fraction(r);
                r.ignore(1);  // the dash
                f.intervalMax = fraction(r);
                f.intervalContinuous = kind == "continuous";
                if (!f.intervalContinuous) {
                    f.intervalStep = fraction(words);
                }
            } else if (word == "interrupt") {
                m_interrupt = true;
            }
        }
    }

    IoctlFunction ioctl() {
        return [this](unsigned long request, void* arg) { return answer(request, arg); };
    }
    int calls() const { return m_calls; }

private:
    static Fraction fraction(std::istream& in) {
        Fraction f;
        char slash = 0;
        in >> f.num >> slash >> f.den;
        return f;
    }

    static int no() {
        errno = EINVAL;
        return -1;
    }

    const RecordedFormat* format(std::uint32_t code) const {
        for (const RecordedFormat& f : m_formats) {
            if (f.code == code) {
                return &f;
            }
        }
        return nullptr;
    }

    int answer(unsigned long request, void* arg) {
        ++m_calls;
        if (m_interrupt && m_calls % 3 == 0) {
            errno = EINTR;
            return -1;
        }
        if (request == VIDIOC_ENUM_FMT) {
            auto* d = static_cast<v4l2_fmtdesc*>(arg);
            if (d->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || d->index >= m_formats.size()) {
                return no();
            }
            d->pixelformat = m_formats[d->index].code;
            d->flags = m_formats[d->index].compressed ? V4L2_FMT_FLAG_COMPRESSED : 0;
            return 0;
        }
        if (request == VIDIOC_ENUM_FRAMESIZES) {
            auto* s = static_cast<v4l2_frmsizeenum*>(arg);
            const RecordedFormat* f = format(s->pixel_format);
            if (!f) {
                return no();
            }
            if (f->sizeRange) {
                if (s->index > 0) {
                    return no();
                }
                s->type =
                    f->sizeContinuous ? V4L2_FRMSIZE_TYPE_CONTINUOUS : V4L2_FRMSIZE_TYPE_STEPWISE;
                s->stepwise = f->range;
                return 0;
            }
            const std::size_t i = f->endless ? 0 : s->index;
            if (i >= f->sizes.size()) {
                return no();
            }
            s->type = V4L2_FRMSIZE_TYPE_DISCRETE;
            s->discrete.width = static_cast<std::uint32_t>(f->sizes[i].size.width);
            s->discrete.height = static_cast<std::uint32_t>(f->sizes[i].size.height);
            return 0;
        }
        if (request == VIDIOC_ENUM_FRAMEINTERVALS) {
            auto* v = static_cast<v4l2_frmivalenum*>(arg);
            const RecordedFormat* f = format(v->pixel_format);
            if (!f) {
                return no();
            }
            if (f->intervalRange) {
                if (v->index > 0) {
                    return no();
                }
                v->type = f->intervalContinuous ? V4L2_FRMIVAL_TYPE_CONTINUOUS
                                                : V4L2_FRMIVAL_TYPE_STEPWISE;
                v->stepwise.min = {f->intervalMin.num, f->intervalMin.den};
                v->stepwise.max = {f->intervalMax.num, f->intervalMax.den};
                v->stepwise.step = f->intervalContinuous
                                       ? v4l2_fract{1, 1}
                                       : v4l2_fract{f->intervalStep.num, f->intervalStep.den};
                return 0;
            }
            for (const RecordedSize& s : f->sizes) {
                if (std::uint32_t(s.size.width) == v->width &&
                    std::uint32_t(s.size.height) == v->height) {
                    if (v->index >= s.intervals.size()) {
                        return no();
                    }
                    v->type = V4L2_FRMIVAL_TYPE_DISCRETE;
                    v->discrete = {s.intervals[v->index].num, s.intervals[v->index].den};
                    return 0;
                }
            }
            return no();  // a size the format does not have
        }
        errno = ENOTTY;
        return -1;
    }

    std::vector<RecordedFormat> m_formats;
    bool m_interrupt = false;
    int m_calls = 0;
};

constexpr std::uint32_t k30 = 33333;
constexpr std::uint32_t k15 = 66667;
constexpr std::uint32_t k10 = 100000;
constexpr std::uint32_t k5 = 200000;

TEST(DeviceModes, PeriodsFromFractions) {
    EXPECT_EQ(periodUs(1, 30), k30);
    EXPECT_EQ(periodUs(1, 15), k15);
    EXPECT_EQ(periodUs(1001, 30000), 33367u);  // NTSC's 29.97
    EXPECT_EQ(periodUs(0, 30), 0u);
    EXPECT_EQ(periodUs(1, 0), 0u);
    EXPECT_EQ(periodUs(1, 4000000), 0u);      // rounds to no time at all
    EXPECT_EQ(periodUs(0xffffffffu, 1), 0u);  // beyond 32 bits of microseconds
}

TEST(DeviceModes, UsbWebcamRatesPerSizeAndFormat) {
    RecordedDevice device("usb-webcam.modes");
    const std::vector<DeviceMode> modes = enumerateModes(device.ioctl());
    ASSERT_EQ(modes.size(), 6u);
    EXPECT_EQ(modes[0].pixelFormat, V4L2_PIX_FMT_YUYV);
    EXPECT_EQ(modes[0].size, (FrameSize{640, 480}));
    EXPECT_EQ(modes[0].periods.discrete, (std::vector<std::uint32_t>{k30, k15}));
    EXPECT_TRUE(modes[3].compressed);

    // The Bayer format's size is not offered: nothing here reads it.
    EXPECT_EQ(readableSizes(modes), (std::vector<FrameSize>{{320, 240}, {640, 480}, {1280, 720}}));

    // 15 frames a second at 640x480: raw, exactly.
    auto m = chooseMode(modes, {640, 480}, 66666);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->pixelFormat, V4L2_PIX_FMT_YUYV);
    EXPECT_EQ(m->periodUs, k15);
    // 30 at 640x480: both formats offer it; raw wins the tie.
    m = chooseMode(modes, {640, 480}, k30);
    EXPECT_EQ(m->pixelFormat, V4L2_PIX_FMT_YUYV);
    // 30 at 1280x720: only MJPEG keeps it.
    m = chooseMode(modes, {1280, 720}, k30);
    EXPECT_EQ(m->pixelFormat, V4L2_PIX_FMT_MJPEG);
    EXPECT_EQ(m->periodUs, k30);
    // 5 at 1280x720: raw again.
    m = chooseMode(modes, {1280, 720}, k5);
    EXPECT_EQ(m->pixelFormat, V4L2_PIX_FMT_YUYV);
    EXPECT_EQ(m->periodUs, k5);
    // 24 at 320x240 is not offered: the nearest, 30.
    m = chooseMode(modes, {320, 240}, periodUs(1, 24));
    EXPECT_EQ(m->periodUs, k30);
    // Sizes the device does not list have no mode at all.
    EXPECT_FALSE(chooseMode(modes, {176, 144}, k15));
    EXPECT_FALSE(chooseMode(modes, {2592, 1944}, k15));

    EXPECT_EQ(offeredPeriods(modes, {1280, 720}), (std::vector<std::uint32_t>{k30, k15, k10, k5}));
    EXPECT_EQ(offeredPeriods(modes, {320, 240}), (std::vector<std::uint32_t>{k30, k15}));
    EXPECT_TRUE(offeredPeriods(modes, {2592, 1944}).empty());
}

TEST(DeviceModes, SizeAndRateRanges) {
    RecordedDevice device("stepwise-sizes.modes");
    const std::vector<DeviceMode> modes = enumerateModes(device.ioctl());
    // The common sizes on the range's steps; 176 is not 64 plus 32s.
    EXPECT_EQ(readableSizes(modes), (std::vector<FrameSize>{{160, 120},
                                                            {320, 240},
                                                            {352, 288},
                                                            {640, 480},
                                                            {800, 600},
                                                            {1280, 720},
                                                            {1920, 1080}}));
    for (const DeviceMode& m : modes) {
        EXPECT_EQ(m.periods.minUs, 16667u);
        EXPECT_EQ(m.periods.maxUs, 1000000u);
        EXPECT_EQ(m.periods.stepUs, 0u);
    }
    // Any period within the range; outside it, the nearest end.
    EXPECT_EQ(chooseMode(modes, {640, 480}, 66666)->periodUs, 66666u);
    EXPECT_EQ(chooseMode(modes, {640, 480}, 5000)->periodUs, 16667u);
    EXPECT_EQ(chooseMode(modes, {640, 480}, 5000000)->periodUs, 1000000u);
    EXPECT_EQ(offeredPeriods(modes, {640, 480}),
              (std::vector<std::uint32_t>{16667, k30, 40000, 50000, k15, k10, k5}));

    // A stepped range snaps to its steps and never past its end.
    FramePeriods stepped;
    stepped.minUs = 20000;
    stepped.maxUs = 100000;
    stepped.stepUs = 25000;
    EXPECT_EQ(stepped.nearest(66666), 70000u);
    EXPECT_EQ(stepped.nearest(200000), 95000u);  // the last step within the range
    EXPECT_TRUE(stepped.offers(45000));
    EXPECT_FALSE(stepped.offers(50000));
}

TEST(DeviceModes, BrokenDriverAnswersAreNotTrusted) {
    RecordedDevice device("broken-driver.modes");
    const std::vector<DeviceMode> modes = enumerateModes(device.ioctl());
    // Zero fractions are skipped, the oversized frame is left out, the
    // endless list is cut off (its one size kept once), and the interrupted
    // calls were asked again.
    ASSERT_EQ(modes.size(), 2u);
    EXPECT_EQ(modes[0].size, (FrameSize{640, 480}));
    EXPECT_EQ(modes[0].periods.discrete, (std::vector<std::uint32_t>{40000}));
    EXPECT_EQ(modes[1].pixelFormat, V4L2_PIX_FMT_GREY);
    EXPECT_EQ(modes[1].periods.discrete, (std::vector<std::uint32_t>{k30}));
    EXPECT_LT(device.calls(), 2000);
}

TEST(DeviceModes, DeviceThatDoesNotSayItsRates) {
    // No answer to ENUM_FRAMEINTERVALS: the size is offered, and any rate
    // asked for is tried.
    const IoctlFunction silent = [](unsigned long request, void* arg) {
        if (request == VIDIOC_ENUM_FMT && static_cast<v4l2_fmtdesc*>(arg)->index == 0) {
            static_cast<v4l2_fmtdesc*>(arg)->pixelformat = V4L2_PIX_FMT_YUYV;
            return 0;
        }
        if (request == VIDIOC_ENUM_FRAMESIZES && static_cast<v4l2_frmsizeenum*>(arg)->index == 0) {
            auto* s = static_cast<v4l2_frmsizeenum*>(arg);
            s->type = V4L2_FRMSIZE_TYPE_DISCRETE;
            s->discrete = {320, 240};
            return 0;
        }
        errno = EINVAL;
        return -1;
    };
    const std::vector<DeviceMode> modes = enumerateModes(silent);
    ASSERT_EQ(modes.size(), 1u);
    EXPECT_TRUE(modes[0].periods.empty());
    EXPECT_EQ(chooseMode(modes, {320, 240}, 41666)->periodUs, 41666u);
    EXPECT_EQ(offeredPeriods(modes, {320, 240}).size(), 7u);
}

TEST(DeviceModes, InputFormatNames) {
    EXPECT_STREQ(inputFormatName(V4L2_PIX_FMT_YUYV), "yuyv422");
    EXPECT_STREQ(inputFormatName(V4L2_PIX_FMT_MJPEG), "mjpeg");
    EXPECT_STREQ(inputFormatName(V4L2_PIX_FMT_YUV420), "yuv420p");
    EXPECT_EQ(inputFormatName(V4L2_PIX_FMT_SBGGR8), nullptr);
}

}  // namespace
}  // namespace brindle::vfw
