#include "core/journal/journal.h"

#include "core/formats/record_file.h"
#include "core/formats/records.h"
#include "core/formats/shop_files.h"
#include "core/storage/fault_points.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <functional>
#include <optional>
#include <utility>

namespace pos {

namespace {

constexpr qint64 kChunk = qint64(1) << 20;
// An announcement holds a name and at most one journal record (five fields of at most 64 KB,
// percent-encoded): anything larger is none the program wrote.
constexpr qint64 kPendingLimit = qint64(4) << 20;
// The records appended since the last cutoff, one line each.
constexpr qint64 kAppendedLimit = qint64(64) << 20;
// The records of closed periods, 33 bytes each: the newest quarter million sales or so.
constexpr qint64 kClosedLimit = qint64(8) << 20;
// A layaway file: its balance and the lines of one receipt.
constexpr qint64 kLayawayLimit = qint64(64) << 20;

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QByteArray digest(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QByteArray encoded(const QString &text)
{
    return text.toUtf8().toPercentEncoding();
}

QString decoded(const QByteArray &line)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(line));
}

// A record without its line end: an editor that turns CR LF into LF changes no sale.
QByteArrayView bare(QByteArrayView line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

// Whether the line is one whole record as Close Order writes it: five quoted fields with no
// quote or line break inside, the first a receipt header line.
bool isJournalLine(QByteArrayView line)
{
    line = bare(line);
    qsizetype i = 0;
    for (int k = 0; k < kJournalShape.fields; ++k) {
        if ((k > 0 && (i >= line.size() || line[i++] != ',')) || i >= line.size() || line[i++] != '"')
            return false;
        if (k == 0 && !line.sliced(i).startsWith(kJournalShape.firstFieldStart))
            return false;
        while (i < line.size() && line[i] != '"' && line[i] != '\r' && line[i] != '\n')
            ++i;
        if (i >= line.size() || line[i++] != '"')
            return false;
    }
    return i == line.size();
}

// Reads the file chunk by chunk (opened without blocking, refused unless a regular file) and
// hands each piece to `take`, which says whether to read on. The failure, or nothing; a file
// that is missing is read as empty.
native::Failure readChunks(const QString &path, Names names, const std::function<bool(QByteArrayView)> &take)
{
    native::ReadFile file(path, names);
    bool missing = false;
    if (native::Failure failure = file.open(&missing); !failure.isEmpty() || missing)
        return failure;
    QByteArray chunk(kChunk, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(chunk.data(), chunk.size());
        if (got < 0)
            return QStringLiteral("it could not be read");
        if (got == 0 || !take(QByteArrayView(chunk.constData(), got)))
            return {};
    }
}

// Calls `take` with each line of the file (its line end included). The failure to read it to
// its end, or nothing: a read that fails is never taken for the end of the file. A missing file
// has no lines.
native::Failure forEachLine(const QString &path, Names names, const std::function<void(const QByteArray &)> &take)
{
    QByteArray line;
    const native::Failure failure = readChunks(path, names, [&](QByteArrayView chunk) {
        for (qsizetype from = 0; from < chunk.size();) {
            const qsizetype end = chunk.indexOf('\n', from);
            line += chunk.sliced(from, (end < 0 ? chunk.size() : end + 1) - from);
            // A line longer than any record is no record: only its start is kept to compare.
            if (line.size() > kChunk)
                line.truncate(kChunk);
            if (end < 0)
                break;
            take(line);
            line.clear();
            from = end + 1;
        }
        return true;
    });
    if (failure.isEmpty() && !line.isEmpty())
        take(line);
    return failure;
}

// Takes each of the file's lines off `left` (once for each time it is there), as records
// without their line ends. The failure to read it, or nothing.
native::Failure takeLinesOf(const QString &path, QHash<QByteArray, int> &left, Names names = Names::Followed)
{
    return forEachLine(path, names, [&](const QByteArray &line) {
        const auto found = left.find(bare(line).toByteArray());
        if (found != left.end() && found.value() > 0)
            --found.value();
    });
}

QHash<QByteArray, int> countOf(const QList<QByteArray> &records)
{
    QHash<QByteArray, int> count;
    for (const QByteArray &record : records)
        ++count[bare(record).toByteArray()];
    return count;
}

// Whether the file holds the bytes somewhere; read in chunks that overlap by the needle's size.
// Nullopt when the file is there and cannot be read.
std::optional<bool> fileContains(const QString &path, QByteArrayView needle)
{
    if (needle.isEmpty())
        return false;
    QByteArray carry;
    bool found = false;
    const native::Failure failure = readChunks(path, Names::Followed, [&](QByteArrayView piece) {
        const QByteArray chunk = carry + piece.toByteArray();
        found = chunk.contains(needle);
        carry = chunk.right(needle.size() - 1);
        return !found;
    });
    if (!failure.isEmpty())
        return std::nullopt;
    return found;
}

// A record as ".closed" notes it: the digest of its line without the line end, so that an
// editor that turns CR LF into LF brings back the same record.
QByteArray recordDigest(QByteArrayView line)
{
    return QCryptographicHash::hash(bare(line), QCryptographicHash::Sha256).toHex().left(32);
}

// The digests of the file's records as Close Order writes them; nullopt when it cannot be read.
std::optional<QList<QByteArray>> recordDigestsOf(const QString &path)
{
    QList<QByteArray> digests;
    const native::Failure failure = forEachLine(path, Names::Followed, [&](const QByteArray &line) {
        if (isJournalLine(line))
            digests << recordDigest(line);
    });
    if (!failure.isEmpty())
        return std::nullopt;
    return digests;
}

// The digest of the file's first `size` bytes; nullopt when it is shorter or cannot be read.
std::optional<QByteArray> digestOfStart(const QString &path, qint64 size)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    qint64 done = 0;
    const native::Failure failure = readChunks(path, Names::Followed, [&](QByteArrayView piece) {
        const qint64 take = qMin<qint64>(piece.size(), size - done);
        hash.addData(piece.first(take));
        done += take;
        return done < size;
    });
    if (!failure.isEmpty() || done < size)
        return std::nullopt;
    return hash.result().toHex();
}

// The receipt of a record, and the history its period was closed into.
QString closedReceipt(const QByteArray &line, const QString &history)
{
    return QStringLiteral("%1 (in \"%2\")").arg(FieldReader(line).readField(), shown(history));
}

QByteArray joined(const QList<QByteArray> &records)
{
    QByteArray bytes;
    for (const QByteArray &record : records)
        bytes += record;
    return bytes;
}

} // namespace

struct Journal::Pending
{
    enum Kind
    {
        Cutoff,
        Layaway,
        Unknown,
    };
    Kind kind = Unknown;
    QString file;
    qint64 bytes = 0; // a cutoff's journal bytes copied
    qint64 historyBytes = 0;
    QByteArray digest; // a layaway file's; a cutoff's journal bytes copied
    QByteArray record; // a layaway's journal record
};

Journal::Journal(const QString &path)
    : m_path(path)
{
}

Journal::~Journal() = default;

QString JournalOutcome::told() const
{
    QString text = result ? QString() : result.message;
    tell(text, notice);
    return text;
}

JournalOutcome Journal::open()
{
    JournalOutcome outcome;
    outcome.notice = load();
    return outcome;
}

QString Journal::load()
{
    m_opened = true;
    QString notice;
    m_appended.clear();
    m_appendedBehind = false;
    m_seen = {};
    tell(notice, loadClosed());
    const QString appended = appendedFile();
    const KeptRead read = readKeptFile(appended, kAppendedLimit);
    if (read.refused) {
        tell(notice, setAside(appended, read.failure));
    } else if (read.state == FileState::Unreadable) {
        tell(notice, QStringLiteral("Could not read \"%1\", which lists the sales this program recorded since the "
                                    "last cutoff: %2.")
                         .arg(shown(appended), read.failure));
    } else if (!read.content.isEmpty()) {
        const QByteArray &content = read.content;
        bool damaged = !content.endsWith('\n');
        for (const QByteArray &line : content.split('\n')) {
            if (line.isEmpty())
                continue;
            if (isJournalLine(line))
                m_appended << bare(line).toByteArray() + "\r\n";
            else
                damaged = true;
        }
        // A line a crash cut short (or anything the program never wrote) goes, so that the next
        // record starts a line of its own.
        if (damaged)
            tell(notice, writeAppended());
    }
    WriteResult finished;
    tell(notice, finishPendingWork(finished));
    tell(notice, finished.message);
    // While work is announced the journal is not what it will be once the work is done: a
    // period being closed is not a period removed.
    if (!workAnnounced())
        tell(notice, checkAppended());
    return notice;
}

QString Journal::ensureOpen(WriteResult &result)
{
    QString notice;
    if (!m_opened)
        notice = load();
    tell(notice, finishPendingWork(result));
    return notice;
}

JournalOutcome Journal::finish()
{
    JournalOutcome outcome;
    if (m_opened && !workAnnounced())
        outcome.notice = checkAppended();
    tell(outcome.notice, catchUpAppended());
    return outcome;
}

QString Journal::catchUpAppended()
{
    return m_appendedBehind ? writeAppended() : QString();
}

QString Journal::writeAppended()
{
    const WriteResult written = writeFileWhole(appendedFile(), joined(m_appended), Names::Kept);
    m_appendedBehind = !written;
    return written.message;
}

JournalOutcome Journal::prepare()
{
    JournalOutcome outcome;
    WriteResult finished;
    tell(outcome.notice, ensureOpen(finished));
    // Work a crash left that cannot be finished now is told; the sale is recorded all the same.
    tell(outcome.notice, finished.message);
    if (!workAnnounced())
        tell(outcome.notice, checkAppended());
    // Told when it failed; tried again before each sale and told again only at the end.
    (void)catchUpAppended();
    return outcome;
}

void Journal::appendPrepared(const QByteArray &bytes, JournalOutcome &outcome)
{
    // Held from the look at its end to the append: a record another program appends under the
    // journal's lock is whole by the time its end is judged.
    bool left = false;
    {
        native::HeldFile journal(m_path);
        if (const native::Failure failure = journal.open(); !failure.isEmpty())
            outcome.result = WriteResult::failure(shown(m_path), failure);
        else
            outcome.result = appendRecords(journal, bytes, kJournalShape, tornFile(), &left);
    }
    if (!outcome.result && left) {
        // The disk failed after the record was written, and it could not be taken out again:
        // it counts as recorded, so that a second close does not record it twice.
        tell(outcome.notice, outcome.result.message
                                 + QStringLiteral(". The sale was written into \"%1\" before the error and could "
                                                  "not be taken out again, so it counts as recorded: do not close "
                                                  "this order again, and have the disk checked.")
                                       .arg(shown(m_path)));
        outcome.result = {};
    }
    if (!outcome.result)
        return;
    m_appended << bytes;
    m_seen = native::stamp(m_path);
    bool keptAnyway = false;
    if (const WriteResult kept = appendDurably(appendedFile(), bytes, Names::Kept, &keptAnyway); !kept && !keptAnyway) {
        m_appendedBehind = true;
        tell(outcome.notice, kept.message
                                 + QStringLiteral(" The sale is recorded in \"%1\", but the program cannot look "
                                                  "for it there after another program changes the journal.")
                                       .arg(shown(m_path)));
    }
}

JournalOutcome Journal::recordSale(const JournalRecord &record)
{
    JournalOutcome outcome = prepare();
    appendPrepared(journalRecordBytes(record), outcome);
    return outcome;
}

JournalOutcome Journal::recordNewLayaway(const JournalRecord &record, const QString &layawayPath,
                                         const QByteArray &layawayBytes)
{
    JournalOutcome outcome = prepare();
    const QByteArray bytes = journalRecordBytes(record);
    // Announced first, so that a crash before the record lands takes the file away again.
    outcome.result = announce("layaway\n" + encoded(layawayPath) + '\n' + digest(layawayBytes) + '\n'
                              + bytes.toPercentEncoding() + '\n');
    if (outcome.result)
        outcome.result = createFileNew(layawayPath, layawayBytes);
    if (!outcome.result) {
        withdraw();
        outcome.layawayFailed = true;
        return outcome;
    }
    appendPrepared(bytes, outcome);
    // The layaway of an unrecorded sale is not kept; one that cannot be removed now stays
    // announced, so that the next close or start removes it.
    if (!outcome.result && !QFile::remove(layawayPath)) {
        outcome.layawayLeft = true;
        return outcome;
    }
    withdraw();
    return outcome;
}

namespace {

// The held journal as the source of a copy.
class HeldSource final : public CopySource
{
public:
    explicit HeldSource(native::HeldFile &file)
        : m_file(file)
    {
    }
    qint64 read(char *into, qint64 size) override { return m_file.read(into, size); }
    bool rewind() override { return m_file.rewind(); }

private:
    native::HeldFile &m_file;
};

} // namespace

WriteResult Journal::copyTo(const QString &to, CopiedFile &copied)
{
    // An absent journal stays absent: holding it would make it.
    if (!QFileInfo::exists(m_path)) {
        FileCopySource nothing(m_path);
        return WriteResult::failureTold(
            QStringLiteral("Could not read \"%1\" to copy it: %2.").arg(shown(m_path), nothing.open()));
    }
    native::HeldFile journal(m_path);
    if (const native::Failure failure = journal.open(); !failure.isEmpty()) {
        return WriteResult::failureTold(
            QStringLiteral("Could not read \"%1\" to copy it: %2.").arg(shown(m_path), failure));
    }
    const native::Stamp before = journal.stamp();
    HeldSource source(journal);
    WriteResult result = copyVerified(source, m_path, to, copied);
    if (result && (journal.stamp() != before || before.size != copied.size)) {
        // Another program wrote it without taking its lock.
        QFile::remove(to);
        result = WriteResult::failureTold(
            QStringLiteral("\"%1\" was changed by another program while it was copied; try again.").arg(shown(m_path)));
    }
    return result;
}

JournalOutcome Journal::cutOff(const QString &historyPath)
{
    JournalOutcome outcome;
    const QString nothingChanged = QStringLiteral(". The journal \"%1\" was left as it was.").arg(shown(m_path));
    if (const QString problem = historyProblem(historyPath); !problem.isEmpty()) {
        outcome.result = WriteResult::failureTold(
            QStringLiteral("\"%1\" cannot take the period: %2. Nothing was changed.").arg(shown(historyPath), problem));
        return outcome;
    }
    // A cutoff or close that a crash cut short is finished first.
    WriteResult finished;
    tell(outcome.notice, ensureOpen(finished));
    if (!finished || workAnnounced()) {
        outcome.result =
            !finished
                ? finished
                : WriteResult::failureTold(QStringLiteral("Work on \"%1\" announced in \"%2\" is not finished, so no "
                                                          "period can be closed now. Nothing was changed.")
                                               .arg(shown(m_path), shown(pendingFile())));
        return outcome;
    }
    const WriteResult unreadable =
        WriteResult::failureTold(QStringLiteral("Could not read \"%1\". Nothing was changed.").arg(shown(m_path)));
    const WriteResult changedMeanwhile = WriteResult::failureTold(
        QStringLiteral("\"%1\" was changed by another program while it was copied to \"%2\", so the period was "
                       "not closed and the journal was left as it is. Set the cutoff again.")
            .arg(shown(m_path), shown(historyPath)));

    // Held from the copy to the emptying: no sale another program appends meanwhile is lost.
    native::HeldFile journal(m_path);
    if (const native::Failure failure = journal.open(); !failure.isEmpty()) {
        outcome.result = WriteResult::failureTold(
            QStringLiteral("Could not hold \"%1\" to close the period: %2").arg(shown(m_path), failure)
            + nothingChanged);
        return outcome;
    }
    // The start of a record a crash left at the end goes aside, not into the history: judged
    // only now that the journal is held, so that a record another program appends under its
    // lock is never taken for one.
    const qint64 before = journal.stamp().size;
    if (WriteResult mended = setAsideCutShortRecord(journal, kJournalShape, tornFile()); !mended) {
        mended.message += nothingChanged;
        outcome.result = mended;
        return outcome;
    }
    if (journal.stamp().size != before)
        tell(outcome.notice, QStringLiteral("The start of a record a crash cut short at the end of \"%1\" was set "
                                            "aside in \"%2\".")
                                 .arg(shown(m_path), shown(tornFile())));
    // Sales another program removed are kept before the rest goes into the history.
    tell(outcome.notice, checkAppended());

    // The journal's bytes, unchanged, but for records of periods closed before (an editor's
    // older copy brought them back): their own histories hold them. A history not committed
    // leaves no trace.
    StreamedFileWriter history(historyPath);
    QCryptographicHash copiedDigest(QCryptographicHash::Sha256);
    QByteArray chunk(kChunk, Qt::Uninitialized);
    QByteArray line;
    bool longLine = false;
    QList<QByteArray> moved;
    QStringList leftOut;
    qint64 copied = 0;
    qint64 written = 0;
    bool writing = true;
    const auto copy = [&](QByteArrayView bytes) {
        written += bytes.size();
        writing = writing && history.write(bytes);
    };
    // A line no longer than a chunk is judged whole; a longer one is no record, and goes as it is.
    // A record this program appended in this period is of this period, whatever it looks like.
    QHash<QByteArray, int> ours = countOf(m_appended);
    const auto copyLine = [&] {
        if (const auto own = ours.find(bare(line).toByteArray()); own != ours.end() && own.value() > 0) {
            --own.value();
            moved << recordDigest(line);
        } else if (isJournalLine(line)) {
            const QByteArray digest = recordDigest(line);
            if (const auto closed = m_closed.constFind(digest); closed != m_closed.cend()) {
                leftOut << closedReceipt(line, closed.value());
                return;
            }
            moved << digest;
        }
        copy(line);
    };
    while (writing) {
        const qint64 got = journal.read(chunk.data(), chunk.size());
        if (got < 0) {
            outcome.result = unreadable;
            return outcome;
        }
        if (got == 0)
            break;
        copied += got;
        const QByteArrayView bytes(chunk.constData(), got);
        copiedDigest.addData(bytes);
        for (qsizetype from = 0; writing && from < bytes.size();) {
            const qsizetype end = bytes.indexOf('\n', from);
            const QByteArrayView piece = bytes.sliced(from, (end < 0 ? bytes.size() : end + 1) - from);
            from += piece.size();
            if (longLine) {
                copy(piece);
            } else {
                line += piece;
                if (line.size() > kChunk) {
                    copy(line);
                    line.clear();
                    longLine = true;
                } else if (end >= 0) {
                    copyLine();
                    line.clear();
                }
            }
            if (end >= 0)
                longLine = false;
        }
    }
    if (writing && !line.isEmpty())
        copyLine();
    const native::Stamp copiedStamp = journal.stamp();
    if (writing) {
        if (copiedStamp.size != copied) {
            outcome.result = changedMeanwhile;
            return outcome;
        }
        // The history by its name inside the shop folder, so that a shop folder moved elsewhere
        // can still finish it.
        const QString named = QDir(shopFolder()).relativeFilePath(QFileInfo(historyPath).absoluteFilePath());
        outcome.result = announce("cutoff\n" + encoded(named) + '\n' + QByteArray::number(copied) + '\n'
                                  + copiedDigest.result().toHex() + '\n' + QByteArray::number(written) + '\n');
        if (!outcome.result) {
            outcome.result.message += nothingChanged;
            return outcome;
        }
    }
    outcome.result = history.commit();
    if (!outcome.result) {
        withdraw();
        outcome.result.message += nothingChanged;
        return outcome;
    }
    if (journal.stamp() != copiedStamp) {
        // Another program wrote the journal after it was copied: the history would hold sales
        // the journal still holds, or miss the new ones, so it goes again.
        QFile::remove(historyPath);
        withdraw();
        outcome.result = changedMeanwhile;
        return outcome;
    }
    if (const native::Failure failure = journal.empty(); !failure.isEmpty()) {
        // The announcement stays: the next close, cutoff or start finishes the cutoff.
        outcome.result = WriteResult::failureTold(
            QStringLiteral("Could not empty \"%1\": %2. The history \"%3\" holds its sales; the cutoff will be "
                           "finished at the next sale or start of the program.")
                .arg(shown(m_path), failure, shown(historyPath)));
        return outcome;
    }
    if (!leftOut.isEmpty())
        tell(outcome.notice,
             QStringLiteral("These sales of periods closed earlier were back in \"%1\" (a text editor saving a copy "
                            "it had open before a cutoff?). Their own histories hold them, so they were left out of "
                            "\"%2\":\n\n%3")
                 .arg(shown(m_path), shown(historyPath), leftOut.join(QLatin1Char('\n'))));
    // The period is closed once its records are noted and every sale appended is known to be in
    // the history; until then the announcement stays, and the next operation finishes it.
    QString failure = rememberClosed(historyPath, moved);
    if (failure.isEmpty())
        failure = forgetAllAppended();
    if (!failure.isEmpty()) {
        outcome.result = WriteResult::failureTold(
            QStringLiteral("The period was closed into \"%1\", but %2 The cutoff will be finished at the next sale or "
                           "start of the program.")
                .arg(shown(historyPath), failure));
        return outcome;
    }
    withdraw();
    return outcome;
}

QString Journal::historyProblem(const QString &historyPath) const
{
    if (const QString problem = fileNameProblem(historyPath); !problem.isEmpty())
        return problem;
    QString own = programFileNamed(historyPath);
    for (const QString &name : {m_path, pendingFile(), appendedFile(), recoveredFile(), tornFile(), closedFile()}) {
        if (own.isEmpty() && sameFile(historyPath, name))
            own = name;
    }
    if (!own.isEmpty())
        return QStringLiteral("it is the program's own file \"%1\"").arg(shown(own));
    if (isTemporaryName(historyPath))
        return QStringLiteral("its name has the shape of the program's temporary files (\"*%1??????%2\"), which "
                              "the program removes")
            .arg(QLatin1String(native::kTemporaryInfix), QLatin1String(native::kTemporarySuffix));
    if (const QString problem = insideShopProblem(historyPath); !problem.isEmpty())
        return problem;
    const QFileInfo info(historyPath);
    if (info.exists() && !info.isFile())
        return QStringLiteral("it is not a regular file");
    return {};
}

QString Journal::insideShopProblem(const QString &path) const
{
    const QFileInfo info(path);
    if (info.isSymLink() || info.isJunction())
        return QStringLiteral("it is a link");
    const QString shop = QFileInfo(m_path).absolutePath();
    const QString folder = info.absolutePath();
    const QString realFolder = QFileInfo(folder).canonicalFilePath();
    const QString realShop = QFileInfo(shop).canonicalFilePath();
    if (realFolder.isEmpty() || realShop.isEmpty())
        return QStringLiteral("its folder does not exist");
    // The folder as named and as reached must be the same way down from the shop folder.
    if (QDir(shop).relativeFilePath(folder) != QDir(realShop).relativeFilePath(realFolder))
        return QStringLiteral("it is reached through a link");
    for (QString up = realFolder;; up = QFileInfo(up).path()) {
        if (sameFile(up, realShop))
            return {};
        if (QFileInfo(up).path() == up)
            break;
    }
    return QStringLiteral("it is outside the shop folder \"%1\"").arg(shown(shop));
}

WriteResult Journal::announce(const QByteArray &text)
{
    if (text.size() > kPendingLimit)
        return WriteResult::failure(shown(pendingFile()), QStringLiteral("the work is too large to announce"));
    return writeFileWhole(pendingFile(), text, Names::Kept);
}

void Journal::withdraw()
{
    QFile::remove(pendingFile());
    faultPoint("pending: withdrawn");
}

QString Journal::setAside(const QString &companion, const QString &why)
{
    QString aside = companion + QStringLiteral(".set-aside");
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = companion + QStringLiteral(".set-aside-%1").arg(n);
    if (!QFile::rename(companion, aside))
        return QStringLiteral("\"%1\" cannot be trusted (%2) and could not be set aside: remove it by hand.")
            .arg(shown(companion), why);
    return QStringLiteral("\"%1\" cannot be trusted (%2), so nothing was done by it: it was set aside as \"%3\".")
        .arg(shown(companion), why, shown(aside));
}

QString Journal::finishPendingWork(WriteResult &result)
{
    result = {};
    const QString pendingPath = pendingFile();
    const KeptRead read = readKeptFile(pendingPath, kPendingLimit);
    if (read.state == FileState::Missing)
        return {};
    if (read.refused)
        return setAside(pendingPath,
                        QStringLiteral("it is not a file the program could have written: %1").arg(read.failure));
    const std::optional<QByteArray> content =
        read.state == FileState::Read ? std::optional<QByteArray>(read.content) : std::nullopt;
    if (!content) {
        result = WriteResult::failureTold(
            QStringLiteral("Could not read \"%1\", which tells of work on the journal that a crash cut short.")
                .arg(shown(pendingPath)));
        return {};
    }
    const QList<QByteArray> lines = content->split('\n');
    Pending pending;
    bool known = false;
    // Names inside the shop folder are relative to it; an absolute one (as earlier versions
    // wrote) is taken when it lies inside it.
    const auto named = [&](const QByteArray &line) { return QDir(shopFolder()).filePath(decoded(line)); };
    if (lines.value(0) == "cutoff" && lines.size() >= 3 && !lines.at(1).isEmpty()) {
        pending.kind = Pending::Cutoff;
        pending.file = named(lines.at(1));
        pending.bytes = lines.at(2).toLongLong(&known);
        known = known && pending.bytes >= 0;
        pending.historyBytes = pending.bytes;
        // Earlier versions named no digest: their history holds the journal's bytes unchanged.
        if (known && lines.size() >= 5 && !lines.at(3).isEmpty()) {
            pending.digest = lines.at(3);
            pending.historyBytes = lines.at(4).toLongLong(&known);
            known = known && pending.digest.size() == 64 && pending.historyBytes >= 0;
        }
    } else if (lines.value(0) == "layaway" && lines.size() >= 4 && !lines.at(1).isEmpty()) {
        pending.kind = Pending::Layaway;
        pending.file = named(lines.at(1));
        pending.digest = lines.at(2);
        pending.record = QByteArray::fromPercentEncoding(lines.at(3));
        known = pending.digest.size() == 64 && isJournalLine(pending.record);
    }
    if (!known)
        return setAside(pendingPath, QStringLiteral("it tells of no work the program does"));
    return pending.kind == Pending::Cutoff ? finishCutoff(pending, result) : finishLayaway(pending, result);
}

QString Journal::finishCutoff(const Pending &pending, WriteResult &result)
{
    if (const QString problem = historyProblem(pending.file); !problem.isEmpty())
        return setAside(pendingFile(),
                        QStringLiteral("it names \"%1\" as a history, and %2").arg(shown(pending.file), problem));
    // Held for the whole of the work, as the cutoff held it.
    native::HeldFile journal(m_path);
    if (const native::Failure failure = journal.open(); !failure.isEmpty()) {
        result = WriteResult::failureTold(
            QStringLiteral("A cutoff into \"%1\" was cut short by a crash, and \"%2\" cannot be held to finish it: %3.")
                .arg(shown(pending.file), shown(m_path), failure));
        return {};
    }
    const QFileInfo history(pending.file);
    if (!history.isFile() || history.size() != pending.historyBytes) {
        // The history never took its place: the journal holds every sale still.
        withdraw();
        return QStringLiteral("A cutoff into \"%1\" was cut short by a crash before the period was closed. "
                              "\"%2\" was left as it was: set the cutoff again.")
            .arg(shown(pending.file), shown(m_path));
    }
    const QByteArray copied =
        pending.digest.isEmpty() ? digestOfStart(pending.file, pending.bytes).value_or("-") : pending.digest;
    const qint64 size = journal.stamp().size;
    const std::optional<QByteArray> start =
        size >= pending.bytes ? digestOfStart(m_path, pending.bytes) : std::optional<QByteArray>();
    QString notice;
    if (start == copied && size > pending.bytes) {
        // Sales were added after the copy: the journal holds all of them, so the copy goes.
        if (!QFile::remove(pending.file)) {
            result = WriteResult::failureTold(
                QStringLiteral("Could not remove \"%1\", the history of a cutoff a crash cut short; the journal "
                               "\"%2\" still holds its sales.")
                    .arg(shown(pending.file), shown(m_path)));
            return {};
        }
        withdraw();
        return QStringLiteral("A cutoff into \"%1\" was cut short by a crash, and sales were added to \"%2\" "
                              "since. The cutoff was undone: the journal holds every sale, and \"%1\" was "
                              "removed. Set the cutoff again.")
            .arg(shown(pending.file), shown(m_path));
    }
    if (start == copied && size > 0) {
        if (const native::Failure failure = journal.empty(); !failure.isEmpty()) {
            result = WriteResult::failureTold(
                QStringLiteral("Could not empty \"%1\": %2. A cutoff into \"%3\" was cut short, and the journal "
                               "still holds the sales copied there.")
                    .arg(shown(m_path), failure, shown(pending.file)));
            return {};
        }
        notice = QStringLiteral("A cutoff into \"%1\" was cut short by a crash. It has now been finished: the "
                                "sales copied there were taken out of \"%2\".")
                     .arg(shown(pending.file), shown(m_path));
    } else if (start != copied) {
        // Emptied, and perhaps appended to since by another program: finished when the journal
        // holds none of the period's records. Anything else (an editor's older copy, line ends
        // changed, a line taken out) is not the journal the cutoff left, and is the owner's to
        // settle: the announcement stays.
        const std::optional<QList<QByteArray>> period = recordDigestsOf(pending.file);
        const QSet<QByteArray> closed =
            period ? QSet<QByteArray>(period->cbegin(), period->cend()) : QSet<QByteArray>();
        bool holdsPeriod = false;
        const bool read = period && forEachLine(m_path, Names::Followed, [&](const QByteArray &line) {
                                        holdsPeriod =
                                            holdsPeriod || (isJournalLine(line) && closed.contains(recordDigest(line)));
                                    }).isEmpty();
        if (!read || holdsPeriod) {
            result = WriteResult::failureTold(
                read ? QStringLiteral("A cutoff into \"%1\" was cut short by a crash, and \"%2\" was changed since: "
                                      "it still holds sales copied there, so the cutoff could not be finished. Take "
                                      "out of \"%2\" the sales \"%1\" holds (or remove \"%1\"), then remove \"%3\".")
                           .arg(shown(pending.file), shown(m_path), shown(pendingFile()))
                     : QStringLiteral("A cutoff into \"%1\" was cut short by a crash, and it cannot be finished while "
                                      "\"%1\" or \"%2\" cannot be read.")
                           .arg(shown(pending.file), shown(m_path)));
            return {};
        }
    }
    if (const QString failure = completeCutoff(pending.file); !failure.isEmpty()) {
        result = WriteResult::failureTold(
            QStringLiteral("A cutoff into \"%1\" was cut short by a crash, and could not be finished yet: %2 It is "
                           "tried again at the next sale or start of the program.")
                .arg(shown(pending.file), failure));
        return notice;
    }
    withdraw();
    return notice;
}

QString Journal::finishLayaway(const Pending &pending, WriteResult &result)
{
    QString problem;
    if (!pending.file.endsWith(QLatin1String(".lwy"), Qt::CaseInsensitive))
        problem = QStringLiteral("it is not a layaway file");
    else
        problem = historyProblem(pending.file);
    if (!problem.isEmpty())
        return setAside(pendingFile(),
                        QStringLiteral("it names \"%1\" as a layaway, and %2").arg(shown(pending.file), problem));
    QString notice;
    const std::optional<bool> recorded = fileContains(m_path, bare(pending.record));
    if (!recorded) {
        // Whether its sale was recorded cannot be told: the layaway stays, and stays announced.
        result = WriteResult::failureTold(
            QStringLiteral("Could not read \"%1\" to tell whether the layaway \"%2\" of a close a crash cut short was "
                           "recorded.")
                .arg(shown(m_path), shown(pending.file)));
        return {};
    }
    if (*recorded) {
        // Recorded: looked for from now on, should the crash have come before it was noted.
        const QByteArray record = bare(pending.record).toByteArray() + "\r\n";
        if (!m_appended.contains(record)) {
            m_appended << record;
            tell(notice, appendDurably(appendedFile(), record, Names::Kept).message);
        }
    } else {
        const KeptRead made = readKeptFile(pending.file, kLayawayLimit);
        if (made.state == FileState::Read && digest(made.content) == pending.digest) {
            if (!QFile::remove(pending.file)) {
                result = WriteResult::failureTold(
                    QStringLiteral("Could not remove \"%1\", the layaway of a close that was cut short before its "
                                   "sale was recorded.")
                        .arg(shown(pending.file)));
                return {};
            }
            notice = QStringLiteral("A layaway's close was cut short before its sale was recorded, so its file "
                                    "\"%1\" was removed. Ring the layaway up again.")
                         .arg(shown(pending.file));
        }
    }
    withdraw();
    return notice;
}

QString Journal::checkAppended()
{
    if (m_appended.isEmpty() && m_closed.isEmpty())
        return {};
    const native::Stamp now = native::stamp(m_path);
    if (now == m_seen)
        return {};
    m_seen = now;

    // Another program wrote the journal: each record appended must still be one of its lines,
    // as often as it was appended, and no record of a closed period may be one.
    QHash<QByteArray, int> missing = countOf(m_appended);
    QStringList back;
    const native::Failure unread = forEachLine(m_path, Names::Followed, [&](const QByteArray &line) {
        const auto found = missing.find(bare(line).toByteArray());
        if (found != missing.end() && found.value() > 0) {
            --found.value();
            return;
        }
        if (!m_closed.isEmpty() && isJournalLine(line)) {
            if (const auto closed = m_closed.constFind(recordDigest(line)); closed != m_closed.cend())
                back << closedReceipt(line, closed.value());
        }
    });
    if (!unread.isEmpty()) {
        // A journal that cannot be read is no journal from which sales were removed: looked at
        // again at the next operation.
        m_seen = {};
        return QStringLiteral("Could not read \"%1\" to look for the sales this program recorded: %2.")
            .arg(shown(m_path), unread);
    }
    QString text;
    if (!back.isEmpty())
        text = QStringLiteral("These sales of periods already closed are back in \"%1\" (a text editor saving a copy "
                              "it had open before a cutoff?). Their histories hold them, so the journal's report "
                              "counts them a second time until the next cutoff, which leaves them out:\n\n%2")
                   .arg(shown(m_path), back.join(QLatin1Char('\n')));
    QList<QByteArray> lost;
    QList<QByteArray> kept;
    QStringList receipts;
    for (const QByteArray &record : std::as_const(m_appended)) {
        int &left = missing[bare(record).toByteArray()];
        if (left > 0) {
            --left;
            lost << record;
            receipts << FieldReader(record).readField();
        } else {
            kept << record;
        }
    }
    if (lost.isEmpty())
        return text;

    // A look cut short by a crash may have kept some of them already: each is kept once.
    QHash<QByteArray, int> unkept = countOf(lost);
    const native::Failure recoveredUnread = takeLinesOf(recoveredFile(), unkept, Names::Kept);
    QList<QByteArray> toKeep;
    for (const QByteArray &record : std::as_const(lost)) {
        if (int &left = unkept[bare(record).toByteArray()]; left > 0) {
            --left;
            toKeep << record;
        }
    }
    // Which of them it holds already is not known of a file that cannot be read: none is kept
    // twice, so none is kept now.
    const WriteResult saved = !recoveredUnread.isEmpty() ? WriteResult::failure(shown(recoveredFile()), recoveredUnread)
                              : toKeep.isEmpty()         ? WriteResult{}
                                                         : appendRecords(recoveredFile(), joined(toKeep), kJournalShape,
                                                                         recoveredFile() + kTornSuffix, Names::Kept);
    tell(text, QStringLiteral("Sales this program recorded are no longer in \"%1\": another program removed or "
                              "changed them (a text editor saving a copy it had open?).\n\n%2")
                   .arg(shown(m_path), receipts.join(QLatin1Char('\n'))));
    if (!saved) {
        // Still remembered, and looked for again at the next operation.
        m_seen = {};
        tell(text, QStringLiteral("They could not be kept either: %1").arg(saved.message));
        return text;
    }
    tell(text, QStringLiteral("They were kept in \"%1\". Put them back into \"%2\" unless they were removed on "
                              "purpose.")
                   .arg(shown(recoveredFile()), shown(m_path)));
    m_appended = kept;
    tell(text, writeAppended());
    return text;
}

QString Journal::forgetAppendedIn(const QString &historyPath)
{
    // Nothing to forget only when the list is known to be empty: one that could not be read at
    // the start may still name sales that are in the history now.
    if (m_appended.isEmpty()) {
        const QFileInfo list(appendedFile());
        if (!list.exists() || (list.isFile() && list.size() == 0))
            return {};
        return writeAppended();
    }
    QHash<QByteArray, int> inHistory = countOf(m_appended);
    const QHash<QByteArray, int> all = inHistory;
    if (const native::Failure unread = takeLinesOf(historyPath, inHistory); !unread.isEmpty())
        return QStringLiteral("\"%1\" cannot be read: %2.").arg(shown(historyPath), unread);
    QList<QByteArray> kept;
    QHash<QByteArray, int> taken;
    for (const QByteArray &record : std::as_const(m_appended)) {
        const QByteArray key = bare(record).toByteArray();
        // all - inHistory of each record were found in the history.
        if (taken[key] < all.value(key) - inHistory.value(key))
            ++taken[key];
        else
            kept << record;
    }
    m_appended = kept;
    return writeAppended();
}

QString Journal::forgetAllAppended()
{
    m_appended.clear();
    m_seen = {};
    if (!QFileInfo::exists(appendedFile()) || emptyFileInPlace(appendedFile(), Names::Kept)
        || QFile::remove(appendedFile())) {
        m_appendedBehind = false;
        return {};
    }
    return QStringLiteral("could not empty \"%1\", which lists the sales this program recorded since the last "
                          "cutoff.")
        .arg(shown(appendedFile()));
}

QString Journal::loadClosed()
{
    m_closed.clear();
    const QString path = closedFile();
    KeptRead read = readKeptFile(path, 4 * kClosedLimit);
    if (read.refused)
        return setAside(path, read.failure);
    if (read.state == FileState::Unreadable)
        return QStringLiteral("Could not read \"%1\", which lists the sales of closed periods: %2. Until it reads, "
                              "sales a text editor brings back into \"%3\" from a closed period go unnoticed.")
            .arg(shown(path), read.failure, shown(m_path));
    std::optional<QByteArray> content = std::move(read.content);
    QString notice;
    // The oldest periods go once the list outgrows its bound.
    if (content->size() > kClosedLimit) {
        const qsizetype from = content->indexOf("\nhistory ", content->size() - kClosedLimit / 2);
        *content = from < 0 ? QByteArray() : content->mid(from);
        notice = writeFileWhole(path, *content, Names::Kept).message;
    }
    QString history;
    for (const QByteArray &line : content->split('\n')) {
        if (line.startsWith("history "))
            history = decoded(line.mid(8));
        else if (line.size() == 32)
            m_closed.insert(line, history);
    }
    return notice;
}

QString Journal::rememberClosed(const QString &historyPath, const QList<QByteArray> &digests)
{
    // Each block starts a line of its own, even after a block a crash cut short.
    const QString named = QDir(shopFolder()).relativeFilePath(QFileInfo(historyPath).absoluteFilePath());
    QByteArray block = "\nhistory " + encoded(named) + '\n';
    bool known = true;
    for (const QByteArray &digest : digests) {
        known = known && m_closed.contains(digest);
        block += digest + '\n';
    }
    if (known)
        return {};
    if (const WriteResult kept = appendDurably(closedFile(), block, Names::Kept); !kept)
        return kept.message;
    for (const QByteArray &digest : digests)
        m_closed.insert(digest, named);
    return {};
}

QString Journal::completeCutoff(const QString &historyPath)
{
    const std::optional<QList<QByteArray>> digests = recordDigestsOf(historyPath);
    if (!digests)
        return QStringLiteral("\"%1\" cannot be read.").arg(shown(historyPath));
    QString failure = rememberClosed(historyPath, *digests);
    if (failure.isEmpty())
        failure = forgetAppendedIn(historyPath);
    return failure;
}

bool Journal::workAnnounced() const
{
    return QFileInfo::exists(pendingFile()) || QFileInfo(pendingFile()).isSymLink();
}

QString Journal::shopFolder() const
{
    return QFileInfo(m_path).absolutePath();
}

} // namespace pos
