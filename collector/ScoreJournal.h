// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class QLockFile;
class QTimer;

namespace velmora {
struct ScoreDatagram;
}

namespace velmora::collector {

class ScoreTable;

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
    };
    Kind kind = Kind::Saved;
    // Score: address, computer, score, name, set, source, forged ("0"/"1").
    // Name, Mark: the row's key (address, set) and the new text.
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

// The collector's journal: every change of the score list is appended to a
// file in the per-user data folder before the change is acknowledged, so that
// a killed program or a power cut loses nothing that a student was told had
// arrived. Each change is written and flushed to the system at once, and
// synced to the disk within kSyncIntervalMs.
//
// The active journal is scores.journal; journals of earlier runs are kept
// beside it as scores-<date>.journal, the newest kKeptJournals of them.
// One line per change, each with its own checksum, so a torn or damaged line
// is skipped and the rest still reads.
class ScoreJournal : public QObject
{
    Q_OBJECT

public:
    static constexpr int kSyncIntervalMs = 200;
    static constexpr int kKeptJournals = 20;

    // <per-user data folder>/journal
    static QString defaultFolder();

    // Line codec: any bytes read back as the entries they hold.
    static QByteArray encode(const JournalEntry& entry);
    static JournalContents read(QByteArrayView bytes);
    // Replays entries onto an empty table; entries that do not apply (an
    // unknown row, a full table) are passed over.
    static void rebuild(const QList<JournalEntry>& entries, ScoreTable& table);

    static JournalEntry scoreEntry(const ScoreDatagram& d, const QString& source, bool forged);
    // A correction or deletion of row i of `table` (before a deletion).
    static JournalEntry rowEntry(JournalEntry::Kind kind, const ScoreTable& table, int i,
                                 const QString& text = {});

    explicit ScoreJournal(QString folder, QObject* parent = nullptr);
    ~ScoreJournal() override;

    // Takes the folder for this run. False when another collector holds it or
    // the folder cannot be made; the journal then writes nothing.
    bool lock();
    // The journal the last run left behind (empty when none or not locked).
    JournalContents previous() const;
    // Starts this run's journal with `restored` (the entries taken over from
    // the last run, or none) and files the last run's journal under a dated
    // name. Keeps the newest kKeptJournals dated journals.
    bool start(const QList<JournalEntry>& restored);

    // Appends one change; true once it is in the system's hands. With
    // `flush` false it may wait in the program for the next flush().
    bool append(const JournalEntry& entry, bool flush = true);
    // Hands what was appended to the system; false when it could not.
    bool flush();
    bool isWriting() const { return m_file.isOpen(); }
    QString folder() const { return m_folder; }
    QString activePath() const;
    QString errorString() const { return m_error; }

    // Writes everything to the disk now.
    void sync();

private:
    void archivePrevious();
    void prune();

    QString m_folder;
    QString m_error;
    std::unique_ptr<QLockFile> m_lock;
    QFile m_file;
    QTimer* m_syncTimer = nullptr;
    QElapsedTimer m_sinceSync;
};

} // namespace velmora::collector
