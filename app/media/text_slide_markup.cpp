#include "app/media/text_slide_markup.h"

#include "app/present/text_line_file.h"

#include <QFile>

#include <algorithm>
#include <cmath>

namespace brindle {
namespace {

constexpr TextFontSize kSizes[kTextSizeCount] = {
    {12, "2", 10},
    {20, "5", 15},
    {36, "7", 20},
};

constexpr TextColourScheme kSchemes[kTextSchemeCount] = {
    {0x0000FFFF, 0x00FF0000, "yellow", "blue"},
    {0x00FF0000, 0x0000FFFF, "blue", "yellow"},
    {0x00000000, 0x00FFFFFF, "black", "white"},
    {0x00FFFFFF, 0x00000000, "white", "black"},
};

// An attribute value in double quotes, blanks trimmed.
QString q(const QString& value) {
    return '"' + value.trimmed() + '"';
}

}  // namespace

const TextFontSize& textFontSize(int index) {
    return kSizes[std::clamp(index, 0, kTextSizeCount - 1)];
}

const TextColourScheme& textColourScheme(int index) {
    return kSchemes[std::clamp(index, 0, kTextSchemeCount - 1)];
}

int roundHalfEven(double value) {
    const double lower = std::floor(value);
    const double diff = value - lower;
    double r = lower;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(lower, 2.0) != 0.0)) {
        r = lower + 1;
    }
    return static_cast<int>(std::clamp(r, -2147483648.0, 2147483647.0));
}

TextTiming textTiming(int lines, int characters, int visibleLines, int scrollRate) {
    // A box too small for one line of its font still shows one: a count
    // of 0 would divide by zero.
    const int v = std::max(visibleLines, 1);
    const int l = std::max(lines, 1);
    TextTiming t;
    if (l > v) {
        int rate = scrollRate;
        if (static_cast<double>(characters) / l < 5) {
            rate = roundHalfEven(static_cast<double>(rate) * (characters + 1) / l);
        }
        rate = std::max(rate, 1);
        t.scrollRate = rate;
        t.seconds = roundHalfEven((320.0 / v) * l / (rate * 1.75));
    } else {
        t.scrollRate = 0;
        t.seconds = characters / 8;
        if (t.seconds < 2) {
            t.seconds = 5;
        }
    }
    return t;
}

int leadingBreaks(int visibleLines) {
    return roundHalfEven(std::max(visibleLines, 1) / 2.0) + 1;
}

QString escapeTextLine(const QString& line) {
    QString out;
    out.reserve(line.size() + 8);
    for (const QChar c : line) {
        const char16_t u = c.unicode();
        if (u == '<') {
            out += QLatin1String("&lt;");
        } else if (u == '>') {
            out += QLatin1String("&gt;");
        } else if (u == '&') {
            // A bare "&" would end the markup's well-formedness and turn a
            // typed "&lt;" into "<".
            out += QLatin1String("&amp;");
        } else if ((u < 0x20 && u != '\t') || u == 0xFFFE || u == 0xFFFF) {
            continue;
        } else {
            out += c;
        }
    }
    return out;
}

QStringList realTextLines(const QStringList& wrappedLines, const TextSlideLook& look,
                          const TextTiming& timing, int visibleLines) {
    const TextFontSize& size = textFontSize(look.sizeIndex);
    const TextColourScheme& scheme = textColourScheme(look.schemeIndex);
    QStringList out;
    out.reserve(wrappedLines.size() * (look.centred ? 3 : 1) + 16);
    out << "<window type=" + q("scrollingnews") +
               " scrollrate=" + q(QString::number(timing.scrollRate)) +
               " duration=" + q(QString::number(timing.seconds)) +
               " bgcolor=" + q(scheme.backColour) + " width=" + q("320") + " height=" + q("240") +
               " >";
    out << QStringLiteral("<b>");
    out << "<font color=" + q(scheme.textColour) + " size=" + q(size.sizeAttr) +
               " face=" + q(look.fontName) + ">";
    if (timing.scrolls()) {
        for (int i = leadingBreaks(visibleLines); i > 0; --i) {
            out << QStringLiteral("<br/>");
        }
    }
    for (const QString& line : wrappedLines) {
        const QString escaped = escapeTextLine(line);
        if (look.centred) {
            out << QStringLiteral("<center>");
            out << (escaped.isEmpty() ? QStringLiteral(" ") : escaped);
            out << QStringLiteral("</center>");
        } else {
            out << "<br/>" + escaped;
        }
    }
    out << QStringLiteral("</font>") << QStringLiteral("</b>") << QStringLiteral("</window>");
    return out;
}

bool writeTextLines(const QString& path, const QStringList& lines) {
    TextLineFile file;
    if (file.open(path)) {
        for (const QString& line : lines) {
            file.writeLine(line);
        }
    }
    if (file.close()) {
        return true;
    }
    QFile::remove(path);
    return false;
}

}  // namespace brindle
