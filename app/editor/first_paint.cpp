#include "app/editor/first_paint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <unistd.h>
#include <cstdio>
#include <ctime>

namespace brindle {
namespace {

double nowSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The process's start in seconds since boot: field 22 of /proc/self/stat,
// counted after the command name, which may itself hold spaces.
double processStartSinceBoot() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0) {
        return -1;
    }
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    // After the name: state is field 3, so start time (22) is index 19.
    if (fields.size() < 20) {
        return -1;
    }
    bool ok = false;
    const double ticks = fields[19].toDouble(&ok);
    const long hz = sysconf(_SC_CLK_TCK);
    return ok && hz > 0 ? ticks / static_cast<double>(hz) : -1;
}

class FirstPaint : public QObject {
public:
    FirstPaint(QWidget* strip, QByteArray launch) : QObject(strip), m_launch(std::move(launch)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // Reported once this paint has reached the window.
            QTimer::singleShot(0, this, [this] {
                std::printf("first-paint-ms %.1f\n", msSinceLaunch(m_launch));
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QByteArray m_launch;
    bool m_seen = false;
};

// Runs its work once, at the watched window's next paint or at the fallback
// time, whichever comes first, and then goes.
class NextPaint : public QObject {
public:
    NextPaint(QWidget* window, std::function<void()> work, int fallbackMs)
        : QObject(window), m_work(std::move(work)) {
        window->installEventFilter(this);
        QTimer::singleShot(fallbackMs, this, [this] { run(); });
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            // After this paint has reached the screen and whatever else is
            // waiting: the rest of the window painting comes first.
            QCoreApplication::postEvent(this, new QEvent(QEvent::User), Qt::LowEventPriority);
        }
        return QObject::eventFilter(watched, event);
    }

protected:
    void customEvent(QEvent*) override { run(); }

private:
    void run() {
        if (!m_work) {
            return;
        }
        const std::function<void()> work = std::move(m_work);
        m_work = nullptr;
        deleteLater();
        work();
    }

    std::function<void()> m_work;
};

}  // namespace

double msSinceLaunch(const QByteArray& launch) {
    // Taken as the shell's clock only when it names a moment of the last
    // hour: "1" or "yes" only ask for the timing.
    bool ok = false;
    const double epoch = launch.toDouble(&ok);
    const double sinceEpoch = nowSeconds(CLOCK_REALTIME) - epoch;
    if (ok && sinceEpoch >= 0 && sinceEpoch < 3600) {
        return sinceEpoch * 1000.0;
    }
    const double start = processStartSinceBoot();
    return start < 0 ? -1 : (nowSeconds(CLOCK_BOOTTIME) - start) * 1000.0;
}

void reportFirstStripPaint(QWidget* strip) {
    if (!strip || !qEnvironmentVariableIsSet("BRINDLE_FIRST_PAINT")) {
        return;
    }
    strip->installEventFilter(new FirstPaint(strip, qgetenv("BRINDLE_FIRST_PAINT")));
    strip->update();
}

}  // namespace brindle

namespace brindle {

void afterNextPaint(QWidget* window, std::function<void()> work, int fallbackMs) {
    if (!window || !work) {
        return;
    }
    new NextPaint(window, std::move(work), fallbackMs);
    window->update();
}

}  // namespace brindle
