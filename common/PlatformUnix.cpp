// SPDX-License-Identifier: MIT
// Linux and other free desktops.
#include "Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::platform {

QString driveRoot()
{
    return QDir::homePath();
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

bool openFolder(const QString& folder)
{
    if (!QDir(folder).exists()) {
        return false;
    }
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        return false;
    }
    return QProcess::startDetached(opener, {QDir::toNativeSeparators(folder)});
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
