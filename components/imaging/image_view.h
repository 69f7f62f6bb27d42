// The visible image control: a widget that shows the picture of its own
// ImageControl and lets the user drag a rubber-band rectangle over it. The
// picture is fitted into the widget with its proportions kept and centred
// (or shown at its own size in the top-left corner); the display size is
// the size at which it appears, and the selection is measured in display
// pixels from the picture's top-left corner, so image pixels are display
// pixels times image size / display size.
#pragma once

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include "components/imaging/image_control.h"

namespace brindle {

class ImageView : public QWidget {
    Q_OBJECT
public:
    explicit ImageView(QWidget* parent);

    // The picture shown; every operation of the image control is here.
    ImageControl& control() { return m_control; }
    const ImageControl& control() const { return m_control; }

    // Fit the picture into the widget (the default), or show it unscaled.
    void setFitToWindow(bool fit);
    bool fitToWindow() const { return m_fit; }

    // Where the picture appears, in widget coordinates; empty without one.
    QRect displayRect() const;
    int displayWidth() const { return displayRect().width(); }
    int displayHeight() const { return displayRect().height(); }

    // The colour around the picture (0x00BBGGRR), also the natural fill for
    // rotations. White unless set.
    void setBackColor(quint32 color);
    quint32 backColor() const { return m_backColor; }

    // Whether changes to the picture show at once (the default) or only at
    // the next repaintImage().
    void setAutoRepaint(bool on) { m_autoRepaint = on; }
    void repaintImage() { update(); }

    // Rubber band: off unless enabled. A drag inside the picture draws it;
    // on release the selection becomes present when it has a width and a
    // height, and rubberBandFinished is emitted.
    void setRubberBandEnabled(bool on) { m_rubberBandEnabled = on; }
    bool rubberBandEnabled() const { return m_rubberBandEnabled; }
    bool selectionPresent() const { return m_selectionPresent; }
    void setSelectionPresent(bool present);
    QRect selection() const { return m_selection; }
    int selectionLeft() const { return m_selection.left(); }
    int selectionTop() const { return m_selection.top(); }
    int selectionWidth() const { return m_selection.width(); }
    int selectionHeight() const { return m_selection.height(); }

signals:
    void rubberBandFinished(const QRect& selection);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The point in display pixels, kept inside the picture.
    QPoint toDisplay(const QPoint& widgetPoint) const;
    void dragTo(const QPoint& widgetPoint);

    ImageControl m_control;
    bool m_fit = true;
    bool m_autoRepaint = true;
    bool m_rubberBandEnabled = false;
    bool m_dragging = false;
    bool m_selectionPresent = false;
    quint32 m_backColor = 0x00FFFFFF;
    QPoint m_anchor;
    QRect m_selection;
    QPixmap m_scaled;  // the picture at its display size
    qint64 m_scaledKey = 0;
};

}  // namespace brindle
