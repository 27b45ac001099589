// SPDX-License-Identifier: MIT
// The teacher program under faults: its port held by another socket or
// process, save targets that cannot take the file, and a flood of datagrams
// with malformed ones mixed in. Real window offscreen, real UDP sockets on
// the loopback addresses, real files and disks.
#include "FaultPlaces.h"
#include "Gbk.h"
#include "QQButton.h"
#include "ScoreBook.h"
#include "ScoreDatagram.h"
#include "ScoreJournal.h"
#include "ScoreReceiver.h"
#include "ScoreUploader.h"
#include "ScriptedPrompter.h"
#include "WorkReceiver.h"
#include "WorkStore.h"
#include "form1.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QNetworkDatagram>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#ifdef Q_OS_LINUX
#include <arpa/inet.h>
#include <netinet/ip.h>
#include <netinet/udp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace velmora;
using namespace velmora::collector;
using velmora::testing::FaultPlaces;
using namespace Qt::Literals::StringLiterals;

namespace {

// Set in the environment of a child process that only holds a UDP port.
constexpr char kHoldPortVariable[] = "VELMORA_FAULTS_HOLD_UDP_PORT";

// A second program on the computer that holds a UDP port: binds it, prints
// the port number and a line "received" for every datagram that reaches it,
// and keeps the port until its standard input closes.
int holdPort(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress)) {
        std::fprintf(stderr, "cannot bind: %s\n", qPrintable(socket.errorString()));
        return 1;
    }
    QObject::connect(&socket, &QUdpSocket::readyRead, &socket, [&socket] {
        while (socket.hasPendingDatagrams()) {
            socket.receiveDatagram();
            std::printf("received\n");
            std::fflush(stdout);
        }
    });
    std::printf("%u\n", unsigned(socket.localPort()));
    std::fflush(stdout);
    std::unique_ptr<QThread> input(QThread::create([&app] {
        char buffer[64];
        while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
        }
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    }));
    input->start();
    const int status = app.exec();
    input->wait();
    return status;
}

// Whether everything posted to the event loop before now has been handled:
// what a window queued (a message, a notice) has run once this returns true.
bool queuedEventsRan(QObject* target)
{
    bool ran = false;
    QMetaObject::invokeMethod(
        target, [&ran] { ran = true; }, Qt::QueuedConnection);
    return QTest::qWaitFor([&ran] { return ran; }, 5000);
}

QByteArray scorePayload(const QString& address, const QString& score, const QString& name,
                        const QString& set)
{
    return toGbk(QString(address + QStringLiteral("#PC-") + address + u'#' + score + u'#' + name +
                         u'#' + set));
}

int handledBy(const form1& w)
{
    return w.receiver().readCount();
}

// Sends one UDP datagram with a made-up source address and port through a
// raw socket; empty when sent, else why it cannot be done here.
QString sendForged(const QHostAddress& from, quint16 fromPort, const QHostAddress& to,
                   quint16 toPort, const QByteArray& payload)
{
#ifdef Q_OS_LINUX
    const int fd = ::socket(AF_INET, SOCK_RAW, IPPROTO_RAW);
    if (fd < 0) {
        return QStringLiteral("no raw socket here (needs root): ") +
               QString::fromLocal8Bit(std::strerror(errno));
    }
    QByteArray packet(qsizetype(sizeof(iphdr) + sizeof(udphdr)), '\0');
    packet += payload;
    auto* ip = reinterpret_cast<iphdr*>(packet.data());
    ip->version = 4;
    ip->ihl = 5;
    ip->ttl = 64;
    ip->protocol = IPPROTO_UDP;
    ip->tot_len = htons(quint16(packet.size()));
    ip->saddr = htonl(from.toIPv4Address());
    ip->daddr = htonl(to.toIPv4Address());
    auto* udp = reinterpret_cast<udphdr*>(packet.data() + sizeof(iphdr));
    udp->source = htons(fromPort);
    udp->dest = htons(toPort);
    udp->len = htons(quint16(packet.size() - qsizetype(sizeof(iphdr))));
    udp->check = 0; // optional over IPv4
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = ip->daddr;
    const auto sent = ::sendto(fd, packet.constData(), std::size_t(packet.size()), 0,
                               reinterpret_cast<const sockaddr*>(&target), sizeof target);
    const QString why =
        sent == packet.size() ? QString() : QString::fromLocal8Bit(std::strerror(errno));
    ::close(fd);
    return why;
#else
    Q_UNUSED(from)
    Q_UNUSED(fromPort)
    Q_UNUSED(to)
    Q_UNUSED(toPort)
    Q_UNUSED(payload)
    return QStringLiteral("raw sockets are used on Linux only");
#endif
}

QList<QByteArray> drain(QUdpSocket& socket)
{
    QList<QByteArray> out;
    while (socket.hasPendingDatagrams()) {
        const QNetworkDatagram d = socket.receiveDatagram();
        if (!d.isValid()) {
            break;
        }
        out << d.data();
    }
    return out;
}

// The window the teacher sees, with its message boxes answered by a script;
// closed with Yes at the end.
struct Teacher
{
    ScriptedPrompter prompter;
    QTemporaryDir journal;
    std::unique_ptr<form1> window;
    QStringList chosenFiles;

    explicit Teacher(quint16 port = 0) : window(std::make_unique<form1>(port, journal.path()))
    {
        window->setSaveFileChooser([this](QWidget*) {
            return chosenFiles.isEmpty() ? QString() : chosenFiles.takeFirst();
        });
        window->setSpreadsheetStarter([](const QString&) { return false; });
    }
    ~Teacher()
    {
        prompter.answers = {QMessageBox::Yes};
        window->close();
    }
};

// A student computer: a socket on 127.0.0.1 that sends to the collector and
// collects what comes back.
struct StudentSocket
{
    QUdpSocket socket;
    StudentSocket() { socket.bind(QHostAddress::LocalHost, 0); }
    bool sendTo(const form1& w, const QByteArray& payload)
    {
        const int before = handledBy(w);
        if (socket.writeDatagram(payload, QHostAddress::LocalHost, w.listeningPort()) !=
            payload.size()) {
            return false;
        }
        return QTest::qWaitFor([&] { return handledBy(w) > before; }, 5000);
    }
};

// The flood: 10,000 datagrams over 703 keys (more than the list holds), with
// malformed ones mixed in: too few fields, empty, binary junk without any
// "#". Well-formed ones vary too: extra fields, bytes that are not GBK, a
// long name.
struct Flood
{
    QList<QByteArray> payloads;
    QList<bool> wellFormed;

    static constexpr int kCount = 10000;
    // Not a multiple of 10, so every key also comes in well-formed datagrams.
    static constexpr int kKeys = 703;

    Flood()
    {
        const QStringList sets{QStringLiteral("第一套"), QStringLiteral("第五套"),
                               QStringLiteral("第九套")};
        for (int i = 0; i < kCount; ++i) {
            const int key = i % kKeys;
            const QString address = QStringLiteral("10.9.%1.%2").arg(key / 200).arg(key % 200);
            const QString set = sets.at(key % sets.size());
            QByteArray p;
            bool ok = true;
            switch (i % 10) {
            case 1:
                p = toGbk(QString(address + QStringLiteral("#PC#20#四个字段")));
                ok = false;
                break;
            case 4:
                p = QByteArray(); // an empty datagram
                ok = false;
                break;
            case 7: {
                p.resize(64 + i % 200);
                for (qsizetype b = 0; b < p.size(); ++b) {
                    char c = char((b * 37 + i) & 0xFF);
                    p[b] = c == '#' ? '\x81' : c;
                }
                ok = false;
                break;
            }
            case 3:
                p = scorePayload(address, QString::number(i % 26), QStringLiteral("多余字段"),
                                 set) +
                    "#extra#more";
                break;
            case 5:
                p = toGbk(QString(address + QStringLiteral("#PC#17#"))) + "\xFF\x80x\x81" +
                    toGbk(QString(u'#' + set));
                break;
            case 9:
                // Long, but within the 1,024 bytes a datagram may have.
                p = scorePayload(address, QStringLiteral("9"), QString(450, u'长'), set);
                break;
            default:
                p = scorePayload(address, QString::number(i % 26),
                                 QStringLiteral("学生%1").arg(key), set);
                break;
            }
            payloads << p;
            wellFormed << ok;
        }
    }

    // The key of a well-formed payload, as the collector reads it.
    static QString keyOf(const QByteArray& p)
    {
        const auto d = ScoreDatagram::decode(p);
        return d ? d->address + u'\n' + d->set : QString();
    }
};

} // namespace

class TestFaultsCollector : public QObject
{
    Q_OBJECT

private slots:
    // the port
    void portTaken_data();
    void portTaken();

    // save targets that cannot take the file
    void saveTargetFaults_data();
    void saveTargetFaults();

    // flood
    void flood_data();
    void flood();

    // datagrams with a made-up source: echoes, one computer's many keys
    void forgedSources_data();
    void forgedSources();

    // what a hostile student tried against the record path and the journal
    void attacks_data();
    void attacks();
    // collected work on a disk that cannot take it
    void workStoreFaults_data();
    void workStoreFaults();
};

// ---- the port -----------------------------------------------------------------

void TestFaultsCollector::portTaken_data()
{
    QTest::addColumn<QString>("holder");
    QTest::addColumn<bool>("taken");
    QTest::newRow("another program holds it") << QStringLiteral("process") << true;
    QTest::newRow("a socket on 127.0.0.1 only") << QStringLiteral("loopback") << true;
    QTest::newRow("a dual-stack IPv6 socket") << QStringLiteral("ipv6-any") << true;
    QTest::newRow("a socket on ::1 only leaves IPv4 free")
        << QStringLiteral("ipv6-loopback") << false;
}

void TestFaultsCollector::portTaken()
{
    QFETCH(QString, holder);
    QFETCH(bool, taken);

    QUdpSocket blocker;
    QProcess other;
    quint16 port = 0;
    if (holder == u"process") {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(kHoldPortVariable), QStringLiteral("1"));
        other.setProcessEnvironment(env);
        other.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY2(other.waitForStarted(5000), qPrintable(other.errorString()));
        QVERIFY(other.waitForReadyRead(5000));
        port = quint16(other.readLine().trimmed().toUInt());
    } else {
        const QHostAddress where = holder == u"loopback" ? QHostAddress(QHostAddress::LocalHost)
                                   : holder == u"ipv6-any"
                                       ? QHostAddress(QHostAddress::Any)
                                       : QHostAddress(QHostAddress::LocalHostIPv6);
        if (!blocker.bind(where, 0)) {
            QSKIP(qPrintable(u"this computer cannot bind " + where.toString() + u": " +
                             blocker.errorString()));
        }
        port = blocker.localPort();
    }
    QVERIFY(port != 0);

    {
        Teacher t(port);
        form1& w = *t.window;
        QCOMPARE(w.isListening(), !taken);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // The one message comes queued, after the window is up.
        QVERIFY(queuedEventsRan(&w));
        StudentSocket student;
        const QByteArray score = scorePayload(QStringLiteral("10.0.0.8"), QStringLiteral("25"),
                                              QStringLiteral("张三"), QStringLiteral("第一套"));
        if (taken) {
            QVERIFY2(w.lbl_host()->text().contains(QStringLiteral("已被占用")),
                     qPrintable(w.lbl_host()->text()));
            QVERIFY(w.lbl_host()->text().contains(QString::number(port)));
            QVERIFY(!w.lbl_host()->isHidden());
            QCOMPARE(t.prompter.shown.size(), 1);
            QCOMPARE(t.prompter.shown.first().title, QStringLiteral("错误"));
            QVERIFY(t.prompter.shown.first().text.contains(QString::number(port)));
            // A score sent now reaches the other socket, never this window.
            student.socket.writeDatagram(score, QHostAddress::LocalHost, port);
            if (holder == u"process") {
                QVERIFY(other.waitForReadyRead(5000));
                QCOMPARE(other.readLine().trimmed(), QByteArray("received"));
            } else {
                QTRY_VERIFY(blocker.hasPendingDatagrams());
            }
            QVERIFY(queuedEventsRan(&w));
            QCOMPARE(handledBy(w), 0);
            QCOMPARE(w.table().rec_count(), 0);
            QCOMPARE(w.lbl_exam_info()->text(), QStringLiteral("已提交成绩0"));
            QVERIFY(!student.socket.hasPendingDatagrams()); // nobody confirmed it
        } else {
            QVERIFY2(w.lbl_host()->text().startsWith(QStringLiteral("服务器IP:")),
                     qPrintable(w.lbl_host()->text()));
            QVERIFY(w.lbl_host()->text().endsWith(u" 端口:" + QString::number(port)));
            QVERIFY(t.prompter.shown.isEmpty());
            QVERIFY(student.sendTo(w, score));
            QCOMPARE(w.table().rec_count(), 1);
            QTRY_VERIFY(student.socket.hasPendingDatagrams());
            QCOMPARE(drain(student.socket), QList<QByteArray>{ackFor(score)});
        }
        // Showing the window again does not repeat the message; the buttons work.
        w.hide();
        w.show();
        QVERIFY(queuedEventsRan(&w));
        const qsizetype before = t.prompter.shown.size();
        QCOMPARE(before, taken ? 1 : 0);
        QTest::mouseClick(w.QQButton4(), Qt::LeftButton);
        QCOMPARE(t.prompter.shown.size(), before + 1);
        QCOMPARE(t.prompter.shown.last().title, QStringLiteral("帮助"));
    } // closed with Yes

    if (other.state() != QProcess::NotRunning) {
        other.closeWriteChannel();
        if (!other.waitForFinished(5000)) {
            other.kill();
            other.waitForFinished(5000);
        }
    }
}

// ---- save targets -------------------------------------------------------------

void TestFaultsCollector::saveTargetFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("old"); // null: no file there before
    QTest::newRow("error: disk full, the old file stays whole")
        << QStringLiteral("full-disk") << QByteArray("192.168.1.1#PC1#old#20#x\r\n");
    QTest::newRow("error: disk full, new file") << QStringLiteral("full-disk") << QByteArray();
    QTest::newRow("error: a device that is always full")
        << QStringLiteral("full-device") << QByteArray();
    QTest::newRow("error: path inside a file") << QStringLiteral("inside-file") << QByteArray();
    QTest::newRow("error: read-only folder, the old file stays whole")
        << QStringLiteral("read-only") << QByteArray("old scores\r\n");
}

void TestFaultsCollector::saveTargetFaults()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, old);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString place = dir.filePath(QStringLiteral("place"));
    QVERIFY(QDir().mkpath(place));
    FaultPlaces faults;
    QString target = QDir(place).filePath(QStringLiteral("scores.txt"));
    QString why;
    if (fault == u"full-disk") {
        why = faults.makeSmallDisk(place, 64 * 1024);
    } else if (fault == u"full-device") {
        why = faults.fullDevice(place, &target);
    } else if (fault == u"inside-file") {
        QVERIFY(FaultPlaces::putFile(QDir(place).filePath(QStringLiteral("plain.txt")), "x"));
        target = QDir(place).filePath(QStringLiteral("plain.txt/scores.txt"));
    }
    if (!why.isEmpty()) {
        QSKIP(qPrintable(why));
    }
    if (!old.isNull()) {
        QVERIFY(FaultPlaces::putFile(target, old));
    }
    if (fault == u"full-disk") {
        why = faults.fillDisk(place);
    } else if (fault == u"read-only") {
        why = faults.makeReadOnly(place);
    }
    if (!why.isEmpty()) {
        QSKIP(qPrintable(why));
    }
    const QStringList before = FaultPlaces::entries(place);

    Teacher t;
    form1& w = *t.window;
    StudentSocket student;
    QList<QByteArray> sent;
    for (int i = 1; i <= 3; ++i) {
        sent << scorePayload(QStringLiteral("192.168.1.%1").arg(i), QString::number(20 + i),
                             QStringLiteral("学生%1").arg(i), QStringLiteral("第二套"));
        QVERIFY(student.sendTo(w, sent.last()));
    }
    t.chosenFiles = {target};
    t.prompter.answers = {QMessageBox::Yes, QMessageBox::Ok}; // create it, then the report
    w.save();

    QVERIFY(!t.prompter.shown.isEmpty());
    const Prompt& report = t.prompter.shown.last();
    QCOMPARE(report.title, QStringLiteral("提示"));
    QVERIFY2(report.text.contains(QDir::toNativeSeparators(target)), qPrintable(report.text));
    QVERIFY2(report.text.size() > QDir::toNativeSeparators(target).size() + 12,
             qPrintable(report.text)); // the reason follows the path
    // Nothing half-written: the old file is whole, no temporary file is left.
    if (!old.isNull()) {
        QCOMPARE(FaultPlaces::fileBytes(target), old);
    }
    QCOMPARE(FaultPlaces::entries(place), before);
    if (fault == u"full-device") {
        QVERIFY2(FaultPlaces::isCharacterDevice(target), "the device was replaced by a file");
    }

    // Nothing lost: the same scores can be saved elsewhere at once.
    faults.freeDisk();
    QTemporaryDir other;
    const QString good = other.filePath(QStringLiteral("scores.txt"));
    t.chosenFiles = {good};
    t.prompter.answers = {QMessageBox::Yes};
    const qsizetype shown = t.prompter.shown.size();
    w.save();
    QCOMPARE(t.prompter.shown.size(), shown + 1); // only the create question
    const QByteArray set = toGbk(QStringLiteral("第二套"));
    QByteArray expected;
    for (int i = 1; i <= 3; ++i) {
        expected += "192.168.1." + QByteArray::number(i) + "#PC-192.168.1." +
                    QByteArray::number(i) + '#' + toGbk(QStringLiteral("学生%1").arg(i)) + '#' +
                    QByteArray::number(20 + i) + '#' + set + "\r\n";
    }
    QCOMPARE(FaultPlaces::fileBytes(good), expected);
}

// ---- flood --------------------------------------------------------------------

void TestFaultsCollector::flood_data()
{
    QTest::addColumn<bool>("paced");
    QTest::newRow("paced in bursts of 250: every datagram read") << true;
    QTest::newRow("as fast as another thread can send") << false;
}

void TestFaultsCollector::flood()
{
    QFETCH(bool, paced);
    const Flood flood;

    Teacher t;
    form1& w = *t.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    // One real student uploads first, from a socket of its own.
    StudentSocket student;
    const QByteArray own = scorePayload(QStringLiteral("192.168.0.50"), QStringLiteral("18"),
                                        QStringLiteral("王小明"), QStringLiteral("第一套"));
    QVERIFY(student.sendTo(w, own));
    QTRY_VERIFY(student.socket.hasPendingDatagrams());
    QCOMPARE(drain(student.socket), QList<QByteArray>{ackFor(own)});

    QList<QByteArray> acks;
    int sent = 0;
    if (paced) {
        QUdpSocket flooder;
        QVERIFY(flooder.bind(QHostAddress::LocalHost, 0));
        // Room for the answers of a whole burst, long names included.
        flooder.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                                QVariant(ScoreReceiver::kReceiveBufferBytes));
        for (int i = 0; i < Flood::kCount; ++i) {
            const QByteArray& p = flood.payloads.at(i);
            QCOMPARE(flooder.writeDatagram(p, QHostAddress::LocalHost, w.listeningPort()),
                     qint64(p.size()));
            ++sent;
            if (sent % 250 == 0 || sent == Flood::kCount) {
                const int target = 1 + sent;
                QVERIFY2(QTest::qWaitFor([&] { return handledBy(w) >= target; }, 20000),
                         qPrintable(QStringLiteral("%1 of %2 read").arg(handledBy(w)).arg(target)));
                acks += drain(flooder);
            }
        }
        QTest::qWait(50);
        acks += drain(flooder);
    } else {
        // Another thread sends without pause and takes the answers as they come.
        std::atomic<bool> stop{false};
        std::atomic<int> sentCount{0};
        QList<QByteArray> threadAcks;
        const quint16 port = w.listeningPort();
        std::unique_ptr<QThread> sender(QThread::create([&] {
            QUdpSocket flooder;
            if (!flooder.bind(QHostAddress::LocalHost, 0)) {
                return;
            }
            flooder.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                                    QVariant(ScoreReceiver::kReceiveBufferBytes));
            for (const QByteArray& p : flood.payloads) {
                // A send refused for lack of buffer space is tried again.
                for (int attempt = 0; attempt < 100; ++attempt) {
                    if (flooder.writeDatagram(p, QHostAddress::LocalHost, port) == p.size()) {
                        ++sentCount;
                        break;
                    }
                    QThread::msleep(1);
                }
                threadAcks += drain(flooder);
            }
            while (!stop) {
                threadAcks += drain(flooder);
                QThread::msleep(1);
            }
            threadAcks += drain(flooder);
        }));
        sender->start();
        // Wait until the window has read all it will get: nothing new for a second.
        int last = -1;
        QElapsedTimer quiet;
        quiet.start();
        QElapsedTimer total;
        total.start();
        while (quiet.elapsed() < 1000 && total.elapsed() < 120000) {
            QTest::qWait(20);
            if (handledBy(w) != last) {
                last = handledBy(w);
                quiet.restart();
            }
        }
        QTest::qWait(200);
        stop = true;
        QVERIFY(sender->wait(10000));
        acks = threadAcks;
        sent = sentCount;
        QCOMPARE(sent, Flood::kCount);
    }

    const ScoreReceiver& r = w.receiver();
    const int read = r.recordedCount() + r.ignoredCount() + r.refusedCount();
    QVERIFY(read <= 1 + sent);
    if (!paced) {
        // With the system's default receive limit (net.core.rmem_max) the
        // kernel drops much of an unpaced flood before the window reads it.
        // Fill the list one datagram at a time from a socket of its own, so the
        // full list is checked on any machine.
        QUdpSocket topUp;
        QVERIFY(topUp.bind(QHostAddress::LocalHost, 0));
        for (int i = 0; i < Flood::kCount && w.table().rec_count() < ScoreTable::kMaxRows; ++i) {
            if (!flood.wellFormed.at(i)) {
                continue;
            }
            const int before = handledBy(w);
            QCOMPARE(topUp.writeDatagram(flood.payloads.at(i), QHostAddress::LocalHost,
                                         w.listeningPort()),
                     qint64(flood.payloads.at(i).size()));
            QVERIFY(QTest::qWaitFor([&] { return handledBy(w) > before; }, 5000));
        }
        // The list says it is full once a new key has been turned away.
        const int before = handledBy(w);
        const QByteArray overflow = scorePayload(QStringLiteral("10.9.9.9"), QStringLiteral("1"),
                                                 QStringLiteral("溢出"), QStringLiteral("第一套"));
        QCOMPARE(topUp.writeDatagram(overflow, QHostAddress::LocalHost, w.listeningPort()),
                 qint64(overflow.size()));
        QVERIFY(QTest::qWaitFor([&] { return handledBy(w) > before; }, 5000));
    }
    QCOMPARE(w.table().rec_count(), ScoreTable::kMaxRows); // 703 keys, 500 rows
    QCOMPARE(w.lbl_exam_info()->text(), QStringLiteral("已提交成绩500"));
    QVERIFY2(w.lbl_host()->text().contains(QStringLiteral("成绩列表已满")),
             qPrintable(w.lbl_host()->text()));
    QCOMPARE(w.table().row(1).name, QStringLiteral("王小明"));
    // One notice that the list is full, however many new keys were turned away.
    QTRY_COMPARE(t.prompter.shown.size(), 1);
    QCOMPARE(t.prompter.shown.first().title, QStringLiteral("提示"));
    QVERIFY(t.prompter.shown.first().text.contains(QStringLiteral("重新启动Velcoll")));

    // Acknowledgements: exactly one for each recorded datagram, none for a
    // malformed or refused one, and the student got none of them.
    // (Without pauses UDP may drop an answer on its way; never may one come
    // for a datagram that was not recorded.)
    QVERIFY(acks.size() <= r.recordedCount() - 1);
    QVERIFY(!acks.isEmpty());
    QSet<QByteArray> wellFormedAcks;
    for (int i = 0; i < Flood::kCount; ++i) {
        if (flood.wellFormed.at(i)) {
            wellFormedAcks.insert(ackFor(flood.payloads.at(i)));
        }
    }
    QSet<QString> rowKeys;
    for (int i = 1; i <= w.table().rec_count(); ++i) {
        rowKeys.insert(w.table().arr_ip(i) + u'\n' + w.table().arr_tao(i));
    }
    for (const QByteArray& a : std::as_const(acks)) {
        QVERIFY2(wellFormedAcks.contains(a), a.left(60).toHex().constData());
        QVERIFY2(rowKeys.contains(Flood::keyOf(a.sliced(4))), a.left(60).constData());
    }
    QVERIFY(!student.socket.hasPendingDatagrams());
    qInfo("%d sent, %d read, %d recorded, %d ignored, %d refused, %d acknowledgements", sent, read,
          r.recordedCount(), r.ignoredCount(), r.refusedCount(), int(acks.size()));

    if (paced) {
        // Every datagram was read: the counts follow from the rules alone.
        QSet<QString> keys{Flood::keyOf(own)};
        QList<QByteArray> expectedAcks;
        int malformed = 0;
        int refused = 0;
        for (int i = 0; i < Flood::kCount; ++i) {
            const QByteArray& p = flood.payloads.at(i);
            if (!flood.wellFormed.at(i)) {
                ++malformed;
                continue;
            }
            const QString key = Flood::keyOf(p);
            if (!keys.contains(key) && keys.size() == ScoreTable::kMaxRows) {
                ++refused;
                continue;
            }
            keys.insert(key);
            expectedAcks << ackFor(p);
        }
        QCOMPARE(read, 1 + Flood::kCount);
        QCOMPARE(r.ignoredCount(), malformed);
        QCOMPARE(r.refusedCount(), refused);
        QCOMPARE(r.recordedCount(), 1 + expectedAcks.size());
        QCOMPARE(acks, expectedAcks); // in order, byte for byte
    }

    // After the flood the real student's update still gets through and is
    // confirmed to that student alone; a new key is refused without an answer.
    const QByteArray update = scorePayload(QStringLiteral("192.168.0.50"), QStringLiteral("25"),
                                           QStringLiteral("王小明"), QStringLiteral("第一套"));
    QVERIFY(student.sendTo(w, update));
    QCOMPARE(w.table().row(1).score, QStringLiteral("25"));
    QTRY_VERIFY(student.socket.hasPendingDatagrams());
    QCOMPARE(drain(student.socket), QList<QByteArray>{ackFor(update)});
    const QByteArray newcomer = scorePayload(QStringLiteral("192.168.0.51"), QStringLiteral("25"),
                                             QStringLiteral("李四"), QStringLiteral("第一套"));
    const int refusedBefore = r.refusedCount();
    QVERIFY(student.sendTo(w, newcomer));
    QCOMPARE(r.refusedCount(), refusedBefore + 1);
    // The window answers in the order it reads: once the answer to a later
    // update is in, an answer to the newcomer would have come before it.
    QVERIFY(student.sendTo(w, update));
    QTRY_VERIFY(student.socket.hasPendingDatagrams());
    QCOMPARE(drain(student.socket), QList<QByteArray>{ackFor(update)});
    QCOMPARE(w.table().rec_count(), ScoreTable::kMaxRows);
}

// ---- forged sources --------------------------------------------------------------

void TestFaultsCollector::forgedSources_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("fromPort");
    QTest::addColumn<QByteArrayList>("payloads");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("status"); // shown after the address, empty for none

    const auto keys = [](int n) {
        QByteArrayList list;
        for (int i = 0; i < n; ++i) {
            list << scorePayload(QStringLiteral("10.7.0.%1").arg(i), QStringLiteral("20"),
                                 QStringLiteral("假%1").arg(i), QStringLiteral("第一套"));
        }
        return list;
    };
    const QByteArray score = scorePayload(QStringLiteral("10.7.0.1"), QStringLiteral("20"),
                                          QStringLiteral("王"), QStringLiteral("第一套"));
    QTest::newRow("error: an acknowledgement from 127.0.0.1:1202 starts no echo loop")
        << QStringLiteral("127.0.0.1") << 1202 << QByteArrayList{"ACK#" + score} << 0 << QString();
    QTest::newRow("error: a score from port 1202 of this computer")
        << QStringLiteral("127.0.0.1") << 1202 << QByteArrayList{score} << 0 << QString();
    QTest::newRow("error: 20 new keys from one other computer: nine taken")
        << QStringLiteral("10.9.9.9") << 1201 << keys(20) << 9
        << QStringLiteral("地址不符的成绩9条  已拒收10.9.9.9的新成绩11条");
    QTest::newRow("error: a 2 KB datagram from another computer")
        << QStringLiteral("10.9.9.9") << 1201
        << QByteArrayList{scorePayload(QStringLiteral("10.7.0.1"), QStringLiteral("20"),
                                       QString(1000, u'长'), QStringLiteral("第一套"))}
        << 0 << QStringLiteral("已忽略超长数据包1个");
    QTest::newRow("20 new keys from this computer's student port: all taken")
        << QStringLiteral("127.0.0.1") << 1201 << keys(20) << 20 << QString();
}

void TestFaultsCollector::forgedSources()
{
    QFETCH(QString, from);
    QFETCH(int, fromPort);
    QFETCH(QByteArrayList, payloads);
    QFETCH(int, rows);
    QFETCH(QString, status);

    Teacher t;
    form1& w = *t.window;
    const QString address = w.lbl_host()->text();
    for (const QByteArray& p : std::as_const(payloads)) {
        const int before = handledBy(w);
        if (const QString why =
                sendForged(QHostAddress(from), quint16(fromPort),
                           QHostAddress(QHostAddress::LocalHost), w.listeningPort(), p);
            !why.isEmpty()) {
            QSKIP(qPrintable(why));
        }
        QVERIFY2(QTest::qWaitFor([&] { return handledBy(w) > before; }, 5000),
                 "the forged datagram did not arrive");
    }
    const ScoreReceiver& r = w.receiver();
    // Only what was recorded is acknowledged, and the window shows just that.
    QCOMPARE(r.recordedCount(), rows);
    QCOMPARE(w.table().rec_count(), rows);
    QCOMPARE(w.lbl_exam_info()->text(), QStringLiteral("已提交成绩%1").arg(rows));
    QCOMPARE(w.lbl_host()->text(),
             status.isEmpty() ? address : address + QStringLiteral("  ") + status);
    QCOMPARE(t.prompter.shown.size(), 0);
}

// ---- attacks on the record path and the journal ---------------------------------

void TestFaultsCollector::attacks_data()
{
    QTest::addColumn<QString>("attack");
    QTest::newRow("a blind spray of guessed acknowledgements confirms nothing") << u"spray"_s;
    QTest::newRow("look-alike address fields make no rows and use up no allowance")
        << u"lookalike"_s;
    QTest::newRow("a deleted row frees its place in a full list") << u"delete-then-add"_s;
    QTest::newRow("a stray datagram while the result box is open leaves the socket read")
        << u"stray"_s;
    QTest::newRow("a lock naming a live process of another program is taken over")
        << u"lock-reused"_s;
    QTest::newRow("a lock held by a running collector: nothing is acknowledged") << u"lock-held"_s;
    QTest::newRow("a damaged line is counted and its journal kept aside") << u"damaged"_s;
    QTest::newRow("a FIFO as journal is set aside and reception starts") << u"fifo"_s;
    QTest::newRow("/dev/zero as journal is set aside and reception starts") << u"dev-zero"_s;
    QTest::newRow("a flood of updates restores as one line per row") << u"flood"_s;
}

void TestFaultsCollector::attacks()
{
    QFETCH(QString, attack);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(u"journal"_s);
    QVERIFY(QDir().mkpath(folder));
    const QString active = folder + u"/scores.journal"_s;
    const QHostAddress victim(u"10.9.1.21"_s);
    const QHostAddress attacker(u"10.9.1.66"_s);
    const auto score = [](const QString& address, int points, const QString& set = u"第一套"_s) {
        return scorePayload(address, QString::number(points), u"学生"_s, set);
    };
    const auto writeJournal = [&](const QByteArray& bytes) {
        QFile f(active);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), qint64(bytes.size()));
    };

    if (attack == u"spray" || attack == u"stray") {
        // The teacher's address and port, bound by this test: no collector
        // runs there, so only a forger can answer from it.
        QUdpSocket teacher;
        QVERIFY(teacher.bind(QHostAddress::LocalHost, 0));
        student::ScoreUploader up;
        up.setRemote(u"127.0.0.1"_s, teacher.localPort());
        up.setPatience(300, 2);
        QSignalSpy done(&up, &student::ScoreUploader::finished);
        const ScoreDatagram d{u"127.0.0.1"_s, u"PC"_s, u"25"_s, u"学生"_s, u"第一套"_s};
        if (attack == u"spray") {
            up.upload(d);
            QTRY_VERIFY(teacher.hasPendingDatagrams());
            const QNetworkDatagram sent = teacher.receiveDatagram();
            // Everything a forger can guess: the five fields, with and
            // without a trailing separator, and 3,000 random tokens.
            QList<QByteArray> guesses{ackFor(d.encode()), ackFor(QByteArray(d.encode() + '#'))};
            for (int i = 0; i < 3000; ++i) {
                ScoreDatagram guess = d;
                guess.token = ScoreDatagram::newToken();
                guesses << ackFor(guess.encode());
            }
            for (const QByteArray& g : std::as_const(guesses)) {
                teacher.writeDatagram(g, sent.senderAddress(), quint16(sent.senderPort()));
            }
            QVERIFY(done.wait(5000));
            QCOMPARE(done.first().first().value<student::ScoreUploader::Outcome>(),
                     student::ScoreUploader::Outcome::Unconfirmed);
            return;
        }
        // The result of the first upload is shown in a modal box: a nested
        // event loop, during which a stray datagram arrives.
        QUdpSocket stranger;
        QVERIFY(stranger.bind(QHostAddress::LocalHost, 0));
        bool boxShown = false;
        connect(&up, &student::ScoreUploader::finished, this, [&] {
            if (boxShown) {
                return;
            }
            boxShown = true;
            stranger.writeDatagram("hello", QHostAddress::LocalHost, up.localPort());
            QEventLoop box;
            QTimer::singleShot(300, &box, &QEventLoop::quit);
            box.exec();
        });
        connect(&teacher, &QUdpSocket::readyRead, this, [&] {
            while (teacher.hasPendingDatagrams()) {
                const QNetworkDatagram got = teacher.receiveDatagram();
                teacher.writeDatagram(ackFor(got.data()), got.senderAddress(),
                                      quint16(got.senderPort()));
            }
        });
        up.upload(d);
        QTRY_COMPARE(done.count(), 1);
        QTRY_VERIFY(!up.busy() && boxShown);
        QTest::qWait(350); // the box closes
        up.upload(d);
        QTRY_COMPARE(done.count(), 2);
        QCOMPARE(done.at(1).first().value<student::ScoreUploader::Outcome>(),
                 student::ScoreUploader::Outcome::Acknowledged);
        return;
    }

    if (attack == u"lookalike" || attack == u"delete-then-add") {
        ScoreBook book(folder);
        book.open();
        book.setAddressCheck(AddressCheck(QList<QHostAddress>()));
        if (attack == u"lookalike") {
            const QStringList fakes{u"10.9.1.21 "_s, u" 10.9.1.21"_s,  u"010.9.1.21"_s,
                                    u"10.9.1.021"_s, u"10.9.1.21.0"_s, u"10.9.1"_s,
                                    u"10.9.1.256"_s, u"10.9.1.2l"_s,   u"１0.9.1.21"_s};
            for (const QString& fake : fakes) {
                QCOMPARE(book.take(score(fake, 0), victim, kStudentPort), Verdict::BadAddress);
            }
            QCOMPARE(book.table().rec_count(), 0);
            QCOMPARE(book.count(Verdict::BadAddress), int(fakes.size()));
            // The victim's own score still gets in.
            QCOMPARE(book.take(score(u"10.9.1.21"_s, 25), victim, kStudentPort), Verdict::Record);
            QVERIFY(book.commit());
            QCOMPARE(book.table().row(1).score, u"25"_s);
            QVERIFY(!book.statusText().contains(u"10.9.1.21"_s));
            // Set names compare as they are shown: a control character is a
            // blank, and "第一套 " is no set of the nine.
            QCOMPARE(book.take(score(u"10.9.1.21"_s, 3, u"第一套 "_s), attacker, kStudentPort),
                     Verdict::UnknownSet);
            QCOMPARE(book.take(score(u"10.9.1.21"_s, 3, u"第一套\t"_s), attacker, kStudentPort),
                     Verdict::UnknownSet);
            QVERIFY(book.statusDetails().contains(u"第一套至第九套"_s));
            return;
        }
        // 500 rows from 56 sources of nine each (the last has five).
        for (int i = 0; i < ScoreTable::kMaxRows; ++i) {
            const QString address = u"10.8.%1.%2"_s.arg(i / 9).arg(i % 9 + 1);
            const QHostAddress source(u"10.8.%1.1"_s.arg(i / 9));
            const QString set = sets::folderName(i % 9 + 1);
            QCOMPARE(book.take(score(address, 20, set), source, kStudentPort), Verdict::Record);
        }
        QVERIFY(book.commit());
        QSignalSpy filled(&book, &ScoreBook::listFilled);
        QCOMPARE(book.take(score(u"10.9.1.21"_s, 25), victim, kStudentPort), Verdict::Full);
        QCOMPARE(filled.count(), 1);
        QVERIFY(book.statusText().contains(u"成绩列表已满"_s));
        QVERIFY(book.deleteRow(3));
        QCOMPARE(book.take(score(u"10.9.1.21"_s, 25), victim, kStudentPort), Verdict::Record);
        QVERIFY(book.commit());
        QCOMPARE(book.table().liveCount(), ScoreTable::kMaxRows);
        // Full again: the teacher hears of it again.
        QCOMPARE(book.take(score(u"10.9.1.22"_s, 25), victim, kStudentPort), Verdict::Full);
        QCOMPARE(filled.count(), 2);
        QVERIFY(book.deleteRow(4));
        QVERIFY(book.deleteRow(5));
        QCOMPARE(book.take(score(u"10.9.1.22"_s, 25), victim, kStudentPort), Verdict::Record);
        QCOMPARE(book.take(score(u"10.9.1.23"_s, 25), victim, kStudentPort), Verdict::Record);
        QCOMPARE(book.take(score(u"10.9.1.24"_s, 25), victim, kStudentPort), Verdict::Full);
        QCOMPARE(filled.count(), 3);
        return;
    }

    if (attack == u"lock-reused" || attack == u"lock-held") {
        std::unique_ptr<QLockFile> held;
        if (attack == u"lock-reused") {
#ifdef Q_OS_WIN
            QSKIP("process 1 is a Linux process; Windows numbers its processes otherwise");
#endif
            // Process 1 lives, but it is not this program: after a reboot a
            // stale lock may name it.
            QFile lock(folder + u"/scores.journal.lock"_s);
            QVERIFY(lock.open(QIODevice::WriteOnly));
            lock.write("1\n" + QCoreApplication::applicationName().toUtf8() + "\n" +
                       QSysInfo::machineHostName().toUtf8() + "\n");
        } else {
            held = std::make_unique<QLockFile>(folder + u"/scores.journal.lock"_s);
            QVERIFY(held->tryLock(0));
        }
        ScoreBook book(folder);
        book.open();
        QCOMPARE(book.take(score(u"10.9.1.21"_s, 25), victim, kStudentPort), Verdict::Record);
        if (attack == u"lock-reused") {
            QVERIFY2(book.isJournalling(), qPrintable(book.journalProblem()));
            QVERIFY(book.commit());
            return;
        }
        // The row shows, but a score that is not on the disk is never
        // acknowledged, and the status says why.
        QVERIFY(!book.commit());
        QVERIFY(!book.isJournalling());
        QCOMPARE(book.table().rec_count(), 1);
        QVERIFY(book.statusText().contains(u"成绩日志无法写入"_s));
        return;
    }

    if (attack == u"damaged") {
        QByteArray bytes;
        for (int i = 1; i <= 5; ++i) {
            ScoreDatagram d{u"10.0.0.%1"_s.arg(i), u"PC"_s, u"20"_s, u"学生"_s, u"第一套"_s};
            QByteArray line = ScoreJournal::encode(ScoreJournal::scoreEntry(d, {}, false));
            if (i == 3) {
                line[10] = line[10] ^ 0x20; // one flipped bit
            }
            bytes += line;
        }
        writeJournal(bytes);
        ScoreBook book(folder);
        book.open();
        QVERIFY(book.previous().worthAsking());
        QCOMPARE(book.previous().contents.damagedLines, 1);
        QCOMPARE(book.previous().rows, 4);
        const QStringList aside =
            QDir(folder).entryList({u"scores-*-damaged.journal"_s}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        book.restorePrevious();
        QCOMPARE(book.table().rec_count(), 4);
        return;
    }

    if (attack == u"fifo" || attack == u"dev-zero") {
#ifdef Q_OS_LINUX
        if (attack == u"fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(active).constData(), 0600), 0);
        } else {
            QVERIFY(QFile::link(u"/dev/zero"_s, active));
        }
        QElapsedTimer took;
        took.start();
        ScoreBook book(folder);
        book.open();
        QVERIFY(took.elapsed() < 5000);
        QVERIFY(!book.previous().setAside.isEmpty());
        QVERIFY(QFileInfo(book.previous().setAside).isSymLink() ||
                QFileInfo(book.previous().setAside).exists());
        QVERIFY2(book.isJournalling(), qPrintable(book.journalProblem()));
        QCOMPARE(book.take(score(u"10.9.1.21"_s, 25), victim, kStudentPort), Verdict::Record);
        QVERIFY(book.commit());
        QVERIFY(QFileInfo(active).isFile() && !QFileInfo(active).isSymLink());
#else
        QSKIP("FIFOs and /dev/zero are Linux's");
#endif
        return;
    }

    if (attack == u"flood") {
        // 60,000 updates of three rows, then a crash.
        QByteArray bytes;
        for (int i = 0; i < 60000; ++i) {
            ScoreDatagram d{u"10.0.0.%1"_s.arg(i % 3 + 1), u"PC"_s, QString::number(i % 26),
                            u"学生"_s, u"第一套"_s};
            bytes += ScoreJournal::encode(ScoreJournal::scoreEntry(d, d.address, false));
        }
        writeJournal(bytes);
        ScoreBook book(folder);
        book.open();
        QCOMPARE(book.previous().rows, 3);
        book.restorePrevious();
        QCOMPARE(book.table().rec_count(), 3);
        QCOMPARE(book.table().row(3).score, QString::number(59999 % 26));
        QVERIFY(QFileInfo(active).size() < 1024);
        // and the restored rows count against their sources again
        QCOMPARE(book.acceptance().newRowsFrom(QHostAddress(u"10.0.0.1"_s)), 1);
        return;
    }
    QFAIL("unknown attack");
}

// ---- collected work on a disk that cannot take it ------------------------------

void TestFaultsCollector::workStoreFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("disk fills while the files arrive") << QStringLiteral("small-disk");
    QTest::newRow("disk full before") << QStringLiteral("full-disk");
    QTest::newRow("read-only lesson folder") << QStringLiteral("read-only");
}

// A submission that cannot be stored is refused with "store-failed" and a
// reason; the student's earlier work stays as it was and nothing half-written
// is left beside it.
void TestFaultsCollector::workStoreFaults()
{
    QFETCH(QString, fault);
    QTemporaryDir dir;
    const QString place = dir.filePath(QStringLiteral("lessons"));
    QVERIFY(QDir().mkpath(place));
    FaultPlaces faults;
    QString why = faults.makeSmallDisk(place, 512 * 1024);
    if (!why.isEmpty()) {
        QSKIP(qPrintable(why));
    }
    WorkStore store(QDir(place).filePath(QStringLiteral("作业")));
    store.setDate(QDate(2026, 12, 8));
    work::WorkHeader fields;
    fields.address = QStringLiteral("10.0.0.5");
    fields.computer = QStringLiteral("PC05");
    fields.name = QStringLiteral("张三");
    fields.set = QStringLiteral("第一套");
    fields.score = QStringLiteral("20");
    const QList<work::WorkFileData> earlier{
        {QStringLiteral("hu.htm"), QByteArray("<html>earlier</html>")}};
    QVERIFY(store.store(work::describe(fields, earlier), {earlier.at(0).bytes}).ok);
    const QString setFolder = store.setFolder(fields.set);
    const QStringList before = FaultPlaces::entries(setFolder);

    if (fault == u"full-disk") {
        why = faults.fillDisk(place);
    } else if (fault == u"read-only") {
        why = faults.makeReadOnly(place);
    }
    if (!why.isEmpty()) {
        QSKIP(qPrintable(why));
    }

    WorkReceiver receiver(store);
    QVERIFY(receiver.listen(0));
    QSignalSpy refused(&receiver, &WorkReceiver::workRefused);
    const QList<work::WorkFileData> bigger{
        {QStringLiteral("hu.htm"), QByteArray("<html>new</html>")},
        {QStringLiteral("photo.jpg"), QByteArray(1024 * 1024, 'p')}};
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, receiver.serverPort());
    QVERIFY(client.waitForConnected(5000));
    client.write(work::encodeWork(fields, bigger));
    QTRY_VERIFY_WITH_TIMEOUT(client.bytesAvailable() >= work::kReplyBytes, 10000);
    QCOMPARE(work::decodeReply(client.readAll()), std::optional(work::Refusal::StoreFailed));
    QTRY_COMPARE(refused.size(), 1);
    QVERIFY(!refused.at(0).at(2).toString().isEmpty());

    faults.freeDisk(); // the folder itself stays on the small disk to be looked at
    QCOMPARE(FaultPlaces::entries(setFolder), before);
    QCOMPARE(
        FaultPlaces::fileBytes(QDir(setFolder).filePath(QStringLiteral("10.0.0.5_张三/hu.htm"))),
        QByteArray("<html>earlier</html>"));
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet(kHoldPortVariable)) {
        return holdPort(argc, argv);
    }
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestFaultsCollector test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_faults_collector.moc"
