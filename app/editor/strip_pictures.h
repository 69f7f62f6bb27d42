// The pictures of the slide strip: cell frames, caption and audio button
// states and the background track button states.
#pragma once

#include <QIcon>
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

// A short name for the picture ("frame", "caption-present"...), for tests
// and logs.
QString stripPictureName(StripPicture picture);

// The picture: the file that ships with the program ("frame.png",
// "caption_text_set.png"...), or a drawing of the same size when the file
// is missing; made once and kept. Sizes: frames 96 x 72 with the thumbnail
// well at (2, 3) (video: the 80-wide well at (6, 4)), buttons 24 x 24.
QPixmap stripPicture(StripPicture picture);
// The picture as a button icon, with the shipped disabled look.
QIcon stripIcon(StripPicture picture);

}  // namespace brindle
