#pragma once

// Appending to a file of records (the journal, the sales found removed, "inventory.dat") so that
// a record a crash cut short at its end never shifts the records after it.

#include "core/storage/file_io.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace pos {

// What the records of a record file look like as the program writes them: `fields` fields,
// each in double quotes with no quote or line break inside, separated by commas, the first
// beginning with `firstFieldStart`, the record ended by CR LF.
struct RecordShape
{
    int fields = 1;
    QByteArrayView firstFieldStart;
};

// Appends complete records (each ended by CR LF) to a record file, like appendDurably. A last
// record without a line end gets a CR LF first, in the same write, so that the new record
// starts a line of its own. A last record cut short by a crash (the start of a record of the
// shape, and no more; a hand edit is only ended) is set aside in the file `tornPath` (a kept
// file, appended to) and cut off first, so that no later record reads shifted by its fields.
// The file is held (native::HeldFile) from the look at its end to the append, so that a program
// appending a record under the file's lock in two writes is never taken for a crash.
WriteResult appendRecords(const QString &path, const QByteArray &records, const RecordShape &shape,
                          const QString &tornPath, Names names = Names::Followed);
// The same on a file the caller holds; *left is set when a failed append could not be taken
// back out of the file.
WriteResult appendRecords(native::HeldFile &file, const QByteArray &records, const RecordShape &shape,
                          const QString &tornPath, bool *left = nullptr);

// Sets a last record cut short by a crash aside in `tornPath` and cuts it off, as appendRecords
// does before it appends; anything else at the end (a hand edit without its line end) stays as
// it is. On a file the caller holds.
WriteResult setAsideCutShortRecord(native::HeldFile &file, const RecordShape &shape, const QString &tornPath);

} // namespace pos
