#include "platform/vfw/drivers.h"

#include "platform/vfw/device_modes.h"

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

DeviceMode syntheticMode(FrameSize size) {
    DeviceMode m;
    m.pixelFormat = V4L2_PIX_FMT_YUV420;
    m.size = size;
    m.periods.minUs = periodUs(1, 60);
    m.periods.maxUs = periodUs(1, 1);
    return m;
}

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
    if (const char* lose = std::getenv("BRINDLE_TEST_CAMERA_LOSE"); lose && *lose) {
        c.loseEvery = std::max(0, std::atoi(lose));
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

std::optional<ModeChoice> modeFor(const DriverInfo& driver, const std::vector<DeviceMode>& modes,
                                  FrameSize size, std::uint32_t usPerFrame) {
    std::optional<ModeChoice> mode = chooseMode(modes, size, usPerFrame);
    if (!mode && driver.synthetic && !SyntheticConfig::fromEnvironment().refuses(size)) {
        // The test picture is made at any size the camera does not refuse.
        mode = chooseMode({syntheticMode(size)}, size, usPerFrame);
    }
    return mode;
}

std::vector<DeviceMode> deviceModes(const DriverInfo& driver) {
    std::vector<DeviceMode> out;
    if (driver.synthetic) {
        // I420 at the common sizes less the refused ones, at any rate from
        // 60 frames a second down to 1.
        const SyntheticConfig config = SyntheticConfig::fromEnvironment();
        for (const FrameSize& s : kSyntheticSizes) {
            if (!config.refuses(s)) {
                out.push_back(syntheticMode(s));
            }
        }
        return out;
    }
    Fd dev(driver.device);
    if (dev.fd < 0) {
        return out;
    }
    const int fd = dev.fd;
    return enumerateModes(
        [fd](unsigned long request, void* arg) { return ::ioctl(fd, request, arg); });
}

std::vector<FrameSize> frameSizes(const DriverInfo& driver) {
    return readableSizes(deviceModes(driver));
}

}  // namespace brindle::vfw
