// The picture of a text slide for its thumbnail: a 320 x 240 card in the
// slide's colours with its first line of text.
#pragma once

#include <QImage>
#include <QString>

namespace brindle {

// textFile is the slide's plain-text file; its colours, font and alignment
// come from the RealText file beside it (same name, ".rt"), yellow on blue,
// left-aligned, when there is none.
QImage drawTextCard(const QString& textFile);

}  // namespace brindle
