#include "app/model/media_check.h"

namespace brindle {
namespace {

MediaChecks& installed() {
    static MediaChecks checks;
    return checks;
}

}  // namespace

void setMediaChecks(MediaChecks checks) {
    installed() = std::move(checks);
}

bool checkVideo(const QString& path) {
    return installed().isGoodVideo ? installed().isGoodVideo(path) : false;
}

std::int64_t checkLengthMs(const QString& path) {
    return installed().lengthMs ? installed().lengthMs(path) : 0;
}

}  // namespace brindle
