#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace pos {

// The data files are single-byte text in the Windows ANSI code page (Windows-1252).
// This is the one place where their bytes and the windows' strings meet.

// Every byte maps to one character: Latin-1 plus the 0x80-0x9F table of Windows-1252.
// The five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the
// C1 control characters of the same value, so that a raw read keeps every byte and writes
// it back unchanged.
QString fromAnsi(QByteArrayView bytes);

// The inverse of fromAnsi. A character the code page cannot hold is written as "?", so the
// loss is visible in the file and on the receipt rather than silent.
QByteArray toAnsi(QStringView text);

// True when every character of the text has a byte in the code page.
bool fitsAnsi(QStringView text);

// What a box whose text reaches a file may hold, so that the screen never shows what the
// file does not: each character the code page cannot hold becomes "?" (one for a character
// outside the basic plane), as toAnsi would store it. In a single-line box every control
// character (CR, LF, tab, the C0 and C1 controls, DEL) becomes a blank, so that one entry
// never spans two lines of a file, and a double quote becomes an apostrophe: a single-line
// box's text is stored in quoted fields, which cannot hold a double quote (quotableText stores
// it so). A multi-line box keeps CR, LF, tab and double quotes and blanks the other controls.
enum class BoxLines
{
    Single,
    Multi,
};
QString storableText(QStringView text, BoxLines lines);

} // namespace pos
