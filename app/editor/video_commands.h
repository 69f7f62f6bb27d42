// The editor's Edit item for a clip slide: the clip edit dialog between
// dimming and undimming the editor, the strip redrawn after it.
#pragma once

namespace brindle {

// Edit for the selected slide when it is an AVI clip slide; false for a
// slide of another kind, which other dialogs edit.
bool editVideoSlideCommand();

}  // namespace brindle
