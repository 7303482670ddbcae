#pragma once

// The sales journal "sales.txt" as the program works on it: the journal file, its companion
// files beside it, and what this program appended to it. Every change the program makes to the
// journal goes through one Journal object, one operation per thing the program does, and each
// operation does every check itself; nothing else touches these files.
//
// The companion files, "<journal>" + suffix:
//   ".pending"   Work that takes more than one step is announced here, written and synced
//                before its first step and withdrawn only once everything it covers is done
//                (while it stands, no look for removed sales is made):
//                  - a cutoff: the history file (named inside the shop folder), the number of
//                    journal bytes copied and their digest, and the history's size;
//                  - a new layaway: its file and its journal record.
//                What a crash left is finished (or undone) by the next operation. The
//                announcement is trusted only for what the program could have written: a
//                history or a layaway inside the shop folder, never one of the program's own
//                files, never through a link, and a file of at most a few megabytes.
//   ".appended"  The records the program appended since the last cutoff, across its starts.
//                Whenever the journal was changed by another program since the program last
//                looked, they are looked for in it: those another program removed or changed
//                (a text editor saving a copy it opened before those sales) are kept in
//                ".recovered" and the owner is told. They are not put back on their own: the
//                owner may have removed a sale on purpose.
//   ".recovered" Sales found removed, only ever appended to.
//   ".closed"    What each cutoff moved: the history's name (as inside the shop folder) and a
//                digest of each of its records. An editor's copy taken before a cutoff can be
//                saved over the journal at any time later and bring a closed period back, so
//                this is kept (the newest periods, up to a bound of about a million sales):
//                closed sales found in the journal again are told, and the next cutoff leaves
//                them out of the new history, since their own history holds them.
//   ".torn"      Records a crash cut short at the journal's end, set aside before the next
//                append or cutoff, so that no later record reads shifted by their fields.
// A companion file that cannot be trusted is renamed "<name>.set-aside" and the owner told.

#include "core/formats/journal_record.h"
#include "core/formats/shop_files.h"
#include "core/storage/file_io.h"

#include "core/storage/native_file.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

namespace pos {

// What an operation on the journal came to: its result, and what the owner must hear besides
// (sales another program removed, work a crash had left undone, a companion file set aside).
struct JournalOutcome
{
    WriteResult result;
    QString notice;
    // For a new layaway: its file could not be made (nothing was written); its sale could not be
    // recorded and its file could not be removed (the next close or start removes it).
    bool layawayFailed = false;
    bool layawayLeft = false;

    // The failure's message and the notice, as one text for a message box; empty when there
    // is nothing to tell.
    QString told() const;
};

class Journal
{
public:
    // The journal's companion files are named after it, in its folder (the shop folder).
    explicit Journal(const QString &path = kJournalFile);
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    const QString &path() const { return m_path; }
    QString pendingFile() const { return m_path + kPendingSuffix; }
    QString appendedFile() const { return m_path + kAppendedSuffix; }
    QString recoveredFile() const { return m_path + kRecoveredSuffix; }
    QString tornFile() const { return m_path + kTornSuffix; }
    QString closedFile() const { return m_path + kClosedSuffix; }

    // At the start of the program: finishes what a crash left, and looks for the records of
    // earlier starts. Every other operation does this first when it has not been done.
    JournalOutcome open();

    // Close Order of a sale: its record appended as one complete line, synced to disk.
    JournalOutcome recordSale(const JournalRecord &record);
    // Close Order of a new layaway: its file made (never replacing another) and its sale's
    // record appended; a crash or failure in between leaves neither.
    JournalOutcome recordNewLayaway(const JournalRecord &record, const QString &layawayPath,
                                    const QByteArray &layawayBytes);

    // Set Cutoff: the journal's bytes go unchanged into the history file, which replaces
    // whatever that file held (through a temporary file, put in place once complete), and the
    // journal is emptied. A record a crash cut short at its end is set aside first; records of
    // periods closed before (brought back by an editor's older copy) are left out and told,
    // their own histories hold them. If anything fails, or another program changes the journal
    // meanwhile, the journal is left as it was and the result tells why.
    JournalOutcome cutOff(const QString &historyPath);

    // A backup's copy of the journal: its bytes as they are, copied into the new file at `to`
    // (synced, read back and compared) while the journal is held, so that a sale another
    // program appends meanwhile is either wholly in the copy or not at all. Changes nothing of
    // the journal or its companion files. `copied` gets the copy's size and SHA-256.
    WriteResult copyTo(const QString &to, CopiedFile &copied);

    // At the end of the program: a last look for the sales recorded in this run.
    JournalOutcome finish();

    // Why the file cannot take a period of the journal (nor a crash's announcement name it):
    // one of the program's own files under any name, outside the shop folder, reached through a
    // link, or not a regular file. Empty when it can.
    QString historyProblem(const QString &historyPath) const;

private:
    struct Pending;

    QString finishPendingWork(WriteResult &result);
    QString finishCutoff(const Pending &pending, WriteResult &result);
    QString finishLayaway(const Pending &pending, WriteResult &result);
    QString checkAppended();
    QString forgetAppendedIn(const QString &historyPath);
    QString forgetAllAppended();
    QString catchUpAppended();
    QString writeAppended();
    QString loadClosed();
    QString rememberClosed(const QString &historyPath, const QList<QByteArray> &digests);
    QString completeCutoff(const QString &historyPath);
    bool workAnnounced() const;
    QString shopFolder() const;
    QString load();
    QString ensureOpen(WriteResult &result);
    JournalOutcome prepare();
    void appendPrepared(const QByteArray &bytes, JournalOutcome &outcome);
    WriteResult announce(const QByteArray &text);
    void withdraw();
    QString setAside(const QString &companion, const QString &why);
    QString insideShopProblem(const QString &path) const;

    QString m_path;
    bool m_opened = false;
    // What this program appended since the last cutoff (as in ".appended"), and the journal's
    // stamp when it last looked.
    QList<QByteArray> m_appended;
    native::Stamp m_seen;
    // Whether ".appended" lacks records of m_appended because a write of it failed: written
    // whole again at the next operation.
    bool m_appendedBehind = false;
    // The records of closed periods (as in ".closed"): their digests, and the history of each
    // as named inside the shop folder.
    QHash<QByteArray, QString> m_closed;
};

} // namespace pos
