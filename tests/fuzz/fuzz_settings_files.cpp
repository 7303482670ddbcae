// The loaders of the settings files and "inventory.dat" over any file content: no crash, and
// what they give is sound (a font with a usable size or none, every inventory field).

#include "fuzz_support.h"

#include "core/formats/inventory_file.h"
#include "core/formats/records.h"
#include "core/formats/settings_files.h"

#include <cmath>

using namespace pos;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::writeInput(QStringLiteral("data.txt"), data, size);

    const TaxRates rates = readTaxFile(path);
    if (rates.sales.size() > qsizetype(size) || rates.municipal.size() > qsizetype(size)
        || rates.state.size() > qsizetype(size))
        fuzz::broken("a rate is longer than the file", rates.sales);

    (void)readHeaderFile(path);
    if (readReturnFileRaw(path).size() != qsizetype(size))
        fuzz::broken("the raw read lost bytes", QString::number(size));

    if (const std::optional<ReceiptFont> font = readFontFile(path)) {
        if (!std::isfinite(font->pointSize) || font->pointSize <= 0)
            fuzz::broken("the font has a size that cannot be applied", QString::number(font->pointSize));
    }

    const QStringList entries = readInventoryFile(path).fields;
    if (entries != FieldReader(readReturnFileRaw(path)).readAll())
        fuzz::broken("the inventory is not every field of the file", QString::number(entries.size()));
    return 0;
}
