#include "app/present/seconds_text.h"

namespace brindle {

QString SecondsText(std::int32_t ms) {
    const std::int64_t value = ms;
    const std::int64_t magnitude = value < 0 ? -value : value;
    QString text = QString::number(magnitude / 1000);
    std::int64_t fraction = magnitude % 1000;
    if (fraction != 0) {
        int digits = 3;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        text += '.' + QString::number(fraction).rightJustified(digits, '0');
    }
    return value < 0 ? '-' + text : text;
}

}  // namespace brindle
