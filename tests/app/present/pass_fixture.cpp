#include "tests/app/present/pass_fixture.h"

#include "app/media/progress_form.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/settings.h"
#include "app/present/smil_master.h"
#include "tests/support/media_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QXmlStreamReader>

#include <algorithm>
#include <memory>

namespace brindle::test {

dispatch::DispResult FakeEncoder::put(int dispid, const QVariant& value) {
    m_puts.emplace_back(dispid, value);
    return {};
}

dispatch::DispResult FakeEncoder::call(int dispid, QVariantList args) {
    m_calls.emplace_back(dispid, args);
    auto events = eventsAfter.find(dispid);
    if (events != eventsAfter.end()) {
        // Each event on a later turn of the loop, as a worker posts them.
        int delay = 0;
        for (const auto& [id, eventArgs] : events->second) {
            QTimer::singleShot(delay++, [this, id = id, a = eventArgs] { deliver(id, a); });
        }
    }
    auto answer = answers.find(dispid);
    return answer != answers.end() ? answer->second(args) : dispatch::DispResult{};
}

int FakeEncoder::calls(int dispid) const {
    return static_cast<int>(std::count_if(m_calls.begin(), m_calls.end(),
                                          [dispid](const auto& c) { return c.first == dispid; }));
}

QVariant FakeEncoder::lastPut(int dispid) const {
    for (auto it = m_puts.rbegin(); it != m_puts.rend(); ++it) {
        if (it->first == dispid) {
            return it->second;
        }
    }
    return {};
}

SpyEncoder::SpyEncoder(EncoderLink& real) : m_real(real) {}

dispatch::DispResult SpyEncoder::put(int dispid, const QVariant& value) {
    return m_real.put(dispid, value);
}

dispatch::DispResult SpyEncoder::call(int dispid, QVariantList args) {
    // The pass sets its handler on the spy; the spy's own goes on the real
    // encoder before every call, so it always sees the events first.
    m_real.setEventHandler([this](int id, const QVariantList& a) {
        if (onEvent) {
            onEvent(id, a);
        }
        deliver(id, a);
    });
    m_calls.push_back(dispid);
    return m_real.call(dispid, std::move(args));
}

int SpyEncoder::calls(int dispid) const {
    return static_cast<int>(std::count(m_calls.begin(), m_calls.end(), dispid));
}

void PassTest::SetUp() {
    previewFolder = env.file("preview");
    workFolder = env.file("work");
    QDir().mkpath(previewFolder);
    QDir().mkpath(workFolder);
    gPreviewFolder = previewFolder;
    gWorkFolder = workFolder;
    gTempFolder = env.file("temp");
    QDir().mkpath(gTempFolder);
    gProject.clear();
    gBackTrack.clear();
    gBackTrackDuration = 0;
    gSlideBalance = kDefaultSlideBalance;
    gTargetAudience = 3;
    gVideoQuality = 0;
    CancelRequested = false;
    setPassEncoders(nullptr, nullptr);
    // The pass shows the editor's progress window, which tests press.
    installProgressWindows();
}

void PassTest::TearDown() {
    gProject.clear();
    gBackTrack.clear();
    gBackTrackDuration = 0;
    CancelRequested = false;
    setPassEncoders(nullptr, nullptr);
}

MediaElement& PassTest::addSlide(std::int16_t mediaType, std::int32_t durationMs,
                                 const QString& file, const QString& sound,
                                 std::int32_t audioDurationMs) {
    auto e = std::make_shared<MediaElement>();
    e->mediaType = mediaType;
    e->Duration = durationMs;
    e->AudioDuration = audioDurationMs;
    e->Sound = sound;
    if (mediaType == MediaText) {
        e->Filename = file;
        e->InfoFilename = file;
    } else {
        e->Filename = file;
    }
    if (mediaType == MediaVideo) {
        e->VideoType = file.endsWith(".rm") ? VideoRealMedia : VideoAvi;
    }
    gProject.insert(gProject.count() + 1, e);
    return *e;
}

QString PassTest::textFile(int n) {
    return env.write(QString("work/text%1.rt").arg(n),
                     "<window type=\"generic\" duration=\"4\" width=\"320\" height=\"240\">\r\n"
                     "Slide text\r\n</window>\r\n");
}

QString PassTest::picture(int n) {
    const QString path = workFolder + QString("/image%1.jpg").arg(n);
    if (!QFileInfo::exists(path)) {
        QImage image(640, 480, QImage::Format_RGB32);
        image.fill(QColor(30, 120, 200));
        QPainter(&image).fillRect(0, 0, 320, 480, QColor(220, 60, 40));
        EXPECT_TRUE(image.save(path, "JPEG"));
    }
    return path;
}

QString PassTest::tone(const QString& name, double seconds) {
    const QString path = workFolder + "/" + name;
    if (!QFileInfo::exists(path)) {
        EXPECT_TRUE(makeTone(path, "pcm_s16le", seconds));
    }
    return path;
}

QString PassTest::aviClip(int n, double seconds) {
    const QString path = workFolder + QString("/video%1.avi").arg(n);
    if (!QFileInfo::exists(path)) {
        EXPECT_TRUE(makeClip(path, "mpeg4", 320, 240, seconds, "pcm_s16le"));
    }
    return path;
}

QString PassTest::rmClip(int n) {
    const QString path = workFolder + QString("/video%1.rm").arg(n);
    if (!QFileInfo::exists(path)) {
        EXPECT_TRUE(makeClip(path, "rv20", 176, 132, 2.0));
    }
    return path;
}

QString PassTest::read(const QString& name) const {
    QFile f(preview(name));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString("<missing>");
}

QStringList PassTest::smilLines() const {
    QStringList lines = read("preView.smi").split("\r\n");
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

::testing::AssertionResult presentationIsComplete(const QString& folder, QStringList* sources) {
    QFile f(folder + "/preView.smi");
    if (!f.open(QIODevice::ReadOnly)) {
        return ::testing::AssertionFailure() << "no preView.smi";
    }
    QXmlStreamReader xml(&f);
    QStringList names;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.attributes().hasAttribute("src")) {
            names << xml.attributes().value("src").toString();
        }
    }
    if (xml.hasError()) {
        return ::testing::AssertionFailure()
               << "preView.smi does not parse: " << xml.errorString().toStdString() << " at line "
               << xml.lineNumber();
    }
    for (const QString& name : names) {
        const QString path = folder + "/" + name;
        if (!QFileInfo(path).isFile()) {
            return ::testing::AssertionFailure() << name.toStdString() << " is missing";
        }
        if (name.endsWith(".rm") && probe(path, "format=format_name") != "rm") {
            return ::testing::AssertionFailure()
                   << name.toStdString() << " does not open as RealMedia";
        }
    }
    if (sources) {
        *sources = names;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace brindle::test
