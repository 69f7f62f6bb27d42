// Results of the image control's operations.
#pragma once

#include <QString>

namespace brindle {

enum class ImageStatus {
    Ok = 0,
    NoImage,            // the operation needs a current image and there is none
    FileNotFound,       // the file to load does not exist or is not a plain file
    NotReadable,        // not a picture in a known format, or damaged
    UnsupportedFormat,  // a file format code or bit depth this control does not write
    InvalidArgument,    // a size, rectangle, amount or quality factor out of range
    WriteFailed,        // the file could not be written
};

// A short English description, for logs and tests.
QString imageStatusText(ImageStatus status);

}  // namespace brindle
