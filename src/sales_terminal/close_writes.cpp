#include "sales_terminal/close_writes.h"

#include "common/fileio.h"

namespace pos {

CloseOutcome writeClose(const CloseWrites &writes, const QString &receiptPath, const QString &journalPath)
{
    StagedWrite receipt(receiptPath);
    if (WriteResult staged = receipt.stage(writes.receipt); !staged)
        return {CloseOutcome::NothingWritten, staged.message, false};

    if (writes.journal) {
        if (WriteResult appended = appendJournalRecord(*writes.journal, journalPath); !appended)
            return {CloseOutcome::NothingWritten, appended.message, true};
    }

    if (WriteResult committed = receipt.commit(); !committed) {
        const bool recorded = writes.journal.has_value();
        return {recorded ? CloseOutcome::RecordedWithoutReceipt : CloseOutcome::NothingWritten,
                committed.message, false};
    }
    return {};
}

} // namespace pos
