// SPDX-License-Identifier: MIT
// The real Velcoll killed in the middle of a burst: every datagram it
// acknowledged comes back when the next start restores the journal.
#include "Gbk.h"
#include "ScoreDatagram.h"
#include "ScoreReceiver.h"
#include "ScriptedPrompter.h"
#include "form1.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QHash>
#include <QNetworkDatagram>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

using namespace velmora;
using namespace velmora::collector;

namespace {

constexpr int kKeys = 200;
// More than kKeys, so that acknowledged updates are among what must come back.
constexpr int kKillAfterAcks = 300;
// The burst goes on until the collector is seen dead; only a collector that
// never acknowledges kKillAfterAcks datagrams lets it run this long.
constexpr int kBurstLimitMs = 60000;

ScoreDatagram datagram(int i)
{
    // keys 0..kKeys-1 first, then updates to 25 points of them, round after
    // round. The sixth field, which the collector does not read, numbers the
    // datagram, so every payload and its acknowledgement is unique.
    const int key = i < kKeys ? i : (i - kKeys) % kKeys;
    return ScoreDatagram{QStringLiteral("10.1.%1.%2").arg(key / 200).arg(key % 200 + 1),
                         QStringLiteral("PC%1").arg(key),
                         i < kKeys ? QString::number(key % 20) : QStringLiteral("25"),
                         QStringLiteral("学生%1").arg(key),
                         QStringLiteral("第一套"),
                         QString::number(i)};
}

} // namespace

class TestCollectorCrash : public QObject
{
    Q_OBJECT

private slots:
    void killedMidBurst();
};

void TestCollectorCrash::killedMidBurst()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess velcoll;
    velcoll.setProcessEnvironment(env);
    velcoll.setProgram(QStringLiteral(VELMORA_BIN_DIR "/Velcoll"));
    velcoll.start();
    QVERIFY(velcoll.waitForStarted());

    QUdpSocket student;
    QVERIFY(student.bind(QHostAddress::LocalHost, 0));
    student.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                            QVariant(ScoreReceiver::kReceiveBufferBytes));
    QHash<QByteArray, int> sent; // payload -> index
    auto send = [&](int i) {
        const QByteArray payload = datagram(i).encode();
        sent.insert(payload, i);
        student.writeDatagram(payload, QHostAddress::LocalHost, kCollectorPort);
    };
    QSet<int> acked;
    auto collect = [&] {
        while (student.hasPendingDatagrams()) {
            const QByteArray ack = student.receiveDatagram().data();
            const QByteArray payload = ack.mid(4);
            if (ack.startsWith("ACK#") && sent.contains(payload)) {
                acked.insert(sent.value(payload));
            }
        }
    };
    // Listening once the first datagram is acknowledged.
    QVERIFY(QTest::qWaitFor(
        [&] {
            send(0);
            QTest::qWait(100);
            collect();
            return acked.contains(0);
        },
        15000));

    // The kill lands as soon as kKillAfterAcks acknowledgements are in, and
    // the burst goes on until the process is seen dead, so datagrams are on
    // their way while it dies however fast either side is.
    int sentCount = 1;
    bool killed = false;
    QElapsedTimer burst;
    burst.start();
    while (velcoll.state() != QProcess::NotRunning && burst.elapsed() < kBurstLimitMs) {
        send(sentCount++);
        if (sentCount % 20 == 0) {
            QTest::qWait(5);
            collect();
        }
        if (!killed && acked.size() >= kKillAfterAcks) {
            velcoll.kill(); // SIGKILL: no close question, no save
            killed = true;
        }
    }
    QVERIFY2(killed,
             qPrintable(u"only %1 of %2 datagrams acknowledged in %3 ms"_qs.arg(acked.size())
                            .arg(sentCount)
                            .arg(kBurstLimitMs)));
    QVERIFY(velcoll.state() == QProcess::NotRunning || velcoll.waitForFinished(5000));
    QCOMPARE(velcoll.exitStatus(), QProcess::CrashExit);
    QTest::qWait(100);
    collect();
    QVERIFY2(acked.size() >= kKillAfterAcks, qPrintable(QString::number(acked.size())));
    QVERIFY2(acked.size() < sentCount, "every datagram of the burst was acknowledged");

    QString folder;
    QDirIterator it(home.filePath(QStringLiteral("data")), {QStringLiteral("scores.journal")},
                    QDir::Files, QDirIterator::Subdirectories);
    QVERIFY2(it.hasNext(), "Velcoll left no journal");
    folder = QFileInfo(it.next()).path();

    // The next start, answering Yes.
    ScriptedPrompter prompter;
    prompter.answers = {QMessageBox::Yes};
    form1 again(0, folder);
    QTRY_COMPARE(prompter.shown.size(), 1);
    QCOMPARE(prompter.shown.first().text, form1::restoreQuestion());
    const ScoreTable& t = again.table();
    for (int i : acked) {
        const ScoreDatagram d = datagram(i);
        const int row = t.findLive(d.address, d.set);
        QVERIFY2(row > 0, qPrintable(u"acknowledged but lost: "_qs + d.text()));
        // an acknowledged update is there; a first score may have been updated since
        if (i >= kKeys) {
            QCOMPARE(t.row(row).score, QStringLiteral("25"));
        }
        QCOMPARE(t.row(row).name, d.name);
    }
    QVERIFY(t.rec_count() <= kKeys);
    qInfo("%d of %d datagrams acknowledged before the kill, %d rows restored", int(acked.size()),
          sentCount, t.rec_count());
}

QTEST_MAIN(TestCollectorCrash)
#include "tst_collector_crash.moc"
