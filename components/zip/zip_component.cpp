#include "components/zip/zip_component.h"

#include <QCoreApplication>

namespace brindle {
namespace {

// How often pending events run while working.
constexpr qint64 kEventIntervalMs = 40;

// Clears the busy mark however the operation ends.
class BusyScope {
public:
    explicit BusyScope(bool& busy) : m_busy(busy) { m_busy = true; }
    ~BusyScope() { m_busy = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& m_busy;
};

}  // namespace

ZipComponent::ZipComponent(QObject* parent) : QObject(parent) {}

void ZipComponent::clearFiles() {
    m_files.clear();
}

void ZipComponent::addFile(const QString& path) {
    m_files.append(path);
}

bool ZipComponent::setCompressionLevel(int level) {
    if (level < 0 || level > 9) {
        return false;
    }
    m_level = level;
    return true;
}

int ZipComponent::zip() {
    if (m_busy) {
        return ZipBadArgument;  // a progress handler called back in
    }
    BusyScope busy(m_busy);
    m_errorText.clear();
    return zipFlat();
}

int ZipComponent::unzip() {
    if (m_busy) {
        return ZipBadArgument;
    }
    BusyScope busy(m_busy);
    m_errorText.clear();
    return unzipFlat();
}

int ZipComponent::fail(int code, const QString& text) {
    m_errorText = text;
    return code;
}

void ZipComponent::startProgress(int total) {
    m_progressTotal = total;
    m_progressDone = -1;
    m_sinceEvents.start();
    reportProgress(0, true);
}

void ZipComponent::reportProgress(int processed, bool force) {
    if (force || processed != m_progressDone) {
        m_progressDone = processed;
        emit progress(m_progressTotal, processed);
    }
    if (m_processEvents && (force || m_sinceEvents.elapsed() >= kEventIntervalMs)) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        m_sinceEvents.restart();
    }
}

}  // namespace brindle
