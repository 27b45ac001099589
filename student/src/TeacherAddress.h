// SPDX-License-Identifier: MIT
#pragma once

#include <QHostAddress>
#include <QString>

#include <functional>

class QObject;

namespace velmora::student {

// The teacher's address as the student typed it: an IPv4 address or a
// computer name. Looks it up without blocking the window and calls `done`
// from the event loop, never before this returns: with the IPv4 address, or
// with a null address and the reason in plain English. `done` is not called
// once `context` is gone. Returns the lookup's number for
// QHostInfo::abortHostLookup, or -1 when no lookup was needed.
int resolveTeacher(const QString& typed, QObject* context,
                   std::function<void(const QHostAddress& address, const QString& why)> done);

} // namespace velmora::student
