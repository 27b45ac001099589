// SPDX-License-Identifier: MIT
#include "FirstPaintWatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QWidget>

namespace velmora::bench {

FirstPaintWatcher::FirstPaintWatcher(QObject* parent) : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
}

FirstPaintWatcher::~FirstPaintWatcher()
{
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->removeEventFilter(this);
    }
}

void FirstPaintWatcher::watch(QWidget* window)
{
    m_window = window;
}

bool FirstPaintWatcher::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint && !m_seen && m_window && watched->isWidgetType()) {
        const auto* widget = static_cast<QWidget*>(watched);
        if (widget == m_window || m_window->isAncestorOf(widget)) {
            m_seen = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_fired = true;
                    emit painted();
                },
                Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace velmora::bench
