#pragma once

// What closing an order writes, and in which order, so that no receipt is printed for a sale
// that was not recorded and a failure leaves nothing half done:
//   1. the receipt is made ready beside "reciept.txt" (written and synced, not yet in place);
//   2. the layaway file is written: a new one for "Layaway" (announced first, with its journal
//      record, so that a crash before the record lands takes the file away again at the next
//      start: see journal_guard.h), the reopened one rewritten whole for "Layaway Payment";
//   3. the journal record is appended to "sales.txt"; should that fail, a layaway file made in
//      step 2 is removed again;
//   4. the receipt takes the place of "reciept.txt".
// A layaway its reader would refuse (see file_limits.h) is refused before step 1. A failure in
// steps 1 to 3 leaves every file as it was before the close. Only step 4 can
// fail once the order is recorded, and then only in putting a synced file in its place.
// Before step 1, work on the journal that a crash cut short is finished.

#include "common/data_files.h"
#include "common/journal.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace pos {

struct LayawayWrite
{
    enum Kind
    {
        New,     // a "Layaway": a new file, never replacing another
        Payment, // a "Layaway Payment": the file reopened at New Order, rewritten whole
    };
    Kind kind = New;
    QByteArray bytes;
    QString path;        // Payment: the reopened file
    QDateTime closedAt;  // New: the date and time in its name
    QString salesperson; // New: the salesperson in its name
};

struct CloseWrites
{
    QByteArray receipt;                   // the whole of "reciept.txt"
    std::optional<LayawayWrite> layaway;  // for the layaway kinds
    std::optional<JournalRecord> journal; // appended to the journal when the kind is journaled
};

struct CloseOutcome
{
    enum Result
    {
        Closed,                 // everything written
        NothingWritten,         // a write failed before the order was recorded: all as before
        RecordedWithoutReceipt, // the order is recorded, but the receipt could not be put in place
    };
    enum Step
    {
        None,
        Receipt,
        Layaway,
        Journal,
    };
    Result result = Closed;
    // The step that failed, and its message naming the file.
    Step failed = None;
    QString message;
    // The layaway file written (the new file's path for a "Layaway").
    QString layawayPath;
    // What the clerk must hear besides: sales another program removed from the journal, work
    // a crash had left undone.
    QString notice;
};

// The folders: receipt and journal by their paths; a new layaway in layawayFolder (empty: the
// working directory).
CloseOutcome writeClose(const CloseWrites &writes, const QString &receiptPath = kReceiptFile,
                        const QString &journalPath = kJournalFile, const QString &layawayFolder = QString());

} // namespace pos
