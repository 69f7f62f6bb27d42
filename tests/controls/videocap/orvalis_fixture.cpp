#include "tests/controls/videocap/orvalis_fixture.h"

#include "platform/vfw/drivers.h"

#include <mutex>

namespace brindle::orvalis::hosted {
namespace {

std::mutex gLogMutex;
QStringList gLines;
QtMessageHandler gPrevious = nullptr;

void record(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    {
        std::lock_guard lock(gLogMutex);
        gLines << text;
    }
    if (gPrevious) {
        gPrevious(type, context, text);
    }
}

}  // namespace

LogCapture::LogCapture() {
    std::lock_guard lock(gLogMutex);
    gLines.clear();
    gPrevious = qInstallMessageHandler(record);
}

LogCapture::~LogCapture() {
    qInstallMessageHandler(gPrevious);
}

QStringList LogCapture::lines() {
    std::lock_guard lock(gLogMutex);
    return gLines;
}

int LogCapture::count(const QString& part) {
    int n = 0;
    for (const QString& line : lines()) {
        n += line.contains(part) ? 1 : 0;
    }
    return n;
}

void OrvalisTest::camera(const char* count, const char* refuse, const char* frames) {
    qputenv("BRINDLE_TEST_CAMERA", count);
    qputenv("BRINDLE_TEST_CAMERA_REFUSE", refuse);
    qputenv("BRINDLE_TEST_CAMERA_FRAMES", frames);
}

void OrvalisTest::TearDown() {
    m_host.reset();
    for (const char* name :
         {"BRINDLE_TEST_CAMERA", "BRINDLE_TEST_CAMERA_REFUSE", "BRINDLE_TEST_CAMERA_FRAMES"}) {
        qunsetenv(name);
    }
}

std::unique_ptr<ControlHost> OrvalisTest::load() {
    QString why;
    std::unique_ptr<ControlHost> h = ControlHost::load(kControlName, &window, &why);
    EXPECT_TRUE(h) << why.toStdString();
    if (h) {
        QObject::connect(h.get(), &ControlHost::event, [this](int id, const QVariantList& args) {
            events.push_back({id, args});
        });
    }
    return h;
}

ControlHost& OrvalisTest::host() {
    if (!m_host) {
        m_host = load();
    }
    return *m_host;
}

int OrvalisTest::set(int dispid, const QVariant& value) {
    const dispatch::DispResult r = host().put(dispid, value);
    EXPECT_TRUE(r.ok()) << "put " << dispid;
    return errorNum();
}

std::vector<Event> OrvalisTest::eventsOf(int id) const {
    std::vector<Event> out;
    for (const Event& e : events) {
        if (e.id == id) {
            out.push_back(e);
        }
    }
    return out;
}

int OrvalisTest::firstCamera() const {
    const std::vector<vfw::DriverInfo> all = vfw::listDrivers();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].synthetic) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool OrvalisTest::soundAvailable() {
    vfw::WaveFormat f;
    f.samplesPerSec = 11205;
    f.recompute();
    return vfw::AudioInput::open(f, nullptr) != nullptr;
}

}  // namespace brindle::orvalis::hosted
