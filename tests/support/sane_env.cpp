#include "tests/support/sane_env.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace brindle::test {
namespace {

const QString kBase = QStringLiteral(BRINDLE_SANE_TEST_CONFIG);

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile out(path);
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        out.write(bytes);
    }
}

QByteArray readFile(const QString& path) {
    QFile in(path);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

}  // namespace

QString SaneTestDevices::folder() {
    // Removed when the test program ends.
    struct Folder {
        QString path;
        ~Folder() { QDir(path).removeRecursively(); }
    };
    static const Folder made{[] {
        const QString dir = QDir::temp().filePath(
            QString("brindle-sane-%1").arg(QCoreApplication::applicationPid()));
        QDir().mkpath(dir);
        writeFile(dir + "/dll.conf", readFile(kBase + "/dll.conf"));
        writeFile(dir + "/test.conf", readFile(kBase + "/test.conf"));
        qputenv("SANE_CONFIG_DIR", dir.toLocal8Bit());
        return dir;
    }()};
    return made.path;
}

SaneTestDevices::SaneTestDevices() {
    write();
}

SaneTestDevices::~SaneTestDevices() {
    m_values.clear();
    m_noBackends = false;
    write();
}

void SaneTestDevices::set(const QString& key, const QString& value) {
    m_values[key] = value;
    write();
}

void SaneTestDevices::removeBackends() {
    m_noBackends = true;
    write();
}

void SaneTestDevices::write() const {
    writeFile(folder() + "/dll.conf", m_noBackends ? QByteArray() : readFile(kBase + "/dll.conf"));
    QByteArray text = readFile(kBase + "/test.conf");
    for (const auto& [key, value] : m_values) {
        text += (key + ' ' + value + '\n').toUtf8();
    }
    writeFile(folder() + "/test.conf", text);
}

int testPagePixels(double mm, int dpi) {
    return int(mm * dpi / 25.4);
}

}  // namespace brindle::test
