// "OK" of the text slide editor without its window: the timing, the two
// files in the temporary folder, then a new slide or the update of the
// edited one. brindle-cli adds its text slides through the same function.
#pragma once

#include "app/media/text_box_layout.h"
#include "app/media/text_slide_markup.h"

#include <QString>

#include <functional>

namespace brindle {

// Adds a new text slide made from the plain-text file (its markup file lies
// beside it) and answers its number, below 1 on failure. The editor
// registers createSlide; without one the slide is appended to gProject.
using TextSlideAdder = std::function<int(const QString& textFile)>;
void setTextSlideAdder(TextSlideAdder adder);

// The scratch files "realtext.rt" and "realtext.txt" in gTempFolder.
QString textMarkupScratch();
QString textPlainScratch();

struct TextSlideRequest {
    WrappedText wrapped;
    int visibleLines = 0;
    TextSlideLook look;
    // 0: a new slide; else the number of the slide being edited.
    int editedSlide = 0;
};

// Writes both files and adds or updates the slide. Answers the slide's
// number, 0 when nothing was changed (the message is already shown). An
// edited slide whose new files could not be stored keeps its old ones.
int saveTextSlide(const TextSlideRequest& request);

}  // namespace brindle
