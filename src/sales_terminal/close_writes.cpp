#include "sales_terminal/close_writes.h"

#include "common/file_limits.h"
#include "common/fileio.h"
#include "common/journal_guard.h"
#include "sales_terminal/layaway.h"

#include <QFile>

namespace pos {

namespace {

CloseOutcome failed(CloseOutcome outcome, CloseOutcome::Step step, const WriteResult &result)
{
    outcome.result = CloseOutcome::NothingWritten;
    outcome.failed = step;
    outcome.message = result.message;
    return outcome;
}

void tell(QString &notice, const QString &text)
{
    if (text.isEmpty())
        return;
    if (!notice.isEmpty())
        notice += QStringLiteral("\n\n");
    notice += text;
}

} // namespace

CloseOutcome writeClose(const CloseWrites &writes, const QString &receiptPath, const QString &journalPath,
                        const QString &layawayFolder)
{
    CloseOutcome outcome;
    const Finished earlier = finishPendingWork(journalPath);
    tell(outcome.notice, earlier.notice);
    tell(outcome.notice, earlier.result.message);

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

    QString newLayaway;
    if (const std::optional<LayawayWrite> &layaway = writes.layaway) {
        WriteResult written;
        if (layaway->kind == LayawayWrite::New) {
            newLayaway = newLayawayPath(layawayFolder, layaway->closedAt, layaway->salesperson);
            if (writes.journal)
                written = announceNewLayaway(journalPath, newLayaway, layaway->bytes,
                                             journalRecordBytes(*writes.journal));
            if (written)
                written = createFileNew(newLayaway, layaway->bytes);
            if (!written) {
                withdrawAnnouncement(journalPath);
                return failed(outcome, CloseOutcome::Layaway, written);
            }
        } else {
            written = writeFileWhole(layaway->path, layaway->bytes);
            if (!written)
                return failed(outcome, CloseOutcome::Layaway, written);
        }
        outcome.layawayPath = layaway->kind == LayawayWrite::New ? newLayaway : layaway->path;
    }

    if (writes.journal) {
        QString lost;
        const WriteResult appended = appendJournalRecord(*writes.journal, journalPath, &lost);
        tell(outcome.notice, lost);
        if (!appended) {
            // The layaway of an unrecorded sale is not kept.
            if (!newLayaway.isEmpty()) {
                QFile::remove(newLayaway);
                withdrawAnnouncement(journalPath);
            }
            return failed(outcome, CloseOutcome::Journal, appended);
        }
    }
    if (!newLayaway.isEmpty())
        withdrawAnnouncement(journalPath);

    if (WriteResult committed = receipt.commit(); !committed) {
        const bool recorded = writes.layaway || writes.journal;
        outcome.result = recorded ? CloseOutcome::RecordedWithoutReceipt : CloseOutcome::NothingWritten;
        outcome.failed = CloseOutcome::Receipt;
        outcome.message = committed.message;
    }
    return outcome;
}

} // namespace pos
