#include "app/media/text_box_layout.h"

#include "app/media/text_slide_markup.h"
#include "platform/messages.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextOption>

#include <cmath>

namespace brindle {
namespace {

constexpr double kDotsPerInch = 96.0;

}  // namespace

QFont textBoxFont(int sizeIndex) {
    QFont font(LoadResString(str::TextSlideFace));
    font.setPixelSize(
        static_cast<int>(std::lround(textFontSize(sizeIndex).points * kDotsPerInch / 72.0)));
    // The slide shows its text in bold: the box wraps it as it will be seen.
    font.setBold(true);
    return font;
}

QString normalizedBoxText(const QString& text) {
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QChar('\r'), QChar('\n'));
    // Other separators a document would turn into new paragraphs.
    out.replace(QChar::ParagraphSeparator, QChar('\n'));
    out.replace(QChar::LineSeparator, QChar('\n'));
    return out;
}

void setUpTextBoxDocument(QTextDocument* document, const QFont& font) {
    document->setDefaultFont(font);
    document->setDocumentMargin(0);
    document->setTextWidth(kTextWindowWidth);
    QTextOption option = document->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document->setDefaultTextOption(option);
}

WrappedText wrappedLines(QTextDocument* document) {
    // Asking for the size finishes the layout of every block.
    document->documentLayout()->documentSize();
    WrappedText out;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        out.characters += static_cast<int>(text.toUcs4().size());
        if (block.next().isValid()) {
            ++out.characters;  // the line break
        }
        const QTextLayout* layout = block.layout();
        const int count = layout != nullptr ? layout->lineCount() : 0;
        if (count == 0) {
            out.lines << QString();
            continue;
        }
        for (int i = 0; i < count; ++i) {
            const QTextLine line = layout->lineAt(i);
            out.lines << text.mid(line.textStart(), line.textLength());
        }
    }
    return out;
}

int visibleLineCount(const QFont& font, int boxHeight) {
    const double lineHeight = QFontMetricsF(font).height();
    if (lineHeight <= 0) {
        return 0;
    }
    return static_cast<int>(std::lround(boxHeight / lineHeight));
}

WrappedText wrapLikeTextBox(const QString& text, const QFont& font) {
    QTextDocument document;
    setUpTextBoxDocument(&document, font);
    document.setPlainText(normalizedBoxText(text));
    return wrappedLines(&document);
}

}  // namespace brindle
