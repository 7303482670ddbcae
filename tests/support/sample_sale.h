#pragma once

// One journaled sale as the tests use it: Ann's Widget sale of 14 March 2004, and its line.

#include "core/formats/journal_record.h"

#include <QByteArray>

namespace pos::testing {

inline const JournalRecord kSale{QStringLiteral("Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann"),
                                 QStringLiteral("$9.00"), QStringLiteral("$.54"), QStringLiteral("$9.54"),
                                 QStringLiteral("Cash")};
inline const QByteArray kSaleLine =
    "\"Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann\",\"$9.00\",\"$.54\",\"$9.54\",\"Cash\"\r\n";

} // namespace pos::testing
