#pragma once

// What the tests read back from a window's controls.

#include <QComboBox>
#include <QStringList>

namespace pos::testing {

// Every entry of the drop-down's list, in order.
inline QStringList comboItems(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

} // namespace pos::testing
