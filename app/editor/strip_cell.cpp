#include "app/editor/strip_cell.h"

#include "app/editor/slide_strip.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace brindle {

bool holdsLocalFiles(const QMimeData* mime) {
    if (!mime || !mime->hasUrls()) {
        return false;
    }
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            return true;
        }
    }
    return false;
}

StripElement::StripElement(SlideStrip* strip, int index, QWidget* parent)
    : ImageView(parent), m_strip(strip), m_index(index) {
    setAcceptDrops(true);
    setBackColor(0x00FFFFFF);
}

void StripElement::mousePressEvent(QMouseEvent* event) {
    m_strip->elementPressed(m_index, event->position().toPoint(), event->button());
    event->accept();
}

void StripElement::mouseMoveEvent(QMouseEvent* event) {
    m_strip->elementMoved(m_index, event->position().toPoint(), event->buttons());
    event->accept();
}

void StripElement::mouseReleaseEvent(QMouseEvent* event) {
    m_strip->elementReleased(m_index, event->globalPosition().toPoint(), event->button());
    event->accept();
}

void StripElement::dragEnterEvent(QDragEnterEvent* event) {
    if (m_strip->acceptsSlideDrag(event->mimeData())) {
        event->acceptProposedAction();
        m_strip->slideDragEntered(m_index);
    } else if (holdsLocalFiles(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void StripElement::dragMoveEvent(QDragMoveEvent* event) {
    if (m_strip->acceptsSlideDrag(event->mimeData()) || holdsLocalFiles(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void StripElement::dragLeaveEvent(QDragLeaveEvent* event) {
    m_strip->slideDragLeft();
    event->accept();
}

void StripElement::dropEvent(QDropEvent* event) {
    m_strip->slideDragLeft();
    if (m_strip->acceptsSlideDrag(event->mimeData())) {
        event->acceptProposedAction();
        m_strip->slideDropped(m_index, event->mimeData());
    } else if (m_strip->dropFiles(event->mimeData(),
                                  mapTo(m_strip->slideBar(), event->position().toPoint()))) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

SelectionMark::SelectionMark(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SelectionMark::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor mark = palette().color(QPalette::Highlight);
    QColor fill = mark;
    fill.setAlpha(40);
    p.setBrush(fill);
    p.setPen(QPen(mark, 3));
    p.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 6, 6);
}

SlideBarFrame::SlideBarFrame(SlideStrip* strip, QWidget* parent) : QFrame(parent), m_strip(strip) {
    setAcceptDrops(true);
    setFrameShape(QFrame::StyledPanel);
}

void SlideBarFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (holdsLocalFiles(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void SlideBarFrame::dragMoveEvent(QDragMoveEvent* event) {
    if (holdsLocalFiles(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void SlideBarFrame::dropEvent(QDropEvent* event) {
    if (m_strip->dropFiles(event->mimeData(), event->position().toPoint())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

}  // namespace brindle
