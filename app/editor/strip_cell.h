// The widgets the slide strip is made of: the thumbnail element of a cell
// (shows the picture, starts drags, takes drops), the selection mark, and
// the slide bar behind the cells that takes files dropped on the strip.
#pragma once

#include <QFrame>
#include <QRect>
#include <QWidget>

#include "components/imaging/image_view.h"

class QMimeData;

namespace brindle {

class SlideStrip;

// Cell geometry, in slide bar coordinates for cell 0; cell c lies
// c * kCellPitch further right.
namespace stripgeometry {
constexpr int kMargin = 6;
constexpr int kCellWidth = 112;
constexpr int kCellPitch = 116;
constexpr QRect kLabel(10, 3, 92, 16);
constexpr QRect kPictureBox(12, 24, 88, 62);  // the thumbnail's 88 x 62 box
constexpr QRect kFrame(10, 21, 96, 72);       // its well lies over the box
constexpr QRect kTextButton(26, 95, 28, 28);
constexpr QRect kAudButton(62, 95, 28, 28);
constexpr QRect kSelection(0, 0, 112, 124);
constexpr int kBarHeight = 126;
constexpr int kBarWidth = 2 * kMargin + 4 * kCellPitch + kCellWidth;
constexpr int kScrollBarHeight = 16;

// Where cell `c` starts inside the slide bar.
constexpr int cellLeft(int c) {
    return kMargin + c * kCellPitch;
}
}  // namespace stripgeometry

class StripElement : public ImageView {
    Q_OBJECT
public:
    StripElement(SlideStrip* strip, int index, QWidget* parent);
    int index() const { return m_index; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    SlideStrip* m_strip;
    int m_index;
};

// The mark around the selected cell (or the empty slot of an empty strip).
class SelectionMark : public QWidget {
public:
    explicit SelectionMark(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class SlideBarFrame : public QFrame {
    Q_OBJECT
public:
    SlideBarFrame(SlideStrip* strip, QWidget* parent);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    SlideStrip* m_strip;
};

// True when the data holds at least one local file.
bool holdsLocalFiles(const QMimeData* mime);

}  // namespace brindle
