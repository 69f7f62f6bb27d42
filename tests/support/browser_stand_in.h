// A desktop whose web browser is a stand-in: the XDG data folders point
// into the test's own folder, where a desktop entry makes a small script
// the default application for web pages. The script records the arguments
// of every start and ends. Restores the environment when it goes.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace brindle::test {

class BrowserStandIn {
public:
    // folder: an existing folder of the test's own.
    explicit BrowserStandIn(const QString& folder);
    ~BrowserStandIn();
    BrowserStandIn(const BrowserStandIn&) = delete;
    BrowserStandIn& operator=(const BrowserStandIn&) = delete;

    // The arguments of every start so far, in order, waiting up to
    // timeoutMs for at least `count` of them.
    QList<QStringList> starts(int count = 0, int timeoutMs = 10000) const;
    // The last argument of every start (the page or address opened).
    QStringList opened(int count = 0, int timeoutMs = 10000) const;

private:
    QString m_folder;
    std::vector<std::pair<const char*, QByteArray>> m_saved;
};

}  // namespace brindle::test
