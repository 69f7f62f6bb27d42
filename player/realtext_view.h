// Lays out a RealText stream in its window once and paints what is shown at
// a time: the text that has begun since the last clear, scrolled up at the
// window's rate.
#pragma once

#include "player/realtext_reader.h"

#include <QColor>
#include <QFont>
#include <QPainter>

#include <cstdint>
#include <memory>
#include <vector>

namespace brindle {

class RealTextView {
public:
    RealTextView(std::shared_ptr<const RealTextDocument> doc, QSize window);

    QSize size() const { return m_size; }

    // Paints the window at `ms` from the stream's start into (0, 0, size()).
    void paint(QPainter& p, std::int64_t ms) const;

private:
    struct Fragment {
        QString text;
        QFont font;
        QColor color;
        QPointF baseline;  // in window pixels, before scrolling
        std::int64_t beginMs = 0;
        std::int64_t endMs = 0;
        std::int64_t clearedMs = 0;  // when a later clear removes it
    };
    void layout();

    std::shared_ptr<const RealTextDocument> m_doc;
    QSize m_size;
    QColor m_background;
    QColor m_color;
    std::vector<Fragment> m_fragments;
};

}  // namespace brindle
