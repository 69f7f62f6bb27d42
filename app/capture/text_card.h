// The picture of a text slide for its thumbnail: the slide's first screen
// of text as the presentation player shows it, in the slide's colours,
// font size and alignment, on a 320 x 240 card.
#pragma once

#include <QImage>
#include <QString>

namespace brindle {

// textFile is the slide's plain-text file, one wrapped line a line; the
// colours, font and alignment come from the RealText file beside it (same
// name, ".rt"): yellow on blue, left-aligned, when there is none. A text
// that scrolls is shown from its first line.
QImage drawTextCard(const QString& textFile);

// Pixel size at which the player draws a RealText font size 1..7.
int textCardPixelSize(int markupSize);

}  // namespace brindle
