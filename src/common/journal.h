#pragma once

// The sales journal "sales.txt": one record per journaled sale, five quoted text fields
// (receipt header line, subtotal, tax, total, payment), separated by commas, ended by CR LF.
// Close Order writes it; the sales report reads it and closes periods into history files of
// the same format.

#include "common/data_files.h"
#include "common/fileio.h"

#include <QByteArray>
#include <QString>

namespace pos {

struct JournalRecord
{
    QString receiptHeader; // field 1, the sale's key: "Reciept# " + date, time, kind, salesperson
    QString subtotal;      // field 2, money text as shown ("$9.00"), or empty
    QString tax;           // field 3
    QString total;         // field 4
    QString payment;       // field 5, the payment description
};

// The record's bytes: "field1","field2","field3","field4","field5" CR LF (a double quote in a
// field is stored as an apostrophe, see quotableText).
QByteArray journalRecordBytes(const JournalRecord &record);

// Appends the record to the journal as one complete line, synced to disk.
WriteResult appendJournalRecord(const JournalRecord &record, const QString &path = kJournalFile);

} // namespace pos
