// SPDX-License-Identifier: MIT
#include "FreePort.h"

#include <QUdpSocket>

namespace velmora::bench {

quint16 freeUdpPort()
{
    QUdpSocket probe;
    if (!probe.bind(QHostAddress::AnyIPv4, 0)) {
        return 0;
    }
    return probe.localPort();
}

} // namespace velmora::bench
