#pragma once

// Boxes whose text reaches a file hold only what the file can hold (see storableText): the
// text is mended as it is typed, pasted or set, so the screen never shows what will not be
// stored.

#include <QString>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace pos {

// A single-line box: characters outside the code page become "?", line breaks and other
// control characters a blank, a double quote an apostrophe (as its quoted field stores it).
void keepStorable(QLineEdit *box);
// The text box of an editable drop-down, the same way.
void keepStorable(QComboBox *dropDown);
// A multi-line box: characters outside the code page become "?"; line breaks, tabs and double
// quotes stay (its text is stored raw).
void keepStorable(QPlainTextEdit *box);

// The text of a multi-line box as it goes to a file: each line break (a paragraph, or a line
// break typed with Shift+Return) as LF, every other character as it stands. Unlike the box's
// toPlainText, no-break spaces stay what they are.
QString boxText(const QPlainTextEdit *box);

} // namespace pos
