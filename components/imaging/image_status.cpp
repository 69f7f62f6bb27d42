#include "components/imaging/image_status.h"

namespace brindle {

QString imageStatusText(ImageStatus status) {
    switch (status) {
        case ImageStatus::Ok:
            return QStringLiteral("done");
        case ImageStatus::NoImage:
            return QStringLiteral("no current image");
        case ImageStatus::FileNotFound:
            return QStringLiteral("file not found");
        case ImageStatus::NotReadable:
            return QStringLiteral("not a readable picture");
        case ImageStatus::UnsupportedFormat:
            return QStringLiteral("format not supported");
        case ImageStatus::InvalidArgument:
            return QStringLiteral("argument out of range");
        case ImageStatus::WriteFailed:
            return QStringLiteral("file could not be written");
    }
    return QStringLiteral("unknown status");
}

}  // namespace brindle
