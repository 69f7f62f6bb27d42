#include "app/model/progress.h"

namespace brindle {

bool CancelRequested = false;

namespace {
ProgressSink* g_sink = nullptr;
}  // namespace

void setProgressSink(ProgressSink* sink) {
    g_sink = sink;
}

ProgressSink* progressSink() {
    return g_sink;
}

// The sink is remembered, so the state is cleared where it was set even if
// the sink is replaced meanwhile.
BusyScope::BusyScope() : m_sink(g_sink) {
    if (m_sink) {
        m_sink->setBusy(true);
    }
}

BusyScope::~BusyScope() {
    if (m_sink) {
        m_sink->setBusy(false);
    }
}

}  // namespace brindle
