// The picture a RealPix stream shows at a time: its effects applied in order
// onto a display of the head's size, with the completed ones kept so that
// playing forward applies each effect once.
#pragma once

#include "player/realpix_reader.h"

#include <QHash>
#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>

namespace brindle {

class RealPixCanvas {
public:
    // `folder` is where the stream's picture names are found.
    RealPixCanvas(std::shared_ptr<const RealPixDocument> doc, QString folder);

    QSize size() const { return m_display.size(); }

    // The display at `ms` from the stream's start (premultiplied ARGB).
    const QImage& at(std::int64_t ms);

private:
    void apply(QImage& display, const RealPixEffect& e, double progress);
    // The picture of a handle laid out on a display-sized layer for an
    // effect (scaled with the aspect rule into the destination), cached.
    const QImage& layer(const RealPixEffect& e);

    std::shared_ptr<const RealPixDocument> m_doc;
    QString m_folder;
    QImage m_initial;
    QImage m_settled;  // display after effects [0, m_settledCount) completed
    std::size_t m_settledCount = 0;
    QImage m_display;               // the answer of the last at()
    QHash<int, QImage> m_pictures;  // decoded pictures by handle (null: unreadable)
    QHash<QString, QImage> m_layers;
};

}  // namespace brindle
