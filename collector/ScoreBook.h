// SPDX-License-Identifier: MIT
#pragma once

#include "Acceptance.h"
#include "AddressCheck.h"
#include "ScoreJournal.h"
#include "ScoreTable.h"

#include <QByteArrayView>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <array>

namespace velmora::collector {

// The one owner of the collector's record path: the score table, the journal,
// the address check and the acceptance rules. Every change of the list goes
// through it, and it holds the rule that a change is on the disk before it is
// acknowledged: take() records, commit() makes durable, and only a true
// commit() lets acknowledgements go out. No sockets, no widgets; the views
// follow its signals.
class ScoreBook : public QObject
{
    Q_OBJECT

public:
    explicit ScoreBook(QString journalFolder = ScoreJournal::defaultFolder(),
                       QObject* parent = nullptr);
    ~ScoreBook() override;

    // Start-up: takes the journal folder, reads what the last run left
    // (previous()) and starts this run's journal empty. Call once, before
    // anything is taken.
    void open();
    const PreviousRun& previous() const { return m_previous; }
    // Brings the last run's rows back under the rows that arrived since
    // start: for a key that is in both, the newer row (this run's) wins.
    // The restored rows are journalled as this run's own.
    void restorePrevious();
    // The last run's rows are not wanted; its journal stays filed away.
    void discardPrevious();

    // This computer's addresses and the port it listens on.
    void setOwn(const QList<QHostAddress>& addresses, quint16 port);
    void setAddressCheck(const AddressCheck& check) { m_addressCheck = check; }

    // The record path: judges one datagram and records it. Record means it is
    // in the table and waits for commit() to be acknowledged.
    Verdict take(QByteArrayView payload, const QHostAddress& from, quint16 fromPort);
    // Puts everything taken so far on the disk. False when it could not: then
    // nothing may be acknowledged, and the status says why.
    bool commit();

    // The teacher's changes, each journalled at once. False when the row is
    // unknown or deleted (nothing changed).
    bool correctName(int i, const QString& text);
    bool correctScore(int i, const QString& text);
    bool deleteRow(int i);
    // The list was saved to a file.
    void markSaved();
    // Lets a source add rows beyond the limit for the rest of the run.
    void allowSource(const QString& source);

    // A student's work for the key (address, set) is in `folder`. It belongs
    // to the live row of the key; work that comes before its score waits for
    // the row. Journalled like a score.
    void attachWork(const QString& address, const QString& set, const QString& folder);
    // Collected work was turned away, or could not be marked or received;
    // counted on the status line, the last reason in its tool tip.
    void noteWorkRefused(const QString& source, const QString& reason);
    // The work in `folder` earned `score` when marked again here; ignored
    // when the row has other work by now.
    void setRemark(const QString& address, const QString& set, const QString& folder,
                   const QString& score);

    const ScoreTable& table() const { return m_table; }
    const Acceptance& acceptance() const { return m_acceptance; }
    // Whether what is taken reaches the disk; when not, journalProblem()
    // says why and nothing is acknowledged.
    bool isJournalling() const { return m_journalProblem.isEmpty(); }
    QString journalProblem() const { return m_journalProblem; }
    QString journalFolder() const { return m_journal.folder(); }
    const ScoreJournal& journal() const { return m_journal; }

    // Datagrams turned away since start, by verdict.
    int count(Verdict verdict) const { return m_counts.at(std::size_t(verdict)); }
    int refusedCount() const;
    // The sources whose new rows were refused for the limit, most recent
    // last, with how many of each.
    const QStringList& overQuotaSources() const { return m_overQuotaOrder; }
    int refusedFrom(const QString& source) const { return m_overQuotaBy.value(source); }

    // What the status line adds after the listening address, short; and the
    // same in full for its tool tip. Empty while nothing was turned away.
    QString statusText() const;
    QString statusDetails() const;

signals:
    // Rows were added at the bottom.
    void rowsAdded();
    // Row i changed (a new score, a correction, a deletion).
    void rowChanged(int i);
    // The number of live rows changed.
    void countChanged();
    // statusText(), statusDetails() or isJournalling() changed.
    void statusChanged();
    // A new row was refused because the list is full; once until rows are
    // deleted again.
    void listFilled();

private:
    void record(const ScoreDatagram& score, const QHostAddress& from);
    void turnedAway(Verdict verdict, const QHostAddress& from);
    void journalled(const JournalEntry& entry);
    QList<JournalEntry> wholeJournal() const;
    void setJournalProblem(const QString& problem);
    void refillAcceptance();

    ScoreTable m_table;
    ScoreJournal m_journal;
    Acceptance m_acceptance;
    AddressCheck m_addressCheck;
    PreviousRun m_previous;
    QString m_journalProblem;
    bool m_saved = true; // nothing since the last save mark
    bool m_fullReported = false;
    std::array<int, 8> m_counts{};
    QHash<QPair<QString, QString>, QString> m_waitingWork; // key -> folder
    QHash<QString, int> m_overQuotaBy;
    int m_workRefused = 0;
    QString m_workProblem; // the last reason, with its source
    QStringList m_overQuotaOrder;
};

} // namespace velmora::collector
