#include "core/formats/inventory_file.h"

#include "core/formats/record_file.h"
#include "core/formats/records.h"

#include <QFileInfo>

namespace pos {

LimitedRead readInventoryFile(const QString &path)
{
    return readFieldsWithin(path, kListFileLimits);
}

WriteResult appendInventoryEntry(const QString &description, const QString &path)
{
    RecordWriter writer;
    writer.text(description).endRecord();
    Refusal refusal = refusalOf(writer.bytes(), kListFileLimits);
    // The file as it will be, measured without reading it: CR LF may come before the entry.
    if (refusal == Refusal::None && QFileInfo(path).size() + writer.bytes().size() + 2 > kListFileLimits.largestFile)
        refusal = Refusal::TooLarge;
    if (refusal != Refusal::None)
        return refusedWrite(path, refusal, kListFileLimits);
    return appendRecords(path, writer.bytes(), RecordShape{1, {}}, path + kTornSuffix);
}

WriteResult rewriteInventory(const QStringList &descriptions, const QString &path)
{
    RecordWriter writer;
    for (const QString &description : descriptions)
        writer.text(description).endRecord();
    return writeFileWithin(path, writer.bytes(), kListFileLimits);
}

} // namespace pos
