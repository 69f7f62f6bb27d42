#include "player/realpix_canvas.h"

#include "player/presentation.h"

#include <QDir>
#include <QImageReader>
#include <QPainter>

#include <algorithm>

namespace brindle {
namespace {

constexpr int kMaxLayers = 64;

bool completeAt(const RealPixEffect& e, std::int64_t ms) {
    return ms >= e.startMs + e.durationMs;
}

double progressAt(const RealPixEffect& e, std::int64_t ms) {
    if (e.durationMs <= 0) {
        return 1.0;
    }
    return std::clamp(double(ms - e.startMs) / double(e.durationMs), 0.0, 1.0);
}

}  // namespace

RealPixCanvas::RealPixCanvas(std::shared_ptr<const RealPixDocument> doc, QString folder)
    : m_doc(std::move(doc)), m_folder(std::move(folder)) {
    m_initial = QImage(m_doc->width, m_doc->height, QImage::Format_ARGB32_Premultiplied);
    const QColor background = parseColor(m_doc->background);
    m_initial.fill(background.isValid() ? background : QColor(Qt::black));
    m_settled = m_initial;
    m_display = m_initial;
}

const QImage& RealPixCanvas::at(std::int64_t ms) {
    const auto& effects = m_doc->effects;
    // Going back before a settled effect's end starts again from the top.
    for (std::size_t i = 0; i < m_settledCount; ++i) {
        if (!completeAt(effects[i], ms)) {
            m_settled = m_initial;
            m_settledCount = 0;
            break;
        }
    }
    while (m_settledCount < effects.size() && completeAt(effects[m_settledCount], ms)) {
        apply(m_settled, effects[m_settledCount], 1.0);
        ++m_settledCount;
    }
    bool copied = false;
    for (std::size_t i = m_settledCount; i < effects.size() && effects[i].startMs <= ms; ++i) {
        if (!copied) {
            m_display = m_settled.copy();
            copied = true;
        }
        apply(m_display, effects[i], progressAt(effects[i], ms));
    }
    if (!copied) {
        m_display = m_settled;  // shared, not copied
    }
    return m_display;
}

const QImage& RealPixCanvas::layer(const RealPixEffect& e) {
    const QRect dst = e.dst.isEmpty() ? QRect(QPoint(0, 0), m_initial.size()) : e.dst;
    const bool aspect = e.aspect.value_or(m_doc->aspect);
    const QString key = QStringLiteral("%1:%2,%3,%4,%5:%6,%7,%8,%9:%10")
                            .arg(e.target)
                            .arg(dst.x())
                            .arg(dst.y())
                            .arg(dst.width())
                            .arg(dst.height())
                            .arg(e.src.x())
                            .arg(e.src.y())
                            .arg(e.src.width())
                            .arg(e.src.height())
                            .arg(aspect);
    auto found = m_layers.constFind(key);
    if (found != m_layers.constEnd()) {
        return *found;
    }
    if (!m_pictures.contains(e.target)) {
        QImage picture;
        const QString name = m_doc->images.value(e.target);
        if (!name.isEmpty()) {
            QImageReader reader(QDir(m_folder).filePath(name));
            picture = reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        }
        m_pictures.insert(e.target, picture);
    }
    QImage picture = m_pictures.value(e.target);
    if (!picture.isNull() && !e.src.isEmpty()) {
        picture = picture.copy(e.src.intersected(picture.rect()));
    }
    // The layer covers the destination: the picture scaled into it (its
    // aspect kept and centred on black when the rule says so); nothing is
    // drawn outside the destination.
    QImage layer(m_initial.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    if (!picture.isNull()) {
        QPainter p(&layer);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        if (aspect) {
            p.fillRect(dst, Qt::black);
            const QSize fitted = picture.size().scaled(dst.size(), Qt::KeepAspectRatio);
            const QRect r(dst.x() + (dst.width() - fitted.width()) / 2,
                          dst.y() + (dst.height() - fitted.height()) / 2, fitted.width(),
                          fitted.height());
            p.drawImage(r, picture);
        } else {
            p.drawImage(dst, picture);
        }
    }
    if (m_layers.size() >= kMaxLayers) {
        m_layers.clear();
    }
    return *m_layers.insert(key, layer);
}

void RealPixCanvas::apply(QImage& display, const RealPixEffect& e, double progress) {
    const QRect dst = e.dst.isEmpty() ? display.rect() : e.dst.intersected(display.rect());
    QPainter p(&display);
    switch (e.kind) {
        case RealPixEffect::Kind::Fill: {
            const QColor c = parseColor(e.color);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.fillRect(dst, c.isValid() ? c : QColor(Qt::transparent));
            break;
        }
        case RealPixEffect::Kind::FadeOut: {
            QColor c = parseColor(e.color);
            if (!c.isValid()) {
                c = Qt::black;
            }
            p.setOpacity(progress);
            p.fillRect(dst, c);
            break;
        }
        case RealPixEffect::Kind::FadeIn:
        case RealPixEffect::Kind::CrossFade: {
            const QImage& l = layer(e);
            if (progress >= 1.0) {
                p.setCompositionMode(QPainter::CompositionMode_Source);
                p.drawImage(dst, l, dst);
            } else {
                p.setOpacity(progress);
                p.drawImage(dst, l, dst);
            }
            break;
        }
        case RealPixEffect::Kind::Wipe: {
            // The new picture slides in from the side the wipe comes from.
            const QImage& l = layer(e);
            QRect shown = dst;
            const int w = static_cast<int>(dst.width() * progress);
            const int h = static_cast<int>(dst.height() * progress);
            if (e.direction == "right") {
                shown.setWidth(w);
            } else if (e.direction == "up") {
                shown.setTop(dst.bottom() + 1 - h);
            } else if (e.direction == "down") {
                shown.setHeight(h);
            } else {
                shown.setLeft(dst.right() + 1 - w);
            }
            p.setCompositionMode(QPainter::CompositionMode_Source);
            if (!shown.isEmpty()) {
                p.drawImage(shown, l, shown);
            }
            break;
        }
    }
}

}  // namespace brindle
