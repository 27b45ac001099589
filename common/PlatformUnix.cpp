// SPDX-License-Identifier: MIT
// Linux and other free desktops.
#include "Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::platform {

namespace {
// How long the folder opener may take to say whether it opened the folder.
constexpr int kOpenerPatienceMs = 5000;
} // namespace

QString driveRoot()
{
    return QDir::homePath();
}

QString systemSettingsFolder()
{
    return QStringLiteral("/etc/velmora");
}

bool isInstalledProgramFolder(const QString& folder)
{
    // The prefix the packages install to, from CMake.
    const QString prefix = QDir::cleanPath(QStringLiteral(VELMORA_INSTALL_PREFIX));
    const QString clean = QFileInfo(folder).canonicalFilePath();
    return !clean.isEmpty() && clean.startsWith(prefix + u'/');
}

QString displayPath(const QString& path)
{
    const QString home = QDir::homePath();
    const QString clean = QDir::cleanPath(path);
    if (home != QStringLiteral("/") && (clean == home || clean.startsWith(home + u'/'))) {
        return u'~' + clean.sliced(home.size());
    }
    return QDir::toNativeSeparators(clean);
}

QString userSettingsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

void openFolder(const QString& folder, QObject* context, std::function<void()> failed)
{
    const QPointer<QObject> guard(context);
    auto fail = [guard, failed] {
        if (guard && failed) {
            failed();
        }
    };
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!QDir(folder).exists() || opener.isEmpty()) {
        fail();
        return;
    }
    // xdg-open hands the folder to the file browser and exits, with a non-zero
    // status when nothing could open it. Its status is awaited for a few
    // seconds through the event loop; an opener still running by then (some
    // wait for the browser they started) is left running and counts as done.
    // The process belongs to the application, so closing the form neither
    // kills it nor loses its answer.
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProgram(opener);
    process->setArguments({QDir::toNativeSeparators(folder)});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    auto* patience = new QTimer(process);
    patience->setSingleShot(true);
    QObject::connect(patience, &QTimer::timeout, process, [process] {
        // Stop listening; the opener keeps running on its own.
        QObject::disconnect(process, nullptr, nullptr, nullptr);
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, fail](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) {
                             fail();
                             process->deleteLater();
                         }
                     });
    QObject::connect(process, &QProcess::finished, process,
                     [process, fail](int code, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit || code != 0) {
                             fail();
                         }
                         process->deleteLater();
                     });
    patience->start(kOpenerPatienceMs);
    process->start();
}

bool startSpreadsheet(const QString& workbook)
{
    if (!QFileInfo::exists(workbook)) {
        return false;
    }
    const QString localc = QStandardPaths::findExecutable(QStringLiteral("localc"));
    if (!localc.isEmpty()) {
        return QProcess::startDetached(localc, {workbook});
    }
    const QString office = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    if (!office.isEmpty()) {
        return QProcess::startDetached(office, {QStringLiteral("--calc"), workbook});
    }
    return false;
}

bool syncToDisk(int handle)
{
    return handle >= 0 && ::fdatasync(handle) == 0;
}

bool syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

void lowerThreadPriority()
{
#ifdef __linux__
    // Linux gives each thread its own nice value; 0 names the calling thread.
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, 0);
    if (errno == 0 && current < 10) {
        ::setpriority(PRIO_PROCESS, 0, 10);
    }
#endif
}

bool sendNow(qintptr descriptor, QByteArrayView bytes)
{
    const ssize_t sent = ::send(int(descriptor), bytes.data(), std::size_t(bytes.size()),
                                MSG_NOSIGNAL | MSG_DONTWAIT);
    return sent == bytes.size();
}

qintptr duplicateSocket(qintptr descriptor)
{
    return ::fcntl(int(descriptor), F_DUPFD_CLOEXEC, 0);
}

bool discardIncoming(qintptr descriptor)
{
    char sink[4096];
    for (;;) {
        const ssize_t n = ::recv(int(descriptor), sink, sizeof sink, MSG_DONTWAIT);
        if (n > 0) {
            continue;
        }
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
    }
}

void closeSocket(qintptr descriptor)
{
    ::close(int(descriptor));
}

QString collectorDocumentsFolder()
{
    return QDir(QDir::homePath()).filePath(QStringLiteral("Velcoll"));
}

OpenResult openRegularFile(QFile& file, const QString& path, QString& why)
{
    // O_NONBLOCK: opening a pipe returns at once instead of waiting for a
    // writer; the descriptor is then checked and refused.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        why = QString::fromLocal8Bit(std::strerror(errno));
        return OpenResult::Failed;
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return OpenResult::NotRegular;
    }
    // Reads of a regular file never wait, with or without the flag.
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        why = file.errorString();
        ::close(fd);
        return OpenResult::Failed;
    }
    return OpenResult::Opened;
}

} // namespace velmora::platform
