#include "core/storage/write_result.h"

namespace pos {

WriteResult WriteResult::failure(const QString &fileName, const QString &reason)
{
    return failureTold(QStringLiteral("Could not write \"%1\": %2").arg(fileName, reason));
}

WriteResult WriteResult::failureTold(const QString &message)
{
    WriteResult result;
    result.ok = false;
    result.message = message;
    return result;
}

void tell(QString &notice, const QString &text)
{
    if (text.isEmpty())
        return;
    if (!notice.isEmpty())
        notice += QStringLiteral("\n\n");
    notice += text;
}

} // namespace pos
