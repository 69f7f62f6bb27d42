// File > Export Video driven as a user drives it, on the sample project,
// with the video read back through the ffmpeg programs; and brindle-cli
// export for scripts.
#include "app/editor/export_command.h"
#include "app/editor/main_frame.h"
#include "app/media/progress_form.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/present/slide_timing.h"
#include "app/present/video_export.h"
#include "platform/file_dialogs.h"
#include "tests/app/editor/editor_fixture.h"
#include "tests/support/media_fixture.h"
#include "tests/support/program_run.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>
#include <cmath>

namespace brindle::test {
namespace {

// The sample project, made once by brindle-cli for every test here.
QString sampleProject() {
    static QTemporaryDir dir;
    static QString path;
    if (path.isEmpty()) {
        const QString made = dir.filePath("Sample.bqx");
        const ProgramRun run = makeSampleProject(made);
        if (run.status == 0) {
            path = made;
        } else {
            std::fprintf(stderr, "brindle-cli sample ended with %d:\n%s\n", run.status,
                         qPrintable(run.err));
        }
    }
    return path;
}

// Answers the size dialog whenever it is up, choosing entry `index`.
class SizeAnswer {
public:
    explicit SizeAnswer(int index) {
        QObject::connect(&m_timer, &QTimer::timeout, [this, index] {
            auto* dialog = qobject_cast<ExportSizeDialog*>(QApplication::activeModalWidget());
            if (dialog) {
                dialog->findChild<QComboBox*>("ExportSize")->setCurrentIndex(index);
                ++asked;
                dialog->accept();
            }
        });
        m_timer.start(20);
    }
    int asked = 0;

private:
    QTimer m_timer;
};

QByteArray ffmpegOut(const QStringList& args) {
    QProcess p;
    p.start("ffmpeg", QStringList{"-nostdin", "-v", "error"} + args);
    p.waitForFinished(60000);
    return p.readAllStandardOutput();
}

// The RMS level (of full scale 32768) of the sound in [fromMs, toMs).
double level(const QString& video, int fromMs, int toMs) {
    const QByteArray pcm = ffmpegOut({"-ss", QString::number(fromMs / 1000.0), "-t",
                                      QString::number((toMs - fromMs) / 1000.0), "-i", video, "-vn",
                                      "-ac", "1", "-ar", "8000", "-f", "s16le", "-"});
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    const qsizetype n = pcm.size() / 2;
    double sum = 0;
    for (qsizetype i = 0; i < n; ++i) {
        sum += double(s[i]) * s[i];
    }
    return n > 0 ? std::sqrt(sum / double(n)) : 0.0;
}

QImage frameAt(const QString& video, int ms, const QString& png) {
    ffmpegOut({"-y", "-ss", QString::number(ms / 1000.0), "-i", video, "-frames:v", "1", png});
    return QImage(png);
}

// Light pixels in the caption band (rows top..bottom) of a frame.
int lightPixels(const QImage& image, int top, int bottom) {
    int n = 0;
    for (int y = top; y < bottom && y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.red() > 160 && c.green() > 160 && c.blue() > 160;
        }
    }
    return n;
}

class ExportCommand : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        ASSERT_FALSE(sampleProject().isEmpty());
        readProject(sampleProject());
        ASSERT_EQ(gProject.count(), 5);
        dialogs.answer([this](const FileDialogRequest& r) {
            asked << r;
            return answer.isEmpty() ? QStringList() : QStringList{answer};
        });
    }
    QString answer;
    QList<FileDialogRequest> asked;
};

TEST_F(ExportCommand, WritesTheShowAsH264AndAacAtTheChosenSize) {
    const QString out = env.file("videos/My show.mp4");
    QDir().mkpath(env.file("videos"));
    answer = env.file("videos/My show");  // typed without the extension
    SizeAnswer size(1);                   // 640 x 480
    QAction* item = frame->findChild<QAction*>("mnuExportVideo");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    messages.script({vbNo});  // not opening the folder
    item->trigger();

    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].kind, FileDialogKind::Save);
    EXPECT_TRUE(asked[0].filter.contains("*.mp4"));
    EXPECT_EQ(size.asked, 1);
    ASSERT_TRUE(QFileInfo::exists(out)) << messages.numbers().size();
    EXPECT_EQ(messages.numbers(), QList<int>({1308}));
    // Nothing is left beside it.
    EXPECT_EQ(QDir(env.file("videos")).entryList(QDir::Files | QDir::Hidden),
              QStringList{"My show.mp4"});

    EXPECT_EQ(probe(out, "stream=codec_name").split('\n'), QStringList({"h264", "aac"}));
    EXPECT_EQ(probe(out, "stream=width").split('\n').first(), "640");
    EXPECT_EQ(probe(out, "stream=height").split('\n').first(), "480");
    const int total = presentationTotalMs(1, gProject.count());
    EXPECT_NEAR(probe(out, "format=duration").toDouble() * 1000, total, 100);

    // The first picture's narration is heard while that slide plays; the
    // title before it is silent.
    const int picture = slideStartMs(1, 2);
    const int spoken = std::min<int>(gProject.Item(2)->AudioDuration, 2500);
    const double narration = level(out, picture + 200, picture + spoken);
    const double title = level(out, 300, picture - 300);
    EXPECT_GT(narration, 300.0);
    EXPECT_GT(narration, 10 * title + 1);

    // The presentation (330 x 270) fills the height of 640 x 480, so its
    // caption band (rows 245..265) is at rows 436..471; the caption is
    // there during the picture and not during the title.
    const QImage during = frameAt(out, picture + 3000, env.file("during.png"));
    const QImage before = frameAt(out, picture - 1000, env.file("before.png"));
    ASSERT_EQ(during.size(), QSize(640, 480));
    EXPECT_GT(lightPixels(during, 438, 470), 60);
    EXPECT_LT(lightPixels(before, 438, 470), lightPixels(during, 438, 470) / 4);

    // The folder is remembered for the next export.
    asked.clear();
    answer.clear();  // cancelled
    item->trigger();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(QDir(asked[0].folder), QDir(env.file("videos")));
    EXPECT_EQ(asked[0].proposedName, "Sample.mp4");
}

TEST_F(ExportCommand, CancelDuringTheRenderLeavesNoFile) {
    QDir().mkpath(env.file("videos"));
    const QString out = env.file("videos/show.mp4");
    answer = out;
    SizeAnswer size(0);
    // An older video of that name stays as it was.
    ASSERT_TRUE(env.write("videos/show.mp4", "older").size() > 0);
    // Cancel once the render has started and moved.
    bool rendering = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* form = frame->findChild<progressForm*>("ExportProgress");
        if (form && form->Label1()->text() == LoadResString(1305) &&
            form->masterProgress()->value() >= 1) {
            rendering = true;
            form->Cancel()->click();
        }
    });
    watch.start(10);
    frame->item("mnuExportVideo")->trigger();
    watch.stop();
    EXPECT_TRUE(rendering);
    EXPECT_TRUE(messages.numbers().isEmpty());
    EXPECT_EQ(QDir(env.file("videos")).entryList(QDir::Files | QDir::Hidden),
              QStringList{"show.mp4"});
    EXPECT_EQ(fileContents(out), "older");
    EXPECT_EQ(frame->findChild<progressForm*>("ExportProgress"), nullptr);
}

TEST_F(ExportCommand, AFolderThatCannotBeWrittenIsNamed) {
    // A read-only folder; root writes anywhere, so it takes /proc instead.
    const QString folder = env.file("locked");
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    const QString target = ::geteuid() == 0 ? QStringLiteral("/proc") : folder;
    answer = target + "/show.mp4";
    SizeAnswer size(0);
    frame->item("mnuExportVideo")->trigger();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_EQ(messages.numbers(), QList<int>({1306}));
    EXPECT_TRUE(messages.requests()[0].text.contains(target));
    EXPECT_FALSE(QFileInfo::exists(answer));
}

TEST(ExportProgressOutput, TakesTheLatestPercentage) {
    EXPECT_EQ(exportPercentIn("\rExporting:   5%  0:01 / 0:40\rExporting:  42%  0:17 / 0:40"), 42);
    EXPECT_EQ(exportPercentIn("\rExporting: 100%  0:40 / 0:40\n"), 100);
    EXPECT_EQ(exportPercentIn("brindle-player: export failed: disk full\n"), -1);
}

TEST(ExportCli, WritesTheVideoAtAGivenSizeAndRefusesABadOne) {
    ASSERT_FALSE(sampleProject().isEmpty());
    QTemporaryDir dir;
    const QString out = dir.filePath("cli.mp4");
    {
        // An older file of that name is replaced.
        QFile older(out);
        ASSERT_TRUE(older.open(QIODevice::WriteOnly));
        older.write("older");
    }
    const ProgramRun run =
        runProgram("brindle-cli", {"export", sampleProject(), out, "--size", "330x270"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(probe(out, "stream=codec_name").split('\n'), QStringList({"h264", "aac"}));
    EXPECT_EQ(probe(out, "stream=width").split('\n').first(), "330");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"cli.mp4"});
    EXPECT_EQ(runProgram("brindle-cli", {"export", sampleProject(), out, "--size", "big"}).status,
              2);
    EXPECT_EQ(runProgram("brindle-cli", {"export", sampleProject()}).status, 2);
}

}  // namespace
}  // namespace brindle::test
