// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>

namespace velmora::collector {

// Marks stored work again with the marking engine of 批改 and velmora-mark,
// on a thread of its own (one page at a time, so a class of sixty never takes
// both cores from the window), and reports each result by a queued signal on
// the marker's thread. The key of a result is the address and the set, as
// in the score list.
class WorkMarker : public QObject
{
    Q_OBJECT

public:
    struct Result
    {
        bool ok = false;
        int score = 0; // 0..25 when ok
        QString page;  // the page that was marked (or looked for)
        QString error; // why not, in Chinese, when !ok
    };

    explicit WorkMarker(QObject* parent = nullptr);
    // Waits for a page being marked; queued ones are dropped.
    ~WorkMarker() override;

    // Marks the set's page in folder, found as velmora-mark finds it (its
    // file name for the set, letter case ignored). Returns at once.
    void mark(const QString& address, const QString& set, const QString& folder);

    // The same, on the calling thread.
    static Result markFolder(const QString& set, const QString& folder);

    // Jobs queued or running.
    int pending() const { return m_pending; }
    // Waits until every queued job has run (tests and the benchmark).
    void waitForDone() { m_pool.waitForDone(); }

signals:
    void marked(const QString& address, const QString& set, const QString& folder, int score);
    void markFailed(const QString& address, const QString& set, const QString& folder,
                    const QString& why);

private:
    void deliver(const QString& address, const QString& set, const QString& folder,
                 const Result& result);

    QThreadPool m_pool;
    int m_pending = 0;
};

} // namespace velmora::collector
