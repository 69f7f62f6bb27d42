// Where the pictures, sounds and pages that ship with the program are found.
#pragma once

#include <QString>

namespace brindle {

// The full name of a file that ships with the program ("deckopen.wav",
// "Bin/vidback.jpg"; a leading "/" is allowed). Looked for in
// $BRINDLE_RESOURCES_DIR when set, beside the program (the build's bin
// folder), then in the installed data folder (<prefix>/share/brindle). When
// none holds it, the name beside the program, so that the caller's own
// handling of a missing file applies.
QString resourcePath(const QString& name);

}  // namespace brindle
