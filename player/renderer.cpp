#include "player/renderer.h"

#include "components/mediaplayer/video_decoder.h"
#include "components/mediaplayer/video_surface.h"
#include "player/realpix_canvas.h"
#include "player/realtext_view.h"

#include <QFileInfo>
#include <QPainter>

#include <algorithm>

namespace brindle {

QRectF fitContent(const QSizeF& content, const QRectF& region, const QString& fit) {
    if (content.isEmpty()) {
        return {};
    }
    if (fit == "fill") {
        return region;
    }
    if (fit == "meet" || fit == "slice") {
        const double sx = region.width() / content.width();
        const double sy = region.height() / content.height();
        const double s = fit == "meet" ? std::min(sx, sy) : std::max(sx, sy);
        return {region.topLeft(), content * s};
    }
    return {region.topLeft(), content};
}

Renderer::Renderer(const Presentation& presentation) : m_p(presentation) {}

Renderer::~Renderer() = default;

QImage Renderer::render(std::int64_t ms, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    render(ms, image);
    return image;
}

void Renderer::render(std::int64_t ms, QImage& target) {
    // At and after the end the last picture stays.
    ms = std::clamp<std::int64_t>(ms, 0, m_p.durationMs);
    QPainter p(&target);
    p.fillRect(target.rect(), Qt::black);
    const QRect area = aspectFit(m_p.size, target.rect());
    if (area.isEmpty()) {
        return;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setClipRect(area);
    p.translate(area.topLeft());
    p.scale(double(area.width()) / m_p.size.width(), double(area.height()) / m_p.size.height());
    const QRect root(QPoint(0, 0), m_p.size);
    p.fillRect(root, m_p.background);

    auto drawRegion = [&](int regionIndex, const QRect& rect, const QString& fit,
                          const QColor& background) {
        p.save();
        p.setClipRect(rect, Qt::IntersectClip);
        if (background.isValid()) {
            p.fillRect(rect, background);
        }
        for (std::size_t i = 0; i < m_p.items.size(); ++i) {
            const PresentationItem& item = m_p.items[i];
            if (item.region != regionIndex || !item.isVisual()) {
                continue;
            }
            // What is shown to the end stays at the end itself.
            const bool toTheEnd = item.shownUntilMs == m_p.durationMs && ms == m_p.durationMs;
            if (ms < item.beginMs || (ms >= item.shownUntilMs && !toTheEnd)) {
                continue;
            }
            // Frozen after its active end: the last picture stays.
            const std::int64_t local =
                std::min(ms, std::max(item.activeEndMs - 1, item.beginMs)) - item.beginMs;
            drawItem(p, i, rect, fit, local);
        }
        p.restore();
    };
    // Elements without a known region play in the whole root layout, under
    // the regions.
    drawRegion(-1, root, QStringLiteral("hidden"), QColor());
    for (std::size_t r = 0; r < m_p.regions.size(); ++r) {
        const PresentationRegion& region = m_p.regions[r];
        drawRegion(static_cast<int>(r), region.rect, region.fit, region.background);
    }
}

void Renderer::drawItem(QPainter& p, std::size_t index, const QRect& region, const QString& fit,
                        std::int64_t localMs) {
    const PresentationItem& item = m_p.items[index];
    switch (item.kind) {
        case PresentationItem::Kind::RealPix: {
            auto& canvas = m_realPix[index];
            if (!canvas) {
                canvas = std::make_unique<RealPixCanvas>(item.realPix,
                                                         QFileInfo(item.path).absolutePath());
            }
            const QImage& picture = canvas->at(localMs);
            p.drawImage(fitContent(picture.size(), region, fit), picture);
            break;
        }
        case PresentationItem::Kind::RealText: {
            auto& view = m_realText[index];
            if (!view) {
                view = std::make_unique<RealTextView>(item.realText, region.size());
            }
            const QRectF r = fitContent(view->size(), region, fit);
            if (r.isEmpty()) {
                break;
            }
            p.save();
            p.translate(r.topLeft());
            p.scale(r.width() / view->size().width(), r.height() / view->size().height());
            view->paint(p, localMs);
            p.restore();
            break;
        }
        case PresentationItem::Kind::Video: {
            auto& video = m_video[index];
            if (!video) {
                video = std::make_unique<VideoDecoder>();
                video->open(item.path);
            }
            const QImage frame = video->frameAt(localMs);
            if (!frame.isNull()) {
                p.drawImage(fitContent(frame.size(), region, fit), frame);
            }
            break;
        }
        case PresentationItem::Kind::Image:
            p.drawImage(fitContent(item.image.size(), region, fit), item.image);
            break;
        case PresentationItem::Kind::Audio:
        case PresentationItem::Kind::Broken:
            break;
    }
}

}  // namespace brindle

namespace brindle {

void Renderer::collectChanges() {
    m_changesKnown = true;
    auto instant = [this](std::int64_t t) { m_instants.push_back(t); };
    for (const PresentationItem& item : m_p.items) {
        if (!item.isVisual()) {
            continue;
        }
        const std::int64_t b = item.beginMs;
        const std::int64_t e = item.shownUntilMs;
        instant(b);
        instant(e);
        instant(item.activeEndMs);
        switch (item.kind) {
            case PresentationItem::Kind::RealPix:
                for (const RealPixEffect& fx : item.realPix->effects) {
                    instant(b + fx.startMs);
                    if (fx.durationMs > 0) {
                        m_spans.emplace_back(b + fx.startMs, b + fx.startMs + fx.durationMs);
                    }
                }
                break;
            case PresentationItem::Kind::RealText:
                if (item.realText->scrolls()) {
                    m_spans.emplace_back(b, e);
                }
                for (const RealTextItem& t : item.realText->items) {
                    instant(b + t.beginMs);
                    if (t.endMs) {
                        instant(b + *t.endMs);
                    }
                }
                break;
            case PresentationItem::Kind::Video:
                m_spans.emplace_back(b, e);
                break;
            default:
                break;
        }
    }
    std::sort(m_instants.begin(), m_instants.end());
}

bool Renderer::unchangedBetween(std::int64_t fromMs, std::int64_t toMs) {
    if (!m_changesKnown) {
        collectChanges();
    }
    if (fromMs > toMs) {
        std::swap(fromMs, toMs);
    }
    fromMs = std::clamp<std::int64_t>(fromMs, 0, m_p.durationMs);
    toMs = std::clamp<std::int64_t>(toMs, 0, m_p.durationMs);
    // Any change at a time in (from, to] shows at `to`; the end itself is a
    // change too, as what is removed there stays drawn at the end.
    const auto it = std::upper_bound(m_instants.begin(), m_instants.end(), fromMs);
    if (it != m_instants.end() && *it <= toMs) {
        return false;
    }
    for (const auto& [a, b] : m_spans) {
        if (a <= toMs && fromMs < b) {
            return false;
        }
    }
    return true;
}

}  // namespace brindle
