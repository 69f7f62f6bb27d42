#include "components/zip/zip_result.h"

namespace brindle {

QString zipResultText(int code) {
    switch (code) {
        case ZipOk:
            return QStringLiteral("done");
        case ZipBadArgument:
            return QStringLiteral("missing or invalid setting");
        case ZipNothingListed:
            return QStringLiteral("no files to zip");
        case ZipCannotOpen:
            return QStringLiteral("archive cannot be opened");
        case ZipNotRecognised:
            return QStringLiteral("archive not recognised");
        case ZipMemberTooLarge:
            return QStringLiteral("member larger than declared");
        case ZipNoSpace:
            return QStringLiteral("not enough disk space");
        case ZipWriteFailed:
            return QStringLiteral("write failed");
        case ZipReadFailed:
            return QStringLiteral("read failed");
        case ZipWarning:
            return QStringLiteral("done with warnings");
        case ZipDuplicateName:
            return QStringLiteral("two files with the same name");
        default:
            return QStringLiteral("unknown result %1").arg(code);
    }
}

}  // namespace brindle
