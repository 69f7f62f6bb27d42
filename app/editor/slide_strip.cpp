#include "app/editor/slide_strip.h"

#include "app/capture/thumbnail.h"
#include "app/editor/move_element.h"
#include "app/editor/strip_cell.h"
#include "app/editor/strip_pictures.h"
#include "app/editor/strip_state.h"
#include "app/editor/wav_sound.h"
#include "app/model/media_element.h"
#include "app/model/project.h"
#include "platform/messages.h"
#include "platform/resources.h"

#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <algorithm>
#include <cstdlib>

namespace brindle {
namespace {

using namespace stripgeometry;

constexpr int kScrollRepeatMs = 450;  // scroll steps while a drag rests on an end cell
constexpr QSize kButtonIcon(24, 24);
constexpr QSize kBackTrackIcon(24, 24);
constexpr QRect kBackAud(kBarWidth + 26, 30, 40, 40);
constexpr QRect kBackAudCaption(kBarWidth + 4, 72, 84, 34);

void setPicture(QToolButton* button, StripPicture picture, int tooltipEntry) {
    button->setIcon(stripIcon(picture));
    button->setToolTip(LoadResString(tooltipEntry));
    button->setAccessibleName(LoadResString(tooltipEntry));
    button->setProperty("picture", stripPictureName(picture));
}

QString indexed(const char* name, int index) {
    return QString::fromLatin1(name) + QString::number(index);
}

}  // namespace

SlideStrip::SlideStrip(QWidget* parent) : QWidget(parent) {
    setObjectName("SlideStrip");
    m_slideBar = new SlideBarFrame(this, this);
    m_slideBar->setObjectName("SlideBar");
    m_slideBar->setGeometry(0, 0, kBarWidth, kBarHeight);
    for (int c = 0; c < kCells; ++c) {
        buildCell(c);
    }

    m_scrollBar = new QScrollBar(Qt::Horizontal, this);
    m_scrollBar->setObjectName("ScrollBar");
    m_scrollBar->setGeometry(0, kBarHeight + 2, kBarWidth, kScrollBarHeight);
    m_scrollBar->setRange(1, 1);
    m_scrollBar->setSingleStep(1);
    m_scrollBar->setPageStep(kCells);
    m_scrollBar->setEnabled(false);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, &SlideStrip::onScroll);

    m_backAud = new QToolButton(this);
    m_backAud->setObjectName("BackAud");
    m_backAud->setGeometry(kBackAud);
    m_backAud->setIconSize(kBackTrackIcon);
    m_backAud->setAutoRaise(true);
    connect(m_backAud, &QToolButton::clicked, this, &SlideStrip::backTrackClicked);

    m_backAudCaption = new QLabel(LoadResString(str::BackTrackCaption), this);
    m_backAudCaption->setObjectName("BackAudCaption");
    m_backAudCaption->setGeometry(kBackAudCaption);
    m_backAudCaption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_backAudCaption->setWordWrap(true);
    m_backAudCaption->installEventFilter(this);

    m_scrollTimer = new QTimer(this);
    m_scrollTimer->setInterval(kScrollRepeatMs);
    connect(m_scrollTimer, &QTimer::timeout, this, &SlideStrip::scrollStep);

    setupKeyboard();

    m_dragRunner = [](QDrag& drag) { return drag.exec(Qt::MoveAction); };
    m_soundPlayer = [](const QString& path) { playWavFile(path); };

    setMinimumSize(sizeHint());
    // Drawn from whatever the strip state is: a fresh program has none, and
    // a strip made later shows the project as it stands.
    for (int c = 0; c < kCells; ++c) {
        hideCell(c);
    }
    setScrollRange();
    refreshStrip();
}

SlideStrip::~SlideStrip() = default;

QSize SlideStrip::sizeHint() const {
    return QSize(kBackAudCaption.right() + 5, kBarHeight + 2 + kScrollBarHeight);
}

void SlideStrip::buildCell(int c) {
    StripCell& cell = m_cells[static_cast<size_t>(c)];
    const QPoint origin(cellLeft(c), 0);
    // Created back to front: the mark lies behind the frame, the picture
    // on the frame, the number and buttons on top.
    auto* selection = new SelectionMark(m_slideBar);
    selection->setObjectName(indexed("Selection", c));
    selection->setGeometry(kSelection.translated(origin));
    cell.Selection = selection;

    cell.ElementBack = new QLabel(m_slideBar);
    cell.ElementBack->setObjectName(indexed("ElementBack", c));
    cell.ElementBack->setGeometry(kFrame.translated(origin));
    cell.ElementBack->setAttribute(Qt::WA_TransparentForMouseEvents);

    cell.Element = new StripElement(this, c, m_slideBar);
    cell.Element->setObjectName(indexed("Element", c));
    cell.Element->setGeometry(kPictureBox.translated(origin));

    cell.SlideLabel = new QLabel(m_slideBar);
    cell.SlideLabel->setObjectName(indexed("SlideLabel", c));
    cell.SlideLabel->setGeometry(kLabel.translated(origin));
    cell.SlideLabel->setAttribute(Qt::WA_TransparentForMouseEvents);

    cell.ElemText = new QToolButton(m_slideBar);
    cell.ElemText->setObjectName(indexed("ElemText", c));
    cell.ElemText->setGeometry(kTextButton.translated(origin));
    cell.ElemText->setIconSize(kButtonIcon);
    cell.ElemText->setAutoRaise(true);
    connect(cell.ElemText, &QToolButton::clicked, this, [this, c] { captionClicked(c, false); });

    cell.ElemAud = new QToolButton(m_slideBar);
    cell.ElemAud->setObjectName(indexed("ElemAud", c));
    cell.ElemAud->setGeometry(kAudButton.translated(origin));
    cell.ElemAud->setIconSize(kButtonIcon);
    cell.ElemAud->setAutoRaise(true);
    connect(cell.ElemAud, &QToolButton::clicked, this, [this, c] { captionClicked(c, true); });
}

QWidget* SlideStrip::slideBar() const {
    return m_slideBar;
}

int SlideStrip::slideInCell(int index) const {
    if (index < 0 || index >= kCells) {
        return 0;
    }
    const StripCell& c = cell(index);
    if (c.SlideLabel->isHidden()) {
        return 0;
    }
    bool ok = false;
    const int slide = c.SlideLabel->text().toInt(&ok);
    return ok ? slide : 0;
}

void SlideStrip::hideCell(int index) {
    StripCell& cell = m_cells[static_cast<size_t>(index)];
    cell.Element->hide();
    cell.ElementBack->hide();
    cell.ElemText->hide();
    cell.ElemAud->hide();
    cell.Selection->hide();
    cell.SlideLabel->hide();
}

void SlideStrip::resetStrip() {
    gSelectedSlide = 0;
    gFirstVisible = 1;
    gSelectedCell = -1;
    for (int c = 0; c < kCells; ++c) {
        hideCell(c);
        m_cells[static_cast<size_t>(c)].Element->control().clear();
        m_cells[static_cast<size_t>(c)].SlideLabel->clear();
    }
    setScrollRange();
    refreshStrip();
}

void SlideStrip::showFromFirstSlide() {
    const bool any = gProject.count() > 0;
    gFirstVisible = 1;
    gSelectedSlide = any ? 1 : 0;
    gSelectedCell = any ? 0 : -1;
    setScrollRange();
    refreshStrip();
}

void SlideStrip::setScrollRange() {
    const int count = gProject.count();
    const int maximum = count > kCells ? count - (kCells - 1) : 1;
    {
        const QSignalBlocker block(m_scrollBar);
        m_scrollBar->setRange(1, maximum);
        m_scrollBar->setValue(std::clamp(gFirstVisible, 1, maximum));
    }
    m_scrollBar->setEnabled(count > kCells);
    gFirstVisible = std::clamp(gFirstVisible, 1, maximum);
}

void SlideStrip::ensureVisible(int slide) {
    if (slide >= 1) {
        if (slide < gFirstVisible) {
            gFirstVisible = slide;
        } else if (slide > gFirstVisible + kCells - 1) {
            gFirstVisible = slide - (kCells - 1);
        }
    }
    setScrollRange();
    refreshStrip();
}

void SlideStrip::refreshStrip() {
    const bool wasRefreshing = m_refreshing;
    m_refreshing = true;
    const int count = gProject.count();
    m_slideBar->setToolTip(LoadResString(count < 2 ? str::StripHintTip : str::StripDragTip));

    const bool track = !gBackTrack.isEmpty();
    const int trackEntry = track ? str::EditBackTrackTip : str::AddBackTrackTip;
    setPicture(m_backAud, track ? StripPicture::BackTrack : StripPicture::NoBackTrack, trackEntry);
    m_backAudCaption->setToolTip(LoadResString(trackEntry));

    if (count > 0) {
        for (int c = 0; c < kCells; ++c) {
            const int k = gFirstVisible + c;
            StripCell& cell = m_cells[static_cast<size_t>(c)];
            if (k < 1 || k > count) {
                hideCell(c);
                continue;
            }
            showCell(c, k);
            cell.ElementBack->show();
            cell.ElemText->show();
            cell.ElemAud->show();
            cell.SlideLabel->setText(QString::number(k));
            cell.SlideLabel->show();
            cell.Selection->hide();
            cell.Element->show();
        }
        // The mark follows the selected slide only while it is on screen.
        gSelectedCell = -1;
        if (gSelectedSlide >= gFirstVisible && gSelectedSlide <= gFirstVisible + kCells - 1 &&
            gSelectedSlide <= count) {
            gSelectedCell = gSelectedSlide - gFirstVisible;
            m_cells[static_cast<size_t>(gSelectedCell)].Selection->show();
        }
        if (count > kCells) {
            const QSignalBlocker block(m_scrollBar);
            m_scrollBar->setValue(gFirstVisible);
        }
    } else {
        gSelectedSlide = 0;
        gFirstVisible = 1;
        gSelectedCell = -1;
        for (int c = 0; c < kCells; ++c) {
            hideCell(c);
        }
        // The empty slot where the first slide will go.
        m_cells[0].Selection->show();
    }
    m_refreshing = wasRefreshing;
    updateFocusAndNames();
    emit contextMenuSetup(gSelectedSlide);
}

void SlideStrip::showCell(int index, int slide) {
    if (index < 0 || index >= kCells) {
        return;
    }
    const MediaElement* e = gProject.Item(slide);
    if (!e) {
        return;
    }
    StripCell& cell = m_cells[static_cast<size_t>(index)];
    ImageControl& picture = cell.Element->control();
    // A thumbnail that does not load leaves the picture empty; the buttons
    // and frame are still set, so that they describe this slide and not the
    // one the cell showed before.
    // While a drag scrolls the strip the box waits for the drag's end: a
    // modal box inside the drag would sit under the mouse grab.
    if (picture.load(e->Thumbnail) != ImageStatus::Ok) {
        if (m_dragging) {
            m_thumbnailFailedInDrag = true;
        } else {
            MsgBox(str::ProjectUpdateFailed);
        }
    }
    const bool video = e->mediaType == MediaVideo;
    if (e->Caption.isEmpty()) {
        setPicture(cell.ElemText, StripPicture::NoTextCaption, str::AddTextCaptionTip);
    } else {
        setPicture(cell.ElemText, StripPicture::TextCaption, str::EditTextCaptionTip);
    }
    if (video) {
        setPicture(cell.ElemAud, StripPicture::VideoEdit, str::EditVideoTip);
    } else if (e->Sound.isEmpty()) {
        setPicture(cell.ElemAud, StripPicture::NoAudioCaption, str::AddAudioCaptionTip);
    } else {
        setPicture(cell.ElemAud, StripPicture::AudioCaption, str::EditAudioCaptionTip);
    }
    const StripPicture frame = video ? StripPicture::VideoFrame : StripPicture::Frame;
    cell.ElementBack->setPixmap(stripPicture(frame));
    cell.ElementBack->setProperty("picture", stripPictureName(frame));

    // The fitted picture sits in the middle of the cell's picture box.
    const QSize fitted = FitToStrip(false, e->mediaType, QSize(picture.width(), picture.height()));
    const QRect box = kPictureBox.translated(cellLeft(index), 0);
    const QSize size = fitted.isValid() ? fitted : box.size();
    cell.Element->setGeometry(box.x() + (box.width() - size.width()) / 2,
                              box.y() + (box.height() - size.height()) / 2, size.width(),
                              size.height());
}

bool SlideStrip::moveElement(int from, int to) {
    return brindle::moveElement(from, to);
}

void SlideStrip::selectCell(int index) {
    const int slide = slideInCell(index);
    if (slide < 1) {
        return;
    }
    if (gSelectedCell >= 0 && gSelectedCell < kCells) {
        m_cells[static_cast<size_t>(gSelectedCell)].Selection->hide();
    }
    gSelectedSlide = slide;
    gSelectedCell = index;
    m_cells[static_cast<size_t>(index)].Selection->show();
    updateFocusAndNames();
    emit slideSelected(slide);
}

void SlideStrip::onScroll(int value) {
    if (m_refreshing || value == gFirstVisible) {
        return;
    }
    gFirstVisible = value;
    refreshStrip();
}

void SlideStrip::elementPressed(int index, const QPoint& pos, Qt::MouseButton button) {
    m_pressX = pos.x();
    m_pressPending = button == Qt::LeftButton;
    selectCell(index);
}

void SlideStrip::elementMoved(int index, const QPoint& pos, Qt::MouseButtons buttons) {
    if (!m_pressPending || m_dragging || !(buttons & Qt::LeftButton)) {
        return;
    }
    if (std::abs(pos.x() - m_pressX) <= kDragDistance) {
        return;
    }
    m_pressPending = false;
    const int slide = slideInCell(index);
    if (slide < 1) {
        return;
    }
    StripElement* element = m_cells[static_cast<size_t>(index)].Element;
    auto* mime = new QMimeData;
    mime->setData(kSlideMimeType, QByteArray::number(slide));
    auto* drag = new QDrag(element);
    drag->setMimeData(mime);
    const QPixmap look = element->grab();
    drag->setPixmap(look);
    drag->setHotSpot(QPoint(look.width() / 2, look.height() / 2));

    m_dragging = true;
    emit dragStarted(slide);
    m_dragRunner(*drag);
    m_dragging = false;
    slideDragLeft();
    drag->deleteLater();
    if (m_thumbnailFailedInDrag) {
        m_thumbnailFailedInDrag = false;
        MsgBox(str::ProjectUpdateFailed);
    }
    emit contextMenuSetup(gSelectedSlide);
}

void SlideStrip::elementReleased(int, const QPoint& globalPos, Qt::MouseButton button) {
    m_pressPending = false;
    emit contextMenuSetup(gSelectedSlide);
    if (button == Qt::RightButton && gSelectedSlide > 0) {
        emit contextMenuRequested(gSelectedSlide, globalPos);
    }
}

bool SlideStrip::acceptsSlideDrag(const QMimeData* mime) const {
    // Only this strip's own drag: a slide number from another window or
    // program means nothing in this project.
    return m_dragging && mime && mime->hasFormat(kSlideMimeType);
}

void SlideStrip::slideDragEntered(int index) {
    m_scrollDirection = index == kCells - 1 ? 1 : index == 0 ? -1 : 0;
    if (m_scrollDirection == 0) {
        m_scrollTimer->stop();
        return;
    }
    scrollStep();
    if (m_scrollDirection != 0) {
        m_scrollTimer->start();
    }
}

void SlideStrip::slideDragLeft() {
    m_scrollDirection = 0;
    m_scrollTimer->stop();
}

void SlideStrip::scrollStep() {
    const int value = m_scrollBar->value();
    const bool canMove =
        m_scrollBar->isEnabled() && ((m_scrollDirection > 0 && value < m_scrollBar->maximum()) ||
                                     (m_scrollDirection < 0 && value > m_scrollBar->minimum()));
    if (!canMove) {
        slideDragLeft();
        return;
    }
    m_scrollBar->setValue(value + m_scrollDirection);
    if (m_soundPlayer) {
        m_soundPlayer(scrollSoundPath());
    }
}

void SlideStrip::setDragRunner(DragRunner runner) {
    m_dragRunner = std::move(runner);
}

void SlideStrip::setSoundPlayer(SoundPlayer player) {
    m_soundPlayer = std::move(player);
}

QString SlideStrip::scrollSoundPath() {
    return resourcePath(QStringLiteral("deckopen.wav"));
}

void SlideStrip::slideDropped(int index, const QMimeData* mime) {
    bool ok = false;
    int from = mime->data(kSlideMimeType).toInt(&ok);
    if (!ok) {
        from = gSelectedSlide;
    }
    const int to = slideInCell(index);
    if (to < 1) {
        return;
    }
    const bool moved = moveElement(from, to);
    if (moved) {
        gProjectChanged = true;
    } else {
        MsgBox(str::MoveFailed);
    }
    gSelectedSlide = to;
    refreshStrip();
    if (moved) {
        emit stripChanged();
    }
}

int SlideStrip::dropPlace(const QPoint& pos) const {
    if (gProject.count() == 0) {
        return 0;
    }
    int last = -1;
    for (int c = 0; c < kCells; ++c) {
        if (slideInCell(c) > 0 && cellLeft(c) < pos.x()) {
            last = c;
        }
    }
    if (last >= 0) {
        return slideInCell(last);
    }
    const int first = slideInCell(0) > 0 ? slideInCell(0) : gFirstVisible;
    return std::max(0, first - 1);
}

bool SlideStrip::dropFiles(const QMimeData* mime, const QPoint& barPos) {
    if (!holdsLocalFiles(mime)) {
        return false;
    }
    QStringList paths;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    const int after = dropPlace(barPos);
    // The new slides follow the selected one, so the drop point becomes
    // the selection.
    if (gProject.count() == 0) {
        gSelectedSlide = 0;
        gSelectedCell = -1;
        gFirstVisible = 1;
    } else {
        gSelectedSlide = after;
        gSelectedCell = after >= gFirstVisible && after <= gFirstVisible + kCells - 1
                            ? after - gFirstVisible
                            : -1;
    }
    emit filesDropped(paths, after);
    return true;
}

void SlideStrip::captionClicked(int index, bool audio) {
    selectCell(index);
    const int slide = slideInCell(index);
    if (slide < 1) {
        return;
    }
    emit contextMenuSetup(slide);
    if (audio) {
        emit audioButtonClicked(slide);
    } else {
        emit captionButtonClicked(slide);
    }
}

bool SlideStrip::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_backAudCaption && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_backAudCaption->rect().contains(mouse->pos())) {
            emit backTrackClicked();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace brindle
