#include "player/clock_value.h"

#include <QStringList>

#include <cmath>

namespace brindle {
namespace {

std::optional<std::int64_t> toMs(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0 || seconds * 1000.0 > double(kMaxTimeMs)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(std::llround(seconds * 1000.0));
}

std::optional<double> number(const QString& text) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    for (const QChar c : text) {
        if (!c.isDigit() && c != '.') {
            return std::nullopt;
        }
    }
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

// "h:m:s", "m:s" or "s", each part a number; weights from the right.
std::optional<double> colonSeconds(const QString& text, int maxParts) {
    const QStringList parts = text.split(':');
    if (parts.size() > maxParts) {
        return std::nullopt;
    }
    static constexpr double kWeights[] = {1, 60, 3600, 86400};
    double total = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const std::optional<double> v = number(parts[parts.size() - 1 - i].trimmed());
        if (!v) {
            return std::nullopt;
        }
        total += *v * kWeights[i];
    }
    return total;
}

}  // namespace

std::optional<std::int64_t> parseClockValue(const QString& raw) {
    QString text = raw.trimmed().toLower();
    if (text.startsWith("npt=")) {
        text = text.mid(4);
    }
    if (text.isEmpty()) {
        return std::nullopt;
    }
    if (text.contains(':')) {
        if (const std::optional<double> s = colonSeconds(text, 3)) {
            return toMs(*s);
        }
        return std::nullopt;
    }
    struct Unit {
        const char* suffix;
        double seconds;
    };
    static constexpr Unit kUnits[] = {{"ms", 0.001}, {"min", 60}, {"h", 3600}, {"s", 1}};
    for (const Unit& u : kUnits) {
        if (text.endsWith(u.suffix)) {
            if (const std::optional<double> v = number(text.chopped(qstrlen(u.suffix)).trimmed())) {
                return toMs(*v * u.seconds);
            }
            return std::nullopt;
        }
    }
    if (const std::optional<double> v = number(text)) {
        return toMs(*v);
    }
    return std::nullopt;
}

std::optional<std::int64_t> parseStreamTime(const QString& raw, bool milliseconds) {
    QString text = raw.trimmed().toLower();
    if (milliseconds) {
        if (const std::optional<double> v = number(text)) {
            return toMs(*v / 1000.0);
        }
        return std::nullopt;
    }
    if (text.endsWith('s') && !text.contains(':')) {
        text.chop(1);
    }
    if (const std::optional<double> s = colonSeconds(text, 4)) {
        return toMs(*s);
    }
    return std::nullopt;
}

}  // namespace brindle
