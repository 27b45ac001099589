// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace velmora::bench {

// Tells when a window has been painted for the first time. It watches the
// paint events of the whole application; once one reaches the window or a
// widget inside it, it waits for the event loop to come round again (the rest
// of that window's widgets are painted in the same pass) and then emits
// painted() once.
class FirstPaintWatcher : public QObject
{
    Q_OBJECT

public:
    explicit FirstPaintWatcher(QObject* parent = nullptr);
    ~FirstPaintWatcher() override;

    // The window to wait for; may be set after the watcher is installed, as
    // long as the window has not been painted yet.
    void watch(QWidget* window);
    bool hasPainted() const { return m_fired; }

signals:
    void painted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    bool m_seen = false;
    bool m_fired = false;
};

} // namespace velmora::bench
