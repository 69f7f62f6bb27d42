#include "tests/support/browser_stand_in.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sys/stat.h>

namespace brindle::test {
namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(bytes);
    }
}

}  // namespace

BrowserStandIn::BrowserStandIn(const QString& folder) : m_folder(folder) {
    for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CURRENT_DESKTOP"}) {
        m_saved.emplace_back(name, qgetenv(name));
    }
    // The system's MIME database stays, reached through a link, so file
    // types are still told; its applications are not seen.
    QDir().mkpath(m_folder + "/sys");
    QFile::link("/usr/share/mime", m_folder + "/sys/mime");
    qputenv("XDG_DATA_HOME", (m_folder + "/data").toUtf8());
    qputenv("XDG_DATA_DIRS", (m_folder + "/share:" + m_folder + "/sys").toUtf8());
    qunsetenv("XDG_CURRENT_DESKTOP");

    const QString records = m_folder + "/starts";
    QDir().mkpath(records);
    const QString script = m_folder + "/programs/browser";
    writeFile(script,
              "#!/bin/sh\n"
              "printf '%s\\n' \"$@\" > \"" +
                  records.toUtf8() + "/.$$\"\n" + "mv \"" + records.toUtf8() + "/.$$\" \"" +
                  records.toUtf8() + "/$(date +%s%N).$$\"\n");
    ::chmod(script.toUtf8().constData(), 0755);
    writeFile(m_folder + "/data/applications/stand-in-browser.desktop",
              "[Desktop Entry]\nType=Application\nName=Browser\nExec=\"" + script.toUtf8() +
                  "\" %u\nMimeType=text/html;x-scheme-handler/http;\n");
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    const QString list =
        (config.isEmpty() ? QDir::homePath() + "/.config" : QString(config)) + "/mimeapps.list";
    writeFile(list,
              "[Default Applications]\ntext/html=stand-in-browser.desktop\n"
              "x-scheme-handler/http=stand-in-browser.desktop\n");
}

BrowserStandIn::~BrowserStandIn() {
    for (const auto& [name, value] : m_saved) {
        if (value.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    }
}

QList<QStringList> BrowserStandIn::starts(int count, int timeoutMs) const {
    QDeadlineTimer deadline(timeoutMs);
    QList<QStringList> result;
    for (;;) {
        result.clear();
        const QDir dir(m_folder + "/starts");
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::ReadOnly)) {
                QString text = QString::fromUtf8(f.readAll());
                text.chop(1);
                result << text.split('\n');
            }
        }
        if (result.size() >= count || deadline.hasExpired()) {
            return result;
        }
        QThread::msleep(20);
    }
}

QStringList BrowserStandIn::opened(int count, int timeoutMs) const {
    QStringList last;
    for (const QStringList& args : starts(count, timeoutMs)) {
        last << (args.isEmpty() ? QString() : args.last());
    }
    return last;
}

}  // namespace brindle::test
