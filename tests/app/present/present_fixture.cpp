#include "tests/app/present/present_fixture.h"

#include "app/media/progress_form.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/model/settings.h"
#include "platform/messages.h"
#include "tests/support/avi_fixtures.h"
#include "tests/support/media_fixture.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QThread>

#include <zip.h>

namespace brindle::test {

namespace {

void writeText(const QString& path, const QByteArray& bytes, bool executable = false) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(bytes);
    }
    f.close();
    if (executable) {
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    }
}

void restoreEnv(const char* name, const QByteArray& value) {
    if (value.isNull()) {
        qunsetenv(name);
    } else {
        qputenv(name, value);
    }
}

}  // namespace

StandIn::StandIn(const QString& folder, const QString& name, const QStringList& mimeTypes)
    : m_name(name), m_types(mimeTypes), m_record(folder + "/" + name + ".record") {
    // Each start appends one block: its argument count, then each argument
    // on a line of its own. The block is written whole, then appended.
    const QString script = folder + "/" + name + ".sh";
    writeText(script,
              QStringLiteral("#!/bin/sh\n"
                             "block=$(printf 'argc=%d\\n' $#; for a in \"$@\"; do "
                             "printf 'arg=%s\\n' \"$a\"; done)\n"
                             "printf '%s\\n' \"$block\" >> '%1'\n")
                  .arg(m_record)
                  .toUtf8(),
              true);
    writeText(qEnvironmentVariable("XDG_DATA_HOME") + "/applications/" + desktopFile(),
              QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2 %u\n"
                             "MimeType=%3;\nTerminal=false\n")
                  .arg(name, script, mimeTypes.join(';'))
                  .toUtf8());
}

QList<QStringList> StandIn::launches() const {
    QList<QStringList> result;
    QFile f(m_record);
    if (!f.open(QIODevice::ReadOnly)) {
        return result;
    }
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        if (!lines[i].startsWith("argc=")) {
            continue;
        }
        const int argc = lines[i].mid(5).toInt();
        if (i + argc >= lines.size()) {
            break;  // the block is not complete yet
        }
        QStringList args;
        for (int k = 1; k <= argc; ++k) {
            args << lines[i + k].mid(4);
        }
        result << args;
        i += argc;
    }
    return result;
}

QList<QStringList> StandIn::waitForLaunches(int n, int timeoutMs) const {
    QDeadlineTimer deadline(timeoutMs);
    QList<QStringList> got = launches();
    while (got.size() < n && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
        got = launches();
    }
    return got;
}

PresentEnv::PresentEnv()
    : m_oldDataHome(qgetenv("XDG_DATA_HOME")), m_oldDataDirs(qgetenv("XDG_DATA_DIRS")) {
    qputenv("XDG_CACHE_HOME", m_env.file("cache dir").toUtf8());
    qputenv("XDG_DATA_HOME", m_env.file("data").toUtf8());
    qputenv("XDG_DATA_DIRS", m_env.file("data-dirs").toUtf8());
    // Only the system's MIME database is kept from the system's data
    // folders, so no installed program's association counts.
    QDir().mkpath(m_env.file("data-dirs"));
    QFile::link("/usr/share/mime", m_env.file("data-dirs/mime"));
    QDir().mkpath(m_env.file("media"));

    const QString bin = m_env.file("stand-ins");
    QDir().mkpath(bin);
    m_player = std::make_unique<StandIn>(bin, "standin-player",
                                         QStringList{"application/smil", "application/smil+xml"});
    m_browser = std::make_unique<StandIn>(
        bin, "standin-browser",
        QStringList{"text/html", "x-scheme-handler/http", "x-scheme-handler/https"});
    QString defaults = "[Default Applications]\n";
    for (const StandIn* s : {m_player.get(), m_browser.get()}) {
        for (const QString& t : s->mimeTypes()) {
            defaults += t + "=" + s->desktopFile() + "\n";
        }
    }
    writeText(qEnvironmentVariable("XDG_CONFIG_HOME") + "/mimeapps.list", defaults.toUtf8());
    writeText(qEnvironmentVariable("XDG_DATA_HOME") + "/applications/mimeapps.list",
              defaults.toUtf8());

    gSettingsKey = LoadResString(163);
    readSettings();
    computeFolders();
    createFolders();
    resetCounters();
    gProject.clear();
    gBackTrack.clear();
    gBackTrackType = SoundWave;
    gBackTrackEncoded = false;
    gBackTrackDuration = 0;
    PublishFileBytes = 0;
    CancelRequested = false;
    // The pass shows the editor's progress window, which tests press.
    installProgressWindows();
}

PresentEnv::~PresentEnv() {
    setProjectView(nullptr);
    gProject.clear();
    gBackTrack.clear();
    gBackTrackDuration = 0;
    gProjectFile.clear();
    restoreEnv("XDG_DATA_HOME", m_oldDataHome);
    restoreEnv("XDG_DATA_DIRS", m_oldDataDirs);
}

QString PresentEnv::picture(int n) {
    // A picture with something on it, larger than the picture area so the
    // pass has to scale it.
    QImage image(800, 600, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((n * 47) % 360, 160, 200));
    QPainter p(&image);
    p.setPen(Qt::black);
    p.drawEllipse(100 + n * 10, 100, 300, 200);
    p.end();
    const QString path = media(QStringLiteral("picture%1.jpg").arg(n));
    image.save(path, "JPG", 85);
    return path;
}

QString PresentEnv::tone(double seconds, int frequencyHz) {
    const QString path = media(QStringLiteral("tone%1.wav").arg(++m_made));
    return makeTone(path, "pcm_s16le", seconds, frequencyHz) ? path : QString();
}

bool PresentEnv::addPicture(int mediaType, const QString& caption, double narrationSeconds) {
    MediaSource s;
    s.mediaType = static_cast<std::int16_t>(mediaType);
    s.Filename = picture(++m_made);
    s.Thumbnail = s.Filename;
    s.Caption = caption;
    s.Duration = 3000;
    if (narrationSeconds > 0) {
        s.Sound = tone(narrationSeconds, 330 + 110 * gProject.count());
        if (s.Sound.isEmpty()) {
            return false;
        }
        s.AudioDuration = static_cast<std::int32_t>(narrationSeconds * 1000);
    }
    return gProject.Add(s);
}

bool PresentEnv::addText(const QString& caption, int durationMs) {
    const QString txt = media(QStringLiteral("text%1.txt").arg(++m_made));
    writeText(txt, "A day by the sea\r\n");
    const QString rt = media(QStringLiteral("text%1.rt").arg(m_made));
    writeText(rt, QStringLiteral("<window bgcolor=\"black\" color=\"white\" duration=\"%1\">"
                                 "<center>A day by the sea</center></window>\r\n")
                      .arg(durationMs / 1000.0)
                      .toUtf8());
    MediaSource s;
    s.mediaType = MediaText;
    s.Filename = txt;
    s.Thumbnail = picture(++m_made);
    s.Caption = caption;
    s.Duration = durationMs;
    if (!gProject.Add(s)) {
        return false;
    }
    return gProject.Item(gProject.count())->UpdateTextInfoFilename(rt);
}

bool PresentEnv::addVideo(const QString& caption, int frames) {
    ClipRecipe recipe;
    recipe.frames = frames;
    recipe.width = 176;
    recipe.height = 144;
    const QString clip =
        makeClip(m_env.file("media"), recipe, QStringLiteral("clip%1.avi").arg(++m_made));
    if (clip.isEmpty()) {
        return false;
    }
    MediaSource s;
    s.mediaType = MediaVideo;
    s.Filename = clip;
    s.Thumbnail = picture(++m_made);
    s.Caption = caption;
    s.Duration = frames * 1000 / 15;
    return gProject.Add(s);
}

bool PresentEnv::setBackTrack(double seconds) {
    const QString source = tone(seconds, 220);
    if (source.isEmpty()) {
        return false;
    }
    ++gSoundsUsed;
    gBackTrack = gWorkFolder + QStringLiteral("/backtrack%1.wav").arg(gSoundsUsed);
    QFile::remove(gBackTrack);
    if (!QFile::copy(source, gBackTrack)) {
        return false;
    }
    gBackTrackType = SoundWave;
    gBackTrackEncoded = false;
    gBackTrackDuration = static_cast<std::int32_t>(seconds * 1000);
    return true;
}

QList<ZipMember> zipMembers(const QString& path) {
    QList<ZipMember> result;
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!archive) {
        return result;
    }
    const zip_int64_t n = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st) == 0) {
            result << ZipMember{QString::fromUtf8(st.name), static_cast<qint64>(st.size)};
        }
    }
    zip_discard(archive);
    return result;
}

}  // namespace brindle::test
