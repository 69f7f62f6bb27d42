#include "app/present/slide_timing.h"

#include "app/model/project.h"

namespace brindle {

QVariant calculateSlideDuration(std::int16_t index) {
    const MediaElement* slide = gProject.Item(static_cast<int>(index));
    if (!slide) {
        return {};
    }
    const std::int32_t duration =
        slide->Duration < slide->AudioDuration ? slide->AudioDuration : slide->Duration;
    return QVariant::fromValue<std::int32_t>(duration);
}

std::int32_t slideStartMs(int first, int index) {
    std::int32_t start = 0;
    for (int i = first; i < index; ++i) {
        start += calculateSlideDuration(static_cast<std::int16_t>(i)).toInt();
    }
    return start;
}

std::int32_t presentationTotalMs(int first, int last) {
    std::int32_t total = 0;
    for (int i = first; i <= last; ++i) {
        total += calculateSlideDuration(static_cast<std::int16_t>(i)).toInt();
    }
    if (!gBackTrack.isEmpty() && gBackTrackDuration > total) {
        total = gBackTrackDuration;
    }
    return total;
}

}  // namespace brindle
