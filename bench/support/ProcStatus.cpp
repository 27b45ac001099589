// SPDX-License-Identifier: MIT
#include "ProcStatus.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#if defined(Q_OS_UNIX)
#include <sys/resource.h>
#endif

namespace velmora::bench {

namespace {

QByteArray ownStatus()
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll(); // /proc files report size 0: read until the end
}

} // namespace

std::optional<qint64> ProcStatus::fieldKiB(QByteArrayView statusText, QByteArrayView name)
{
    const QList<QByteArray> lines = statusText.toByteArray().split('\n');
    for (const QByteArray& line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0 || QByteArrayView(line).first(colon) != name) {
            continue;
        }
        QByteArray value = line.mid(colon + 1).trimmed();
        if (!value.endsWith(" kB")) {
            return std::nullopt;
        }
        value.chop(3);
        bool ok = false;
        const qint64 kib = value.trimmed().toLongLong(&ok);
        if (!ok || kib < 0) {
            return std::nullopt;
        }
        return kib;
    }
    return std::nullopt;
}

std::optional<qint64> ProcStatus::peakResidentKiB()
{
    if (const auto kib = fieldKiB(ownStatus(), "VmHWM")) {
        return kib;
    }
#if defined(Q_OS_UNIX)
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0 && usage.ru_maxrss > 0) {
        return qint64(usage.ru_maxrss); // KiB on Linux and the BSDs
    }
#endif
    return std::nullopt;
}

std::optional<qint64> ProcStatus::residentKiB()
{
    return fieldKiB(ownStatus(), "VmRSS");
}

} // namespace velmora::bench
