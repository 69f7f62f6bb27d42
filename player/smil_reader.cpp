#include "player/smil_reader.h"

#include "player/clock_value.h"
#include "player/markup_scanner.h"

#include <QXmlStreamReader>

#include <algorithm>

namespace brindle {
namespace {

// Bounds that keep a hostile file from exhausting the stack or memory.
constexpr int kMaxDepth = 64;
constexpr int kMaxElements = 20000;

bool isMedia(QStringView name) {
    return name == u"audio" || name == u"video" || name == u"textstream" || name == u"ref" ||
           name == u"img" || name == u"text" || name == u"animation";
}

QString attr(const QXmlStreamAttributes& a, const char* name) {
    for (const QXmlStreamAttribute& x : a) {
        if (x.name().compare(QLatin1String(name), Qt::CaseInsensitive) == 0) {
            return x.value().toString().trimmed();
        }
    }
    return {};
}

int toInt(const QString& text, int fallback) {
    bool ok = false;
    const int v = QString(text).remove("px").trimmed().toInt(&ok);
    return ok ? v : fallback;
}

class Reader {
public:
    explicit Reader(const QByteArray& bytes) : m_xml(markup::decodeFileText(bytes)) {}

    SmilReadResult read() {
        SmilReadResult result;
        SmilDocument doc;
        doc.body.kind = SmilNode::Kind::Seq;
        bool sawRoot = false;
        while (!m_xml.atEnd()) {
            if (m_xml.readNext() != QXmlStreamReader::StartElement) {
                continue;
            }
            if (m_xml.name().compare(u"smil", Qt::CaseInsensitive) != 0) {
                result.error =
                    QStringLiteral("line %1: this is not a SMIL file (it starts with <%2>)")
                        .arg(m_xml.lineNumber())
                        .arg(m_xml.name().toString());
                return result;
            }
            sawRoot = true;
            readSmilElement(doc);
            break;
        }
        if (m_xml.hasError()) {
            result.error =
                QStringLiteral("line %1: %2").arg(m_xml.lineNumber()).arg(m_xml.errorString());
            return result;
        }
        if (!sawRoot) {
            result.error = QStringLiteral("the file holds no SMIL presentation");
            return result;
        }
        if (m_tooBig) {
            result.error = QStringLiteral("the presentation is nested too deeply or is too large");
            return result;
        }
        result.document = std::move(doc);
        return result;
    }

private:
    void readSmilElement(SmilDocument& doc) {
        while (m_xml.readNextStartElement()) {
            const QString name = m_xml.name().toString().toLower();
            if (name == "head") {
                readHead(doc);
            } else if (name == "body") {
                readChildren(doc.body, 1);
            } else {
                m_xml.skipCurrentElement();
            }
        }
    }

    void readHead(SmilDocument& doc) {
        while (m_xml.readNextStartElement()) {
            const QString name = m_xml.name().toString().toLower();
            if (name == "layout") {
                readLayout(doc);
            } else if (name == "meta") {
                if (attr(m_xml.attributes(), "name").compare("title", Qt::CaseInsensitive) == 0) {
                    doc.title = attr(m_xml.attributes(), "content");
                }
                m_xml.skipCurrentElement();
            } else {
                m_xml.skipCurrentElement();
            }
        }
    }

    void readLayout(SmilDocument& doc) {
        while (m_xml.readNextStartElement()) {
            const QString name = m_xml.name().toString().toLower();
            const QXmlStreamAttributes a = m_xml.attributes();
            if (name == "root-layout") {
                doc.width = std::clamp(toInt(attr(a, "width"), 0), 0, 8192);
                doc.height = std::clamp(toInt(attr(a, "height"), 0), 0, 8192);
                doc.backgroundColor = attr(a, "background-color");
                if (doc.backgroundColor.isEmpty()) {
                    doc.backgroundColor = attr(a, "backgroundColor");
                }
            } else if (name == "region" && doc.regions.size() < kMaxElements) {
                SmilRegion r;
                r.id = attr(a, "id");
                r.left = attr(a, "left");
                r.top = attr(a, "top");
                r.width = attr(a, "width");
                r.height = attr(a, "height");
                const QString fit = attr(a, "fit").toLower();
                if (fit == "meet" || fit == "fill" || fit == "hidden" || fit == "slice" ||
                    fit == "scroll") {
                    r.fit = fit == "scroll" ? QStringLiteral("hidden") : fit;
                }
                r.zIndex = std::clamp(toInt(attr(a, "z-index"), 0), -100000, 100000);
                r.backgroundColor = attr(a, "background-color");
                if (r.backgroundColor.isEmpty()) {
                    r.backgroundColor = attr(a, "backgroundColor");
                }
                doc.regions.push_back(r);
            }
            m_xml.skipCurrentElement();
        }
    }

    void readTiming(SmilNode& node, const QXmlStreamAttributes& a) {
        node.id = attr(a, "id");
        node.beginMs = parseClockValue(attr(a, "begin"));
        node.endMs = parseClockValue(attr(a, "end"));
        node.durMs = parseClockValue(attr(a, "dur"));
        const QString fill = attr(a, "fill").toLower();
        if (fill == "freeze" || fill == "remove" || fill == "hold") {
            node.fill = fill == "hold" ? QStringLiteral("freeze") : fill;
        }
        node.line = static_cast<int>(m_xml.lineNumber());
    }

    // Reads the children of the current element into parent.
    void readChildren(SmilNode& parent, int depth) {
        while (m_xml.readNextStartElement()) {
            if (++m_elements > kMaxElements || depth > kMaxDepth) {
                m_tooBig = true;
                m_xml.skipCurrentElement();
                continue;
            }
            const QString name = m_xml.name().toString().toLower();
            const QXmlStreamAttributes a = m_xml.attributes();
            SmilNode node;
            if (name == "par" || name == "seq") {
                node.kind = name == "par" ? SmilNode::Kind::Par : SmilNode::Kind::Seq;
                readTiming(node, a);
                readChildren(node, depth + 1);
            } else if (name == "switch") {
                // The first choice is the one played.
                node.kind = SmilNode::Kind::Par;
                readTiming(node, a);
                readChildren(node, depth + 1);
                if (node.children.size() > 1) {
                    node.children.resize(1);
                }
            } else if (isMedia(name)) {
                node.kind = SmilNode::Kind::Media;
                node.tag = name;
                readTiming(node, a);
                node.src = attr(a, "src");
                node.region = attr(a, "region");
                m_xml.skipCurrentElement();
            } else {
                m_xml.skipCurrentElement();
                continue;
            }
            parent.children.push_back(std::move(node));
        }
    }

    QXmlStreamReader m_xml;
    int m_elements = 0;
    bool m_tooBig = false;
};

}  // namespace

SmilReadResult readSmil(const QByteArray& bytes) {
    return Reader(bytes).read();
}

}  // namespace brindle
