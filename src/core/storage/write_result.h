#pragma once

#include <QString>

namespace pos {

// Outcome of a write. A failed write carries a message for the clerk that names the file:
// Could not write "sales.txt": <reason>. The writers name it by the path they were given.
struct [[nodiscard]] WriteResult
{
    bool ok = true;
    QString message;

    explicit operator bool() const { return ok; }
    static WriteResult failure(const QString &fileName, const QString &reason);
    // A failure told in a message of its own.
    static WriteResult failureTold(const QString &message);
};

// Adds the text to what the owner is told, a paragraph of its own; an empty text adds nothing.
void tell(QString &notice, const QString &text);

} // namespace pos
