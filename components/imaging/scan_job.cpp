#include "components/imaging/scan_job.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>

#include <list>
#include <set>
#include <thread>

namespace brindle {

// What the worker and the job share; `job` is cleared, under the mutex,
// when the job goes, so the worker never posts to a deleted object.
struct ScanJob::Shared {
    std::mutex mutex;
    ScanJob* job = nullptr;
    ScanCancel cancel;
};

namespace {

// Workers still running when the program ends are joined then (they have
// been cancelled by their jobs and end within one device read).
class WorkerReaper {
public:
    ~WorkerReaper() {
        std::lock_guard lock(m_mutex);
        for (std::thread& t : m_threads) {
            if (t.joinable()) {
                t.join();
            }
        }
    }
    void add(std::thread thread) {
        std::lock_guard lock(m_mutex);
        // Forget the threads that have ended, so the list stays short.
        for (auto it = m_threads.begin(); it != m_threads.end();) {
            if (m_done.count(it->get_id())) {
                it->join();
                m_done.erase(it->get_id());
                it = m_threads.erase(it);
            } else {
                ++it;
            }
        }
        m_threads.push_back(std::move(thread));
    }
    void ended(std::thread::id id) {
        std::lock_guard lock(m_mutex);
        m_done.insert(id);
    }

private:
    std::mutex m_mutex;
    std::list<std::thread> m_threads;
    std::set<std::thread::id> m_done;
};

WorkerReaper& reaper() {
    static WorkerReaper r;
    return r;
}

}  // namespace

ScanJob::ScanJob(QObject* parent) : QObject(parent) {
    qRegisterMetaType<brindle::ScanStatus>("brindle::ScanStatus");
}

ScanJob::~ScanJob() {
    if (m_shared) {
        std::lock_guard lock(m_shared->mutex);
        m_shared->job = nullptr;
    }
    if (m_shared) {
        m_shared->cancel.cancel();
    }
}

bool ScanJob::start(const QString& device, const ScanSettings& settings) {
    if (m_running) {
        return false;
    }
    if (m_shared) {
        std::lock_guard lock(m_shared->mutex);
        m_shared->job = nullptr;
    }
    m_shared = std::make_shared<Shared>();
    m_shared->job = this;
    m_running = true;
    m_image = QImage();
    m_status = ScanStatus::Failed;
    reaper();  // made before any worker, so it outlives them all
    std::shared_ptr<Shared> shared = m_shared;
    std::thread worker([shared, device, settings] {
        auto report = [&shared](int percent) {
            std::lock_guard lock(shared->mutex);
            if (shared->job) {
                QMetaObject::invokeMethod(
                    shared->job, [job = shared->job, percent] { emit job->progress(percent); },
                    Qt::QueuedConnection);
            }
        };
        ScannedPage page = acquirePage(device, settings, shared->cancel, report);
        {
            std::lock_guard lock(shared->mutex);
            if (shared->job) {
                QMetaObject::invokeMethod(
                    shared->job,
                    [job = shared->job, s = page.status, image = page.image] {
                        job->deliver(s, image);
                    },
                    Qt::QueuedConnection);
            }
        }
        reaper().ended(std::this_thread::get_id());
    });
    reaper().add(std::move(worker));
    return true;
}

void ScanJob::cancel() {
    if (!m_running || !m_shared) {
        return;
    }
    m_shared->cancel.cancel();
    // The window learns at once; the worker's own report is not waited for.
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->job = nullptr;
    }
    deliver(ScanStatus::Cancelled, QImage());
}

void ScanJob::deliver(ScanStatus status, const QImage& image) {
    if (!m_running) {
        return;
    }
    m_running = false;
    m_status = status;
    m_image = status == ScanStatus::Ok ? image : QImage();
    emit finished(status);
}

struct SourceListJob::Shared {
    std::mutex mutex;
    SourceListJob* job = nullptr;
};

SourceListJob::SourceListJob(QObject* parent) : QObject(parent) {}

SourceListJob::~SourceListJob() {
    if (m_shared) {
        std::lock_guard lock(m_shared->mutex);
        m_shared->job = nullptr;
    }
}

void SourceListJob::start() {
    if (m_running) {
        return;
    }
    m_running = true;
    m_shared = std::make_shared<Shared>();
    m_shared->job = this;
    reaper();
    std::shared_ptr<Shared> shared = m_shared;
    std::thread worker([shared] {
        std::vector<ScanSource> sources = listScanSources();
        {
            std::lock_guard lock(shared->mutex);
            if (shared->job) {
                QMetaObject::invokeMethod(
                    shared->job,
                    [job = shared->job, sources = std::move(sources)] {
                        job->m_sources = sources;
                        job->m_running = false;
                        emit job->finished();
                    },
                    Qt::QueuedConnection);
            }
        }
        reaper().ended(std::this_thread::get_id());
    });
    reaper().add(std::move(worker));
}

std::vector<ScanSource> SourceListJob::listWhileResponsive() {
    SourceListJob job;
    QEventLoop loop;
    QObject::connect(&job, &SourceListJob::finished, &loop, &QEventLoop::quit);
    job.start();
    if (job.running()) {
        loop.exec();
    }
    return job.sources();
}

}  // namespace brindle
