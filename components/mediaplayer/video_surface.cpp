#include "components/mediaplayer/video_surface.h"

#include <QPainter>

namespace brindle {

QRect aspectFit(const QSize& picture, const QRect& box) {
    if (picture.isEmpty() || box.isEmpty()) {
        return {};
    }
    const QSize fitted = picture.scaled(box.size(), Qt::KeepAspectRatio);
    return {box.x() + (box.width() - fitted.width()) / 2,
            box.y() + (box.height() - fitted.height()) / 2, fitted.width(), fitted.height()};
}

VideoSurface::VideoSurface(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

void VideoSurface::setImage(const QImage& image) {
    m_image = image;
    update();
}

void VideoSurface::clear() {
    m_image = QImage();
    update();
}

void VideoSurface::setScaled(bool on) {
    m_scaled = on;
    update();
}

QRect VideoSurface::pictureRect() const {
    if (!m_scaled && !m_image.isNull()) {
        const QSize size = m_image.size();
        return {(width() - size.width()) / 2, (height() - size.height()) / 2, size.width(),
                size.height()};
    }
    return aspectFit(m_image.size(), rect());
}

void VideoSurface::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (!m_image.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(pictureRect(), m_image);
    }
}

}  // namespace brindle
