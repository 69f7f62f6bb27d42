// One page acquired on a worker thread for a window on the GUI thread.
// progress() and finished() arrive on the job's own thread. cancel()
// returns at once: the device is told through sane_cancel, finished()
// follows with ScanStatus::Cancelled, and the worker lets go of the device
// on its own (a later scan waits for that). A job destroyed while its
// worker still runs cancels it; nothing is delivered to it afterwards, and
// the worker is joined when the program ends.
#pragma once

#include "components/imaging/scanner.h"

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

namespace brindle {

// Waits for the scanner worker threads still running (cancelled scans
// draining). A source search still running is not waited for unless
// searchesToo: nothing depends on its answer once its window is gone, and
// SANE may spend seconds loading backends in it. Answers false when such a
// search was left running; the program must then end without static
// teardown (std::_Exit once its own clean-up is done), since that thread is
// inside SANE and uses this component's statics. A program calls it before
// it returns from main.
bool joinScannerThreads(bool searchesToo = false);

// Tests: what SourceListJob runs in place of listScanSources() (empty: the
// real listing).
void setSourceListerForTests(std::function<std::vector<ScanSource>()> lister);

class ScanJob : public QObject {
    Q_OBJECT
public:
    explicit ScanJob(QObject* parent = nullptr);
    ~ScanJob() override;

    // Starts the scan; false when one is already running for this job.
    bool start(const QString& device, const ScanSettings& settings);
    void cancel();
    bool running() const { return m_running; }

    // The last page acquired (null unless finished() reported Ok).
    QImage image() const { return m_image; }
    ScanStatus status() const { return m_status; }

signals:
    void progress(int percent);
    void finished(brindle::ScanStatus status);

private:
    struct Shared;
    void deliver(ScanStatus status, const QImage& image);

    std::shared_ptr<Shared> m_shared;
    bool m_running = false;
    QImage m_image;
    ScanStatus m_status = ScanStatus::Failed;
};

// The source list gathered on a worker thread (SANE may take seconds to
// look for network scanners); finished() arrives on the job's thread. A
// job destroyed first is told nothing.
class SourceListJob : public QObject {
    Q_OBJECT
public:
    explicit SourceListJob(QObject* parent = nullptr);
    ~SourceListJob() override;

    void start();
    bool running() const { return m_running; }
    const std::vector<ScanSource>& sources() const { return m_sources; }

    // Starts a listing and waits for it while the window goes on working.
    static std::vector<ScanSource> listWhileResponsive();

signals:
    void finished();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    bool m_running = false;
    std::vector<ScanSource> m_sources;
};

}  // namespace brindle
