// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>

namespace velmora::testing {

// Real file-system faults for tests: read-only folders, full disks, busy
// mount points and locked (immutable) files. Tests run as root in CI, where
// permission bits do not bite, so where the process may mount file systems it
// works in a private mount namespace of its own (gone when the process ends)
// and uses read-only bind mounts, small tmpfs disks and the immutable flag.
// Every method returns an empty text when the fault is in place, otherwise why
// it cannot be made here (for QSKIP). Everything is undone on destruction.
class FaultPlaces
{
public:
    FaultPlaces() = default;
    FaultPlaces(const FaultPlaces&) = delete;
    FaultPlaces& operator=(const FaultPlaces&) = delete;
    ~FaultPlaces();

    static bool runningAsRoot();
    // Enters a private mount namespace once per process; empty when mounts
    // made from now on are visible to this process only.
    static QString privateMounts();

    // The folder and everything in it can be read but not changed.
    QString makeReadOnly(const QString& folder);
    // An empty folder becomes a small disk of its own (tmpfs of `bytes`).
    QString makeSmallDisk(const QString& folder, qint64 bytes);
    // Fills the disk that holds folder until no byte is left; undone by
    // freeDisk or on destruction.
    QString fillDisk(const QString& folder);
    void freeDisk();
    // The folder becomes a mount point of its own, as a network share is.
    QString makeMountPoint(const QString& folder);
    // The file or folder can be neither changed, renamed nor deleted. The lock
    // follows the file wherever it is moved.
    QString lock(const QString& path);
    void unlockAll();
    // Takes every fault away again (also done on destruction).
    void undoAll();
    // A character device that refuses every write with "no space left", a
    // copy of /dev/full inside folder where possible, else /dev/full itself.
    QString fullDevice(const QString& folder, QString* path);
    // Whether path is still a character device (not replaced by a file).
    static bool isCharacterDevice(const QString& path);

    // Small file helpers for the tests.
    static bool putFile(const QString& path, const QByteArray& bytes);
    static QByteArray fileBytes(const QString& path); // "<missing>" when unreadable
    // Every file under folder, relative path -> bytes.
    static QMap<QString, QByteArray> treeOf(const QString& folder);
    // Every entry directly in folder, hidden ones included, sorted.
    static QStringList entries(const QString& folder);

private:
    QList<std::function<void()>> m_undo; // run in reverse order
    QString m_filler;
    QList<int> m_locked; // open descriptors of the locked files
};

} // namespace velmora::testing
