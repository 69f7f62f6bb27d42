// An X display for the plug-in tests: the one $DISPLAY names when it
// answers, else a private Xvfb started here and stopped at the end.
#pragma once

#include <QProcess>
#include <QString>

#include <memory>

namespace brindle::test {

class XServer {
public:
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool ok() const { return !m_name.isEmpty(); }
    QString name() const { return m_name; }  // ":N"

private:
    std::unique_ptr<QProcess> m_xvfb;
    QString m_name;
};

}  // namespace brindle::test
