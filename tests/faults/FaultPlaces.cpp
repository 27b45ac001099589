// SPDX-License-Identifier: MIT
#include "FaultPlaces.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace velmora::testing {

namespace {

#ifdef Q_OS_LINUX
QString systemError(const char* what)
{
    return QLatin1String(what) + QStringLiteral(": ") +
           QString::fromLocal8Bit(std::strerror(errno));
}

QByteArray local(const QString& path)
{
    return QFile::encodeName(path);
}

// Sets or clears the immutable flag of an open file or folder.
QString setImmutable(int fd, bool on)
{
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        return systemError("reading the file flags");
    }
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    if (::ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0) {
        return systemError("setting the immutable flag");
    }
    return {};
}
#endif

} // namespace

FaultPlaces::~FaultPlaces()
{
    undoAll();
}

void FaultPlaces::undoAll()
{
    unlockAll();
    freeDisk();
    while (!m_undo.isEmpty()) {
        m_undo.takeLast()();
    }
}

bool FaultPlaces::runningAsRoot()
{
#ifdef Q_OS_LINUX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

QString FaultPlaces::privateMounts()
{
#ifdef Q_OS_LINUX
    static const QString result = [] {
        if (!runningAsRoot()) {
            return QStringLiteral("mounting needs root");
        }
        if (::unshare(CLONE_NEWNS) != 0) {
            return systemError("a private mount namespace");
        }
        // Nothing mounted here may reach the rest of the computer.
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            return systemError("making mounts private");
        }
        return QString();
    }();
    return result;
#else
    return QStringLiteral("mount namespaces are a Linux feature");
#endif
}

QString FaultPlaces::makeReadOnly(const QString& folder)
{
#ifdef Q_OS_LINUX
    if (!runningAsRoot()) {
        // Permission bits bite for everybody but root.
        QList<QPair<QString, QFileDevice::Permissions>> old;
        QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        QStringList paths{folder};
        while (it.hasNext()) {
            paths << it.next();
        }
        const auto noWrite = ~(QFileDevice::WriteOwner | QFileDevice::WriteUser |
                               QFileDevice::WriteGroup | QFileDevice::WriteOther);
        // Children first, so the folders can still be entered while changing.
        for (auto p = paths.crbegin(); p != paths.crend(); ++p) {
            const auto perms = QFile::permissions(*p);
            old.append({*p, perms});
            if (!QFile::setPermissions(*p, perms & noWrite)) {
                return QStringLiteral("cannot take the write permission from ") + *p;
            }
        }
        m_undo.append([old] {
            for (auto o = old.crbegin(); o != old.crend(); ++o) {
                QFile::setPermissions(o->first, o->second);
            }
        });
        return {};
    }
    if (QString why = privateMounts(); !why.isEmpty()) {
        return why;
    }
    const QByteArray at = local(folder);
    if (::mount(at.constData(), at.constData(), nullptr, MS_BIND | MS_REC, nullptr) != 0) {
        return systemError("bind mount");
    }
    m_undo.append([at] { ::umount2(at.constData(), MNT_DETACH); });
    if (::mount(nullptr, at.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
        return systemError("read-only remount");
    }
    return {};
#else
    Q_UNUSED(folder);
    return QStringLiteral("not available on this system");
#endif
}

QString FaultPlaces::makeSmallDisk(const QString& folder, qint64 bytes)
{
#ifdef Q_OS_LINUX
    if (QString why = privateMounts(); !why.isEmpty()) {
        return why;
    }
    const QByteArray at = local(folder);
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
    if (::mount("tmpfs", at.constData(), "tmpfs", 0, options.constData()) != 0) {
        return systemError("tmpfs mount");
    }
    m_undo.append([at] { ::umount2(at.constData(), MNT_DETACH); });
    return {};
#else
    Q_UNUSED(folder);
    Q_UNUSED(bytes);
    return QStringLiteral("not available on this system");
#endif
}

QString FaultPlaces::fillDisk(const QString& folder)
{
#ifdef Q_OS_LINUX
    freeDisk();
    const QString filler = QDir(folder).filePath(QStringLiteral("filler.bin"));
    const int fd =
        ::open(local(filler).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return systemError("creating the filler");
    }
    m_filler = filler;
    const QByteArray block(4096, 'f');
    constexpr qint64 kLimit = qint64(256) * 1024 * 1024; // never fill a real disk
    qint64 written = 0;
    int lastErrno = 0;
    for (qsizetype chunk : {block.size(), qsizetype(1)}) {
        for (;;) {
            const ssize_t n = ::write(fd, block.constData(), static_cast<size_t>(chunk));
            if (n <= 0) {
                lastErrno = errno;
                break;
            }
            written += n;
            if (written > kLimit) {
                ::close(fd);
                return QStringLiteral("the disk did not fill up");
            }
        }
    }
    ::close(fd);
    if (lastErrno != ENOSPC) {
        errno = lastErrno;
        return systemError("filling the disk");
    }
    return {};
#else
    Q_UNUSED(folder);
    return QStringLiteral("not available on this system");
#endif
}

void FaultPlaces::freeDisk()
{
    if (!m_filler.isEmpty()) {
        QFile::remove(m_filler);
        m_filler.clear();
    }
}

QString FaultPlaces::makeMountPoint(const QString& folder)
{
#ifdef Q_OS_LINUX
    if (QString why = privateMounts(); !why.isEmpty()) {
        return why;
    }
    const QByteArray at = local(folder);
    if (::mount(at.constData(), at.constData(), nullptr, MS_BIND | MS_REC, nullptr) != 0) {
        return systemError("bind mount");
    }
    m_undo.append([at] { ::umount2(at.constData(), MNT_DETACH); });
    return {};
#else
    Q_UNUSED(folder);
    return QStringLiteral("not available on this system");
#endif
}

QString FaultPlaces::lock(const QString& path)
{
#ifdef Q_OS_LINUX
    if (!runningAsRoot()) {
        return QStringLiteral("the immutable flag needs root");
    }
    const int fd = ::open(local(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return systemError("open");
    }
    if (QString why = setImmutable(fd, true); !why.isEmpty()) {
        ::close(fd);
        return why;
    }
    m_locked.append(fd);
    return {};
#else
    Q_UNUSED(path);
    return QStringLiteral("not available on this system");
#endif
}

void FaultPlaces::unlockAll()
{
#ifdef Q_OS_LINUX
    for (const int fd : std::as_const(m_locked)) {
        setImmutable(fd, false);
        ::close(fd);
    }
#endif
    m_locked.clear();
}

QString FaultPlaces::fullDevice(const QString& folder, QString* path)
{
#ifdef Q_OS_LINUX
    if (runningAsRoot()) {
        // A private copy: if a writer replaced it, /dev/full stays intact.
        const QString copy = QDir(folder).filePath(QStringLiteral("full"));
        if (::mknod(local(copy).constData(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
            return systemError("mknod");
        }
        *path = copy;
        return {};
    }
    const QString device = QStringLiteral("/dev/full");
    if (!isCharacterDevice(device) || ::access("/dev/full", W_OK) != 0) {
        return QStringLiteral("no writable /dev/full");
    }
    *path = device;
    return {};
#else
    Q_UNUSED(folder);
    Q_UNUSED(path);
    return QStringLiteral("not available on this system");
#endif
}

bool FaultPlaces::isCharacterDevice(const QString& path)
{
#ifdef Q_OS_LINUX
    struct stat st
    {
    };
    return ::lstat(local(path).constData(), &st) == 0 && S_ISCHR(st.st_mode);
#else
    Q_UNUSED(path);
    return false;
#endif
}

bool FaultPlaces::putFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return f.write(bytes) == bytes.size() && f.flush();
}

QByteArray FaultPlaces::fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QMap<QString, QByteArray> FaultPlaces::treeOf(const QString& folder)
{
    QMap<QString, QByteArray> tree;
    const QDir root(folder);
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        tree.insert(root.relativeFilePath(path), fileBytes(path));
    }
    return tree;
}

QStringList FaultPlaces::entries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace velmora::testing
