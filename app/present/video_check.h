// Whether a video file can be used as a slide: it must open in the clip
// edit control that the editor window hosts, and its first frame must
// decode.
#pragma once

#include <QString>

namespace brindle {

namespace dispatch {
class ControlHost;
}

// Asks the editor's clip edit control (`klipvane`). False without checking
// when the control already has a file open for someone else. The control is
// left without a file afterwards, whatever the answer, so a rejected file
// never blocks the next check.
bool isGoodVideo(dispatch::ControlHost& klipvane, const QString& path);

// Answers the model's media checks (app/model/media_check.h) with the
// project view's clip edit control and the media playback code's length.
void installVideoChecks();

}  // namespace brindle
