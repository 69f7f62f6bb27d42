// brindle-cli text: a text slide added from a script is the slide the text
// slide editor makes from the same text and choices.
#include "app/media/real_text_form.h"
#include "app/media/text_slide.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "tests/support/message_recorder.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

namespace brindle {
namespace {

using test::runProgram;

class TextCliTest : public ::testing::Test {
protected:
    QJsonArray slides(const QString& bqx) {
        const test::ProgramRun info = runProgram("brindle-cli", {"info", bqx});
        EXPECT_EQ(info.status, 0) << info.err.toStdString();
        return QJsonDocument::fromJson(info.outBytes).object()["slides"].toArray();
    }
    test::TempEnv env;
};

TEST_F(TextCliTest, AddsSlidesToANewOrAnExistingProject) {
    const QString bqx = env.file("story/story.bqx");
    test::ProgramRun run =
        runProgram("brindle-cli", {"text", bqx, "First slide", "--size", "1", "--scheme", "2",
                                   "--center", "--caption", "Under it"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "slide 1\n");
    run = runProgram("brindle-cli", {"text", bqx, "Second"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "slide 2\n");

    const QJsonArray s = slides(bqx);
    ASSERT_EQ(s.size(), 2);
    const QJsonObject first = s[0].toObject();
    EXPECT_EQ(first["mediaType"].toInt(), 3);
    EXPECT_EQ(first["PointSize"].toInt(), 1);
    EXPECT_EQ(first["ForeColor"].toInt(), 2);
    EXPECT_EQ(first["Alignment"].toInt(), 1);
    EXPECT_EQ(first["Caption"].toString(), "Under it");
    EXPECT_EQ(first["Duration"].toInt(), 5000);
    EXPECT_EQ(s[1].toObject()["Alignment"].toInt(), 0);
    EXPECT_EQ(s[1].toObject()["Filename"].toString(), "text2.txt");
}

TEST_F(TextCliTest, RefusesBadChoicesAndKeepsTheProject) {
    const QString bqx = env.file("story.bqx");
    ASSERT_EQ(runProgram("brindle-cli", {"text", bqx, "One"}).status, 0);
    const QByteArray before = test::fileContents(bqx);
    for (const QStringList& bad :
         {QStringList{"--size", "3"}, {"--scheme", "-1"}, {"--scheme"}, {"--colour", "1"}}) {
        EXPECT_EQ(runProgram("brindle-cli", QStringList{"text", bqx, "Two"} + bad).status, 2)
            << bad.join(' ').toStdString();
    }
    EXPECT_EQ(runProgram("brindle-cli", {"text", bqx}).status, 2);
    EXPECT_EQ(test::fileContents(bqx), before);
}

TEST_F(TextCliTest, WritesWhatTheDialogWrites) {
    QString text;
    for (int i = 0; i < 30; ++i) {
        text += QStringLiteral("Words <%1> & more ").arg(i);
    }
    const QString bqx = env.file("cli.bqx");
    ASSERT_EQ(runProgram("brindle-cli", {"text", bqx, text, "--size", "2", "--scheme", "3"}).status,
              0);
    const test::ProgramRun present = runProgram("brindle-cli", {"present", bqx});
    ASSERT_EQ(present.status, 0) << present.err.toStdString();
    const QString preview = present.out.trimmed().split('\n').last();
    const QByteArray fromCli = test::fileContents(preview + "/maintext1.rt");
    ASSERT_TRUE(fromCli.startsWith("<window type=\"scrollingnews\""));

    test::MessageRecorder messages;
    gTempFolder = env.file("Temp");
    gWorkFolder = env.file("Work");
    QDir().mkpath(gWorkFolder);
    gProject.clear();
    realText form;
    form.initTheForm({}, 2, 3, 0);
    form.Text1()->setPlainText(text);
    QTest::mouseClick(form.Done(), Qt::LeftButton);
    ASSERT_EQ(form.savedSlide(), 1);
    EXPECT_EQ(test::fileContents(textMarkupScratch()), fromCli);
    gProject.clear();
}

}  // namespace
}  // namespace brindle
