#include "player/realpix_reader.h"

#include "player/clock_value.h"
#include "player/markup_scanner.h"

#include <algorithm>

namespace brindle {
namespace {

constexpr int kMaxSide = 8192;
constexpr std::size_t kMaxEffects = 100000;

int toInt(const QString& text, int fallback) {
    bool ok = false;
    const int v = text.toInt(&ok);
    return ok ? v : fallback;
}

bool toBool(const QString& text, bool fallback) {
    const QString t = text.toLower();
    if (t == "true" || t == "1" || t == "yes") {
        return true;
    }
    if (t == "false" || t == "0" || t == "no") {
        return false;
    }
    return fallback;
}

QRect rectOf(const markup::Token& t, const char* prefix) {
    const QString p = QString::fromLatin1(prefix);
    const int x = std::clamp(toInt(t.attr(p + "x"), 0), 0, kMaxSide);
    const int y = std::clamp(toInt(t.attr(p + "y"), 0), 0, kMaxSide);
    const int w = std::clamp(toInt(t.attr(p + "w"), 0), 0, kMaxSide);
    const int h = std::clamp(toInt(t.attr(p + "h"), 0), 0, kMaxSide);
    return w > 0 && h > 0 ? QRect(x, y, w, h) : QRect();
}

}  // namespace

RealPixReadResult readRealPix(const QByteArray& bytes) {
    RealPixReadResult result;
    markup::Scanner scanner(markup::decodeFileText(bytes));
    RealPixDocument doc;
    bool inImfl = false;
    bool milliseconds = false;
    for (markup::Token t = scanner.next(); t.kind != markup::Token::Kind::End; t = scanner.next()) {
        if (t.kind != markup::Token::Kind::Open) {
            continue;
        }
        if (t.name == "imfl") {
            inImfl = true;
            continue;
        }
        if (!inImfl) {
            continue;
        }
        if (t.name == "head") {
            milliseconds = t.attr("timeformat").compare("milliseconds", Qt::CaseInsensitive) == 0;
            doc.durationMs = parseStreamTime(t.attr("duration"), milliseconds).value_or(0);
            doc.width = std::clamp(toInt(t.attr("width"), doc.width), 1, kMaxSide);
            doc.height = std::clamp(toInt(t.attr("height"), doc.height), 1, kMaxSide);
            doc.aspect = toBool(t.attr("aspect"), true);
            doc.background = t.attr("background-color");
            continue;
        }
        if (t.name == "image") {
            bool ok = false;
            const int handle = t.attr("handle").toInt(&ok);
            if (ok && !t.attr("name").isEmpty()) {
                doc.images.insert(handle, t.attr("name"));
            }
            continue;
        }
        RealPixEffect e;
        if (t.name == "fill") {
            e.kind = RealPixEffect::Kind::Fill;
        } else if (t.name == "fadein") {
            e.kind = RealPixEffect::Kind::FadeIn;
        } else if (t.name == "fadeout") {
            e.kind = RealPixEffect::Kind::FadeOut;
        } else if (t.name == "crossfade") {
            e.kind = RealPixEffect::Kind::CrossFade;
        } else if (t.name == "wipe") {
            e.kind = RealPixEffect::Kind::Wipe;
        } else {
            continue;  // viewchange, animate and the like change nothing here
        }
        const std::optional<std::int64_t> start = parseStreamTime(t.attr("start"), milliseconds);
        if (!start || doc.effects.size() >= kMaxEffects) {
            continue;
        }
        e.startMs = *start;
        e.durationMs = parseStreamTime(t.attr("duration"), milliseconds).value_or(0);
        e.target = toInt(t.attr("target"), 0);
        e.color = t.attr("color");
        e.dst = rectOf(t, "dst");
        e.src = rectOf(t, "src");
        if (t.attrs.contains("aspect")) {
            e.aspect = toBool(t.attr("aspect"), doc.aspect);
        }
        e.direction = t.attr("direction").toLower();
        doc.effects.push_back(e);
    }
    if (!inImfl) {
        result.error = QStringLiteral("this is not a RealPix file (no <imfl>)");
        return result;
    }
    std::stable_sort(
        doc.effects.begin(), doc.effects.end(),
        [](const RealPixEffect& a, const RealPixEffect& b) { return a.startMs < b.startMs; });
    result.document = std::move(doc);
    return result;
}

}  // namespace brindle
