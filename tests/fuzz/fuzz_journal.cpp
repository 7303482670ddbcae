// The journal and history reader over any content: it gives exactly the quoted-field reader's
// fields, five to a record, at any chunk size; the report's compact entries show and total as
// their texts do; formatTwoDecimals is stable.

#include "fuzz_support.h"

#include "core/formats/codepage.h"
#include "core/formats/journal_record.h"
#include "core/formats/numbers.h"
#include "core/formats/records.h"
#include "core/report/report.h"

#include <cmath>

using namespace pos;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the chunk size, so that fields straddle chunk ends.
    const qsizetype chunk = 1 + data[0] % 64;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    const QStringList expected = FieldReader(bytes).readAll();
    QStringList got;
    JournalReader reader(bytes, chunk);
    JournalFields record;
    ReportColumns columns;
    while (reader.next(record)) {
        for (const QByteArrayView field : record.field)
            got << fromAnsi(field);
        columns.gross.appendField(record.field[1]);
    }
    for (const QByteArray &field : reader.incompleteTail())
        got << fromAnsi(field);
    if (got != expected)
        fuzz::broken("the journal reader's fields differ from the quoted-field reader's",
                     QStringLiteral("%1 fields against %2").arg(got.size()).arg(expected.size()));

    // Each entry shows as formatTwoDecimals of its field, and the column total is the sum of
    // leadingNumber of what is shown, one entry after the other.
    double sum = 0;
    for (qsizetype row = 0; row < columns.gross.size(); ++row) {
        const QString field = expected.at(row * 5 + 1);
        const QString shown = columns.gross.shown(row);
        if (shown != formatTwoDecimals(field))
            fuzz::broken("an entry shows other than formatTwoDecimals of its field",
                         field + QStringLiteral(" | ") + shown);
        if (formatTwoDecimals(shown) != shown && isNumericText(shown))
            fuzz::broken("formatTwoDecimals of an entry changes it", shown);
        sum += leadingNumber(shown);
    }
    const double total = columns.gross.total();
    if (!(total == sum || (std::isnan(total) && std::isnan(sum))))
        fuzz::broken("the column total is not the sum of its entries",
                     numberText(total) + QStringLiteral(" | ") + numberText(sum));
    return 0;
}
