// How the text slide's box wraps its text: one document set-up for the
// dialog's text boxes and for brindle-cli, and one reading of the wrapped
// lines, so the line count, the visible lines and the lines written to the
// slide's files all come from the same layout.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

class QTextDocument;

namespace brindle {

// The box's font for a font size index: the face of string table entry
// 177, bold as the slide shows it, at the size's points taken at 96 dots
// per inch so that a text wraps the same on every screen.
QFont textBoxFont(int sizeIndex);

// Line breaks as the box keeps them: CR LF and a lone CR become LF.
QString normalizedBoxText(const QString& text);

// Gives a document the box's wrapping: the window's width, no margin,
// wrapped at word boundaries (or anywhere in a word longer than a line).
void setUpTextBoxDocument(QTextDocument* document, const QFont& font);

struct WrappedText {
    QStringList lines;  // each wrapped line's characters
    int characters = 0;
};

// Lays the document out and answers its lines as wrapped.
WrappedText wrappedLines(QTextDocument* document);

// How many lines of the font fit the box's height, rounded to the nearest.
int visibleLineCount(const QFont& font, int boxHeight);

// The same wrapping without a widget: a document set up as the box's.
WrappedText wrapLikeTextBox(const QString& text, const QFont& font);

}  // namespace brindle
