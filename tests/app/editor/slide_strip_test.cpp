#include "app/editor/slide_strip.h"

#include "app/editor/strip_cell.h"
#include "app/editor/strip_state.h"
#include "app/model/project.h"
#include "components/mediaplayer/audio_decoder.h"
#include "platform/messages.h"
#include "platform/resources.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <memory>

namespace brindle {
namespace {

using namespace stripgeometry;

class SlideStripTest : public ::testing::Test {
protected:
    void SetUp() override {
        gProject.clear();
        gBackTrack.clear();
        gProjectChanged = false;
        gSelectedSlide = 0;
        gFirstVisible = 1;
        gSelectedCell = -1;
        landscape = picture("land.jpg", QSize(640, 480));
        strip = std::make_unique<SlideStrip>();
        strip->setSoundPlayer([this](const QString& path) { sounds << path; });
        strip->show();
    }
    void TearDown() override {
        strip.reset();
        gProject.clear();
    }

    QString picture(const QString& name, QSize size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const QString path = env.file(name);
        EXPECT_TRUE(image.save(path, "JPG"));
        return path;
    }

    // Appends a slide whose caption is its original number.
    MediaElement* addSlide(std::int16_t type = MediaImage, const QString& sound = {},
                           const QString& caption = {}) {
        auto e = std::make_shared<MediaElement>();
        e->mediaType = type;
        e->Thumbnail = landscape;
        e->Sound = sound;
        e->Caption = caption;
        e->FontName = QString::number(gProject.count() + 1);
        gProject.insert(gProject.count() + 1, e);
        return e.get();
    }
    void addSlides(int n) {
        for (int i = 0; i < n; ++i) {
            addSlide();
        }
    }
    std::vector<int> order() const {
        std::vector<int> out;
        for (const auto& e : gProject) {
            out.push_back(e->FontName.toInt());
        }
        return out;
    }

    const StripCell& cell(int c) const { return strip->cell(c); }
    StripElement* element(int c) const { return cell(c).Element; }
    QPoint inside(int c) const { return element(c)->rect().center(); }
    QString barTip() const { return strip->slideBar()->toolTip(); }

    // A point in the slide bar inside cell c, right of its left edge.
    static QPoint barPointIn(int c) { return QPoint(cellLeft(c) + 30, 50); }

    void dropFilesOn(QWidget* target, const QPoint& pos, const QList<QUrl>& urls) {
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(pos), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }

    test::TempEnv env;
    test::MessageRecorder messages;
    QString landscape;
    QStringList sounds;
    std::unique_ptr<SlideStrip> strip;
};

TEST_F(SlideStripTest, EmptyProjectShowsTheInsertionSlotAndHints) {
    addSlides(3);
    strip->showFromFirstSlide();
    gProject.clear();
    strip->resetStrip();
    EXPECT_EQ(gSelectedSlide, 0);
    EXPECT_EQ(gFirstVisible, 1);
    EXPECT_EQ(gSelectedCell, -1);
    for (int c = 0; c < SlideStrip::kCells; ++c) {
        EXPECT_TRUE(element(c)->isHidden()) << c;
        EXPECT_TRUE(cell(c).SlideLabel->isHidden()) << c;
        EXPECT_TRUE(cell(c).ElemText->isHidden()) << c;
        EXPECT_TRUE(cell(c).ElemAud->isHidden()) << c;
        EXPECT_TRUE(cell(c).ElementBack->isHidden()) << c;
        EXPECT_EQ(cell(c).Selection->isVisible(), c == 0) << c;
    }
    EXPECT_EQ(barTip(), LoadResString(189));
    EXPECT_EQ(strip->backAudButton()->toolTip(), LoadResString(190));
    EXPECT_EQ(strip->backAudCaption()->toolTip(), LoadResString(190));
    EXPECT_EQ(strip->backAudCaption()->text(), "Background Track");
    EXPECT_EQ(strip->backAudButton()->property("picture").toString(), "backtrack-absent");
    EXPECT_TRUE(messages.numbers().isEmpty());
}

TEST_F(SlideStripTest, StripTooltipDependsOnHavingTwoSlides) {
    addSlide();
    strip->showFromFirstSlide();
    EXPECT_EQ(barTip(), "Click a button on the left side of the screen to add a slide");
    addSlide();
    strip->refreshStrip();
    EXPECT_EQ(barTip(), "Drag a slide to rearrange the slides");
}

TEST_F(SlideStripTest, BackgroundTrackButtonFollowsTheTrack) {
    gBackTrack = env.file("sound1.wav");
    strip->refreshStrip();
    EXPECT_EQ(strip->backAudButton()->toolTip(), "Click to edit the background track");
    EXPECT_EQ(strip->backAudCaption()->toolTip(), LoadResString(191));
    EXPECT_EQ(strip->backAudButton()->property("picture").toString(), "backtrack-present");
    gBackTrack.clear();
    strip->refreshStrip();
    EXPECT_EQ(strip->backAudButton()->toolTip(), "Click to add a background track");

    QSignalSpy clicked(strip.get(), &SlideStrip::backTrackClicked);
    QTest::mouseClick(strip->backAudButton(), Qt::LeftButton);
    QTest::mouseClick(strip->backAudCaption(), Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 2);
}

TEST_F(SlideStripTest, CaptionAndAudioButtonsShowTheSlidesState) {
    addSlide(MediaImage);                                            // nothing attached
    addSlide(MediaSnapshot, env.file("sound1.wav"), "At the lake");  // both attached
    addSlide(MediaVideo, {}, "Clip");
    strip->showFromFirstSlide();

    auto expectButton = [](QToolButton* b, const char* picture, const QString& tip) {
        EXPECT_EQ(b->property("picture").toString(), picture) << b->objectName().toStdString();
        EXPECT_EQ(b->toolTip(), tip) << b->objectName().toStdString();
        EXPECT_TRUE(b->isVisible());
    };
    expectButton(cell(0).ElemText, "caption-absent", "Click to add a text caption");
    expectButton(cell(0).ElemAud, "audio-absent", "Click to add an audio caption");
    expectButton(cell(1).ElemText, "caption-present", "Click to edit the text caption");
    expectButton(cell(1).ElemAud, "audio-present", "Click to edit the audio caption");
    expectButton(cell(2).ElemText, "caption-present", LoadResString(185));
    expectButton(cell(2).ElemAud, "video-edit", "Click to edit the video");
    EXPECT_EQ(cell(0).ElementBack->property("picture").toString(), "frame");
    EXPECT_EQ(cell(2).ElementBack->property("picture").toString(), "frame-video");

    // The pictures are the ones that ship with the program.
    auto shipped = [](const char* file) {
        return QImage(resourcePath(file)).convertToFormat(QImage::Format_ARGB32);
    };
    auto shown = [](QToolButton* b) {
        return b->icon().pixmap(QSize(24, 24)).toImage().convertToFormat(QImage::Format_ARGB32);
    };
    ASSERT_FALSE(shipped("caption_text_set.png").isNull());
    EXPECT_EQ(shown(cell(0).ElemText), shipped("caption_text.png"));
    EXPECT_EQ(shown(cell(1).ElemText), shipped("caption_text_set.png"));
    EXPECT_EQ(shown(cell(1).ElemAud), shipped("caption_audio_set.png"));
    EXPECT_EQ(shown(cell(2).ElemAud), shipped("edit_video.png"));
    EXPECT_EQ(cell(2).ElementBack->pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
              shipped("frame_video.png"));

    // Removing the caption shows the add state again at the next refresh.
    gProject.Item(2)->Caption.clear();
    gProject.Item(2)->Sound.clear();
    strip->refreshStrip();
    expectButton(cell(1).ElemText, "caption-absent", LoadResString(183));
    expectButton(cell(1).ElemAud, "audio-absent", LoadResString(184));
}

TEST_F(SlideStripTest, CaptionButtonsSelectTheirSlideFirst) {
    addSlides(3);
    strip->showFromFirstSlide();
    QSignalSpy caption(strip.get(), &SlideStrip::captionButtonClicked);
    QSignalSpy audio(strip.get(), &SlideStrip::audioButtonClicked);
    QSignalSpy setup(strip.get(), &SlideStrip::contextMenuSetup);
    QTest::mouseClick(cell(2).ElemText, Qt::LeftButton);
    EXPECT_EQ(gSelectedSlide, 3);
    EXPECT_EQ(gSelectedCell, 2);
    ASSERT_EQ(caption.count(), 1);
    EXPECT_EQ(caption.at(0).at(0).toInt(), 3);
    ASSERT_FALSE(setup.isEmpty());
    EXPECT_EQ(setup.last().at(0).toInt(), 3);
    QTest::mouseClick(cell(1).ElemAud, Qt::LeftButton);
    ASSERT_EQ(audio.count(), 1);
    EXPECT_EQ(audio.at(0).at(0).toInt(), 2);
    EXPECT_TRUE(cell(1).Selection->isVisible());
    EXPECT_FALSE(cell(2).Selection->isVisible());
}

TEST_F(SlideStripTest, CellsShowTheSlidesFromTheFirstVisible) {
    addSlides(7);
    strip->showFromFirstSlide();
    gFirstVisible = 3;
    strip->refreshStrip();
    for (int c = 0; c < SlideStrip::kCells; ++c) {
        EXPECT_TRUE(element(c)->isVisible()) << c;
        EXPECT_EQ(cell(c).SlideLabel->text(), QString::number(3 + c));
        EXPECT_EQ(strip->slideInCell(c), 3 + c);
    }
    gFirstVisible = 4;
    strip->refreshStrip();
    EXPECT_EQ(cell(3).SlideLabel->text(), "7");
    EXPECT_TRUE(element(3)->isVisible());
    for (QWidget* w :
         {static_cast<QWidget*>(element(4)), static_cast<QWidget*>(cell(4).SlideLabel),
          static_cast<QWidget*>(cell(4).ElemText), static_cast<QWidget*>(cell(4).ElemAud),
          static_cast<QWidget*>(cell(4).ElementBack)}) {
        EXPECT_TRUE(w->isHidden()) << w->objectName().toStdString();
    }
    EXPECT_EQ(strip->slideInCell(4), 0);
}

TEST_F(SlideStripTest, SelectionMarkFollowsTheSelectedSlideWhileShown) {
    addSlides(7);
    strip->showFromFirstSlide();
    EXPECT_EQ(gSelectedSlide, 1);
    EXPECT_EQ(gSelectedCell, 0);
    gFirstVisible = 3;
    gSelectedSlide = 4;
    strip->refreshStrip();
    EXPECT_EQ(gSelectedCell, 1);
    for (int c = 0; c < SlideStrip::kCells; ++c) {
        EXPECT_EQ(cell(c).Selection->isVisible(), c == 1) << c;
    }
    gSelectedSlide = 1;  // scrolled out of view
    strip->refreshStrip();
    EXPECT_EQ(gSelectedCell, -1);
    for (int c = 0; c < SlideStrip::kCells; ++c) {
        EXPECT_FALSE(cell(c).Selection->isVisible()) << c;
    }
}

TEST_F(SlideStripTest, PressingACellSelectsItsSlide) {
    addSlides(7);
    strip->showFromFirstSlide();
    gFirstVisible = 3;
    gSelectedSlide = 1;
    strip->refreshStrip();
    ASSERT_EQ(gSelectedCell, -1);
    QSignalSpy selected(strip.get(), &SlideStrip::slideSelected);
    // With no mark shown, the slide pressed is still the one selected.
    QTest::mouseClick(element(3), Qt::LeftButton, {}, inside(3));
    EXPECT_EQ(gSelectedSlide, 6);
    EXPECT_EQ(gSelectedCell, 3);
    EXPECT_TRUE(cell(3).Selection->isVisible());
    QTest::mouseClick(element(1), Qt::LeftButton, {}, inside(1));
    EXPECT_EQ(gSelectedSlide, 4);
    EXPECT_FALSE(cell(3).Selection->isVisible());
    EXPECT_TRUE(cell(1).Selection->isVisible());
    ASSERT_EQ(selected.count(), 2);
    EXPECT_EQ(selected.at(1).at(0).toInt(), 4);
}

TEST_F(SlideStripTest, RightButtonReleaseAsksForTheContextMenu) {
    addSlides(3);
    strip->showFromFirstSlide();
    QSignalSpy menu(strip.get(), &SlideStrip::contextMenuRequested);
    QTest::mouseClick(element(2), Qt::LeftButton, {}, inside(2));
    EXPECT_TRUE(menu.isEmpty());
    QTest::mouseClick(element(1), Qt::RightButton, {}, inside(1));
    ASSERT_EQ(menu.count(), 1);
    EXPECT_EQ(menu.at(0).at(0).toInt(), 2);
    EXPECT_EQ(menu.at(0).at(1).toPoint(), element(1)->mapToGlobal(inside(1)));
}

TEST_F(SlideStripTest, ThumbnailsFitTheirBox) {
    addSlide(MediaImage);
    addSlide(MediaVideo);
    gProject.Item(3 - 1)->Thumbnail = landscape;
    auto* portrait = addSlide(MediaSnapshot);
    portrait->Thumbnail = picture("tall.jpg", QSize(180, 240));
    auto* small = addSlide(MediaImage);
    small->Thumbnail = picture("small.jpg", QSize(44, 31));
    strip->showFromFirstSlide();
    EXPECT_EQ(element(0)->size(), QSize(82, 62));
    EXPECT_EQ(element(1)->size(), QSize(80, 60));
    EXPECT_EQ(element(2)->size(), QSize(46, 62));
    EXPECT_EQ(element(3)->size(), QSize(88, 62));
    // Centred in the cell's picture box.
    const QRect box = kPictureBox.translated(cellLeft(0), 0);
    EXPECT_EQ(element(0)->geometry().center(), box.center());
    EXPECT_EQ(element(0)->control().width(), 640);
    EXPECT_TRUE(messages.numbers().isEmpty());
}

TEST_F(SlideStripTest, UnloadableThumbnailReportsMessage135) {
    addSlides(4);
    addSlide(MediaImage, {}, "A caption");
    addSlide(MediaVideo)->Thumbnail = env.file("missing.jpg");
    strip->showFromFirstSlide();
    ASSERT_TRUE(messages.numbers().isEmpty());
    // Scrolled by one, cell 4 now shows the broken slide 6.
    strip->scrollBar()->setValue(2);
    EXPECT_EQ(messages.numbers(), QList<int>{str::ProjectUpdateFailed});
    EXPECT_EQ(messages.requests().value(0).text,
              "Internal Error: A failure has occurred while updating the project database.");
    EXPECT_FALSE(element(4)->control().hasImage());
    EXPECT_TRUE(element(3)->control().hasImage());
    // Its buttons and frame are its own, not those of the slide shown before.
    EXPECT_EQ(cell(4).ElemText->toolTip(), LoadResString(183));
    EXPECT_EQ(cell(4).ElemAud->toolTip(), LoadResString(187));
    EXPECT_EQ(cell(4).ElementBack->property("picture").toString(), "frame-video");
}

TEST_F(SlideStripTest, SixthSlideOpensTheScrollRange) {
    addSlides(5);
    strip->showFromFirstSlide();
    EXPECT_FALSE(strip->scrollBar()->isEnabled());
    addSlide();
    strip->ensureVisible(6);
    EXPECT_TRUE(strip->scrollBar()->isEnabled());
    EXPECT_EQ(strip->scrollBar()->minimum(), 1);
    EXPECT_EQ(strip->scrollBar()->maximum(), 2);
    EXPECT_EQ(gFirstVisible, 2);
    EXPECT_EQ(strip->scrollBar()->value(), 2);
    EXPECT_EQ(cell(4).SlideLabel->text(), "6");

    strip->scrollBar()->setValue(1);
    EXPECT_EQ(gFirstVisible, 1);
    EXPECT_EQ(cell(0).SlideLabel->text(), "1");
    EXPECT_TRUE(element(4)->isVisible());

    addSlides(3);  // nine slides after opening a project
    strip->showFromFirstSlide();
    EXPECT_EQ(strip->scrollBar()->maximum(), 5);
    EXPECT_EQ(gFirstVisible, 1);
    EXPECT_EQ(gSelectedSlide, 1);
    EXPECT_EQ(gSelectedCell, 0);
}

// Drags are carried out by a runner that hands the drag's data straight to
// a cell, as the window system would on release.
class StripDragTest : public SlideStripTest {
protected:
    void SetUp() override {
        SlideStripTest::SetUp();
        strip->setDragRunner([this](QDrag& drag) {
            dragged.push_back(
                QString::fromLatin1(drag.mimeData()->data(SlideStrip::kSlideMimeType)));
            if (onDrag) {
                onDrag(drag);
            }
            return Qt::IgnoreAction;
        });
    }

    void pressAndMove(int c, int dx, int dy = 0) {
        const QPoint start(10, 10);
        QTest::mousePress(element(c), Qt::LeftButton, {}, start);
        QTest::mouseMove(element(c), start + QPoint(dx, dy));
        QTest::mouseRelease(element(c), Qt::LeftButton, {}, start + QPoint(dx, dy));
    }

    static void sendDrop(QWidget* target, const QMimeData* mime) {
        const QPoint pos = target->rect().center();
        QDragEnterEvent enter(pos, Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(pos), Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }

    QStringList dragged;
    std::function<void(QDrag&)> onDrag;
};

TEST_F(StripDragTest, DragStartsOnlyBeyondTwentyUnits) {
    addSlides(3);
    strip->showFromFirstSlide();
    pressAndMove(1, 20);
    pressAndMove(1, -20);
    pressAndMove(1, 0, 40);  // only the horizontal distance counts
    EXPECT_TRUE(dragged.isEmpty());
    pressAndMove(1, 21);
    EXPECT_EQ(dragged, QStringList{"2"});
    pressAndMove(2, -21);
    EXPECT_EQ(dragged, (QStringList{"2", "3"}));
    // Moving without the button held never drags.
    QTest::mouseMove(element(0), QPoint(60, 10));
    EXPECT_EQ(dragged.size(), 2);
}

TEST_F(StripDragTest, DropOnAnotherCellMovesTheSlide) {
    addSlides(5);
    strip->showFromFirstSlide();
    QSignalSpy changed(strip.get(), &SlideStrip::stripChanged);
    onDrag = [this](QDrag& drag) { sendDrop(element(3), drag.mimeData()); };
    pressAndMove(1, 30);
    EXPECT_EQ(order(), (std::vector<int>{1, 3, 4, 2, 5}));
    EXPECT_TRUE(gProjectChanged);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(gSelectedSlide, 4);
    EXPECT_EQ(gSelectedCell, 3);
    EXPECT_TRUE(cell(3).Selection->isVisible());

    onDrag = [this](QDrag& drag) { sendDrop(element(1), drag.mimeData()); };
    pressAndMove(4, -30);
    EXPECT_EQ(order(), (std::vector<int>{1, 5, 3, 4, 2}));
    EXPECT_TRUE(messages.numbers().isEmpty());
}

TEST_F(StripDragTest, DropOnItsOwnCellKeepsTheOrderButMarksTheProjectChanged) {
    addSlides(3);
    strip->showFromFirstSlide();
    onDrag = [this](QDrag& drag) { sendDrop(element(1), drag.mimeData()); };
    pressAndMove(1, 25);
    EXPECT_EQ(order(), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(gProjectChanged);
    EXPECT_EQ(gSelectedSlide, 2);
}

TEST_F(StripDragTest, FailedMoveShowsMessage75) {
    addSlides(3);
    strip->showFromFirstSlide();
    // The dragged slide is gone by the time it is dropped.
    onDrag = [this](QDrag& drag) {
        gProject.Remove(3, false);
        sendDrop(element(0), drag.mimeData());
    };
    pressAndMove(2, 30);
    EXPECT_EQ(messages.numbers(), QList<int>{75});
    EXPECT_FALSE(gProjectChanged);
    EXPECT_EQ(order(), (std::vector<int>{1, 2}));
    EXPECT_EQ(gSelectedSlide, 1);
}

TEST_F(StripDragTest, SlideDataFromElsewhereIsRefused) {
    addSlides(3);
    strip->showFromFirstSlide();
    QMimeData foreign;
    foreign.setData(SlideStrip::kSlideMimeType, "3");
    sendDrop(element(0), &foreign);
    EXPECT_EQ(order(), (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(gProjectChanged);
    EXPECT_TRUE(messages.numbers().isEmpty());
}

TEST_F(StripDragTest, DraggingOverTheEndCellsScrollsWithASound) {
    addSlides(7);
    strip->showFromFirstSlide();
    onDrag = [this](QDrag& drag) {
        QDragEnterEvent over(inside(4), Qt::MoveAction, drag.mimeData(), Qt::LeftButton,
                             Qt::NoModifier);
        QApplication::sendEvent(element(4), &over);
    };
    pressAndMove(0, 30);
    EXPECT_EQ(gFirstVisible, 2);
    EXPECT_EQ(cell(4).SlideLabel->text(), "6");
    ASSERT_EQ(sounds.size(), 1);
    EXPECT_EQ(sounds.at(0), SlideStrip::scrollSoundPath());
    EXPECT_TRUE(sounds.at(0).endsWith("/deckopen.wav"));

    // One step per entry, and none past the end of the range.
    pressAndMove(0, 30);
    EXPECT_EQ(gFirstVisible, 3);
    EXPECT_EQ(sounds.size(), 2);
    pressAndMove(0, 30);
    EXPECT_EQ(gFirstVisible, 3);
    EXPECT_EQ(sounds.size(), 2);

    onDrag = [this](QDrag& drag) {
        QDragEnterEvent over(inside(0), Qt::MoveAction, drag.mimeData(), Qt::LeftButton,
                             Qt::NoModifier);
        QApplication::sendEvent(element(0), &over);
    };
    pressAndMove(2, 30);
    EXPECT_EQ(gFirstVisible, 2);
    EXPECT_EQ(sounds.size(), 3);
}

TEST_F(StripDragTest, ThumbnailFailureWhileScrollingIsReportedAfterTheDrag) {
    addSlides(5);
    addSlide()->Thumbnail = env.file("missing.jpg");
    strip->showFromFirstSlide();
    int shownDuringDrag = -1;
    onDrag = [&](QDrag& drag) {
        QDragEnterEvent over(inside(4), Qt::MoveAction, drag.mimeData(), Qt::LeftButton,
                             Qt::NoModifier);
        QApplication::sendEvent(element(4), &over);
        shownDuringDrag = int(messages.numbers().size());
    };
    pressAndMove(0, 30);
    EXPECT_EQ(gFirstVisible, 2);
    EXPECT_EQ(shownDuringDrag, 0);
    EXPECT_EQ(messages.numbers(), QList<int>{str::ProjectUpdateFailed});
}

TEST_F(StripDragTest, NoScrollingWhenAllSlidesFit) {
    addSlides(5);
    strip->showFromFirstSlide();
    onDrag = [this](QDrag& drag) {
        QDragEnterEvent over(inside(4), Qt::MoveAction, drag.mimeData(), Qt::LeftButton,
                             Qt::NoModifier);
        QApplication::sendEvent(element(4), &over);
    };
    pressAndMove(1, 30);
    EXPECT_EQ(gFirstVisible, 1);
    EXPECT_TRUE(sounds.isEmpty());
}

TEST_F(SlideStripTest, DroppedFilesGoAfterTheSlideUnderThePoint) {
    addSlides(7);
    strip->showFromFirstSlide();
    gFirstVisible = 3;
    strip->refreshStrip();
    QSignalSpy dropped(strip.get(), &SlideStrip::filesDropped);
    const QString file = env.file("holiday.jpg");
    dropFilesOn(strip->slideBar(), barPointIn(2), {QUrl::fromLocalFile(file)});
    ASSERT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped.at(0).at(0).toStringList(), QStringList{file});
    EXPECT_EQ(dropped.at(0).at(1).toInt(), 5);
    EXPECT_EQ(gSelectedSlide, 5);
    EXPECT_EQ(gSelectedCell, 2);

    // Left of cell 0: before the first slide shown.
    dropFilesOn(strip->slideBar(), QPoint(2, 50), {QUrl::fromLocalFile(file)});
    EXPECT_EQ(dropped.at(1).at(1).toInt(), 2);
    EXPECT_EQ(gSelectedCell, -1);

    // On a cell's picture, and past the last shown slide.
    dropFilesOn(element(1), inside(1), {QUrl::fromLocalFile(file)});
    EXPECT_EQ(dropped.at(2).at(1).toInt(), 4);
    gFirstVisible = 4;
    strip->refreshStrip();
    dropFilesOn(strip->slideBar(), barPointIn(4), {QUrl::fromLocalFile(file)});
    EXPECT_EQ(dropped.at(3).at(1).toInt(), 7);
}

TEST_F(SlideStripTest, DroppedFilesOnAnEmptyStripAndNonLocalDataAreHandled) {
    strip->resetStrip();
    QSignalSpy dropped(strip.get(), &SlideStrip::filesDropped);
    dropFilesOn(strip->slideBar(), barPointIn(3), {QUrl("https://example.org/pic.jpg")});
    EXPECT_TRUE(dropped.isEmpty());
    const QString a = env.file("a.jpg"), b = env.file("b.avi");
    dropFilesOn(
        strip->slideBar(), barPointIn(3),
        {QUrl("https://example.org/pic.jpg"), QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
    ASSERT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped.at(0).at(0).toStringList(), (QStringList{a, b}));
    EXPECT_EQ(dropped.at(0).at(1).toInt(), 0);
    EXPECT_EQ(gSelectedSlide, 0);
    EXPECT_EQ(gSelectedCell, -1);
}

TEST(StripSound, ScrollSoundShipsBesideTheProgram) {
    AudioDecoder decoder;
    ASSERT_TRUE(decoder.open(SlideStrip::scrollSoundPath()));
    std::vector<float> samples(4096 * static_cast<size_t>(decoder.channels()));
    EXPECT_GT(decoder.read(samples.data(), 4096), 0);
}

}  // namespace
}  // namespace brindle
