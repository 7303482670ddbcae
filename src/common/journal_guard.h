#pragma once

// What keeps every sale in the journal "sales.txt" or in a history file exactly once.
//
// Pending work. Work on the journal that takes more than one step is announced in
// "<journal>.pending", written and synced before its first step and withdrawn after its last:
//   - a cutoff: the history file and the number of journal bytes copied to it. A cutoff cut
//     short once its history was in place is finished: those bytes are taken off the journal's
//     start, when the history holds exactly them and the journal still starts with them. One
//     cut short before is left undone, the journal as it was.
//   - a new layaway: its file and its journal record. A close cut short before the record was
//     appended takes the layaway's file away again, since the sale was never recorded.
// finishPendingWork() does what a crash left undone: the program runs it at start and before
// each close and cutoff. Every step is checked against the files, so it may run again after a
// crash of its own.
//
// Appended records. The program remembers the records it appended to a journal in this run.
// Before each append it checks that the journal still holds them; the ones another program
// removed or changed (a text editor saving a copy it opened before those sales) are kept in
// "<journal>.recovered" and the clerk is told. They are not put back on their own: the owner
// may have removed a sale on purpose.

#include "common/fileio.h"

#include <QByteArray>
#include <QString>


namespace pos {

// The files beside the journal.
QString pendingFileOf(const QString &journalPath);
QString recoveredFileOf(const QString &journalPath);

WriteResult announceCutoff(const QString &journalPath, const QString &historyPath, qint64 bytesCopied);
WriteResult announceNewLayaway(const QString &journalPath, const QString &layawayPath,
                               const QByteArray &layawayBytes, const QByteArray &journalRecord);
// Removes the announcement once its work is done (or undone).
void withdrawAnnouncement(const QString &journalPath);

// What finishing the work of an announcement came to.
struct Finished
{
    WriteResult result; // a failure leaves the announcement for the next try
    QString notice;     // what was done, for the user; empty when there was nothing to tell
};
Finished finishPendingWork(const QString &journalPath);

// Checks that the journal still holds the records appended to it in this run. Those it lost are
// kept in "<journal>.recovered" and forgotten; the returned text tells the clerk which, or is
// empty.
QString checkAppendedRecords(const QString &journalPath);
// The record was just appended at the journal's end.
void rememberAppendedRecord(const QString &journalPath, const QByteArray &record);
// The journal's records went into a history (a cutoff).
void forgetAppendedRecords(const QString &journalPath);

} // namespace pos
