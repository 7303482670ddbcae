#include "common/inventory_file.h"

#include "common/records.h"

namespace pos {

QStringList readInventory(const QString &path)
{
    return FieldReader::fromFile(path).readAll();
}

WriteResult appendInventoryEntry(const QString &description, const QString &path)
{
    RecordWriter writer;
    writer.text(description).endRecord();
    return appendRecords(path, writer.bytes(), RecordShape{1, {}});
}

WriteResult rewriteInventory(const QStringList &descriptions, const QString &path)
{
    RecordWriter writer;
    for (const QString &description : descriptions)
        writer.text(description).endRecord();
    return writeFileWhole(path, writer.bytes());
}

} // namespace pos
