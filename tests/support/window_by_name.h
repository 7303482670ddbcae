#pragma once

// A window of the program made by its form's name ("Form1" ... "Form8"), for the tests that go
// through every window alike. Header-only: the tests that use it link the windows' libraries.

#include "inventory/form8.h"
#include "receipt_preview/form3.h"
#include "sales_report/form4.h"
#include "sales_terminal/form1.h"
#include "settings/form2.h"

#include <memory>

namespace pos::testing {

inline std::unique_ptr<QWidget> makeWindow(const QString &name, Platform platform, OtherWindows &others,
                                           Journal &journal)
{
    if (name == QLatin1String("Form1"))
        return std::make_unique<Form1>(platform, others, journal);
    if (name == QLatin1String("Form2"))
        return std::make_unique<Form2>(platform);
    if (name == QLatin1String("Form3"))
        return std::make_unique<Form3>(platform);
    if (name == QLatin1String("Form4"))
        return std::make_unique<Form4>(platform, journal);
    return std::make_unique<Form8>(platform);
}

} // namespace pos::testing
