// brindle-cli scan run as a program against SANE's test devices: the list
// the scan source dialog shows, a page saved at the asked resolution and
// mode and read back by Qt's JPEG reader, and failures that leave no file.
#include "components/imaging/scanner.h"
#include "tests/support/program_run.h"
#include "tests/support/sane_env.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

namespace brindle {
namespace {

test::ProgramRun cli(const QStringList& args) {
    test::SaneTestDevices::folder();  // SANE_CONFIG_DIR for the program too
    return test::runProgram("brindle-cli", args, 60000);
}

class ScanCliTest : public ::testing::Test {
protected:
    QString out() const { return dir.filePath("page.jpg"); }
    test::SaneTestDevices devices;
    QTemporaryDir dir;
};

TEST_F(ScanCliTest, ListPrintsTheSourcesAsTheDialogShowsThem) {
    const test::ProgramRun run = cli({"scan", "--list"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    QStringList expected;
    for (const ScanSource& s : listScanSources()) {
        expected << s.device + '\t' + s.label;
    }
    EXPECT_EQ(run.out.split('\n', Qt::SkipEmptyParts), expected);
    EXPECT_EQ(expected.size(), 2);
}

TEST_F(ScanCliTest, ScansAPageAtTheAskedResolutionAndMode) {
    test::ProgramRun run = cli({"scan", out(), "--device", "test:1", "--resolution", "60"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QSize size(test::testPagePixels(80, 60), test::testPagePixels(100, 60));
    EXPECT_EQ(run.out.trimmed(),
              QString("%1 %2 %3").arg(out()).arg(size.width()).arg(size.height()));
    QImageReader colour(out());
    EXPECT_EQ(colour.format(), "jpeg");
    const QImage page = colour.read();
    EXPECT_EQ(page.size(), size);
    EXPECT_FALSE(page.isGrayscale());

    run = cli({"scan", out(), "--mode", "gray", "--resolution", "60"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(QImageReader(out()).read().isGrayscale());
}

TEST_F(ScanCliTest, FailuresAndWrongArgumentsLeaveNoFile) {
    devices.set("read-status-code", "\"SANE_STATUS_NO_DOCS\"");
    devices.set("br_x", "20.0");
    devices.set("br_y", "20.0");
    test::ProgramRun run = cli({"scan", out()});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("out of documents")) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(out()));

    run = cli({"scan", out(), "--device", "test:9"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("could not be opened")) << run.err.toStdString();

    for (const QStringList& args :
         {QStringList{"scan"}, QStringList{"scan", out(), "--mode", "sepia"},
          QStringList{"scan", out(), "--resolution", "x"}, QStringList{"scan", out(), "extra"}}) {
        EXPECT_EQ(cli(args).status, 2) << args.join(' ').toStdString();
    }
    EXPECT_FALSE(QFile::exists(out()));
}

}  // namespace
}  // namespace brindle
