// SPDX-License-Identifier: MIT
// The real Velcoll killed in the middle of a burst: every datagram it
// acknowledged comes back when the next start restores the journal.
#include "Gbk.h"
#include "Prompter.h"
#include "ScoreDatagram.h"
#include "ScoreReceiver.h"
#include "form1.h"

#include <QDirIterator>
#include <QHash>
#include <QNetworkDatagram>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

using namespace velmora;
using namespace velmora::collector;

namespace {

constexpr int kKeys = 300;
constexpr int kUpdates = 100;
constexpr int kKillAfterAcks = 150;

ScoreDatagram datagram(int i)
{
    // keys 0..kKeys-1 first, then an update to 25 points of the first kUpdates
    const int key = i < kKeys ? i : i - kKeys;
    return ScoreDatagram{QStringLiteral("10.1.%1.%2").arg(key / 200).arg(key % 200 + 1),
                         QStringLiteral("PC%1").arg(key),
                         i < kKeys ? QString::number(key % 20) : QStringLiteral("25"),
                         QStringLiteral("学生%1").arg(key), QStringLiteral("第一套")};
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

    for (int i = 1; i < kKeys + kUpdates; ++i) {
        send(i);
        if (i % 20 == 0) {
            QTest::qWait(5);
            collect();
        }
        if (acked.size() >= kKillAfterAcks && velcoll.state() == QProcess::Running) {
            velcoll.kill(); // SIGKILL: no close question, no save
        }
    }
    if (velcoll.state() == QProcess::Running) {
        QTest::qWait(50);
        velcoll.kill();
    }
    QVERIFY(velcoll.state() == QProcess::NotRunning || velcoll.waitForFinished(5000));
    QCOMPARE(velcoll.exitStatus(), QProcess::CrashExit);
    QTest::qWait(100);
    collect();
    QVERIFY2(acked.size() >= kKillAfterAcks, qPrintable(QString::number(acked.size())));
    QVERIFY2(acked.size() < kKeys + kUpdates, "the burst ended before the kill");

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
          kKeys + kUpdates, t.rec_count());
}

QTEST_MAIN(TestCollectorCrash)
#include "tst_collector_crash.moc"
