#include "core/order/close_writes.h"

#include "core/formats/file_limits.h"
#include "core/storage/file_io.h"
#include "core/formats/layaway_file.h"


namespace pos {

namespace {

CloseOutcome failed(CloseOutcome outcome, CloseOutcome::Step step, const WriteResult &result)
{
    outcome.result = CloseOutcome::NothingWritten;
    outcome.failed = step;
    outcome.message = result.message;
    return outcome;
}

} // namespace

CloseOutcome writeClose(const CloseWrites &writes, Journal &journal, const QString &receiptPath,
                        const QString &layawayFolder)
{
    CloseOutcome outcome;
    // A layaway its reader would refuse (a line longer than 64 KB) is not written at all.
    if (const std::optional<LayawayWrite> &layaway = writes.layaway) {
        if (const Refusal refusal = refusalOf(layaway->bytes, kListFileLimits); refusal != Refusal::None) {
            const QString name = layaway->kind == LayawayWrite::New
                                     ? layawayFileName(layaway->closedAt, layaway->salesperson)
                                     : layaway->path;
            return failed(outcome, CloseOutcome::Layaway, refusedWrite(name, refusal, kListFileLimits));
        }
    }

    StagedWrite receipt(receiptPath);
    if (WriteResult staged = receipt.stage(writes.receipt); !staged)
        return failed(outcome, CloseOutcome::Receipt, staged);

    const std::optional<LayawayWrite> &layaway = writes.layaway;
    const bool newLayaway = layaway && layaway->kind == LayawayWrite::New;
    if (newLayaway)
        outcome.layawayPath = newLayawayPath(layawayFolder, layaway->closedAt, layaway->salesperson);
    if (newLayaway && !writes.journal) {
        if (WriteResult written = createFileNew(outcome.layawayPath, layaway->bytes); !written)
            return failed(outcome, CloseOutcome::Layaway, written);
    } else if (layaway && !newLayaway) {
        if (WriteResult written = writeFileWhole(layaway->path, layaway->bytes); !written)
            return failed(outcome, CloseOutcome::Layaway, written);
        outcome.layawayPath = layaway->path;
    }
    if (writes.journal) {
        const JournalOutcome recorded =
            newLayaway ? journal.appendWithLayaway(*writes.journal, outcome.layawayPath, layaway->bytes)
                       : journal.append(*writes.journal);
        tell(outcome.notice, recorded.notice);
        if (!recorded.result) {
            outcome.layawayLeft = recorded.layawayLeft;
            return failed(outcome, recorded.layawayFailed ? CloseOutcome::Layaway : CloseOutcome::Journal,
                          recorded.result);
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
