// SPDX-License-Identifier: MIT
// Linux and other free desktops.
#include "Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace velmora::platform {

namespace {
// How long the folder opener may take to say whether it opened the folder.
constexpr int kOpenerPatienceMs = 5000;
} // namespace

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

} // namespace velmora::platform
