#include "app/media/progress_form.h"

#include "platform/messages.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace brindle {
namespace {

class ProgressFormTest : public ::testing::Test {
protected:
    void SetUp() override { CancelRequested = false; }
    void TearDown() override { CancelRequested = false; }

    template <class W>
    W* child(const char* name) {
        W* w = form.findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    progressForm form;
};

TEST_F(ProgressFormTest, ControlsTextsAndFont) {
    auto* label = child<QLabel>("Label1");
    auto* cancel = child<QPushButton>("Cancel");
    auto* master = child<QProgressBar>("masterProgress");
    auto* encoder = child<QProgressBar>("encoderProgress");
    ASSERT_TRUE(label && cancel && master && encoder);
    EXPECT_EQ(label->text(), "Preparing your project...");
    EXPECT_EQ(cancel->text(), "Cancel");
    for (QWidget* w : std::initializer_list<QWidget*>{label, cancel, master, encoder}) {
        EXPECT_EQ(w->font().family(), LoadResString(179)) << w->objectName().toStdString();
        EXPECT_EQ(w->font().pointSize(), LoadResString(180).toInt());
    }
    // Callers drive the bars and the text.
    master->setValue(40);
    encoder->setValue(75);
    label->setText(LoadResString(152));
    EXPECT_EQ(master->value(), 40);
    EXPECT_EQ(encoder->value(), 75);
    EXPECT_EQ(label->text(), "Saving Project Contents...");
}

TEST_F(ProgressFormTest, CancelOnlySetsTheRequest) {
    form.show();
    auto* cancel = child<QPushButton>("Cancel");
    ASSERT_TRUE(cancel);
    cancel->click();
    EXPECT_TRUE(CancelRequested);
    EXPECT_TRUE(form.isVisible()) << "stopping is the caller's decision";
    cancel->click();
    EXPECT_TRUE(CancelRequested);
    EXPECT_TRUE(form.isVisible());
}

TEST_F(ProgressFormTest, EscapeCountsAsCancelButTheCallerMayClose) {
    form.show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&form, &escape);
    EXPECT_TRUE(CancelRequested);
    EXPECT_TRUE(form.isVisible());

    CancelRequested = false;
    form.close();  // the caller unloading the window
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(CancelRequested);
}

}  // namespace
}  // namespace brindle
