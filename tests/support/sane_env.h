// SANE's test devices for one test: a configuration folder made from
// tests/components/imaging/sane with the test's own settings added, and
// SANE_CONFIG_DIR pointed at it. SANE takes the folder's name once per
// process, so every test of a program shares one folder and each test
// rewrites its test.conf; SANE reads that file whenever the program starts
// the library, so a change made with set() counts from the next listing or
// scan. The base settings come back when the object goes.
#pragma once

#include <QString>

#include <map>

namespace brindle::test {

class SaneTestDevices {
public:
    SaneTestDevices();
    ~SaneTestDevices();
    SaneTestDevices(const SaneTestDevices&) = delete;
    SaneTestDevices& operator=(const SaneTestDevices&) = delete;

    // Sets a test.conf value ("read-status-code", "\"SANE_STATUS_JAMMED\"").
    void set(const QString& key, const QString& value);
    // Without any backend SANE finds no source. (The test backend itself
    // cannot be asked for none: it crashes on "number_of_devices 0".)
    void removeBackends();
    // The folder SANE_CONFIG_DIR names, for programs the test starts.
    static QString folder();

private:
    void write() const;

    std::map<QString, QString> m_values;
    bool m_noBackends = false;
};

// Pixels that `mm` of the test pattern gives at dpi.
int testPagePixels(double mm, int dpi);

}  // namespace brindle::test
