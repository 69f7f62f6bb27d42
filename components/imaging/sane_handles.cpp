#include "components/imaging/sane_handles.h"

#include <csignal>
#include <mutex>

namespace brindle::sane {
namespace {

// sane_init and sane_exit act on the whole process; the count says how many
// owners want the library started.
std::mutex g_libraryMutex;
int g_libraryUsers = 0;
bool g_libraryStarted = false;

// Backends that read the device on a thread of their own hand the data over
// through a pipe; when a scan is cancelled the reading end closes first and
// their next write must fail with EPIPE rather than end the program. A
// handler the program set itself is left alone.
void ignoreBrokenPipes() {
    struct sigaction current {};
    if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGPIPE, &ignore, nullptr);
    }
}

}  // namespace

SaneLibrary::SaneLibrary() {
    std::lock_guard lock(g_libraryMutex);
    if (g_libraryUsers == 0) {
        ignoreBrokenPipes();
        SANE_Int version = 0;
        g_libraryStarted = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
    }
    ++g_libraryUsers;
    m_ok = g_libraryStarted;
}

SaneLibrary::~SaneLibrary() {
    std::lock_guard lock(g_libraryMutex);
    if (--g_libraryUsers == 0 && g_libraryStarted) {
        sane_exit();
        g_libraryStarted = false;
    }
}

SANE_Status SaneDevice::open(const QString& name) {
    close();
    const QByteArray bytes = name.toUtf8();
    SANE_Handle handle = nullptr;
    const SANE_Status status = sane_open(bytes.constData(), &handle);
    if (status == SANE_STATUS_GOOD) {
        m_handle = handle;
    }
    return status;
}

void SaneDevice::close() {
    if (m_handle) {
        sane_cancel(m_handle);
        sane_close(m_handle);
        m_handle = nullptr;
    }
}

}  // namespace brindle::sane
