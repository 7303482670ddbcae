#include "common/journal.h"

#include "common/records.h"

namespace pos {

QByteArray journalRecordBytes(const JournalRecord &record)
{
    RecordWriter writer;
    writer.text(record.receiptHeader)
        .text(record.subtotal)
        .text(record.tax)
        .text(record.total)
        .text(record.payment)
        .endRecord();
    return writer.bytes();
}

WriteResult appendJournalRecord(const JournalRecord &record, const QString &path)
{
    return appendRecords(path, journalRecordBytes(record), 5);
}

} // namespace pos
