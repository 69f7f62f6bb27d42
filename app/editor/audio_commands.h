// The editor's two sound commands: the selected slide's audio caption and
// the project's background track, both through the audio recording dialog.
#pragma once

namespace brindle {

void mnuAudio_Click();
void mnuBackTrack_Click();

}  // namespace brindle
