#include "components/imaging/scan_job.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <list>
#include <mutex>
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

// Every worker thread is kept here until it is joined: a finished one when
// the next starts, the rest when the program ends (cancelled workers end
// within one device read). Each worker raises its own flag as it leaves.
class WorkerReaper {
public:
    using Flag = std::shared_ptr<std::atomic<bool>>;

    ~WorkerReaper() { joinAll(true); }
    // Joins the workers; searches still running stay unless searchesToo.
    // Answers whether none is left.
    bool joinAll(bool searchesToo) {
        std::list<Worker> running;
        {
            std::lock_guard lock(m_mutex);
            running.swap(m_workers);
        }
        std::list<Worker> left;
        for (auto it = running.begin(); it != running.end();) {
            if (it->search && !*it->done && !searchesToo) {
                left.splice(left.end(), running, it++);
            } else {
                it->thread.join();
                ++it;
            }
        }
        std::lock_guard lock(m_mutex);
        const bool none = left.empty();
        m_workers.splice(m_workers.end(), left);
        return none;
    }
    // Starts body on a thread of its own; search: a source search.
    void start(std::function<void()> body, bool search = false) {
        Flag done = std::make_shared<std::atomic<bool>>(false);
        std::thread thread([body = std::move(body), done] {
            body();
            *done = true;
        });
        std::list<Worker> finished;
        {
            std::lock_guard lock(m_mutex);
            for (auto it = m_workers.begin(); it != m_workers.end();) {
                if (*it->done) {
                    finished.splice(finished.end(), m_workers, it++);
                } else {
                    ++it;
                }
            }
            m_workers.push_back({std::move(thread), done, search});
        }
        // Joined outside the lock; these have left their work already.
        for (Worker& w : finished) {
            w.thread.join();
        }
    }

private:
    struct Worker {
        std::thread thread;
        Flag done;
        bool search = false;
    };
    std::mutex m_mutex;
    std::list<Worker> m_workers;
};

WorkerReaper& reaper() {
    static WorkerReaper r;
    return r;
}

std::mutex gListerMutex;
std::function<std::vector<ScanSource>()> gLister;

}  // namespace

bool joinScannerThreads(bool searchesToo) {
    return reaper().joinAll(searchesToo);
}

void setSourceListerForTests(std::function<std::vector<ScanSource>()> lister) {
    std::lock_guard lock(gListerMutex);
    gLister = std::move(lister);
}

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
    reaper().start([shared, device, settings] {
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
    });
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
    std::function<std::vector<ScanSource>()> lister;
    {
        std::lock_guard lock(gListerMutex);
        lister = gLister;
    }
    if (!lister) {
        lister = listScanSources;
    }
    reaper().start(
        [shared, lister] {
            std::vector<ScanSource> sources = lister();
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
        },
        true);
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
