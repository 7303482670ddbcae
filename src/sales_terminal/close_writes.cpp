#include "sales_terminal/close_writes.h"

#include "common/file_limits.h"
#include "common/fileio.h"
#include "sales_terminal/layaway.h"

#include <QFile>

namespace pos {

namespace {

CloseOutcome failed(CloseOutcome::Step step, const WriteResult &result)
{
    CloseOutcome outcome;
    outcome.result = CloseOutcome::NothingWritten;
    outcome.failed = step;
    outcome.message = result.message;
    return outcome;
}

} // namespace

CloseOutcome writeClose(const CloseWrites &writes, const QString &receiptPath, const QString &journalPath,
                        const QString &layawayFolder)
{
    // A layaway its reader would refuse (a line longer than 64 KB) is not written at all.
    if (const std::optional<LayawayWrite> &layaway = writes.layaway) {
        if (const Refusal refusal = refusalOf(layaway->bytes, kListFileLimits); refusal != Refusal::None) {
            const QString name = layaway->kind == LayawayWrite::New
                                     ? layawayFileName(layaway->closedAt, layaway->salesperson)
                                     : layaway->path;
            return failed(CloseOutcome::Layaway, refusedWrite(name, refusal, kListFileLimits));
        }
    }

    StagedWrite receipt(receiptPath);
    if (WriteResult staged = receipt.stage(writes.receipt); !staged)
        return failed(CloseOutcome::Receipt, staged);

    CloseOutcome outcome;
    QString newLayaway;
    if (const std::optional<LayawayWrite> &layaway = writes.layaway) {
        const WriteResult written =
            layaway->kind == LayawayWrite::New
                ? createLayaway(layawayFolder, layaway->closedAt, layaway->salesperson, layaway->bytes, &newLayaway)
                : writeFileWhole(layaway->path, layaway->bytes);
        if (!written)
            return failed(CloseOutcome::Layaway, written);
        outcome.layawayPath = layaway->kind == LayawayWrite::New ? newLayaway : layaway->path;
    }

    if (writes.journal) {
        if (WriteResult appended = appendJournalRecord(*writes.journal, journalPath); !appended) {
            // The layaway of an unrecorded sale is not kept.
            if (!newLayaway.isEmpty())
                QFile::remove(newLayaway);
            return failed(CloseOutcome::Journal, appended);
        }
    }

    if (WriteResult committed = receipt.commit(); !committed) {
        const bool recorded = writes.layaway || writes.journal;
        outcome.result = recorded ? CloseOutcome::RecordedWithoutReceipt : CloseOutcome::NothingWritten;
        outcome.failed = CloseOutcome::Receipt;
        outcome.message = committed.message;
    }
    return outcome;
}

} // namespace pos
