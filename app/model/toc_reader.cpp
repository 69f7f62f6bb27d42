// Reading the table of contents into plain values. Nothing here touches
// the project or the disk, so any bytes can be read safely.
#include "app/model/settings.h"
#include "app/model/toc_format.h"
#include "components/zip/member_names.h"

#include <QStringDecoder>

#include <algorithm>
#include <limits>

namespace brindle {
namespace {

std::int32_t int32Of(const QString& value) {
    return nearestInt(leadingNumber(value));
}

std::int16_t int16Of(const QString& value) {
    return static_cast<std::int16_t>(
        std::clamp<std::int32_t>(int32Of(value), std::numeric_limits<std::int16_t>::min(),
                                 std::numeric_limits<std::int16_t>::max()));
}

}  // namespace

QString decodeTocText(const QByteArray& bytes) {
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF")) {
        view = view.sliced(3);
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(view);
    if (!utf8.hasError()) {
        return text;
    }
    return zipnames::decodeWindows1252(bytes);
}

QStringList tocLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != '\r' && c != '\n') {
            continue;
        }
        lines.append(text.mid(start, i - start));
        if (c == '\r' && i + 1 < n && text[i + 1] == '\n') {
            ++i;
        }
        start = i + 1;
    }
    if (start < n) {
        lines.append(text.mid(start));
    }
    return lines;
}

QString tocValue(const QString& line) {
    const qsizetype at = line.indexOf(QLatin1String(":="));
    return at < 0 ? line.mid(1) : line.mid(at + 2);
}

QString tocFileValue(const QString& value) {
    const qsizetype cut = std::max(value.lastIndexOf('/'), value.lastIndexOf('\\'));
    const QString name = value.mid(cut + 1);
    if (name == QLatin1String(".") || name == QLatin1String("..")) {
        return {};
    }
    return name;
}

TocContents parseToc(const QByteArray& bytes) {
    const QStringList lines = tocLines(decodeTocText(bytes));
    qsizetype next = 0;
    auto take = [&]() -> QString {
        return next < lines.size() ? tocValue(lines[next++]) : (++next, QString());
    };
    TocContents toc;
    toc.videosUsed = int32Of(take());
    toc.snapshotsUsed = int32Of(take());
    toc.imagesUsed = int32Of(take());
    toc.textUsed = int32Of(take());
    toc.soundsUsed = int32Of(take());
    toc.backTrack = tocFileValue(take());
    while (next < lines.size()) {
        TocSlide s;
        s.Index = int32Of(take());
        s.mediaType = int16Of(take());
        s.Filename = tocFileValue(take());
        s.InfoFilename = tocFileValue(take());
        s.Sound = tocFileValue(take());
        s.Caption = take();
        s.Duration = int32Of(take());
        s.AudioDuration = int32Of(take());
        s.Thumbnail = tocFileValue(take());
        s.FontName = take();
        s.Alignment = int16Of(take());
        s.PointSize = int16Of(take());
        s.ForeColor = int32Of(take());
        s.BackColor = int32Of(take());
        s.SoundType = int16Of(take());
        s.VideoType = int16Of(take());
        toc.slides.push_back(std::move(s));
    }
    return toc;
}

}  // namespace brindle
