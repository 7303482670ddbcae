#pragma once

// What closing an order writes, and in which order, so that no receipt is printed for a sale
// that was not recorded and a failure leaves nothing half done:
//   1. the receipt is made ready beside "reciept.txt" (written and synced, not yet in place);
//   2. the reopened layaway file of a "Layaway Payment" is rewritten whole;
//   3. the journal records the sale ("sales.txt"); for a new "Layaway" it makes the layaway's
//      file too, and keeps neither should either fail (core/journal/journal.h);
//   4. the receipt takes the place of "reciept.txt".
// A layaway its reader would refuse (see file_limits.h) is refused before step 1. A failure in
// steps 1 to 3 leaves every file as it was before the close. Only step 4 can
// fail once the order is recorded, and then only in putting a synced file in its place.

#include "core/formats/journal_record.h"
#include "core/formats/shop_files.h"
#include "core/journal/journal.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <variant>

namespace pos {

// What closing an order writes: its receipt, and what its kind records besides (order.h,
// closeRecordFor): nothing more, a sale's journal record, a new layaway's file with its sale's
// record, or a reopened layaway's file rewritten.
struct CloseWrites
{
    struct ReceiptOnly
    {
    };
    struct Sale
    {
        JournalRecord record;
    };
    struct NewLayaway
    {
        JournalRecord record;
        QByteArray bytes;
        QDateTime closedAt;  // the date and time in its file's name
        QString salesperson; // the salesperson in its file's name
    };
    struct LayawayPayment
    {
        QString path; // the file reopened at New Order, rewritten whole
        QByteArray bytes;
    };

    QByteArray receipt; // the whole of "reciept.txt"
    std::variant<ReceiptOnly, Sale, NewLayaway, LayawayPayment> records;
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
    // A new layaway whose sale was not recorded, and whose file could not be removed: the next
    // close or start of the program removes it.
    bool layawayLeft = false;
    // What the clerk must hear besides: sales another program removed from the journal, work
    // a crash had left undone.
    QString notice;
};

// The receipt by its path; a new layaway in layawayFolder (empty: the working directory).
CloseOutcome writeClose(const CloseWrites &writes, Journal &journal, const QString &receiptPath = kReceiptFile,
                        const QString &layawayFolder = QString());

} // namespace pos
