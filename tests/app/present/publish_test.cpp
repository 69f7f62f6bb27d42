// The Publish command over the real presentation pass and zip component,
// with a recording stand-in registered as the web browser.
#include "app/present/publish.h"
#include "tests/app/present/cancel_presser.h"

#include "app/media/progress_form.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/model/settings.h"
#include "tests/app/present/present_fixture.h"
#include "tests/support/message_recorder.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QSet>
#include <QTimer>

namespace brindle {
namespace {

// Remembers whether the presentation was on disk when message 137 came.
class Messages : public test::MessageRecorder {
public:
    MsgAnswer show(const MessageRequest& request) override {
        if (request.number == 137) {
            smilAt137 = QFile::exists(gPreviewFolder + "/preView.smi");
            bytesAt137 = PublishFileBytes;
        }
        return MessageRecorder::show(request);
    }
    bool smilAt137 = false;
    std::int64_t bytesAt137 = -1;
};

class PublishTest : public ::testing::Test {
protected:
    void SetUp() override {
        setProjectView(&view);
        gPublishURL = "http://share.example.test/publish.cgi?lang=en";
        QGuiApplication::clipboard()->setText("before");
    }
    void TearDown() override { gPublishURL.clear(); }

    // A picture with a narration and a text slide: no video, so no encode
    // of a clip and no player-frame picture.
    void makeProject() {
        ASSERT_TRUE(present.addPicture(MediaImage, "The harbour", 1.0));
        ASSERT_TRUE(present.addText("The end", 2000));
    }
    static QSet<QString> names(const QList<test::ZipMember>& members) {
        QSet<QString> s;
        for (const auto& m : members) {
            s << m.name;
        }
        return s;
    }

    test::PresentEnv present;
    test::RecordingView view;
    Messages messages;
};

TEST_F(PublishTest, PacksThePresentationAndOpensTheAddressInTheBrowser) {
    makeProject();
    // A stale archive from an earlier run is replaced, not added to.
    const QString packed = gUploadFolder + "/project.zip";
    QFile stale(packed);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("not an archive");
    stale.close();

    mnuPublish_Click();
    EXPECT_TRUE(messages.numbers().isEmpty());
    ASSERT_FALSE(view.dims.isEmpty());
    EXPECT_TRUE(view.dims.first());
    EXPECT_FALSE(view.dims.last());

    const QList<test::ZipMember> members = test::zipMembers(packed);
    const QSet<QString> expected{"audios.rm",   "pix1.jpg",    "maintext2.rt", "thumbnail.jpg",
                                 "preView.smi", "captions.rt", "allpix.rp"};
    EXPECT_EQ(names(members), expected);
    EXPECT_EQ(members.size(), expected.size()) << "each file once";
    qint64 sum = 0;
    for (const auto& m : members) {
        sum += m.size;
        EXPECT_EQ(m.size, QFileInfo(gPreviewFolder + "/" + m.name).size()) << m.name.toStdString();
    }
    EXPECT_EQ(PublishFileBytes, sum);
    EXPECT_GT(sum, 0);

    EXPECT_EQ(QGuiApplication::clipboard()->text(), packed);

    const QList<QStringList> launches = present.browser().waitForLaunches(1);
    ASSERT_EQ(launches.size(), 1);
    const QString address = "http://share.example.test/publish.cgi?lang=en?projectfile=" + packed +
                            "&sizefiles=" + QString::number(sum);
    EXPECT_EQ(launches[0], QStringList{address});
    EXPECT_EQ(launches[0].value(0).count('?'), 2);
    EXPECT_TRUE(present.player().launches().isEmpty());
}

TEST_F(PublishTest, TheAddressIsPlainConcatenation) {
    EXPECT_EQ(publishingAddress("http://h/p", "/home/a b/uploads/project.zip", 1234),
              "http://h/p?projectfile=/home/a b/uploads/project.zip&sizefiles=1234");
    EXPECT_EQ(publishingAddress("http://h/p?x=1&y=%20", "C:\\uploads\\project.zip", 0),
              "http://h/p?x=1&y=%20?projectfile=C:\\uploads\\project.zip&sizefiles=0");
    EXPECT_EQ(publishingAddress("http://h/p", "z", 5'000'000'000),
              "http://h/p?projectfile=z&sizefiles=5000000000")
        << "past 32 bits";
}

TEST_F(PublishTest, AMissingAddressIsReportedAfterThePresentationWasWritten) {
    makeProject();
    gPublishURL.clear();
    mnuPublish_Click();
    EXPECT_EQ(messages.numbers(), QList<int>{137});
    EXPECT_TRUE(messages.smilAt137);
    EXPECT_GT(messages.bytesAt137, 0) << "the files were counted";
    EXPECT_FALSE(QFile::exists(gUploadFolder + "/project.zip"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
    EXPECT_TRUE(present.browser().waitForLaunches(1, 1500).isEmpty());
    ASSERT_FALSE(view.dims.isEmpty());
    EXPECT_FALSE(view.dims.last()) << "undimmed";
}

TEST_F(PublishTest, NothingHappensWithoutSlidesOrAfterACancel) {
    mnuPublish_Click();
    EXPECT_EQ(messages.numbers(), QList<int>{117});
    EXPECT_TRUE(QDir(gPreviewFolder).entryList(QDir::Files).isEmpty());

    messages.clear();
    makeProject();
    {
        test::CancelPresser presser;
        mnuPublish_Click();
        EXPECT_TRUE(presser.pressed());
    }
    EXPECT_TRUE(messages.numbers().isEmpty());
    EXPECT_FALSE(QFile::exists(gUploadFolder + "/project.zip"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
    EXPECT_TRUE(present.browser().waitForLaunches(1, 1500).isEmpty());
}

}  // namespace
}  // namespace brindle
