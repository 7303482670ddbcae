#pragma once

// How much the shop's data files may hold. A file beyond these limits is no shop's own (a
// damaged disk, the wrong file copied in, a hand edit gone astray): the program refuses it
// with a message naming it, as it treats a file it cannot read, so that it starts and stays
// usable. A refused file is never read whole to find that out: its size is looked at first,
// and its fields are read a chunk at a time. The writers refuse to store what the readers
// would refuse.

#include "core/storage/file_io.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace pos {

// The longest field of a file read field by field (a receipt header line, a tax rate, a line
// of a layaway's receipt, an item description), quotes included, and the longest line of
// "return.txt": 64 KB. Such a text is a few dozen characters; a box holds at most 32,767. The
// windows show a text of this length in some milliseconds.
inline constexpr qsizetype kLongestField = 64 * 1024;

// The largest settings file ("Header.txt", "tax.txt", "return.txt", "font.txt"): 1 MB, sixteen
// lines of the longest. A header or return policy of that size would print pages of it under
// every receipt.
inline constexpr qint64 kLargestSettingsFile = qint64(1) << 20;

// The largest "inventory.dat" and layaway file: 64 MB. A shop's item list of a hundred
// thousand descriptions is some 3 MB, and a layaway of a million receipt lines 30 MB; 64 MB
// holds two and a half million descriptions. The windows hold such a file's lines in memory
// at four to nine times its size and Quick Inventory sorts them, so at 64 MB the main window
// starts in about half a second and Quick Inventory loads in five to seven; a file four times
// that took 1 GB at start-up and 25 s and 2.4 GB to load.
inline constexpr qint64 kLargestListFile = qint64(64) << 20;

// The limits of one kind of file; `longestPart` is the longest field, or for a file read raw
// (`rawLines`) the longest line.
struct FileLimits
{
    qint64 largestFile;
    qsizetype longestPart;
    bool rawLines = false;
};

inline constexpr FileLimits kSettingsLimits{kLargestSettingsFile, kLongestField};
inline constexpr FileLimits kReturnPolicyLimits{kLargestSettingsFile, kLongestField, true};
inline constexpr FileLimits kListFileLimits{kLargestListFile, kLongestField};

enum class Refusal
{
    None,
    TooLarge,    // the file is larger than its limit
    LineTooLong, // it holds a field (or line) longer than its limit
};

// What the limits make of bytes a writer is about to store, measured as their reader takes
// them.
Refusal refusalOf(const QByteArray &bytes, const FileLimits &limits);

// Why a file is refused, for a message: "it is larger than 64 MB", "it holds a line longer
// than 64 KB".
QString refusalReason(Refusal refusal, const FileLimits &limits);

// A write refused before anything is written: Could not write "return.txt": it would hold a
// line longer than 64 KB, more than such a file holds.
WriteResult refusedWrite(const QString &path, Refusal refusal, const FileLimits &limits);

// Replaces the file whole with the bytes (writeFileWhole), unless its reader would refuse them.
WriteResult writeFileWithin(const QString &path, const QByteArray &bytes, const FileLimits &limits);

// A file read within its limits: missing, read, or there but not readable (FileState); when
// read, refused or not. A refused file gives nothing, as one that cannot be read.
struct LimitedRead
{
    FileState state = FileState::Missing;
    Refusal refusal = Refusal::None;
    QStringList fields; // readFieldsWithin
    QByteArray raw;     // readRawWithin

    bool usable() const { return state != FileState::Unreadable && refusal == Refusal::None; }
};

// Every field of the file, read a chunk at a time; the reading stops at the first field
// beyond the limit.
LimitedRead readFieldsWithin(const QString &path, const FileLimits &limits);

// The file's whole content, every byte, for a file read raw.
LimitedRead readRawWithin(const QString &path, const FileLimits &limits);

// What a window tells of a file it read: for a refused file, "inventory.dat" was not read: it
// is larger than 64 MB; for one that cannot be read, its readFailureMessage. Empty for a file
// that reads, or is missing.
QString limitedReadMessage(const QString &path, const LimitedRead &read, const FileLimits &limits);

} // namespace pos
