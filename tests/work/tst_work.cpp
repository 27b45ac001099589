// SPDX-License-Identifier: MIT
// Collected work: the reader's and receiver's refusals over real TCP
// connections on 127.0.0.1, the lesson folder's atomic replace and its
// safety, and a round trip from the student's sender to the stored,
// re-marked folder.
#include "Gbk.h"
#include "Marking.h"
#include "WorkMarker.h"
#include "WorkProtocol.h"
#include "WorkReceiver.h"
#include "WorkSender.h"
#include "WorkStore.h"

#include <QDirIterator>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <limits>

using namespace velmora;
using collector::WorkMarker;
using collector::WorkReceiver;
using collector::WorkStore;
using student::WorkSender;
using work::Refusal;
using work::WorkFile;
using work::WorkFileData;
using work::WorkHeader;

Q_DECLARE_METATYPE(velmora::student::WorkSender::Outcome)

namespace {

const QString kPages = QStringLiteral(VELMORA_SOURCE_DIR "/tests/marking/pages");

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool putFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Every file under folder, hidden ones included: relative path -> bytes.
QMap<QString, QByteArray> treeOf(const QString& folder)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        tree.insert(QDir(folder).relativeFilePath(path), fileBytes(path));
    }
    return tree;
}

// Every entry under folder, folders too, hidden ones included.
QStringList entriesOf(const QString& folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        out.append(QDir(folder).relativeFilePath(it.next()));
    }
    out.sort();
    return out;
}

WorkHeader fields(const QString& name = QStringLiteral("张三"),
                  const QString& set = QStringLiteral("第一套"))
{
    WorkHeader h;
    h.address = QStringLiteral("10.0.0.5");
    h.computer = QStringLiteral("PC05");
    h.name = name;
    h.set = set;
    h.score = QStringLiteral("25");
    return h;
}

QList<WorkFileData> sampleFiles()
{
    return {{QStringLiteral("hu.htm"), fileBytes(kPages + QStringLiteral("/set1_full.htm"))},
            {QStringLiteral("logo.gif"), QByteArray("GIF89a\x01\x00\x01\x00", 10)},
            {QStringLiteral("empty.txt"), QByteArray()}};
}

// A header that claims files without their bytes following.
QByteArray claimedFiles(const QList<WorkFile>& files)
{
    WorkHeader h = fields();
    h.files = files;
    return work::encodeHeader(h);
}

WorkFile claimed(const QString& name, qint64 size = 1)
{
    return WorkFile{name, size, QByteArray(work::kShaBytes, '\0')};
}

} // namespace

class TestWork : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void submission_data();
    void submission();
    void busyAndRate();

    void storeNames_data();
    void storeNames();
    void storeReplaces();
    void storeStaysInside();
    void storeLeftoversAfterCrash();

    void roundTrip();
    void noCollector();
};

void TestWork::initTestCase()
{
    qRegisterMetaType<WorkSender::Outcome>();
}

// One table for the reader and the receiver. Each row's bytes go to a real
// receiver over 127.0.0.1 (then the connection closes, unless the row keeps
// it open and goes quiet), and to a bare reader one byte at a time. Expected:
// the reply, the signal, and a lesson folder that holds the work exactly
// when it was accepted.
void TestWork::submission_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("stayOpen");
    QTest::addColumn<Refusal>("expected");

    const QByteArray good = work::encodeWork(fields(), sampleFiles());
    QTest::newRow("accepted") << good << false << Refusal::None;

    QByteArray badHash = good;
    badHash[badHash.size() - 12] = char(badHash.at(badHash.size() - 12) ^ 0x20);
    QTest::newRow("bad hash") << badHash << false << Refusal::BadHash;
    QTest::newRow("short file") << good.first(good.size() - 5) << false << Refusal::Incomplete;
    QTest::newRow("trailing bytes") << good + "x" << false << Refusal::TrailingBytes;
    QTest::newRow("slow sender") << good.first(good.size() / 2) << true << Refusal::TimedOut;

    for (const auto& [row, name] : std::initializer_list<std::pair<const char*, QString>>{
             {"unsafe name: parent", QStringLiteral("../hu.htm")},
             {"unsafe name: dot dot", QStringLiteral("..")},
             {"unsafe name: slash", QStringLiteral("a/hu.htm")},
             {"unsafe name: backslash", QStringLiteral("a\\hu.htm")},
             {"unsafe name: absolute", QStringLiteral("/etc/passwd")},
             {"unsafe name: drive", QStringLiteral("C:hu.htm")},
             {"unsafe name: control", QStringLiteral("hu\n.htm")},
             {"unsafe name: device", QStringLiteral("con.htm")},
             {"unsafe name: empty", QString()},
             {"unsafe name: too long", QString(201, u'a')},
         }) {
        QTest::newRow(row) << claimedFiles({claimed(name)}) << false << Refusal::UnsafeName;
    }
    QTest::newRow("names differing in case")
        << claimedFiles({claimed(QStringLiteral("Hu.htm")), claimed(QStringLiteral("hU.HTM"))})
        << false << Refusal::DuplicateName;

    QList<WorkFile> many;
    for (int i = 0; i <= work::kMaxFiles; ++i) {
        many.append(claimed(QStringLiteral("f%1.txt").arg(i)));
    }
    QTest::newRow("too many files") << claimedFiles(many) << false << Refusal::TooManyFiles;
    QTest::newRow("too many bytes")
        << claimedFiles({claimed(QStringLiteral("a.gif"), work::kMaxTotalBytes / 2),
                         claimed(QStringLiteral("b.gif"), work::kMaxTotalBytes / 2 + 1)})
        << false << Refusal::TooLarge;
    QTest::newRow("one huge file")
        << claimedFiles({claimed(QStringLiteral("a.gif"), std::numeric_limits<qint64>::max())})
        << false << Refusal::TooLarge;

    QByteArray bigHeader = good.first(work::kPrefixBytes);
    qToBigEndian<quint32>(quint32(work::kMaxHeaderBytes + 1), bigHeader.data() + 6);
    QTest::newRow("header too large") << bigHeader << false << Refusal::HeaderTooLarge;
    QTest::newRow("not this protocol")
        << QByteArray("GET / HTTP/1.0\r\n\r\n") << false << Refusal::BadMagic;
    QByteArray v2 = good;
    v2[5] = 2;
    QTest::newRow("newer version") << v2 << false << Refusal::BadVersion;
    QTest::newRow("unknown set") << work::encodeWork(
                                        fields(QStringLiteral("张三"), QStringLiteral("第十套")),
                                        sampleFiles())
                                 << false << Refusal::UnknownSet;
    WorkHeader badAddress = fields();
    badAddress.address = QStringLiteral("../../x");
    QTest::newRow("address not IPv4")
        << work::encodeWork(badAddress, sampleFiles()) << false << Refusal::BadText;
}

void TestWork::submission()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, stayOpen);
    QFETCH(Refusal, expected);

    // The bare reader, a byte at a time: the same verdict without a socket.
    if (!stayOpen) {
        work::WorkReader reader;
        for (qsizetype i = 0;
             i < bytes.size() && reader.state() != work::WorkReader::State::Refused; ++i) {
            reader.feed(bytes.sliced(i, 1));
        }
        reader.finish();
        // Which sets there are is the store's business, not the reader's.
        QCOMPARE(reader.refusal(), expected == Refusal::UnknownSet ? Refusal::None : expected);
        if (expected == Refusal::None) {
            QCOMPARE(reader.contents().size(), sampleFiles().size());
            QCOMPARE(reader.contents().at(0), sampleFiles().at(0).bytes);
        }
    }

    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("作业"));
    WorkStore store(root);
    store.setDate(QDate(2026, 12, 8));
    WorkReceiver receiver(store);
    WorkReceiver::Limits limits;
    limits.idleTimeoutMs = 300;
    receiver.setLimits(limits);
    QVERIFY2(receiver.listen(0), qPrintable(receiver.errorString()));
    QSignalSpy stored(&receiver, &WorkReceiver::workStored);
    QSignalSpy refused(&receiver, &WorkReceiver::workRefused);

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, receiver.serverPort());
    QVERIFY(client.waitForConnected(5000));
    client.write(bytes);
    if (!stayOpen && expected != Refusal::None) {
        QVERIFY(client.waitForBytesWritten(5000) || client.bytesToWrite() == 0);
        if (expected == Refusal::Incomplete) {
            client.disconnectFromHost(); // the sender gives up midway
        }
    }
    if (expected != Refusal::Incomplete) {
        QTRY_VERIFY_WITH_TIMEOUT(client.bytesAvailable() >= work::kReplyBytes ||
                                     client.state() == QAbstractSocket::UnconnectedState,
                                 5000);
        QCOMPARE(work::decodeReply(client.read(work::kReplyBytes)), std::optional(expected));
    }

    if (expected == Refusal::None) {
        QTRY_COMPARE(stored.size(), 1);
        QCOMPARE(refused.size(), 0);
        const QString folder = stored.at(0).at(2).toString();
        QCOMPARE(folder, store.folderFor(QStringLiteral("10.0.0.5"), QStringLiteral("张三"),
                                         QStringLiteral("第一套")));
        QCOMPARE(stored.at(0).at(3).toString(), folder + QStringLiteral("/hu.htm"));
        QCOMPARE(stored.at(0).at(1).value<QHostAddress>(), QHostAddress(QHostAddress::LocalHost));
        QMap<QString, QByteArray> sent;
        for (const WorkFileData& f : sampleFiles()) {
            sent.insert(f.name, f.bytes);
        }
        QCOMPARE(treeOf(folder), sent);
        QCOMPARE(entriesOf(root).size(), 2 + 1 + 3); // date, set, folder, files
    } else {
        QTRY_COMPARE(refused.size(), 1);
        QCOMPARE(refused.at(0).at(1).value<Refusal>(), expected);
        QCOMPARE(stored.size(), 0);
        // Nothing kept: at most the empty day and set folders.
        for (const QString& e : entriesOf(root)) {
            QVERIFY2(QFileInfo(QDir(root).filePath(e)).isDir() && e.count(u'/') <= 1,
                     qPrintable(e));
        }
    }
}

void TestWork::busyAndRate()
{
    QTemporaryDir dir;
    WorkReceiver receiver(WorkStore(dir.filePath(QStringLiteral("作业"))));
    WorkReceiver::Limits limits;
    limits.maxConnections = 2;
    limits.maxPerSource = 2;
    limits.perSourcePerWindow = 3;
    receiver.setLimits(limits);
    QVERIFY(receiver.listen(0));

    // Two connections hold the slots (they send nothing yet); a third is
    // told "busy" at once.
    QList<QTcpSocket*> open;
    auto connectOne = [&] {
        auto* s = new QTcpSocket(this);
        s->connectToHost(QHostAddress::LocalHost, receiver.serverPort());
        open.append(s);
        return s->waitForConnected(5000);
    };
    QVERIFY(connectOne());
    QVERIFY(connectOne());
    QTest::qWait(100);
    QVERIFY(connectOne());
    QTRY_VERIFY(open.last()->bytesAvailable() >= work::kReplyBytes);
    QCOMPARE(work::decodeReply(open.last()->readAll()), std::optional(Refusal::Busy));

    // The first two finish; the third connection of the window from this
    // address is still taken, the fourth is over the rate.
    const QByteArray good = work::encodeWork(fields(), sampleFiles());
    for (int i = 0; i < 2; ++i) {
        open.at(i)->write(good);
        QTRY_VERIFY(open.at(i)->bytesAvailable() >= work::kReplyBytes);
        QCOMPARE(work::decodeReply(open.at(i)->readAll()), std::optional(Refusal::None));
        open.at(i)->disconnectFromHost();
    }
    QTRY_COMPARE(receiver.storedCount(), 2);
    QVERIFY(connectOne());
    open.last()->write(good);
    QTRY_VERIFY(open.last()->bytesAvailable() >= work::kReplyBytes);
    QCOMPARE(work::decodeReply(open.last()->readAll()), std::optional(Refusal::None));
    QVERIFY(connectOne());
    QTRY_VERIFY(open.last()->bytesAvailable() >= work::kReplyBytes);
    QCOMPARE(work::decodeReply(open.last()->readAll()), std::optional(Refusal::RateLimited));
    qDeleteAll(open);
}

// Whatever a student calls himself, his folder is one component inside the
// set folder, and the name in it is recognisable.
void TestWork::storeNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("component");

    QTest::newRow("plain") << QStringLiteral("张三") << QStringLiteral("10.0.0.5_张三");
    QTest::newRow("parent") << QStringLiteral("../../..") << QStringLiteral("10.0.0.5____");
    QTest::newRow("separators") << QStringLiteral("a/b\\c") << QStringLiteral("10.0.0.5_a_b_c");
    QTest::newRow("drive") << QStringLiteral("C:\\Windows")
                           << QStringLiteral("10.0.0.5_C__Windows");
    QTest::newRow("control") << QStringLiteral("a\tb\nc") << QStringLiteral("10.0.0.5_a_b_c");
    QTest::newRow("device") << QStringLiteral("CON") << QStringLiteral("10.0.0.5__CON");
    QTest::newRow("hidden") << QStringLiteral(".bashrc") << QStringLiteral("10.0.0.5_bashrc");
    QTest::newRow("empty") << QString() << QStringLiteral("10.0.0.5__");
    QTest::newRow("long") << QString(300, u'名')
                          << QStringLiteral("10.0.0.5_") + QString(64, u'名');
}

void TestWork::storeNames()
{
    QFETCH(QString, name);
    QFETCH(QString, component);
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("作业"));
    WorkStore store(root);
    store.setDate(QDate(2026, 12, 8));
    const QList<WorkFileData> files = sampleFiles();
    const WorkStore::Stored stored = store.store(work::describe(fields(name), files),
                                                 {files[0].bytes, files[1].bytes, files[2].bytes});
    QVERIFY2(stored.ok, qPrintable(stored.error));
    QCOMPARE(stored.folder, root + QStringLiteral("/2026-12-08/第一套/") + component);
    QCOMPARE(treeOf(stored.folder).size(), 3);
    QCOMPARE(entriesOf(dir.path()).size(), 1 + 2 + 1 + 3);
}

void TestWork::storeReplaces()
{
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("作业"));
    WorkStore store(root);
    store.setDate(QDate(2026, 12, 8));
    auto storeOne = [&](const QString& name, const QList<WorkFileData>& files) {
        QList<QByteArray> contents;
        for (const WorkFileData& f : files) {
            contents.append(f.bytes);
        }
        return store.store(work::describe(fields(name), files), contents);
    };
    const WorkStore::Stored first = storeOne(QStringLiteral("张三"), sampleFiles());
    QVERIFY(first.ok);
    // Another student's work of the same set stays.
    WorkHeader other = work::describe(fields(QStringLiteral("李四")), {sampleFiles().at(1)});
    other.address = QStringLiteral("10.0.0.50");
    QVERIFY(store.store(other, {sampleFiles().at(1).bytes}).ok);

    // The same key again, under a corrected name and with other files: only
    // the new folder is there afterwards, nothing hidden left beside it.
    const QList<WorkFileData> second{{QStringLiteral("hu.htm"), QByteArray("<html>new</html>")}};
    const WorkStore::Stored again = storeOne(QStringLiteral("张三丰"), second);
    QVERIFY2(again.ok, qPrintable(again.error));
    QCOMPARE(
        entriesOf(store.setFolder(QStringLiteral("第一套"))),
        QStringList({QStringLiteral("10.0.0.50_李四"), QStringLiteral("10.0.0.50_李四/logo.gif"),
                     QStringLiteral("10.0.0.5_张三丰"), QStringLiteral("10.0.0.5_张三丰/hu.htm")}));
    QCOMPARE(fileBytes(again.folder + QStringLiteral("/hu.htm")), QByteArray("<html>new</html>"));

    // A store that fails part-way (the header promises a file the contents
    // lack) leaves the previous work as it was.
    WorkHeader broken = work::describe(fields(), second);
    QVERIFY(!store.store(broken, {}).ok);
    QCOMPARE(fileBytes(again.folder + QStringLiteral("/hu.htm")), QByteArray("<html>new</html>"));
}

void TestWork::storeStaysInside()
{
#ifdef Q_OS_WIN
    QSKIP("QFile::link makes a shortcut file on Windows, not a link");
#endif
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("作业"));
    const QString outside = dir.filePath(QStringLiteral("outside"));
    QVERIFY(QDir().mkpath(outside));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/2026-12-08")));
    // Someone made the set folder a link out of the lesson folder.
    QVERIFY(QFile::link(outside, root + QStringLiteral("/2026-12-08/第一套")));
    WorkStore store(root);
    store.setDate(QDate(2026, 12, 8));
    const QList<WorkFileData> files = sampleFiles();
    const WorkStore::Stored stored = store.store(work::describe(fields(), files),
                                                 {files[0].bytes, files[1].bytes, files[2].bytes});
    QVERIFY(!stored.ok);
    QVERIFY(!stored.error.isEmpty());
    QCOMPARE(entriesOf(outside), QStringList());

    // A file name with a separator never becomes a path, even past the reader.
    QTemporaryDir clean;
    WorkStore fresh(clean.filePath(QStringLiteral("作业")));
    WorkHeader sneaky = fields();
    sneaky.files = {WorkFile{QStringLiteral("../../escape.htm"), 1, work::sha256("x")}};
    QVERIFY(!fresh.store(sneaky, {QByteArray("x")}).ok);
    QCOMPARE(treeOf(clean.path()), (QMap<QString, QByteArray>()));
}

void TestWork::storeLeftoversAfterCrash()
{
    // A crash between moving the old work aside and putting the new in
    // place: the next start puts the old back and drops the half new one.
    QTemporaryDir dir;
    const QString set = dir.filePath(QStringLiteral("作业/2026-12-08/第一套"));
    QVERIFY(putFile(set + QStringLiteral("/.10.0.0.5_张三.1a2b.velcoll-old/hu.htm"), "old"));
    QVERIFY(putFile(set + QStringLiteral("/.10.0.0.5_.3c4d.velcoll-new/hu.htm"), "half"));
    QVERIFY(putFile(set + QStringLiteral("/.10.0.0.7_李四.5e6f.velcoll-old/hu.htm"), "older"));
    QVERIFY(putFile(set + QStringLiteral("/10.0.0.7_李四/hu.htm"), "newer"));
    WorkStore(dir.filePath(QStringLiteral("作业"))).removeLeftovers();
    QCOMPARE(
        entriesOf(set),
        QStringList({QStringLiteral("10.0.0.5_张三"), QStringLiteral("10.0.0.5_张三/hu.htm"),
                     QStringLiteral("10.0.0.7_李四"), QStringLiteral("10.0.0.7_李四/hu.htm")}));
    QCOMPARE(fileBytes(set + QStringLiteral("/10.0.0.7_李四/hu.htm")), QByteArray("newer"));
}

// The student's folder as it is on his disk goes to a real receiver; what is
// stored equals what is there (links and subfolders left out), and the
// re-marked score is the score the marking button gives.
void TestWork::roundTrip()
{
    QTemporaryDir dir;
    const QString working = dir.filePath(QStringLiteral("WebDo/第三套"));
    const QByteArray page = fileBytes(kPages + QStringLiteral("/set3_full.htm"));
    const QString pageName = marking::pageFileName(3);
    QVERIFY(putFile(working + u'/' + pageName.toUpper(), page)); // as a case-blind system names it
    QByteArray picture(1024 * 1024, '\0');
    for (qsizetype i = 0; i < picture.size(); ++i) {
        picture[i] = char(i * 7 + i / 255);
    }
    QVERIFY(putFile(working + QStringLiteral("/图片.jpg"), picture));
    QVERIFY(putFile(working + QStringLiteral("/images/inner.gif"), "inner"));
    int leftOut = 1; // the subfolder
#ifndef Q_OS_WIN
    // (on Windows QFile::link makes a shortcut file, which is sent)
    QVERIFY(putFile(dir.filePath(QStringLiteral("secret.txt")), "secret"));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("secret.txt")),
                        working + QStringLiteral("/link.txt")));
    ++leftOut;
#endif

    const QString root = dir.filePath(QStringLiteral("作业"));
    WorkReceiver receiver{WorkStore(root)};
    QVERIFY(receiver.listen(0));
    QSignalSpy stored(&receiver, &WorkReceiver::workStored);

    WorkSender sender;
    sender.setRemote(QStringLiteral("127.0.0.1"), receiver.serverPort());
    QSignalSpy finished(&sender, &WorkSender::finished);
    sender.send(fields(QStringLiteral("王五"), marking::setFolderName(3)), working, pageName);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
    QCOMPARE(finished.at(0).at(0).value<WorkSender::Outcome>(), WorkSender::Outcome::Delivered);
    QCOMPARE(sender.skipped().size(), leftOut);
    QTRY_COMPARE(stored.size(), 1);

    const QString folder = stored.at(0).at(2).toString();
    const QMap<QString, QByteArray> expected{{pageName.toUpper(), page},
                                             {QStringLiteral("图片.jpg"), picture}};
    QCOMPARE(treeOf(folder), expected);
#ifdef Q_OS_WIN
    // A case-blind file system finds the page by the name asked for.
    QVERIFY(stored.at(0).at(3).toString().compare(folder + u'/' + pageName.toUpper(),
                                                  Qt::CaseInsensitive) == 0);
#else
    QCOMPARE(stored.at(0).at(3).toString(), folder + u'/' + pageName.toUpper());
#endif

    WorkMarker marker;
    QSignalSpy marked(&marker, &WorkMarker::marked);
    marker.mark(QStringLiteral("10.0.0.5"), marking::setFolderName(3), folder);
    QTRY_COMPARE(marked.size(), 1);
    QCOMPARE(marked.at(0).at(3).toInt(), marking::markText(3, decodePage(page)).total);
    QCOMPARE(marked.at(0).at(3).toInt(), 25);
    QCOMPARE(marker.pending(), 0);

    // A folder without the page is a failure with its reason, not a zero.
    QSignalSpy failed(&marker, &WorkMarker::markFailed);
    marker.mark(QStringLiteral("10.0.0.5"), marking::setFolderName(3),
                dir.filePath(QStringLiteral("WebDo")));
    QTRY_COMPARE(failed.size(), 1);
    QVERIFY(failed.at(0).at(3).toString().contains(pageName));
}

// An older collector has no listener on the port: the sender says so after
// its tries, quickly, and nothing hangs.
void TestWork::noCollector()
{
    QTcpSocket probe;
    quint16 port = 0;
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        port = server.serverPort();
    }
    WorkSender sender;
    sender.setRemote(QStringLiteral("127.0.0.1"), port);
    sender.setPatience(300, 2);
    QSignalSpy attempts(&sender, &WorkSender::attempted);
    QSignalSpy finished(&sender, &WorkSender::finished);
    sender.sendFiles(fields(), sampleFiles());
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
    QCOMPARE(finished.at(0).at(0).value<WorkSender::Outcome>(), WorkSender::Outcome::Failed);
    QCOMPARE(attempts.size(), 2);
    QVERIFY(!sender.busy());
}

QTEST_MAIN(TestWork)
#include "tst_work.moc"
