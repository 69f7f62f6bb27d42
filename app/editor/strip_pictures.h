// The pictures of the slide strip: cell frames, caption and audio button
// states and the background track button states.
#pragma once

#include <QPixmap>
#include <QString>

namespace brindle {

enum class StripPicture {
    Frame,           // frame of a picture or text slide
    VideoFrame,      // frame of a video slide
    TextCaption,     // the slide has a text caption
    NoTextCaption,   // it has none
    AudioCaption,    // the slide has an audio caption
    NoAudioCaption,  // it has none
    VideoEdit,       // second button of a video slide
    BackTrack,       // the project has a background track
    NoBackTrack,     // it has none
};

// A short name for the picture ("frame", "caption-present"...), also the
// stem of the picture file that may replace the drawn one.
QString stripPictureName(StripPicture picture);

// The picture, drawn once and kept. Sizes: frames 104 x 74, caption and
// audio buttons 24 x 18, background track button 48 x 48.
QPixmap stripPicture(StripPicture picture);

}  // namespace brindle
