// Draws a presentation at a time: the root background, then each region in
// z order with its background and the elements shown in it, each scaled by
// the region's fit rule. The window, --frame and --export all draw with it.
#pragma once

#include "player/presentation.h"

#include <QImage>

#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace brindle {

class RealPixCanvas;
class RealTextView;
class VideoDecoder;

class Renderer {
public:
    explicit Renderer(const Presentation& presentation);
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // Draws the presentation at `ms` into the whole image; a size of another
    // aspect than the root layout's shows it centred on black.
    void render(std::int64_t ms, QImage& target);
    QImage render(std::int64_t ms, QSize size);

    // True when the pictures at the two times are certainly the same:
    // nothing begins, ends, fades, scrolls or plays between them.
    bool unchangedBetween(std::int64_t fromMs, std::int64_t toMs);

private:
    void drawItem(QPainter& p, std::size_t index, const QRect& region, const QString& fit,
                  std::int64_t localMs);

    void collectChanges();

    const Presentation& m_p;
    bool m_changesKnown = false;
    std::vector<std::int64_t> m_instants;                        // sorted
    std::vector<std::pair<std::int64_t, std::int64_t>> m_spans;  // moving [from, to)
    std::map<std::size_t, std::unique_ptr<RealPixCanvas>> m_realPix;
    std::map<std::size_t, std::unique_ptr<RealTextView>> m_realText;
    std::map<std::size_t, std::unique_ptr<VideoDecoder>> m_video;
};

// Where content of a natural size lands in a region under a fit rule
// ("fill", "meet", "slice", "hidden"): fill stretches, meet and slice keep
// the aspect (inside, covering), hidden keeps the size; all from the
// region's top left corner.
QRectF fitContent(const QSizeF& content, const QRectF& region, const QString& fit);

}  // namespace brindle
