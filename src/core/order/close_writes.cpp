#include "core/order/close_writes.h"

#include "core/formats/file_limits.h"
#include "core/formats/layaway_file.h"
#include "core/storage/file_io.h"

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
    const auto *newLayaway = std::get_if<CloseWrites::NewLayaway>(&writes.records);
    const auto *payment = std::get_if<CloseWrites::LayawayPayment>(&writes.records);
    // A layaway its reader would refuse (a line longer than 64 KB) is not written at all.
    if (newLayaway || payment) {
        const QByteArray &bytes = newLayaway ? newLayaway->bytes : payment->bytes;
        if (const Refusal refusal = refusalOf(bytes, kListFileLimits); refusal != Refusal::None) {
            const QString name =
                newLayaway ? layawayFileName(newLayaway->closedAt, newLayaway->salesperson) : payment->path;
            return failed(outcome, CloseOutcome::Layaway, refusedWrite(name, refusal, kListFileLimits));
        }
    }

    // The receipt and a layaway paid on are the program's own files: never written through a
    // link or under a second name, so that no write lands outside the shop folder.
    StagedWrite receipt(receiptPath, Names::Kept);
    if (WriteResult staged = receipt.stage(writes.receipt); !staged)
        return failed(outcome, CloseOutcome::Receipt, staged);

    JournalOutcome recorded;
    if (payment) {
        if (WriteResult written = writeFileWhole(payment->path, payment->bytes, Names::Kept); !written)
            return failed(outcome, CloseOutcome::Layaway, written);
        outcome.layawayPath = payment->path;
    } else if (newLayaway) {
        outcome.layawayPath = newLayawayPath(layawayFolder, newLayaway->closedAt, newLayaway->salesperson);
        recorded = journal.recordNewLayaway(newLayaway->record, outcome.layawayPath, newLayaway->bytes);
    } else if (const auto *sale = std::get_if<CloseWrites::Sale>(&writes.records)) {
        recorded = journal.recordSale(sale->record);
    }
    tell(outcome.notice, recorded.notice);
    if (!recorded.result) {
        outcome.layawayLeft = recorded.layawayLeft;
        return failed(outcome, recorded.layawayFailed ? CloseOutcome::Layaway : CloseOutcome::Journal, recorded.result);
    }

    if (WriteResult committed = receipt.commit(); !committed) {
        const bool recordedAnything = !std::holds_alternative<CloseWrites::ReceiptOnly>(writes.records);
        outcome.result = recordedAnything ? CloseOutcome::RecordedWithoutReceipt : CloseOutcome::NothingWritten;
        outcome.failed = CloseOutcome::Receipt;
        outcome.message = committed.message;
    }
    return outcome;
}

} // namespace pos
