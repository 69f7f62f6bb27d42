// A widget that shows one picture at a time, scaled to fit and centred with
// its aspect kept, on black.
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

    // Where the picture is drawn inside the widget.
    QRect pictureRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
};

}  // namespace brindle
