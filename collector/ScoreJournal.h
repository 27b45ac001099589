// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class QLockFile;

namespace velmora {
struct ScoreDatagram;
}

namespace velmora::collector {

class ScoreTable;
struct ScoreRow;

// One change of the score list, as the journal keeps it.
struct JournalEntry
{
    enum class Kind
    {
        Score,  // a recorded datagram: address, computer, score, name, set, source, forged
        Name,   // a hand correction of a row's name
        Mark,   // a hand correction of a row's score
        Delete, // a row deleted by the teacher
        Saved,  // the list was saved to a file
        Work,   // a row's collected work arrived or was marked again
    };
    Kind kind = Kind::Saved;
    // Score: address, computer, score, name, set, source, forged ("0"/"1").
    // Name, Mark: the row's key (address, set) and the new text.
    // Work: the row's key, the work's folder and its re-marked score.
    // Delete: the row's key. A row is named by its key, not its number, so a
    // damaged line before it cannot make a change land on another row.
    QStringList fields;
    bool operator==(const JournalEntry&) const = default;
};

// Everything a journal file gives back.
struct JournalContents
{
    QList<JournalEntry> entries;
    int damagedLines = 0; // lines that could not be read and were skipped
    // True when a change follows the last save mark (or there is no save).
    bool unsaved() const;
};

// What the journal of the last run gives back at start.
struct PreviousRun
{
    // The latest state of each live row, oldest row first, then a Saved
    // entry when the last run ended with its list saved.
    JournalContents contents;
    // Rows the contents restore.
    int rows = 0;
    // A journal that was not a regular file or too large: where it was moved
    // and why; empty when there was none.
    QString setAside;
    QString reason;
    // Something to offer the teacher: changes after the last save, or lines
    // that could not be read.
    bool worthAsking() const { return contents.unsaved() || contents.damagedLines > 0; }
};

// The collector's journal: every change of the score list is appended to a
// file in the per-user data folder, and the file is synced to the disk before
// any change in it is acknowledged, so that neither a killed program nor a
// power cut loses what a student was told had arrived.
//
// The active journal is scores.journal; journals of earlier runs are kept
// beside it as scores-<date>.journal, the newest kKeptJournals of them.
// One line per change, each with its own checksum, so a torn or damaged line
// is skipped and the rest still reads. The journal follows the list, not the
// traffic: it starts each run with the latest state of each row only, and is
// rewritten that way whenever it grows past kCompactBytes.
class ScoreJournal : public QObject
{
    Q_OBJECT

public:
    static constexpr int kKeptJournals = 20;
    // A journal over this size is rewritten with the latest state of each row.
    static constexpr qint64 kCompactBytes = 16 * 1024 * 1024;
    // No journal that this program writes comes near this size; a larger
    // file is set aside unread.
    static constexpr qint64 kMaxReadBytes = 512 * 1024 * 1024;
    // Longer lines are damaged: no change needs a tenth of this.
    static constexpr qsizetype kMaxLineBytes = 64 * 1024;

    // <per-user data folder>/journal
    static QString defaultFolder();

    // Line codec: any bytes read back as the entries they hold.
    static QByteArray encode(const JournalEntry& entry);
    static JournalContents read(QByteArrayView bytes);
    // Replays entries onto a table; entries that do not apply (an unknown
    // row, a full table) are passed over.
    static void rebuild(const QList<JournalEntry>& entries, ScoreTable& table);
    static void apply(const JournalEntry& entry, ScoreTable& table);
    // The entries that rebuild the live rows of a table, in row order.
    static QList<JournalEntry> snapshot(const ScoreTable& table);

    // Reads a journal file line by line into a table, so that memory follows
    // the rows, not the file. Gives the snapshot of what it read.
    static PreviousRun load(const QString& path);

    static JournalEntry scoreEntry(const ScoreDatagram& d, const QString& source, bool forged);
    static JournalEntry workEntry(const ScoreRow& row);
    // A correction or deletion of row i of `table` (before a deletion).
    static JournalEntry rowEntry(JournalEntry::Kind kind, const ScoreTable& table, int i,
                                 const QString& text = {});

    explicit ScoreJournal(QString folder, QObject* parent = nullptr);
    ~ScoreJournal() override;

    // Takes the folder for this run. False when another collector holds it or
    // the folder cannot be made; the journal then writes nothing. A lock left
    // by a program that no longer runs (by host, process number and program
    // name) is taken over.
    bool lock();
    // The journal the last run left behind, read once (empty when none or
    // not locked). A file that is not a regular file, or is too large, is
    // moved aside and named in the result.
    PreviousRun takePrevious();
    // Starts this run's journal with `restored` (the entries taken over from
    // the last run, or none) and files the last run's journal under a dated
    // name, marked "-damaged" when lines of it could not be read. Keeps the
    // newest kKeptJournals dated journals.
    bool start(const QList<JournalEntry>& restored);

    // Appends one change to the program's buffer; commit() makes it durable.
    bool append(const JournalEntry& entry);
    // Writes what was appended and syncs it to the disk: true when all of it
    // is there. Only then may a change be acknowledged.
    bool commit();
    // Replaces the journal with `entries` (written beside it, synced, then
    // renamed over it). Also mends a journal whose last write failed.
    bool rewrite(const QList<JournalEntry>& entries);
    bool isWriting() const { return m_file.isOpen(); }
    // A write failed since the last rewrite: the file may end in a torn line.
    bool isBroken() const { return m_broken; }
    qint64 size() const { return m_file.isOpen() ? m_file.size() : 0; }
    QString folder() const { return m_folder; }
    QString activePath() const;
    QString errorString() const { return m_error; }

    // Writes everything to the disk now.
    void sync();

private:
    bool writeWhole(const QString& path, const QList<JournalEntry>& entries);
    void archivePrevious();
    void prune();

    QString m_folder;
    QString m_error;
    std::unique_ptr<QLockFile> m_lock;
    QFile m_file;
    QByteArray m_pending;
    bool m_broken = false;
    bool m_previousDamaged = false;
};

} // namespace velmora::collector
