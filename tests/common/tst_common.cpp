// SPDX-License-Identifier: MIT
#include "AnsiFile.h"
#include "Gbk.h"
#include "Platform.h"
#include "ScoreDatagram.h"
#include "Twips.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace velmora;

class TestCommon : public QObject
{
    Q_OBJECT

private slots:
    void gbkRoundTrip_data();
    void gbkRoundTrip();
    void gbkDecode_data();
    void gbkDecode();
    void gbkEncode_data();
    void gbkEncode();
    void gbkSelfCheckPasses();
    void decodePage_data();
    void decodePage();
    void firstLine_data();
    void firstLine();
    void boundedRead_data();
    void boundedRead();
    void writeReplacesWholeFile();
    void writeFailures_data();
    void writeFailures();
    void writeRefusesPipe();
    void datagramDecode_data();
    void datagramDecode();
    void datagramEncodeIsGbk();
    void ack_data();
    void ack();
    void twips_data();
    void twips();
    void displayPath_data();
    void displayPath();
    void ownAddress_data();
    void ownAddress();
    void openFolder_data();
    void openFolder();
    void userSettingsFolder();
    void windowsProgramsStarted_data();
    void windowsProgramsStarted();
};

void TestCommon::gbkRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << QStringLiteral("abc#1") << QByteArray("abc#1");
    QTest::newRow("set name") << QStringLiteral("第一套") << QByteArray("\xB5\xDA\xD2\xBB\xCC\xD7");
    QTest::newRow("euro sign is GBK 0x80") << QStringLiteral("\u20AC") << QByteArray("\x80");
    QTest::newRow("0xFF is a private-use character")
        << QStringLiteral("\uF8F5") << QByteArray("\xFF");
    QTest::newRow("GBK extension beyond GB2312")
        << QStringLiteral("\u4E96") << QByteArray("\x81\x81");
    QTest::newRow("user-defined area")
        << QStringLiteral("\uE000\uE4C6") << QByteArray("\xAA\xA1\xA1\x40");
    QTest::newRow("middle dot and ideographic space")
        << QStringLiteral("\u00B7\u3000") << QByteArray("\xA1\xA4\xA1\xA1");
    QTest::newRow("latin with accents")
        << QStringLiteral("\u00E9\u0101") << QByteArray("\xA8\xA6\xA8\xA1");
    QTest::newRow("nul and control bytes") << QStringLiteral("a\0\r\n") << QByteArray("a\0\r\n", 4);
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestCommon::gbkRoundTrip()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(toGbk(text), bytes);
    QCOMPARE(fromGbk(bytes), text);
    QVERIFY(fitsGbk(text));
}

void TestCommon::gbkDecode_data()
{
    // A byte that cannot start or complete a character becomes one replacement
    // character, and the byte after it is read afresh.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const QString bad(QChar::ReplacementCharacter);
    QTest::newRow("half character at the end") << QByteArray("a#\xB5") << u"a#"_qs + bad;
    QTest::newRow("lone lead byte") << QByteArray("\xB5") << bad;
    QTest::newRow("whole then half") << QByteArray("\xD6\xD0\xB9") << u"中"_qs + bad;
    QTest::newRow("lead before a space") << QByteArray("\x81 \xD6\xD0") << bad + u" 中"_qs;
    QTest::newRow("lead before a line feed") << QByteArray("\x81\n") << bad + u"\n"_qs;
    QTest::newRow("lead before 0x7F") << QByteArray("\x81\x7F") << bad + u"\x7F"_qs;
    QTest::newRow("lead before 0xFF") << QByteArray("\x81\xFF") << bad + u"\uF8F5"_qs;
    QTest::newRow("letter completes a lead byte") << QByteArray("\x81"
                                                                "abc")
                                                  << u"\u4E64bc"_qs;
    QTest::newRow("four-byte GB18030 is not GBK")
        << QByteArray("\x81\x30\x81\x30") << bad + u"0"_qs + bad + u"0"_qs;
}

void TestCommon::gbkDecode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(fromGbk(bytes), text);
}

void TestCommon::gbkEncode_data()
{
    // Every code point without a GBK form is one '?'.
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("fits");
    QTest::newRow("emoji") << u"😀"_qs << QByteArray("?") << false;
    QTest::newRow("name with emoji") << u"张三😀😀"_qs << QByteArray("\xD5\xC5\xC8\xFD??") << false;
    QTest::newRow("lone high surrogate at the end")
        << u"a"_qs + QChar(0xD800) << QByteArray("a?") << false;
    QTest::newRow("lone low surrogate")
        << QString(QChar(0xDC00)) + u"a"_qs << QByteArray("?a") << false;
    QTest::newRow("yen sign") << u"\u00A5"_qs << QByteArray("?") << false;
    QTest::newRow("C1 control") << u"\u0080"_qs << QByteArray("?") << false;
    QTest::newRow("replacement character") << u"\uFFFD"_qs << QByteArray("?") << false;
    QTest::newRow("question mark itself") << u"?"_qs << QByteArray("?") << true;
}

void TestCommon::gbkEncode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, fits);
    QCOMPARE(toGbk(text), bytes);
    QCOMPARE(fitsGbk(text), fits);
}

void TestCommon::gbkSelfCheckPasses()
{
    QCOMPARE(gbkSelfCheck(), QString());
}

void TestCommon::decodePage_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const QByteArray hu = QStringLiteral("虎").toUtf8();
    QTest::newRow("gbk default") << QByteArray("<p>\xBB\xA2</p>") << QStringLiteral("<p>虎</p>");
    QTest::newRow("utf8 bom") << QByteArray("\xEF\xBB\xBF<p>" + hu) << QStringLiteral("<p>虎");
    QTest::newRow("meta utf-8") << QByteArray("<meta charset=\"UTF-8\">" + hu)
                                << QStringLiteral("<meta charset=\"UTF-8\">虎");
    QTest::newRow("meta utf8 no hyphen")
        << QByteArray("<meta content=\"text/html; charset=utf8\">" + hu)
        << QStringLiteral("<meta content=\"text/html; charset=utf8\">虎");
    QTest::newRow("gb2312 meta stays gbk")
        << QByteArray("<meta charset=gb2312>\xBB\xA2") << QStringLiteral("<meta charset=gb2312>虎");
    QByteArray late(1100, ' ');
    late.prepend("\xBB\xA2");
    late.append("charset=utf-8");
    QTest::newRow("declaration past 1024 bytes ignored")
        << late
        << QString(QStringLiteral("虎") + QString(1100, u' ') + QStringLiteral("charset=utf-8"));

    // The declaration's spellings, as "charset" blanks "=" blanks quote
    // blanks "utf" "-"? "8", letters in either case; the page holds 虎 in the
    // declared encoding, so a wrong reading shows.
    const auto declared = [&hu](const QByteArray& meta) {
        return QByteArray("<meta " + meta + ">" + hu);
    };
    const auto asUtf8 = [&declared](const QByteArray& meta) {
        return QString::fromUtf8(declared(meta));
    };
    const auto asGbk = [&declared](const QByteArray& meta) { return fromGbk(declared(meta)); };
    const QList<std::pair<const char*, QByteArray>> utf8 = {
        {"upper case, no hyphen", "CHARSET=UTF8"},
        {"blanks and single quote", "charset = 'utf-8'"},
        {"every kind of blank", "charset\t=\n\" \r\v\futF-8"},
        {"inside a longer word", "xcharset=utf-8x"},
        {"second charset", "charset=charset=utf-8"},
    };
    for (const auto& [name, meta] : utf8) {
        QTest::addRow("utf-8 declared: %s", name) << declared(meta) << asUtf8(meta);
    }
    const QList<std::pair<const char*, QByteArray>> notUtf8 = {
        {"utf-16", "charset=utf-16"},
        {"underscore", "charset=utf_8"},
        {"two equals signs", "charset==utf-8"},
        {"two quotes", "charset=\"\"utf-8"},
        {"no equals sign", "charset utf-8"},
        {"cut short", "charset=ut"},
        {"no-break space", "charset=\xA0utf-8"},
        {"blank inside", "charset=u tf-8"},
        {"two hyphens", "charset=utf--8"},
    };
    for (const auto& [name, meta] : notUtf8) {
        QTest::addRow("not utf-8: %s", name) << declared(meta) << asGbk(meta);
    }
    // Only the first 1024 bytes are read: a declaration that ends on byte
    // 1024 counts, one cut by that line does not.
    for (const int pad : {1024 - 13, 1024 - 12}) {
        const QByteArray bytes = QByteArray(pad, ' ') + "charset=utf-8" + hu;
        const QString text = QString(pad, u' ') + QStringLiteral("charset=utf-8") +
                             (pad == 1024 - 13 ? QStringLiteral("虎") : QStringLiteral("铏\uFFFD"));
        QTest::addRow("declaration ending on byte %d", pad + 13) << bytes << text;
    }
}

void TestCommon::decodePage()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(velmora::decodePage(bytes), text);
}

void TestCommon::firstLine_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QString>("line");
    QTest::newRow("no line end") << QByteArray("192.168.1.9") << true
                                 << QStringLiteral("192.168.1.9");
    QTest::newRow("crlf") << QByteArray("\xD5\xC5\xC8\xFD\r\nrest") << true
                          << QStringLiteral("张三");
    QTest::newRow("lf") << QByteArray("a\nb") << true << QStringLiteral("a");
    QTest::newRow("cr") << QByteArray("a\rb") << true << QStringLiteral("a");
    QTest::newRow("empty line first") << QByteArray("\r\nb") << true << QString();
    QTest::newRow("empty file") << QByteArray() << false << QString();
}

void TestCommon::firstLine()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, readable);
    QFETCH(QString, line);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("host.wf"));
    QVERIFY(writeFileBytes(path, content).ok);
    const auto got = readAnsiFirstLine(path);
    QCOMPARE(got.has_value(), readable);
    if (readable) {
        QCOMPARE(*got, line);
    }
}

void TestCommon::boundedRead_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<ReadFailure>("failure");
    QTest::newRow("exactly the limit") << QStringLiteral("limit") << ReadFailure::None;
    QTest::newRow("error: one byte over the limit")
        << QStringLiteral("over") << ReadFailure::TooLarge;
    QTest::newRow("error: a folder") << QStringLiteral("folder") << ReadFailure::NotAFile;
    QTest::newRow("error: a pipe without a writer")
        << QStringLiteral("fifo") << ReadFailure::NotAFile;
    QTest::newRow("error: a link to /dev/zero") << QStringLiteral("zero") << ReadFailure::NotAFile;
}

void TestCommon::boundedRead()
{
#ifdef Q_OS_WIN
    if (QByteArray(QTest::currentDataTag()).contains("/dev/zero")) {
        QSKIP("Windows has no /dev/zero");
    }
#endif
    QFETCH(QString, kind);
    QFETCH(ReadFailure, failure);
    constexpr qint64 limit = 100;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("host.wf"));
    if (kind == u"limit" || kind == u"over") {
        QVERIFY(writeFileBytes(path, QByteArray(kind == u"limit" ? limit : limit + 1, 'x')).ok);
    } else if (kind == u"folder") {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == u"fifo") {
#ifdef Q_OS_UNIX
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
#else
        QSKIP("no pipes in the file system here");
#endif
    } else if (kind == u"zero" && !QFile::link(QStringLiteral("/dev/zero"), path)) {
        QSKIP("no /dev/zero here");
    }
    const FileRead read = readRegularFile(path, limit);
    QCOMPARE(read.failure, failure);
    QCOMPARE(read.bytes.has_value(), failure == ReadFailure::None);
    QCOMPARE(read.reason.isEmpty(), failure == ReadFailure::None);
    if (read.bytes) {
        QCOMPARE(read.bytes->size(), limit);
    }
    // The text readers agree.
    QCOMPARE(readAnsiFirstLine(path, limit).has_value(), failure == ReadFailure::None);
}

void TestCommon::writeReplacesWholeFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("UserName.wf"));
    QVERIFY(writeAnsiFile(path, QStringLiteral("a much longer old name")).ok);
    QVERIFY(writeAnsiFile(path, QStringLiteral("李四")).ok);
    QCOMPARE(*readFileBytes(path), QByteArray("\xC0\xEE\xCB\xC4"));
}

void TestCommon::writeFailures_data()
{
    // The path is relative to a fresh temporary folder unless absolute.
    QTest::addColumn<QString>("path");
    QTest::addColumn<WriteStep>("step");
    QTest::addColumn<QString>("named"); // the folder or file the message must name
    QTest::newRow("missing folder") << u"no/such/file.txt"_qs << WriteStep::Open << u"such"_qs;
    QTest::newRow("a folder as target") << u"."_qs << WriteStep::Open << QString();
#ifdef Q_OS_LINUX
    // The file exists; what fails is making the new file beside it.
    QTest::newRow("file in a folder that takes no new files")
        << u"/proc/version"_qs << WriteStep::Open << u"“/proc”"_qs;
#endif
}

void TestCommon::writeFailures()
{
    QFETCH(QString, path);
    QFETCH(WriteStep, step);
    QFETCH(QString, named);
    QTemporaryDir dir;
    const QString target = QDir(dir.path()).filePath(path);
    const auto result = writeAnsiFile(target, u"x");
    QVERIFY(!result.ok);
    QCOMPARE(result.step, step);
    QVERIFY(!result.error.isEmpty());
    const QString text = writeFailureText(target, result);
    QVERIFY2(text.endsWith(result.error), qPrintable(text));
    QVERIFY2(text.contains(QDir::toNativeSeparators(named)), qPrintable(text));
}

void TestCommon::writeRefusesPipe()
{
#ifdef Q_OS_UNIX
    // A pipe would be replaced by a plain file (or hang the writer).
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("scores.txt"));
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    const auto result = writeAnsiFile(path, u"x");
    QVERIFY(!result.ok);
    QVERIFY(result.notAFile);
    struct stat st
    {
    };
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));
#else
    QSKIP("pipes as files exist only on Unix");
#endif
}

void TestCommon::datagramDecode_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QStringList>("fields");
    const auto gbk = [](const char16_t* s) { return toGbk(QString::fromUtf16(s)); };
    QTest::newRow("five fields") << gbk(u"10.0.0.5#PC05#25#张三#第一套") << true
                                 << QStringList{u"10.0.0.5"_qs, u"PC05"_qs, u"25"_qs, u"张三"_qs,
                                                u"第一套"_qs};
    QTest::newRow("extra fields ignored")
        << gbk(u"10.0.0.5#PC05#25#张#三#第一套") << true
        << QStringList{u"10.0.0.5"_qs, u"PC05"_qs, u"25"_qs, u"张"_qs, u"三"_qs};
    QTest::newRow("empty fields") << QByteArray("####") << true
                                  << QStringList{QString(), QString(), QString(), QString(),
                                                 QString()};
    QTest::newRow("four fields") << QByteArray("a#b#c#d") << false << QStringList{};
    QTest::newRow("empty datagram") << QByteArray() << false << QStringList{};
    QTest::newRow("invalid gbk still splits")
        << QByteArray("1.2.3.4#\x81\xFF#5#n#s") << true
        << QStringList{u"1.2.3.4"_qs, fromGbk("\x81\xFF"), u"5"_qs, u"n"_qs, u"s"_qs};
}

void TestCommon::datagramDecode()
{
    QFETCH(QByteArray, payload);
    QFETCH(bool, valid);
    QFETCH(QStringList, fields);
    const auto d = ScoreDatagram::decode(payload);
    QCOMPARE(d.has_value(), valid);
    if (valid) {
        QCOMPARE((QStringList{d->address, d->computer, d->score, d->name, d->set}), fields);
    }
}

void TestCommon::datagramEncodeIsGbk()
{
    const ScoreDatagram d{u"192.168.0.7"_qs, u"STU-07"_qs, u"23"_qs, u"王五"_qs, u"第九套"_qs};
    const QByteArray bytes = d.encode();
    QCOMPARE(bytes, toGbk(u"192.168.0.7#STU-07#23#王五#第九套"));
    QVERIFY(!bytes.contains('\0'));
    QVERIFY(!bytes.endsWith('\n'));
    QCOMPARE(ScoreDatagram::decode(bytes), std::optional<ScoreDatagram>(d));
}

void TestCommon::ack_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("matches");
    QTest::newRow("exact") << QByteArray("ACK#a#b#c#d#e") << true;
    QTest::newRow("other payload") << QByteArray("ACK#a#b#c#d#f") << false;
    QTest::newRow("truncated") << QByteArray("ACK#a#b#c#d#") << false;
    QTest::newRow("longer") << QByteArray("ACK#a#b#c#d#ee") << false;
    QTest::newRow("no prefix") << QByteArray("a#b#c#d#e") << false;
    QTest::newRow("lower-case prefix") << QByteArray("ack#a#b#c#d#e") << false;
}

void TestCommon::ack()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, matches);
    const QByteArray payload("a#b#c#d#e");
    QCOMPARE(ackFor(payload), QByteArray("ACK#a#b#c#d#e"));
    QCOMPARE(isAckFor(reply, payload), matches);
}

void TestCommon::twips_data()
{
    QTest::addColumn<int>("twips");
    QTest::addColumn<int>("pixels");
    QTest::newRow("title band 350") << 350 << 23;
    QTest::newRow("border 50") << 50 << 3;
    QTest::newRow("bottom 75") << 75 << 5;
    QTest::newRow("half rounds up") << 165 << 11;
    QTest::newRow("just under half") << 157 << 10;
    QTest::newRow("zero") << 0 << 0;
    QTest::newRow("negative") << -165 << -11;
}

void TestCommon::twips()
{
    QFETCH(int, twips);
    QFETCH(int, pixels);
    QCOMPARE(twipsToPixels(twips), pixels);
}

void TestCommon::displayPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("shown");
    const QString home = QDir::homePath();
#ifdef Q_OS_WIN
    QTest::newRow("native separators") << u"C:/WebDo/第一套"_qs << u"C:\\WebDo\\第一套"_qs;
#else
    QTest::newRow("under home") << home + u"/WebDo/第一套"_qs << u"~/WebDo/第一套"_qs;
    QTest::newRow("home itself") << home << u"~"_qs;
    QTest::newRow("trailing separator cleaned") << home + u"/WebDo/"_qs << u"~/WebDo"_qs;
    QTest::newRow("sibling sharing the prefix") << home + u"x/WebDo"_qs << home + u"x/WebDo"_qs;
    QTest::newRow("elsewhere") << u"/srv/WebDo"_qs << u"/srv/WebDo"_qs;
#endif
}

void TestCommon::displayPath()
{
    QFETCH(QString, path);
    QFETCH(QString, shown);
    QCOMPARE(platform::displayPath(path), shown);
}

void TestCommon::ownAddress_data()
{
    QTest::addColumn<QString>("teacher");
    QTest::addColumn<QString>("address"); // empty: the first-interface rule
    QTest::addColumn<QString>("byName");  // the same once a name is looked up
    // Reaching the teacher on this computer goes out through loopback, even
    // when another interface is up ahead of it.
    QTest::newRow("teacher on this computer")
        << u"127.0.0.1"_qs << u"127.0.0.1"_qs << u"127.0.0.1"_qs;
    QTest::newRow("teacher with blanks around")
        << u" 127.0.0.1 "_qs << u"127.0.0.1"_qs << u"127.0.0.1"_qs;
    QTest::newRow("no teacher address yet") << QString() << QString() << QString();
    QTest::newRow("a name that is not found") << u"teacher-pc.invalid"_qs << QString() << QString();
    QTest::newRow("a name of this computer") << u"localhost"_qs << QString() << u"127.0.0.1"_qs;
    QTest::newRow("IPv6 address") << u"::1"_qs << QString() << QString();
}

void TestCommon::ownAddress()
{
    QFETCH(QString, teacher);
    QFETCH(QString, address);
    QFETCH(QString, byName);
    const QString own = platform::ownIPv4(teacher);
    QCOMPARE(own, address.isEmpty() ? platform::ownIPv4() : address);
    QObject context;
    QStringList answers;
    platform::ownIPv4For(teacher, &context, [&](const QString& a) { answers << a; });
    QVERIFY(answers.isEmpty()); // never from inside the call
    QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 1, 10000);
    QCOMPARE(answers.first(), byName.isEmpty() ? platform::ownIPv4() : byName);
}

void TestCommon::openFolder_data()
{
    QTest::addColumn<bool>("folderExists");
    QTest::addColumn<int>("openerExit"); // -1: no opener on the path
    QTest::addColumn<bool>("failed");
    QTest::newRow("opener opens it") << true << 0 << false;
    QTest::newRow("opener starts but cannot open it") << true << 4 << true;
    QTest::newRow("no opener") << true << -1 << true;
    QTest::newRow("folder missing") << false << 0 << true;
}

void TestCommon::openFolder()
{
#ifdef Q_OS_WIN
    QSKIP("Explorer reports nothing back");
#else
    QFETCH(bool, folderExists);
    QFETCH(int, openerExit);
    QFETCH(bool, failed);
    QTemporaryDir dir;
    const QString bin = dir.filePath(u"bin"_qs);
    const QString folder = dir.filePath(u"WebDo"_qs);
    QVERIFY(QDir().mkpath(bin));
    if (folderExists) {
        QVERIFY(QDir().mkpath(folder));
    }
    const QString seen = dir.filePath(u"opened"_qs);
    if (openerExit >= 0) {
        const QString opener = bin + u"/xdg-open"_qs;
        QVERIFY(writeAnsiFile(opener, u"#!/bin/sh\necho \"$1\" > '%1'\nexit %2\n"_qs.arg(seen).arg(
                                          openerExit))
                    .ok);
        QVERIFY(
            QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    const QByteArray oldPath = qgetenv("PATH");
    // Only the fake opener (or none) is found.
    qputenv("PATH", QFile::encodeName(bin));
    QObject context;
    bool told = false;
    platform::openFolder(folder, &context, [&told] { told = true; });
    // The opener's process, if one was started (still there: it goes only
    // through the event loop).
    QPointer<QProcess> openerProcess;
    for (QProcess* p : QCoreApplication::instance()->findChildren<QProcess*>()) {
        if (p->arguments() == QStringList{QDir::toNativeSeparators(folder)}) {
            openerProcess = p;
        }
    }
    qputenv("PATH", oldPath);
    if (failed) {
        QTRY_VERIFY(told);
    } else {
        QVERIFY(openerProcess);
        QTRY_VERIFY(QFile::exists(seen));
        QCOMPARE(readAnsiFile(seen)->trimmed(), folder);
        // The opener's process is let go once its status is read: after
        // that, a failure would have been told.
        QTRY_VERIFY(openerProcess.isNull());
        QVERIFY(!told);
    }
#endif
}

void TestCommon::userSettingsFolder()
{
    // Where settings go when the program folder is read-only to the user.
#ifdef Q_OS_WIN
    const QString base = QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA"));
    const auto cs = Qt::CaseInsensitive;
#else
    const QString base = qEnvironmentVariable("XDG_CONFIG_HOME", QDir::homePath() + u"/.config"_qs);
    const auto cs = Qt::CaseSensitive;
#endif
    QVERIFY(!base.isEmpty());
    const QString folder = platform::userSettingsFolder();
    QVERIFY2(folder.startsWith(base + u'/', cs), qPrintable(folder + u" is not under "_qs + base));
}

#ifdef Q_OS_WIN
namespace {

// A copy of the test's stand-in program at a given path, removed again with
// every folder that was made for it.
class StandIn
{
public:
    StandIn(const QString& program, const QString& at) : m_at(at)
    {
        QDir parent = QFileInfo(at).dir();
        QString top;
        for (QDir d = parent; !d.exists(); d.setPath(QFileInfo(d.path()).path())) {
            top = d.path();
        }
        m_madeFolder = top;
        m_ok = parent.mkpath(QStringLiteral(".")) && QFile::copy(program, at);
    }
    ~StandIn()
    {
        QFile::remove(m_at);
        QFile::remove(log());
        if (!m_madeFolder.isEmpty()) {
            QDir(m_madeFolder).removeRecursively();
        }
    }
    bool ok() const { return m_ok; }
    QString log() const { return QFileInfo(m_at).dir().filePath(QStringLiteral("started.txt")); }

private:
    QString m_at;
    QString m_madeFolder;
    bool m_ok = false;
};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace
#endif

void TestCommon::windowsProgramsStarted_data()
{
    // -1: Explorer; 0 and 1: Excel at the first or the second fixed path.
    QTest::addColumn<int>("excelPath");
    QTest::newRow("Explorer rooted at the working folder") << -1;
    QTest::newRow("Excel at the first fixed path") << 0;
    QTest::newRow("Excel at the second fixed path") << 1;
}

void TestCommon::windowsProgramsStarted()
{
#ifndef Q_OS_WIN
    QSKIP("Explorer and Excel are started on Windows only");
#else
    QFETCH(int, excelPath);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(u"WebDo/第一 套"_qs);
    QVERIFY(QDir().mkpath(folder));
    const QString workbook = folder + u"/汇总成绩.xls"_qs;
    QVERIFY(QFile(workbook).open(QIODevice::WriteOnly));

    const QString excel[] = {u"C:/Program Files/Microsoft Office/Office/EXCEL.EXE"_qs,
                             u"C:/Program Files/Microsoft Office/Office11/EXCEL.EXE"_qs};
    QString at;
    QString expected;
    if (excelPath < 0) {
        // The program's own folder is searched before the system's.
        at = QCoreApplication::applicationDirPath() + u"/explorer.exe"_qs;
        expected = u"/e,/root, \""_qs + QDir::toNativeSeparators(folder) + u'"';
    } else {
        for (const QString& path : excel) {
            if (QFileInfo::exists(path)) {
                QSKIP("Excel is installed here");
            }
        }
        at = excel[excelPath];
        expected = u'"' + QDir::toNativeSeparators(workbook) + u'"';
    }
    const StandIn standIn(QCoreApplication::applicationDirPath() + u"/fake_program.exe"_qs, at);
    if (!standIn.ok()) {
        QSKIP(qPrintable(u"No stand-in can be placed at "_qs + at));
    }
    if (excelPath < 0) {
        bool failed = false;
        QObject context;
        platform::openFolder(folder, &context, [&failed] { failed = true; });
        QVERIFY(!failed);
    } else {
        QVERIFY(platform::startSpreadsheet(workbook));
    }
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(readAll(standIn.log())), expected, 30000);
#endif
}

QTEST_GUILESS_MAIN(TestCommon)
#include "tst_common.moc"
