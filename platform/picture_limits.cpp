#include "platform/picture_limits.h"

#include <QImageReader>

namespace brindle {

void setPictureMemoryLimit() {
    QImageReader::setAllocationLimit(kPictureMemoryLimitMb);
}

}  // namespace brindle
