// SPDX-License-Identifier: MIT
#include "Console.h"

#include <QEventLoop>
#include <QTimer>

#include <cstdio>

namespace velmora::bench {

void print(const QString& text)
{
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace velmora::bench
