// The dispatch contract of the zip component: the ids of the members the
// program uses. Header only, so callers name the members without linking
// the component.
#pragma once

namespace brindle::zipids {
enum Member : int {
    DispArchiveName = 100,  // property: the archive to write or read
    DispSwitch201 = 201,    // property (Boolean): false for zip and unzip
    DispDestination = 203,  // property: the folder unzip extracts into
    DispFileList = 300,     // property: the files to zip; "" empties it
    DispSwitch310 = 310,    // property (Boolean): true to zip, false to unzip
    DispLevel = 400,        // property: deflate level 0..9
    DispAddFile = 3000,     // method (path): adds a file to the list
    DispZip = 3103,         // method: packs the list, answers a result code
    DispUnzip = 3104,       // method: unpacks the archive, answers a result code
};
}  // namespace brindle::zipids
