// A widget that shows one picture at a time, scaled to fit and centred with
// its aspect kept (or at its own size, centred), on black.
#pragma once

#include <QImage>
#include <QWidget>

namespace brindle {

// The largest rectangle of the picture's aspect inside the box, centred.
QRect aspectFit(const QSize& picture, const QRect& box);

class VideoSurface : public QWidget {
    Q_OBJECT
public:
    explicit VideoSurface(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    const QImage& image() const { return m_image; }
    void clear();

    // Whether the picture is scaled to fit the widget (the default) or
    // shown at its own size, centred.
    void setScaled(bool on);
    bool scaled() const { return m_scaled; }

    // Where the picture is drawn inside the widget.
    QRect pictureRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    bool m_scaled = true;
};

}  // namespace brindle
