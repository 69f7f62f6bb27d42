#include "platform/vfw/drivers.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

namespace brindle::vfw {
namespace {

// The sizes a synthetic camera offers, as a common webcam does.
constexpr FrameSize kSyntheticSizes[] = {{160, 120}, {176, 144}, {320, 240}, {352, 288},
                                         {640, 480}, {800, 600}, {1280, 720}};

std::vector<std::string> splitList(const char* text) {
    std::vector<std::string> out;
    if (!text) {
        return out;
    }
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        if (!item.empty()) {
            out.push_back(item);
        }
    }
    return out;
}

int xioctl(int fd, unsigned long request, void* arg) {
    int rc;
    do {
        rc = ioctl(fd, request, arg);
    } while (rc == -1 && errno == EINTR);
    return rc;
}

struct Fd {
    int fd = -1;
    explicit Fd(const std::string& path) : fd(::open(path.c_str(), O_RDWR | O_NONBLOCK)) {}
    ~Fd() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

// The V4L2 nodes that capture video, in the order of their numbers.
std::vector<DriverInfo> v4l2Drivers() {
    std::vector<std::pair<int, std::string>> nodes;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("video", 0) == 0 && name.size() > 5 &&
            std::all_of(name.begin() + 5, name.end(),
                        [](char c) { return c >= '0' && c <= '9'; })) {
            nodes.emplace_back(std::atoi(name.c_str() + 5), entry.path().string());
        }
    }
    std::sort(nodes.begin(), nodes.end());
    std::vector<DriverInfo> out;
    for (const auto& [number, path] : nodes) {
        Fd dev(path);
        if (dev.fd < 0) {
            continue;
        }
        v4l2_capability cap{};
        if (xioctl(dev.fd, VIDIOC_QUERYCAP, &cap) != 0) {
            continue;
        }
        const std::uint32_t caps =
            (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
        if (!(caps & V4L2_CAP_VIDEO_CAPTURE)) {
            continue;  // metadata and output nodes of the same camera
        }
        DriverInfo d;
        d.name.assign(reinterpret_cast<const char*>(cap.card),
                      strnlen(reinterpret_cast<const char*>(cap.card), sizeof cap.card));
        char version[64];
        std::snprintf(version, sizeof version, "Version: %u.%u.%u", (cap.version >> 16) & 0xff,
                      (cap.version >> 8) & 0xff, cap.version & 0xff);
        d.version = version;
        d.device = path;
        out.push_back(std::move(d));
    }
    return out;
}

}  // namespace

SyntheticConfig SyntheticConfig::fromEnvironment() {
    SyntheticConfig c;
    const char* count = std::getenv("BRINDLE_TEST_CAMERA");
    if (!count || !*count || std::strcmp(count, "0") == 0) {
        return c;
    }
    c.count = std::clamp(std::atoi(count), 1, 9);
    for (const std::string& item : splitList(std::getenv("BRINDLE_TEST_CAMERA_REFUSE"))) {
        FrameSize s;
        if (std::sscanf(item.c_str(), "%dx%d", &s.width, &s.height) == 2) {
            c.refused.push_back(s);
        }
    }
    for (const std::string& item : splitList(std::getenv("BRINDLE_TEST_CAMERA_BUSY"))) {
        c.busy.push_back(std::atoi(item.c_str()));
    }
    if (const char* frames = std::getenv("BRINDLE_TEST_CAMERA_FRAMES"); frames && *frames) {
        c.framesBeforeVanishing = std::max(0LL, std::atoll(frames));
    }
    return c;
}

bool SyntheticConfig::refuses(FrameSize size) const {
    return std::find(refused.begin(), refused.end(), size) != refused.end();
}

bool SyntheticConfig::isBusy(int index) const {
    return std::find(busy.begin(), busy.end(), index) != busy.end();
}

std::vector<DriverInfo> listDrivers() {
    std::vector<DriverInfo> out = v4l2Drivers();
    const SyntheticConfig config = SyntheticConfig::fromEnvironment();
    for (int i = 0; i < config.count; ++i) {
        DriverInfo d;
        d.name = config.count == 1 ? "Brindle Test Camera"
                                   : "Brindle Test Camera " + std::to_string(i + 1);
        d.version = "Version: 1.0";
        d.synthetic = true;
        d.syntheticIndex = i;
        out.push_back(std::move(d));
    }
    return out;
}

bool driverDescription(int n, DriverInfo* out) {
    if (n < 0) {
        return false;
    }
    std::vector<DriverInfo> all = listDrivers();
    if (static_cast<std::size_t>(n) >= all.size()) {
        return false;
    }
    *out = std::move(all[static_cast<std::size_t>(n)]);
    return true;
}

std::vector<FrameSize> frameSizes(const DriverInfo& driver) {
    std::vector<FrameSize> out;
    if (driver.synthetic) {
        const SyntheticConfig config = SyntheticConfig::fromEnvironment();
        for (const FrameSize& s : kSyntheticSizes) {
            if (!config.refuses(s)) {
                out.push_back(s);
            }
        }
        return out;
    }
    Fd dev(driver.device);
    if (dev.fd < 0) {
        return out;
    }
    v4l2_fmtdesc fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    for (fmt.index = 0; xioctl(dev.fd, VIDIOC_ENUM_FMT, &fmt) == 0; ++fmt.index) {
        v4l2_frmsizeenum size{};
        size.pixel_format = fmt.pixelformat;
        for (size.index = 0; xioctl(dev.fd, VIDIOC_ENUM_FRAMESIZES, &size) == 0; ++size.index) {
            if (size.type != V4L2_FRMSIZE_TYPE_DISCRETE) {
                // Stepwise devices: offer the common sizes within their range.
                for (const FrameSize& s : kSyntheticSizes) {
                    if (s.width >= int(size.stepwise.min_width) &&
                        s.width <= int(size.stepwise.max_width) &&
                        s.height >= int(size.stepwise.min_height) &&
                        s.height <= int(size.stepwise.max_height) &&
                        std::find(out.begin(), out.end(), s) == out.end()) {
                        out.push_back(s);
                    }
                }
                break;
            }
            const FrameSize s{int(size.discrete.width), int(size.discrete.height)};
            if (std::find(out.begin(), out.end(), s) == out.end()) {
                out.push_back(s);
            }
        }
    }
    std::sort(out.begin(), out.end(), [](const FrameSize& a, const FrameSize& b) {
        return std::int64_t(a.width) * a.height < std::int64_t(b.width) * b.height;
    });
    return out;
}

}  // namespace brindle::vfw
