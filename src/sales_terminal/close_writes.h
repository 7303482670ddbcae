#pragma once

// What closing an order writes, and in which order, so that no receipt is printed for a sale
// that was not recorded and a failure leaves nothing half done:
//   1. the receipt is made ready beside "reciept.txt" (written and synced, not yet in place);
//   2. the sale's record is written: the journal record appended to "sales.txt";
//   3. the receipt takes the place of "reciept.txt".
// A failure in 1 or 2 leaves every file as it was. Only the last step can fail once the sale
// is recorded, and then only in putting a synced file in its place.

#include "common/data_files.h"
#include "common/journal.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace pos {

struct CloseWrites
{
    QByteArray receipt;                   // the whole of "reciept.txt"
    std::optional<JournalRecord> journal; // appended to the journal when the kind is journaled
};

struct CloseOutcome
{
    enum Result
    {
        Closed,                 // everything written
        NothingWritten,         // a write failed before the sale was recorded: all as before
        RecordedWithoutReceipt, // the sale is recorded, but the receipt could not be put in place
    };
    Result result = Closed;
    // The failed write's message, naming the file.
    QString message;
    // The step that failed was the journal record.
    bool journalFailed = false;
};

CloseOutcome writeClose(const CloseWrites &writes, const QString &receiptPath = kReceiptFile,
                        const QString &journalPath = kJournalFile);

} // namespace pos
