#include "tests/app/model/project_fixture.h"

#include "app/model/folders.h"
#include "app/model/media_check.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/model/settings.h"
#include "app/present/video_check.h"
#include "controls/clipedit/klipvane_ids.h"
#include "platform/messages.h"
#include "tests/support/avi_fixtures.h"
#include "tests/support/media_fixture.h"

#include <QDir>
#include <QFile>

namespace brindle::test {

dispatch::ControlHost* RecordingView::clipEditControl() {
    if (!klipvane) {
        klipvane = dispatch::ControlHost::load(klipvane::kControlName, &window);
    }
    return klipvane.get();
}

class RecordedDisplay : public ProgressDisplay {
public:
    explicit RecordedDisplay(RecordingProgress& owner) : m_owner(owner) {
        m_owner.m_shown = {};
        m_owner.m_open = true;
    }
    ~RecordedDisplay() override { m_owner.m_open = false; }
    void setText(const QString& text) override { m_owner.m_shown.text = text; }
    void setMaximum(int maximum) override { m_owner.m_shown.maximum = maximum; }
    void setValue(int value) override { m_owner.m_shown.value = value; }

private:
    RecordingProgress& m_owner;
};

std::unique_ptr<ProgressDisplay> RecordingProgress::open() {
    return std::make_unique<RecordedDisplay>(*this);
}

QStringList workFiles() {
    return QDir(gWorkFolder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

ProjectState projectState() {
    ProjectState s;
    s.globals = QStringList{QString::number(gVideosUsed),    QString::number(gSnapshotsUsed),
                            QString::number(gImagesUsed),    QString::number(gTextUsed),
                            QString::number(gSoundsUsed),    gBackTrack,
                            QString::number(gBackTrackType), QString::number(gBackTrackEncoded)};
    for (const Project::Element& r : gProject) {
        s.slides << QStringList{QString::number(r->mediaType),
                                r->Filename,
                                r->InfoFilename,
                                r->Sound,
                                r->Caption,
                                QString::number(r->Duration),
                                QString::number(r->AudioDuration),
                                r->Thumbnail,
                                r->FontName,
                                QString::number(r->Alignment),
                                QString::number(r->PointSize),
                                QString::number(r->ForeColor),
                                QString::number(r->BackColor),
                                QString::number(r->SoundType),
                                QString::number(r->VideoType)};
    }
    for (const QString& name : workFiles()) {
        if (name != "tocName.toc") {
            s.files.insert(name, fileBytes(gWorkFolder + "/" + name));
        }
    }
    return s;
}

void expectSameState(const ProjectState& expected, const ProjectState& actual) {
    EXPECT_EQ(expected.globals, actual.globals);
    ASSERT_EQ(expected.slides.size(), actual.slides.size());
    for (qsizetype i = 0; i < expected.slides.size(); ++i) {
        EXPECT_EQ(expected.slides[i], actual.slides[i]) << "slide " << i + 1;
    }
    EXPECT_EQ(expected.files.keys(), actual.files.keys());
    for (auto it = expected.files.cbegin(); it != expected.files.cend(); ++it) {
        EXPECT_TRUE(actual.files.value(it.key()) == it.value()) << it.key().toStdString();
    }
}

void ProjectFileTest::SetUp() {
    gAppTitle = LoadResString(147);
    gTempFolder = env.file("Temp");
    gWorkFolder = env.file("Work");
    gPreviewFolder = env.file("Preview");
    gUploadFolder = env.file("uploads");
    createFolders();
    QDir().mkpath(env.file("src"));
    gProject.clear();
    resetCounters();
    gBackTrack.clear();
    gProjectFile.clear();
    gProjectName.clear();
    gProjectPath = env.path() + "/";
    gProjectChanged = false;
    setProjectView(&view);
    setProgressSink(&progress);
    installVideoChecks();
    answerSaveDialog(std::nullopt);
}

void ProjectFileTest::TearDown() {
    setProjectView(nullptr);
    setProgressSink(nullptr);
    setMediaChecks({});
    gProject.clear();
    gBackTrack.clear();
}

QString ProjectFileTest::work(const QString& name) const {
    return gWorkFolder + "/" + name;
}

void ProjectFileTest::answerSaveDialog(std::optional<QString> path) {
    dialogs.answer([this, path](const FileDialogRequest& request) {
        dialogTitles << request.title;
        return path && !path->isEmpty() ? QStringList{*path} : QStringList();
    });
}

void ProjectFileTest::buildProject() {
    clip = makeClip(env.file("src"), {.frames = 30});
    ASSERT_FALSE(clip.isEmpty());
    ASSERT_TRUE(makeTone(src("voice.wav"), "pcm_s16le", 1.0));
    ASSERT_TRUE(makeTone(src("music.wav"), "pcm_s16le", 2.0, 220));
    const QString thumb = env.write("src/thumb.jpg", "thumbnail bytes");
    auto add = [&](std::int16_t type, const QString& file, const QString& sound,
                   const QString& caption, std::int32_t duration) {
        MediaSource s;
        s.mediaType = type;
        s.Filename = file;
        s.Sound = sound;
        s.Caption = caption;
        s.Duration = duration;
        s.AudioDuration = sound.isEmpty() ? 0 : 1000;
        s.Thumbnail = thumb;
        ASSERT_TRUE(gProject.Add(s));
    };
    add(MediaSnapshot, env.write("src/Snapshot.jpg", "snapshot \x01\x02 bytes"), src("voice.wav"),
        QString::fromUtf8("Caf\u00e9 & <b>bold</b> \u65e5\u672c"), 4000);
    add(MediaImage, env.write("src/Photo.JPEG", QByteArray(5000, '\x7f')), "",
        QString::fromUtf8("\u00c5ngstr\u00f6m \"quoted\" & 'single'"), 6000);
    add(MediaText, env.write("src/slide.txt", "Text slide body\r\n"), src("voice.wav"), "", 5000);
    add(MediaVideo, clip, "", "clip <one>", 2000);
    MediaElement* text = gProject.Item(3);
    text->FontName = QString::fromUtf8("DejaVu Sans \u00e9");
    text->Alignment = 2;
    text->PointSize = 28;
    text->ForeColor = 0x0000FF;
    text->BackColor = 0x00FFEECC;
    gProject.Item(2)->setEncoded(-1);
    ASSERT_TRUE(QFile::copy(src("music.wav"), work("backtrk.wav")));
    gBackTrack = work("backtrk.wav");
    gBackTrackType = SoundWave;
    gBackTrackEncoded = false;
    gProjectChanged = true;
}

}  // namespace brindle::test
