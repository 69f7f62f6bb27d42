// Owners of SANE's process-wide state and device handles. The library is
// started by the first SaneLibrary and stopped when the last one goes, so
// each listing or scan reads the configuration afresh and nothing stays
// open between scans. A SaneDevice closes its handle when it goes.
#pragma once

#include <sane/sane.h>

#include <QString>

namespace brindle::sane {

class SaneLibrary {
public:
    SaneLibrary();
    ~SaneLibrary();
    SaneLibrary(const SaneLibrary&) = delete;
    SaneLibrary& operator=(const SaneLibrary&) = delete;

    // False when sane_init failed; nothing else may be called then.
    bool ok() const { return m_ok; }

private:
    bool m_ok = false;
};

class SaneDevice {
public:
    SaneDevice() = default;
    ~SaneDevice() { close(); }
    SaneDevice(const SaneDevice&) = delete;
    SaneDevice& operator=(const SaneDevice&) = delete;

    // Opens the device by its SANE name ("test:0"); the library must be
    // started for as long as the device is open.
    SANE_Status open(const QString& name);
    void close();
    SANE_Handle get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    SANE_Handle m_handle = nullptr;
};

}  // namespace brindle::sane
