// SPDX-License-Identifier: MIT
#include "WorkMarker.h"

#include "ExerciseSets.h"
#include "Marking.h"
#include "Platform.h"

#include <QFileInfo>

namespace velmora::collector {

WorkMarker::WorkMarker(QObject* parent) : QObject(parent)
{
    m_pool.setMaxThreadCount(1);
    m_pool.setObjectName(QStringLiteral("WorkMarker"));
}

WorkMarker::~WorkMarker()
{
    m_pool.clear();
    m_pool.waitForDone();
}

WorkMarker::Result WorkMarker::markFolder(const QString& set, const QString& folder)
{
    const int index = sets::indexOf(set);
    if (index == 0) {
        return {false, 0, {}, QStringLiteral("套题名称“%1”不是九套之一").arg(set)};
    }
    const QString page = marking::findPage(folder, marking::pageFileName(index));
    const marking::MarkResult result = marking::markFile(index, page);
    if (!result.pageFound) {
        const QString shown = platform::displayPath(page);
        return {false, 0, page,
                result.readError.isEmpty()
                    ? QStringLiteral("作业中没有网页“%1”").arg(marking::pageFileName(index))
                    : QStringLiteral("无法读取“%1”：%2").arg(shown, result.readError)};
    }
    return {true, result.total, page, {}};
}

void WorkMarker::mark(const QString& address, const QString& set, const QString& folder)
{
    ++m_pending;
    m_pool.start([this, address, set, folder] {
        platform::lowerThreadPriority();
        const Result result = markFolder(set, folder);
        // Queued to this object's thread; the destructor waits for the pool,
        // and what is still queued then is dropped with the object.
        QMetaObject::invokeMethod(
            this, [this, address, set, folder, result] { deliver(address, set, folder, result); },
            Qt::QueuedConnection);
    });
}

void WorkMarker::deliver(const QString& address, const QString& set, const QString& folder,
                         const Result& result)
{
    --m_pending;
    if (result.ok) {
        emit marked(address, set, folder, result.score);
    } else {
        emit markFailed(address, set, folder, result.error);
    }
}

} // namespace velmora::collector
