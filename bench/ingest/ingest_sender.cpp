// SPDX-License-Identifier: MIT
// Sends one burst of score datagrams as fast as the system takes them, then
// optionally waits for the collector's acknowledgements. Prints one line of
// key=value figures; times are steady-clock nanoseconds, which are comparable
// between processes on the same computer.
#include "Burst.h"
#include "ScoreDatagram.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QSet>
#include <QThread>
#include <QUdpSocket>
#include <QVariant>

#include <chrono>
#include <cstdio>

using namespace velmora;

namespace {

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int fail(const char* why)
{
    std::fprintf(stderr, "bench_ingest_sender: %s\n", why);
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Sends a burst of score datagrams."));
    parser.addHelpOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"), QStringLiteral("UDP port on 127.0.0.1"), QStringLiteral("port"));
    const QCommandLineOption keysOption(QStringLiteral("keys"), QStringLiteral("distinct keys"),
                                        QStringLiteral("n"), QStringLiteral("500"));
    const QCommandLineOption updatesOption(QStringLiteral("updates"),
                                           QStringLiteral("updates after the keys"),
                                           QStringLiteral("n"), QStringLiteral("5000"));
    const QCommandLineOption acksOption(QStringLiteral("await-acks"),
                                        QStringLiteral("wait for acknowledgements afterwards"));
    parser.addOptions({portOption, keysOption, updatesOption, acksOption});
    parser.process(app);

    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port == 0 || port > 65535) {
        return fail("--port needs a port number from 1 to 65535");
    }
    const int keys = parser.value(keysOption).toInt(&ok);
    if (!ok || keys < 1) {
        return fail("--keys needs a positive number");
    }
    const int updates = parser.value(updatesOption).toInt(&ok);
    if (!ok || updates < 0) {
        return fail("--updates needs a number of 0 or more");
    }

    QUdpSocket socket;
    if (!socket.bind(QHostAddress::LocalHost, 0)) {
        return fail("cannot bind a local UDP socket");
    }
    socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(4 << 20));

    // Encode first: the burst measures the wire and the receiver, not us.
    const bench::Burst burst(keys, updates);
    QList<QByteArray> payloads;
    payloads.reserve(burst.size());
    for (int i = 0; i < burst.size(); ++i) {
        payloads.append(burst.at(i).encode());
    }

    const QHostAddress target(QHostAddress::LocalHost);
    int sent = 0;
    int failed = 0;
    qint64 retries = 0;
    const qint64 t0 = nowNs();
    for (const QByteArray& payload : payloads) {
        // The system may refuse for a moment when its send queue is full:
        // retry rather than count that as a loss on the receiver's side.
        int tries = 0;
        while (socket.writeDatagram(payload, target, quint16(port)) < 0 && ++tries < 10000) {
            ++retries;
            QThread::yieldCurrentThread();
        }
        if (tries >= 10000) {
            ++failed;
        } else {
            ++sent;
        }
    }
    const qint64 t1 = nowNs();

    int acks = 0;
    if (parser.isSet(acksOption)) {
        const QSet<QByteArray> expected(payloads.begin(), payloads.end());
        QSet<QByteArray> acknowledged;
        // Wait while acknowledgements keep coming; 3 s of silence ends it.
        while (acknowledged.size() < expected.size() && socket.waitForReadyRead(3000)) {
            while (socket.hasPendingDatagrams()) {
                const QByteArray reply = socket.receiveDatagram().data();
                const QByteArray echoed = reply.mid(kAckPrefix.size());
                if (reply.startsWith(kAckPrefix) && expected.contains(echoed)) {
                    acknowledged.insert(echoed);
                }
            }
        }
        acks = int(acknowledged.size());
    }

    std::printf("sent=%d failed=%d retries=%lld t0_ns=%lld t1_ns=%lld acks=%d\n", sent, failed,
                static_cast<long long>(retries), static_cast<long long>(t0),
                static_cast<long long>(t1), acks);
    return 0;
}
