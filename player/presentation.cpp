#include "player/presentation.h"

#include "components/mediaplayer/audio_decoder.h"
#include "components/mediaplayer/media_length.h"
#include "components/mediaplayer/video_decoder.h"
#include "player/smil_reader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QUrl>

#include <algorithm>
#include <limits>

namespace brindle {
namespace {

constexpr qint64 kMaxStreamBytes = 64 * 1024 * 1024;
constexpr std::int64_t kForever = std::numeric_limits<std::int64_t>::max();

std::optional<QByteArray> readFile(const QString& path, QString* error) {
    QFile f(path);
    if (!f.exists()) {
        *error = QStringLiteral("%1 is missing").arg(QFileInfo(path).fileName());
        return std::nullopt;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1 cannot be read").arg(QFileInfo(path).fileName());
        return std::nullopt;
    }
    if (f.size() > kMaxStreamBytes) {
        *error = QStringLiteral("%1 is too large").arg(QFileInfo(path).fileName());
        return std::nullopt;
    }
    return f.readAll();
}

// A length as the layout writes it: pixels, or a percentage of `whole`.
std::optional<int> lengthOf(const QString& text, int whole) {
    QString t = text.trimmed();
    if (t.isEmpty()) {
        return std::nullopt;
    }
    bool ok = false;
    if (t.endsWith('%')) {
        const double pct = t.chopped(1).toDouble(&ok);
        if (!ok) {
            return std::nullopt;
        }
        return static_cast<int>(std::clamp(pct, -1000.0, 1000.0) * whole / 100.0);
    }
    if (t.endsWith("px")) {
        t.chop(2);
    }
    const double v = t.toDouble(&ok);
    if (!ok) {
        return std::nullopt;
    }
    return static_cast<int>(std::clamp(v, -100000.0, 100000.0));
}

class Loader {
public:
    Loader(Presentation& p) : m_p(p) {}

    void placeRegions(const SmilDocument& doc) {
        // A root layout without a size takes the extent of its regions.
        QSize size(doc.width, doc.height);
        if (size.width() <= 0 || size.height() <= 0) {
            int w = 0;
            int h = 0;
            for (const SmilRegion& r : doc.regions) {
                w = std::max(w, lengthOf(r.left, 0).value_or(0) + lengthOf(r.width, 0).value_or(0));
                h = std::max(h, lengthOf(r.top, 0).value_or(0) + lengthOf(r.height, 0).value_or(0));
            }
            size = QSize(size.width() > 0 ? size.width() : (w > 0 ? w : 320),
                         size.height() > 0 ? size.height() : (h > 0 ? h : 240));
        }
        m_p.size = QSize(std::min(size.width(), 8192), std::min(size.height(), 8192));
        m_p.background = parseColor(doc.backgroundColor);
        if (!m_p.background.isValid()) {
            m_p.background = Qt::black;
        }
        int order = 0;
        for (const SmilRegion& r : doc.regions) {
            PresentationRegion pr;
            pr.id = r.id;
            const int left = lengthOf(r.left, m_p.size.width()).value_or(0);
            const int top = lengthOf(r.top, m_p.size.height()).value_or(0);
            const int width = lengthOf(r.width, m_p.size.width()).value_or(m_p.size.width() - left);
            const int height =
                lengthOf(r.height, m_p.size.height()).value_or(m_p.size.height() - top);
            pr.rect = QRect(left, top, std::max(width, 0), std::max(height, 0));
            pr.fit = r.fit;
            pr.zIndex = r.zIndex;
            pr.order = order++;
            pr.background = parseColor(r.backgroundColor);
            m_p.regions.push_back(pr);
        }
        std::stable_sort(m_p.regions.begin(), m_p.regions.end(),
                         [](const PresentationRegion& a, const PresentationRegion& b) {
                             return a.zIndex < b.zIndex;
                         });
    }

    // Resolves a node's times; answers its active end.
    std::int64_t resolve(const SmilNode& n, std::int64_t begin, std::int64_t base) {
        if (n.kind == SmilNode::Kind::Media) {
            PresentationItem item = load(n);
            std::int64_t dur = intrinsicMs(item);
            if (n.durMs) {
                dur = *n.durMs;
            } else if (n.endMs) {
                dur = std::max<std::int64_t>(0, base + *n.endMs - begin);
            }
            const bool freeze = n.fill == "freeze" ||
                                (n.fill.isEmpty() && item.kind == PresentationItem::Kind::Image &&
                                 !n.durMs && !n.endMs);
            item.beginMs = begin;
            item.activeEndMs = begin + dur;
            item.shownUntilMs = freeze ? kForever : item.activeEndMs;
            m_p.items.push_back(std::move(item));
            return begin + dur;
        }
        const std::size_t first = m_p.items.size();
        std::int64_t cursor = begin;
        std::int64_t latest = begin;
        for (const SmilNode& child : n.children) {
            const std::int64_t childBase = n.kind == SmilNode::Kind::Par ? begin : cursor;
            const std::int64_t childBegin = childBase + child.beginMs.value_or(0);
            const std::int64_t childEnd = resolve(child, childBegin, childBase);
            latest = std::max(latest, childEnd);
            cursor = std::max(childEnd, childBegin);
        }
        std::int64_t end = n.kind == SmilNode::Kind::Par ? latest : cursor;
        if (n.durMs) {
            end = begin + *n.durMs;
        } else if (n.endMs) {
            end = std::max(begin, base + *n.endMs);
        }
        for (std::size_t i = first; i < m_p.items.size(); ++i) {
            PresentationItem& item = m_p.items[i];
            item.activeEndMs = std::min(item.activeEndMs, end);
            item.shownUntilMs = std::min(item.shownUntilMs, end);
        }
        return end;
    }

private:
    static std::int64_t intrinsicMs(const PresentationItem& item) {
        switch (item.kind) {
            case PresentationItem::Kind::RealPix:
                return item.realPix->durationMs;
            case PresentationItem::Kind::RealText:
                return item.realText->durationMs;
            case PresentationItem::Kind::Video:
            case PresentationItem::Kind::Audio:
                return mediaLengthMs(item.path);
            case PresentationItem::Kind::Image:
            case PresentationItem::Kind::Broken:
                break;
        }
        return 0;
    }

    int regionIndex(const QString& id) const {
        for (std::size_t i = 0; i < m_p.regions.size(); ++i) {
            if (m_p.regions[i].id == id) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    PresentationItem load(const SmilNode& n) {
        PresentationItem item;
        item.tag = n.tag;
        item.region = regionIndex(n.region);
        QString src = n.src;
        if (src.startsWith("file:", Qt::CaseInsensitive)) {
            src = QUrl(src).toLocalFile();
        }
        src.replace('\\', '/');
        item.path = QFileInfo(src).isAbsolute() ? src : QDir(m_p.folder).filePath(src);
        const QString name =
            n.src.isEmpty() ? QStringLiteral("(no src) on line %1").arg(n.line) : n.src;
        if (n.src.isEmpty()) {
            m_p.problems << QStringLiteral("%1: an element names no stream").arg(name);
            return item;
        }
        QString error;
        QFile f(item.path);
        if (!f.exists()) {
            m_p.problems << QStringLiteral("%1 is missing").arg(n.src);
            return item;
        }
        QByteArray head;
        if (f.open(QIODevice::ReadOnly)) {
            head = f.read(512);
            f.close();
        }
        const QByteArray lowered = head.trimmed().toLower();
        if (n.tag != "audio" && lowered.contains("<imfl")) {
            loadRealPix(item, name);
        } else if (n.tag != "audio" && lowered.contains("<window")) {
            loadRealText(item, name);
        } else if (n.tag != "audio" && n.tag != "video" &&
                   !QImageReader(item.path).format().isEmpty()) {
            QImageReader reader(item.path);
            item.image = reader.read();
            if (item.image.isNull()) {
                m_p.problems
                    << QStringLiteral("%1 cannot be read: %2").arg(name, reader.errorString());
            } else {
                item.kind = PresentationItem::Kind::Image;
            }
        } else {
            loadMedia(item, n.tag, name);
        }
        return item;
    }

    void loadRealPix(PresentationItem& item, const QString& name) {
        QString error;
        const std::optional<QByteArray> bytes = readFile(item.path, &error);
        RealPixReadResult r = bytes ? readRealPix(*bytes) : RealPixReadResult{};
        if (!r.document) {
            m_p.problems << QStringLiteral("%1: %2").arg(name, bytes ? r.error : error);
            return;
        }
        item.kind = PresentationItem::Kind::RealPix;
        item.realPix = std::make_shared<RealPixDocument>(std::move(*r.document));
        const QString folder = QFileInfo(item.path).absolutePath();
        for (auto it = item.realPix->images.cbegin(); it != item.realPix->images.cend(); ++it) {
            if (!QFileInfo::exists(QDir(folder).filePath(it.value()))) {
                m_p.problems
                    << QStringLiteral("%1 (a picture of %2) is missing").arg(it.value(), name);
            }
        }
    }

    void loadRealText(PresentationItem& item, const QString& name) {
        QString error;
        const std::optional<QByteArray> bytes = readFile(item.path, &error);
        RealTextReadResult r = bytes ? readRealText(*bytes) : RealTextReadResult{};
        if (!r.document) {
            m_p.problems << QStringLiteral("%1: %2").arg(name, bytes ? r.error : error);
            return;
        }
        item.kind = PresentationItem::Kind::RealText;
        item.realText = std::make_shared<RealTextDocument>(std::move(*r.document));
    }

    void loadMedia(PresentationItem& item, const QString& tag, const QString& name) {
        AudioDecoder audio;
        item.hasAudio = audio.open(item.path);
        if (tag != "audio") {
            VideoDecoder video;
            if (video.open(item.path)) {
                item.kind = PresentationItem::Kind::Video;
                item.videoSize = video.size();
                return;
            }
        }
        if (item.hasAudio) {
            item.kind = PresentationItem::Kind::Audio;
            return;
        }
        m_p.problems
            << QStringLiteral("%1 cannot be played (not a sound or video that decodes)").arg(name);
    }

    Presentation& m_p;
};

}  // namespace

QColor parseColor(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.compare("transparent", Qt::CaseInsensitive) == 0) {
        return {};
    }
    QColor c = QColor::fromString(t);
    if (!c.isValid() && !t.startsWith('#')) {
        // Colours written as bare hex digits.
        c = QColor::fromString("#" + t);
    }
    return c;
}

QString resolvePlayerReference(const QString& path, QString* error) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != "rpm" && suffix != "ram") {
        return path;
    }
    const std::optional<QByteArray> bytes = readFile(path, error);
    if (!bytes) {
        return {};
    }
    for (QString line : QString::fromLatin1(*bytes).split('\n')) {
        line = line.trimmed();
        if (!line.startsWith("file:", Qt::CaseInsensitive)) {
            continue;
        }
        // "file:///" + the path exactly as it is: back-slashes are separators
        // and the path itself may begin with "/".
        QString local = line.mid(5).replace('\\', '/');
        while (local.startsWith("//")) {
            local.remove(0, 1);
        }
        if (QFileInfo::exists(local)) {
            return local;
        }
        const QString decoded = QUrl::fromPercentEncoding(local.toUtf8());
        if (QFileInfo::exists(decoded)) {
            return decoded;
        }
        *error = QStringLiteral("%1 points at %2, which is missing")
                     .arg(QFileInfo(path).fileName(), local);
        return {};
    }
    *error = QStringLiteral("%1 names no presentation (no file:// line)")
                 .arg(QFileInfo(path).fileName());
    return {};
}

PresentationLoad loadPresentation(const QString& path) {
    PresentationLoad result;
    QString error;
    const QString smilPath = resolvePlayerReference(path, &error);
    if (smilPath.isEmpty()) {
        result.error = error;
        return result;
    }
    const std::optional<QByteArray> bytes = readFile(smilPath, &error);
    if (!bytes) {
        result.error = error;
        return result;
    }
    SmilReadResult smil = readSmil(*bytes);
    if (!smil.document) {
        result.error = QStringLiteral("%1: %2").arg(QFileInfo(smilPath).fileName(), smil.error);
        return result;
    }
    Presentation p;
    p.smilPath = QFileInfo(smilPath).absoluteFilePath();
    p.folder = QFileInfo(smilPath).absolutePath();
    p.title = smil.document->title;
    Loader loader(p);
    loader.placeRegions(*smil.document);
    p.durationMs = loader.resolve(smil.document->body, 0, 0);
    for (PresentationItem& item : p.items) {
        item.shownUntilMs = std::min(item.shownUntilMs, p.durationMs);
    }
    result.presentation = std::move(p);
    return result;
}

}  // namespace brindle
