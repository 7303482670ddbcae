#include "common/journal_guard.h"

#include "common/fault_points.h"
#include "common/native_file.h"
#include "common/records.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>

#include <map>

namespace pos {

namespace {

constexpr qint64 kChunk = qint64(1) << 20;

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QByteArray digest(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// Whether the file holds the bytes somewhere; read in chunks that overlap by the needle's size.
bool fileContains(const QString &path, const QByteArray &needle)
{
    QFile file(path);
    if (needle.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    QByteArray carry;
    while (!file.atEnd()) {
        const QByteArray chunk = carry + file.read(kChunk);
        if (chunk.size() == carry.size())
            break;
        if (chunk.contains(needle))
            return true;
        carry = chunk.right(needle.size() - 1);
    }
    return false;
}

// Whether the journal's first `size` bytes are exactly the history's bytes.
bool startsWithFile(const QString &journalPath, const QString &historyPath, qint64 size)
{
    QFile journal(journalPath);
    QFile history(historyPath);
    if (!journal.open(QIODevice::ReadOnly) || !history.open(QIODevice::ReadOnly))
        return false;
    if (history.size() != size || journal.size() < size)
        return false;
    for (qint64 done = 0; done < size;) {
        const qint64 want = qMin(kChunk, size - done);
        const QByteArray a = journal.read(want);
        const QByteArray b = history.read(want);
        if (a.size() != want || a != b)
            return false;
        done += want;
    }
    return true;
}

QByteArray encoded(const QString &text)
{
    return text.toUtf8().toPercentEncoding();
}

QString decoded(const QByteArray &line)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(line));
}

// Takes the first bytes off the journal; what follows them stays.
WriteResult takeOffStart(const QString &journalPath, qint64 bytes)
{
    QFile journal(journalPath);
    if (!journal.open(QIODevice::ReadOnly) || !journal.seek(bytes))
        return WriteResult::failure(shown(journalPath), journal.errorString());
    const QByteArray rest = journal.readAll();
    if (journal.error() != QFileDevice::NoError)
        return WriteResult::failure(shown(journalPath), journal.errorString());
    journal.close();
    return rest.isEmpty() ? emptyFileInPlace(journalPath) : writeFileWhole(journalPath, rest);
}

} // namespace

QString pendingFileOf(const QString &journalPath)
{
    return journalPath + QStringLiteral(".pending");
}

QString recoveredFileOf(const QString &journalPath)
{
    return journalPath + QStringLiteral(".recovered");
}

WriteResult announceCutoff(const QString &journalPath, const QString &historyPath, qint64 bytesCopied)
{
    const QByteArray text = "cutoff\n" + encoded(historyPath) + '\n' + QByteArray::number(bytesCopied) + '\n';
    return writeFileWhole(pendingFileOf(journalPath), text);
}

WriteResult announceNewLayaway(const QString &journalPath, const QString &layawayPath,
                               const QByteArray &layawayBytes, const QByteArray &journalRecord)
{
    const QByteArray text = "layaway\n" + encoded(layawayPath) + '\n' + digest(layawayBytes) + '\n'
                            + journalRecord.toPercentEncoding() + '\n';
    return writeFileWhole(pendingFileOf(journalPath), text);
}

void withdrawAnnouncement(const QString &journalPath)
{
    QFile::remove(pendingFileOf(journalPath));
    faultPoint("pending: withdrawn");
}

Finished finishPendingWork(const QString &journalPath)
{
    const QString pending = pendingFileOf(journalPath);
    if (!QFile::exists(pending))
        return {};
    const std::optional<QByteArray> content = readRawFile(pending);
    if (!content)
        return {WriteResult::failureTold(QStringLiteral("Could not read \"%1\", which tells of work on the journal "
                                                        "that a crash cut short.")
                                             .arg(shown(pending))),
                {}};
    const QList<QByteArray> lines = content->split('\n');
    Finished finished;
    if (lines.value(0) == "cutoff" && lines.size() >= 3) {
        const QString history = decoded(lines.at(1));
        bool known = false;
        const qint64 bytes = lines.at(2).toLongLong(&known);
        if (known && bytes > 0 && startsWithFile(journalPath, history, bytes)) {
            finished.result = takeOffStart(journalPath, bytes);
            if (!finished.result) {
                finished.result.message += QStringLiteral(" A cutoff into \"%1\" was cut short: the journal still "
                                                          "holds the sales copied there.")
                                               .arg(shown(history));
                return finished;
            }
            finished.notice = QStringLiteral("A cutoff into \"%1\" was cut short by a crash. It has now been finished: "
                                             "the sales copied there were taken out of \"%2\".")
                                  .arg(shown(history), shown(journalPath));
            forgetAppendedRecords(journalPath);
        }
    } else if (lines.value(0) == "layaway" && lines.size() >= 4) {
        const QString layaway = decoded(lines.at(1));
        const QByteArray record = QByteArray::fromPercentEncoding(lines.at(3));
        if (!fileContains(journalPath, record)) {
            const std::optional<QByteArray> made = readRawFile(layaway);
            if (made && digest(*made) == lines.at(2)) {
                if (!QFile::remove(layaway))
                    return {WriteResult::failureTold(QStringLiteral("Could not remove \"%1\", the layaway of a close "
                                                                    "that a crash cut short before its sale was "
                                                                    "recorded.")
                                                         .arg(shown(layaway))),
                            {}};
                finished.notice = QStringLiteral("A layaway's close was cut short by a crash before its sale was "
                                                 "recorded, so its file \"%1\" was removed. Ring the layaway up "
                                                 "again.").arg(shown(layaway));
            }
        }
    }
    // An announcement of no known kind tells of nothing that can be done.
    withdrawAnnouncement(journalPath);
    return finished;
}

namespace {

// The records appended to one journal in this run, and the journal's stamp after the last
// append or check.
struct Appended
{
    QList<QByteArray> records;
    native::Stamp stamp;
};

// By the journal's full path: tests work in one folder after another.
Appended &appendedRecords(const QString &journalPath)
{
    static std::map<QString, Appended> records;
    return records[QFileInfo(journalPath).absoluteFilePath()];
}

QString receiptOf(const QByteArray &record)
{
    return FieldReader(record).readField();
}

} // namespace

QString checkAppendedRecords(const QString &journalPath)
{
    Appended &appended = appendedRecords(journalPath);
    if (appended.records.isEmpty())
        return {};
    const native::Stamp now = native::stamp(journalPath);
    if (now == appended.stamp)
        return {};

    // Another program wrote the journal: each record appended in this run must still be one of
    // its lines, as often as it was appended.
    QHash<QByteArray, int> expected;
    for (const QByteArray &record : appended.records)
        ++expected[record];
    QFile journal(journalPath);
    if (journal.open(QIODevice::ReadOnly)) {
        while (!journal.atEnd()) {
            const QByteArray line = journal.readLine();
            const auto found = expected.find(line);
            if (found != expected.end() && found.value() > 0)
                --found.value();
        }
    }
    QByteArray lost;
    QStringList receipts;
    QList<QByteArray> kept;
    for (const QByteArray &record : appended.records) {
        int &missing = expected[record];
        if (missing > 0) {
            --missing;
            lost += record;
            receipts << receiptOf(record);
        } else {
            kept << record;
        }
    }
    appended.records = kept;
    appended.stamp = now;
    if (lost.isEmpty())
        return {};

    const QString recovered = recoveredFileOf(journalPath);
    const WriteResult saved = appendDurably(recovered, lost);
    QString text = QStringLiteral("Sales this program recorded are no longer in \"%1\": another program removed or "
                                  "changed them (a text editor saving a copy it had open?).\n\n%2\n\n")
                       .arg(shown(journalPath), receipts.join(QLatin1Char('\n')));
    if (saved)
        text += QStringLiteral("They were kept in \"%1\". Put them back into \"%2\" unless they were removed on "
                               "purpose.").arg(shown(recovered), shown(journalPath));
    else
        text += QStringLiteral("They could not be kept either: %1").arg(saved.message);
    return text;
}

void rememberAppendedRecord(const QString &journalPath, const QByteArray &record)
{
    Appended &appended = appendedRecords(journalPath);
    appended.records << record;
    appended.stamp = native::stamp(journalPath);
}

void forgetAppendedRecords(const QString &journalPath)
{
    appendedRecords(journalPath) = {};
}

} // namespace pos
