// The slide strip without a mouse: arrow keys choose a slide, Ctrl with an
// arrow moves it, Home and End go to the ends, Delete and Enter ask the
// editor to remove or edit it, the menu key opens its menu. A frame shows
// where the keys go, and every part has the texts a screen reader speaks.
#include "app/editor/move_element.h"
#include "app/editor/slide_strip.h"
#include "app/editor/strip_cell.h"
#include "app/editor/strip_state.h"
#include "app/model/media_element.h"
#include "app/model/project.h"
#include "platform/messages.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QToolButton>

#include <algorithm>

namespace brindle {
namespace {

using namespace stripgeometry;

// A frame in the highlight colour, drawn over the slide bar around the
// selected cell while the strip has the keyboard.
class FocusMark : public QWidget {
public:
    explicit FocusMark(QWidget* parent) : QWidget(parent) {
        setObjectName("FocusMark");
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QPen pen(palette().color(QPalette::Highlight), 3, Qt::DashLine);
        p.setPen(pen);
        p.drawRect(rect().adjusted(1, 1, -2, -2));
    }
};

}  // namespace

QString slideTitle(const MediaElement& slide, int number) {
    int kind = str::KindImage;
    switch (slide.mediaType) {
        case MediaRaw:
            return LoadResString(str::EditItemEmptySlide);
        case MediaSnapshot:
            kind = str::KindSnapshot;
            break;
        case MediaVideo:
            kind = str::KindVideo;
            break;
        case MediaText:
            kind = str::KindText;
            break;
        default:
            break;
    }
    return LoadResString(kind) + LoadResString(str::EditItemSlide) +
           QString::number(number).trimmed();
}

void SlideStrip::setupKeyboard() {
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(LoadResString(str::SlideStripName));
    m_scrollBar->setAccessibleName(LoadResString(str::SlidesShownName));
    // The cells' buttons are reached through the slide menu and the strip's
    // keys; tabbing goes from the strip to the background track button.
    for (StripCell& cell : m_cells) {
        cell.ElemText->setFocusPolicy(Qt::NoFocus);
        cell.ElemAud->setFocusPolicy(Qt::NoFocus);
    }
    m_scrollBar->setFocusPolicy(Qt::NoFocus);
    m_backAud->setFocusPolicy(Qt::StrongFocus);
    setTabOrder(this, m_backAud);
    m_focusMark = new FocusMark(slideBar());
}

void SlideStrip::selectSlide(int slide) {
    const int count = gProject.count();
    if (count == 0) {
        return;
    }
    gSelectedSlide = std::clamp(slide, 1, count);
    ensureVisible(gSelectedSlide);
    emit slideSelected(gSelectedSlide);
}

void SlideStrip::moveSelectedSlide(int step) {
    const int from = gSelectedSlide;
    const int to = from + step;
    if (from < 1 || to < 1 || to > gProject.count()) {
        return;
    }
    if (!moveElement(from, to)) {
        MsgBox(str::MoveFailed);
        return;
    }
    gProjectChanged = true;
    gSelectedSlide = to;
    ensureVisible(to);
    emit stripChanged();
}

QPoint SlideStrip::selectedCellCentre() const {
    if (gSelectedCell >= 0 && gSelectedCell < kCells) {
        const QWidget* element = cell(gSelectedCell).Element;
        return element->mapToGlobal(element->rect().center());
    }
    return mapToGlobal(rect().center());
}

void SlideStrip::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int slide = gSelectedSlide;
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right: {
            const int step = event->key() == Qt::Key_Left ? -1 : 1;
            if (ctrl) {
                moveSelectedSlide(step);
            } else {
                selectSlide(slide < 1 ? 1 : slide + step);
            }
            break;
        }
        case Qt::Key_Home:
            selectSlide(1);
            break;
        case Qt::Key_End:
            selectSlide(gProject.count());
            break;
        case Qt::Key_Delete:
            if (slide >= 1) {
                emit removeRequested(slide);
            }
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (slide >= 1) {
                emit editRequested(slide);
            }
            break;
        case Qt::Key_F10:
            if (!(event->modifiers() & Qt::ShiftModifier)) {
                QWidget::keyPressEvent(event);
                return;
            }
            [[fallthrough]];
        case Qt::Key_Menu:
            if (slide >= 1) {
                emit contextMenuSetup(slide);
                emit contextMenuRequested(slide, selectedCellCentre());
            }
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void SlideStrip::contextMenuEvent(QContextMenuEvent* event) {
    // A right click is handled on its release over a cell; only the menu
    // key comes here.
    if (event->reason() == QContextMenuEvent::Keyboard && gSelectedSlide >= 1) {
        emit contextMenuSetup(gSelectedSlide);
        emit contextMenuRequested(gSelectedSlide, selectedCellCentre());
    }
    event->accept();
}

void SlideStrip::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    updateFocusAndNames();
}

void SlideStrip::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    updateFocusAndNames();
}

void SlideStrip::updateFocusAndNames() {
    const int count = gProject.count();
    const MediaElement* selected = gProject.Item(gSelectedSlide);
    QString state =
        selected ? slideTitle(*selected, gSelectedSlide) : LoadResString(str::NoSlidesYet);
    if (selected && !selected->Caption.isEmpty()) {
        state += ": " + selected->Caption;
    }
    setAccessibleDescription(state + ".  " + LoadResString(str::SlideStripKeys));
    for (int c = 0; c < kCells; ++c) {
        const int k = slideInCell(c);
        const MediaElement* e = k > 0 ? gProject.Item(k) : nullptr;
        StripCell& cell = m_cells[static_cast<size_t>(c)];
        cell.Element->setAccessibleName(e ? slideTitle(*e, k) : QString());
        cell.Element->setAccessibleDescription(e ? e->Caption : QString());
    }
    if (m_focusMark == nullptr) {
        return;
    }
    if (!hasFocus() || count == 0) {
        m_focusMark->hide();
        return;
    }
    const QRect area = gSelectedCell >= 0 && gSelectedCell < kCells
                           ? kSelection.translated(cellLeft(gSelectedCell), 0)
                           : slideBar()->rect();
    m_focusMark->setGeometry(area.adjusted(0, 0, 0, 1));
    m_focusMark->show();
    m_focusMark->raise();
}

}  // namespace brindle
