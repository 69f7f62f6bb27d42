// The slide's Save As command: the selected slide's medium saved under a
// name of the user's choice, as a copy or, for a clip saved as ".rm",
// encoded by the media encoder.
#pragma once

#include <QString>

namespace brindle {

void mnuContextSaveAs_Click();

}  // namespace brindle
