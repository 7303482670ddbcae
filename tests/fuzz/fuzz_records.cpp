// The quoted-field reader over any bytes, and the writer's records read back as written.

#include "fuzz_support.h"

#include "core/formats/codepage.h"
#include "core/formats/records.h"

#include <QBuffer>
#include <QStringList>

using namespace pos;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    // Any content reads to its end, one field at a time, and every field is no longer than
    // the content.
    FieldReader reader(bytes);
    qsizetype fields = 0;
    while (!reader.atEnd()) {
        const QString field = reader.readField();
        if (field.size() > bytes.size())
            fuzz::broken("a field is longer than the file", field);
        if (++fields > bytes.size() + 1)
            fuzz::broken("the reader does not advance", QString::number(fields));
    }

    // Read from a device a few bytes at a time, with a limit on the field length, the content
    // gives the same fields up to the first field beyond the limit.
    QByteArray content = bytes;
    QBuffer device(&content);
    device.open(QIODevice::ReadOnly);
    const qsizetype longest = qsizetype(size % 64);
    FieldReader chunked(&device, longest, 1 + qsizetype(size % 5));
    FieldReader whole(bytes, longest);
    if (chunked.readAll() != whole.readAll() || chunked.fieldTooLong() != whole.fieldTooLong())
        fuzz::broken("read in chunks, the fields differ", QString::number(size));

    // The content taken as texts (split at NUL bytes), written as one record of quoted
    // fields, reads back as the texts with double quotes stored as apostrophes.
    QStringList texts;
    for (const QByteArray &piece : bytes.split('\0'))
        texts << fromAnsi(piece);
    RecordWriter writer;
    for (const QString &text : texts)
        writer.text(text);
    writer.endRecord();
    FieldReader back(writer.bytes());
    for (const QString &text : texts) {
        if (back.atEnd())
            fuzz::broken("a written field is missing", text);
        const QString read = back.readField();
        if (read != quotableText(text))
            fuzz::broken("a written field reads back differently", text + QStringLiteral(" | ") + read);
    }
    if (!back.atEnd())
        fuzz::broken("a written record reads as more fields", QString::fromLatin1(writer.bytes()));
    return 0;
}
