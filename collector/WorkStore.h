// SPDX-License-Identifier: MIT
#pragma once

#include "WorkProtocol.h"

#include <QDate>
#include <QFile>
#include <QString>

#include <memory>

namespace velmora::collector {

// Where collected work is kept: the lesson folder
//   <root>/<yyyy-MM-dd>/<第N套>/<address>_<name>/
// with <root> = ~/Velcoll/作业 (on Windows %USERPROFILE%\Documents\Velcoll\作业).
// A submission is written into a hidden folder beside its place, each file
// synced, and renamed into place; one of the same key (address and set) that
// was there is moved aside first and removed after, so a reader sees the old
// work or the new, never a half folder. Every path component made from what a
// student sent is made safe first, and every folder on the way is checked to
// be a real folder inside the root: nothing is ever written outside it.
// A value class without threads of its own: one thread uses one store at a
// time (the work receiver's).
class WorkStore
{
public:
    struct Stored
    {
        bool ok = false;
        QString folder; // the submission's folder once in place
        QString error;  // why not, in Chinese with the system's reason
    };

    // Receives one submission's files into a hidden folder beside its place
    // (a WorkSink for the WorkReader); commit() puts it in place.
    class Staging : public work::WorkSink
    {
    public:
        ~Staging() override;
        bool begin(const work::WorkHeader& header) override;
        bool open(int index, const work::WorkFile& file) override;
        bool write(QByteArrayView bytes) override;
        bool close() override;
        void abandon() override;
        QString error() const override { return m_error; }
        work::Refusal refusal() const override { return m_refusal; }

        const QString& target() const { return m_target; }

    private:
        friend class WorkStore;
        explicit Staging(const WorkStore& store) : m_store(store) {}
        bool fail(const QString& what, const QString& why,
                  work::Refusal refusal = work::Refusal::StoreFailed);

        const WorkStore& m_store;
        work::WorkHeader m_header;
        QString m_setFolder;
        QString m_target;
        QString m_folder; // the hidden folder being filled
        QFile m_file;
        QString m_error;
        work::Refusal m_refusal = work::Refusal::StoreFailed;
        bool m_ready = false;
    };

    explicit WorkStore(QString root = defaultRoot());

    // <collector documents folder>/作业
    static QString defaultRoot();
    QString root() const { return m_root; }

    // The day a submission is filed under; today unless fixed (tests do).
    void setDate(QDate date) { m_date = date; }
    QDate date() const;

    // text as one path component that every file system takes: separators,
    // colons, controls and the other characters Windows forbids become "_",
    // dots and spaces at the ends are dropped, a device name gets a "_"
    // before it, at most 64 characters; never empty, never "." or "..".
    static QString safeComponent(QStringView text);

    // The set's folder of the day, and the submission's folder in it.
    QString setFolder(const QString& set) const;
    QString folderFor(const QString& address, const QString& name, const QString& set) const;

    std::unique_ptr<Staging> stage() const;
    // Puts a staged submission in place of the key's previous one.
    Stored commit(Staging& staging) const;
    // All at once: stages, writes and commits a whole submission.
    Stored store(const work::WorkHeader& header, const QList<QByteArray>& contents) const;

    // Removes hidden folders that a crash left in the lesson folders.
    void removeLeftovers() const;

private:
    // Creates folder (and what is missing above it, within the root) and
    // checks that it and every folder between it and the root is a real
    // folder, not a link. False with error set otherwise.
    bool ensureInside(const QString& folder, QString& error) const;
    bool isInside(const QString& path) const;

    QString m_root;
    QDate m_date;
};

} // namespace velmora::collector
