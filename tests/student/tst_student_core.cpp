// SPDX-License-Identifier: MIT
// The student program's widget-free parts: shared state, file-system
// operations, settings files, working folder and the score upload.
#include "FileSystem.h"
#include "Gbk.h"
#include "Material.h"
#include "Module1.h"
#include "ScoreUploader.h"
#include "SettingsFiles.h"
#include "WorkingFolder.h"

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

using namespace velmora;
using namespace velmora::student;
using velmora::testing::fileBytes;
using velmora::testing::putFile;
using velmora::testing::treeOf;
using Tree = QMap<QString, QByteArray>;

class TestStudentCore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    // shared state
    void setFolderNames_data();
    void setFolderNames();

    // file-system component
    void readLine_data();
    void readLine();
    void copyFolder_data();
    void copyFolder();
    void copyFolderErrors_data();
    void copyFolderErrors();
    void deleteFolder_data();
    void deleteFolder();
    void deleteMissingFolderFails();

    // settings files
    void settingsLoad_data();
    void settingsLoad();
    void settingsSaveReplacesWholeFile_data();
    void settingsSaveReplacesWholeFile();
    void settingsFallBackToUserFolder();
    void settingsProgramFolderWritableAgain();
    void settingsDefaults_data();
    void settingsDefaults();
    void settingsInstalledFolder_data();
    void settingsInstalledFolder();

    // working folder
    void ensureCopiesOnceOnly();
    void ensureWithoutTemplate_data();
    void ensureWithoutTemplate();
    void redoReplacesWork_data();
    void redoReplacesWork();
    void redoFailureKeepsStudentFiles_data();
    void redoFailureKeepsStudentFiles();

    // score upload
    void nameProblem_data();
    void nameProblem();
    void uploadDelivery_data();
    void uploadDelivery();
    void uploadBytesAreGbkInFieldOrder();
    void uploadErrors_data();
    void uploadErrors();
    void uploadWhenStudentPortTaken();
};

void TestStudentCore::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

// ---- shared state -----------------------------------------------------------

void TestStudentCore::setFolderNames_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("name");
    QTest::newRow("entry 0 stays empty") << 0 << QString();
    QTest::newRow("first set") << 1 << QStringLiteral("第一套");
    QTest::newRow("ninth set") << 9 << QStringLiteral("第九套");
    QTest::newRow("tenth, named but never chosen") << 10 << QStringLiteral("第十套");
    QTest::newRow("twelfth") << 12 << QStringLiteral("第十二套");
    QTest::newRow("13 stays empty") << 13 << QString();
    QTest::newRow("15 stays empty") << 15 << QString();
}

void TestStudentCore::setFolderNames()
{
    QFETCH(int, index);
    QFETCH(QString, name);
    Module1 m;
    QCOMPARE(m.setFolderName(index), QString());
    m.fillSetNames();
    QCOMPARE(m.setFolderName(index), name);
    QCOMPARE(m.workingRootWord, QStringLiteral("WebDo"));
}

// ---- file-system component --------------------------------------------------

void TestStudentCore::readLine_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("all");
    QTest::newRow("no line end") << QByteArray("10.0.0.5") << true << QStringLiteral("10.0.0.5")
                                 << QStringLiteral("10.0.0.5");
    QTest::newRow("CR LF and more lines")
        << QByteArray("10.0.0.5\r\nold\r\n") << true << QStringLiteral("10.0.0.5")
        << QStringLiteral("10.0.0.5\r\nold\r\n");
    QTest::newRow("bare LF") << QByteArray("a\nb") << true << QStringLiteral("a")
                             << QStringLiteral("a\nb");
    QTest::newRow("bare CR") << QByteArray("a\rb") << true << QStringLiteral("a")
                             << QStringLiteral("a\rb");
    QTest::newRow("GBK name") << QByteArray("\xD5\xC5\xC8\xFD") << true << QStringLiteral("张三")
                              << QStringLiteral("张三");
    QTest::newRow("blanks kept") << QByteArray("  li  \r\n") << true << QStringLiteral("  li  ")
                                 << QStringLiteral("  li  \r\n");
    QTest::newRow("empty file") << QByteArray() << false << QString() << QString();
}

void TestStudentCore::readLine()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, readable);
    QFETCH(QString, line);
    QFETCH(QString, all);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.wf"));
    QVERIFY(putFile(path, bytes));
    const auto first = FileSystem::readLine(path);
    QCOMPARE(first.has_value(), readable);
    if (readable) {
        QCOMPARE(*first, line);
    }
    QCOMPARE(FileSystem::readAll(path).value_or(QString()), all);
}

void TestStudentCore::copyFolder_data()
{
    QTest::addColumn<Tree>("source");
    QTest::addColumn<Tree>("before");
    QTest::addColumn<Tree>("after");
    const Tree src{{QStringLiteral("a.htm"), "new"}, {QStringLiteral("img/b.gif"), "gif"}};
    QTest::newRow("into a missing folder") << src << Tree{} << src;
    QTest::newRow("same names replaced")
        << src << Tree{{QStringLiteral("a.htm"), "old"}, {QStringLiteral("img/b.gif"), "old"}}
        << src;
    Tree merged = src;
    merged.insert(QStringLiteral("mine.htm"), "student");
    merged.insert(QStringLiteral("img/c.gif"), "student");
    QTest::newRow("other files kept")
        << src
        << Tree{{QStringLiteral("mine.htm"), "student"}, {QStringLiteral("img/c.gif"), "student"}}
        << merged;
    const Tree chinese{{QStringLiteral("第一套/胡.htm"), "\xBA\xFA"}};
    QTest::newRow("Chinese names") << chinese << Tree{} << chinese;
}

void TestStudentCore::copyFolder()
{
    QFETCH(Tree, source);
    QFETCH(Tree, before);
    QFETCH(Tree, after);
    QTemporaryDir dir;
    const QString from = dir.filePath(QStringLiteral("from"));
    const QString to = dir.filePath(QStringLiteral("to"));
    for (auto it = source.cbegin(); it != source.cend(); ++it) {
        QVERIFY(putFile(from + u'/' + it.key(), it.value()));
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        QVERIFY(putFile(to + u'/' + it.key(), it.value()));
    }
    const FsResult r = FileSystem::copyFolder(from, to);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(treeOf(to), after);
    QCOMPARE(treeOf(from), source);
}

void TestStudentCore::copyFolderErrors_data()
{
    QTest::addColumn<QString>("problem");
    QTest::newRow("missing source") << QStringLiteral("missing");
    QTest::newRow("destination is a file") << QStringLiteral("file");
    QTest::newRow("dangling link in source") << QStringLiteral("link");
    QTest::newRow("folder where a file should go") << QStringLiteral("clash");
}

void TestStudentCore::copyFolderErrors()
{
    QFETCH(QString, problem);
    QTemporaryDir dir;
    const QString from = dir.filePath(QStringLiteral("from"));
    const QString to = dir.filePath(QStringLiteral("to"));
    if (problem != QStringLiteral("missing")) {
        QVERIFY(putFile(from + QStringLiteral("/a.htm"), "x"));
    }
    if (problem == QStringLiteral("file")) {
        QVERIFY(putFile(to, "not a folder"));
    } else if (problem == QStringLiteral("link")) {
#ifdef Q_OS_WIN
        QSKIP("QFile::link makes a working shortcut file on Windows, not a dangling link");
#endif
        QVERIFY(
            QFile::link(dir.filePath(QStringLiteral("nowhere")), from + QStringLiteral("/z.gif")));
    } else if (problem == QStringLiteral("clash")) {
        QVERIFY(QDir().mkpath(to + QStringLiteral("/a.htm")));
    }
    const FsResult r = FileSystem::copyFolder(from, to);
    QVERIFY(!r.ok);
    QVERIFY(!r.error.isEmpty());
}

void TestStudentCore::deleteFolder_data()
{
    QTest::addColumn<bool>("readOnlyFile");
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::newRow("plain") << false << false;
    QTest::newRow("read-only file") << true << false;
    QTest::newRow("read-only subfolder") << false << true;
}

void TestStudentCore::deleteFolder()
{
    QFETCH(bool, readOnlyFile);
    QFETCH(bool, readOnlyFolder);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("work"));
    QVERIFY(putFile(target + QStringLiteral("/sub/a.htm"), "x"));
    QVERIFY(putFile(target + QStringLiteral("/b.htm"), "y"));
    if (readOnlyFile) {
        QVERIFY(QFile::setPermissions(target + QStringLiteral("/b.htm"), QFileDevice::ReadOwner));
    }
    if (readOnlyFolder) {
        QVERIFY(QFile::setPermissions(target + QStringLiteral("/sub"),
                                      QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }
    const FsResult r = FileSystem::deleteFolder(target);
    QVERIFY2(r.ok, qPrintable(r.error));
    QVERIFY(!QFileInfo::exists(target));
}

void TestStudentCore::deleteMissingFolderFails()
{
    QTemporaryDir dir;
    QVERIFY(!FileSystem::deleteFolder(dir.filePath(QStringLiteral("none"))).ok);
    QVERIFY(putFile(dir.filePath(QStringLiteral("file")), "x"));
    QVERIFY(!FileSystem::deleteFolder(dir.filePath(QStringLiteral("file"))).ok);
    QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("file"))));
}

// ---- settings files ---------------------------------------------------------

void TestStudentCore::settingsLoad_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("value");
    QTest::newRow("missing file") << false << QByteArray() << QString();
    QTest::newRow("empty file") << true << QByteArray() << QString();
    QTest::newRow("address then CR LF and more")
        << true << QByteArray("192.168.1.2\r\nx\r\n") << QStringLiteral("192.168.1.2");
    QTest::newRow("GBK name") << true << QByteArray("\xC0\xEE\xCB\xC4") << QStringLiteral("李四");
    QTest::newRow("leading and trailing blanks")
        << true << QByteArray(" wang ") << QStringLiteral(" wang ");
}

void TestStudentCore::settingsLoad()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, value);
    QTemporaryDir program;
    QTemporaryDir user;
    const SettingsFiles files(program.path(), user.path());
    const QString path = files.programPath(SettingsFiles::kHostFile);
    if (present) {
        QVERIFY(putFile(path, bytes));
    }
    QCOMPARE(files.load(SettingsFiles::kHostFile), value);
    // A missing file appears, empty; a present one is left as it was.
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(fileBytes(path), present ? bytes : QByteArray());
}

void TestStudentCore::settingsSaveReplacesWholeFile_data()
{
    QTest::addColumn<QByteArray>("old");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("over several lines") << QByteArray("1.2.3.4\r\nmore\r\n")
                                        << QStringLiteral("10.0.0.9") << QByteArray("10.0.0.9");
    QTest::newRow("same text again") << QByteArray("\xD5\xC5\xC8\xFD") << QStringLiteral("张三")
                                     << QByteArray("\xD5\xC5\xC8\xFD");
    QTest::newRow("emptied") << QByteArray("abc") << QString() << QByteArray();
    QTest::newRow("blanks kept") << QByteArray() << QStringLiteral(" a b ") << QByteArray(" a b ");
}

void TestStudentCore::settingsSaveReplacesWholeFile()
{
    QFETCH(QByteArray, old);
    QFETCH(QString, value);
    QFETCH(QByteArray, stored);
    QTemporaryDir program;
    QTemporaryDir user;
    const SettingsFiles files(program.path(), user.path());
    const QString path = files.programPath(SettingsFiles::kUserNameFile);
    QVERIFY(putFile(path, old));
    QVERIFY(files.save(SettingsFiles::kUserNameFile, value));
    QCOMPARE(fileBytes(path), stored);
    QCOMPARE(files.load(SettingsFiles::kUserNameFile), value);
}

void TestStudentCore::settingsFallBackToUserFolder()
{
    // A "program folder" below a plain file can never be written, even by root.
    QTemporaryDir dir;
    QVERIFY(putFile(dir.filePath(QStringLiteral("blocker")), "x"));
    const QString program = dir.filePath(QStringLiteral("blocker/bin"));
    const QString user = dir.filePath(QStringLiteral("config/Velmora"));
    const SettingsFiles files(program, user);

    QCOMPARE(files.load(SettingsFiles::kHostFile), QString());
    QVERIFY(files.save(SettingsFiles::kHostFile, QStringLiteral("10.1.1.1")));
    QCOMPARE(fileBytes(files.userPath(SettingsFiles::kHostFile)), QByteArray("10.1.1.1"));
    QCOMPARE(SettingsFiles(program, user).load(SettingsFiles::kHostFile),
             QStringLiteral("10.1.1.1"));
    // The other file is independent.
    QCOMPARE(files.load(SettingsFiles::kUserNameFile), QString());
}

void TestStudentCore::settingsProgramFolderWritableAgain()
{
    QTemporaryDir program;
    QTemporaryDir user;
    const SettingsFiles files(program.path(), user.path());
    QVERIFY(putFile(files.programPath(SettingsFiles::kUserNameFile), "old"));
    QVERIFY(putFile(files.userPath(SettingsFiles::kUserNameFile), "newer"));
    // The per-user copy was written while the program folder was locked: it wins.
    QCOMPARE(files.load(SettingsFiles::kUserNameFile), QStringLiteral("newer"));
    QVERIFY(files.save(SettingsFiles::kUserNameFile, QStringLiteral("latest")));
    QVERIFY(!QFileInfo::exists(files.userPath(SettingsFiles::kUserNameFile)));
    QCOMPARE(files.load(SettingsFiles::kUserNameFile), QStringLiteral("latest"));
}

namespace {

// Writes value (when not null) as the file and dates it; a null value leaves
// the file out.
bool putDated(const QString& path, const QString& value, const QDateTime& when)
{
    if (value.isNull()) {
        return true;
    }
    if (!putFile(path, value.toLatin1())) {
        return false;
    }
    QFile f(path);
    return f.open(QIODevice::ReadWrite) && f.setFileTime(when, QFileDevice::FileModificationTime);
}

} // namespace

void TestStudentCore::settingsDefaults_data()
{
    // Null: no such file. The student's copy is dated an hour before or after
    // the two default files.
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("own");
    QTest::addColumn<QString>("system");
    QTest::addColumn<bool>("defaultNewer");
    QTest::addColumn<QString>("value");
    const QString none;
    const QString empty = QStringLiteral("");
    QTest::newRow("own copy before both defaults")
        << QStringLiteral("10.0.0.2") << QStringLiteral("10.0.0.9") << QStringLiteral("10.0.0.3")
        << false << QStringLiteral("10.0.0.9");
    QTest::newRow("program folder before the computer's default")
        << QStringLiteral("10.0.0.2") << none << QStringLiteral("10.0.0.3") << false
        << QStringLiteral("10.0.0.2");
    QTest::newRow("computer's default alone")
        << none << none << QStringLiteral("10.0.0.3") << false << QStringLiteral("10.0.0.3");
    QTest::newRow("empty files are no value")
        << empty << empty << QStringLiteral("10.0.0.3") << false << QStringLiteral("10.0.0.3");
    QTest::newRow("newer computer default beats an older own copy")
        << none << QStringLiteral("10.0.0.9") << QStringLiteral("10.0.0.3") << true
        << QStringLiteral("10.0.0.3");
    QTest::newRow("newer program folder default beats an older own copy")
        << QStringLiteral("10.0.0.2") << QStringLiteral("10.0.0.9") << empty << true
        << QStringLiteral("10.0.0.2");
    QTest::newRow("newer but empty default hides nothing")
        << empty << QStringLiteral("10.0.0.9") << empty << true << QStringLiteral("10.0.0.9");
    QTest::newRow("nothing anywhere") << none << none << none << false << QString();
}

void TestStudentCore::settingsDefaults()
{
    QFETCH(QString, program);
    QFETCH(QString, own);
    QFETCH(QString, system);
    QFETCH(bool, defaultNewer);
    QFETCH(QString, value);
    QTemporaryDir root;
    const SettingsFiles files(root.filePath(QStringLiteral("program")),
                              root.filePath(QStringLiteral("user")),
                              root.filePath(QStringLiteral("etc")), false);
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime defaults = defaultNewer ? now : now.addSecs(-3600);
    const QDateTime ownTime = defaultNewer ? now.addSecs(-3600) : now;
    const QString name = SettingsFiles::kHostFile;
    QVERIFY(putDated(files.programPath(name), program, defaults));
    QVERIFY(putDated(files.systemPath(name), system, defaults));
    QVERIFY(putDated(files.userPath(name), own, ownTime));
    QCOMPARE(files.load(name), value);
    // An installed program folder is only read, never given a file.
    QCOMPARE(QFileInfo::exists(files.programPath(name)), !program.isNull());
}

void TestStudentCore::settingsInstalledFolder_data()
{
    QTest::addColumn<QString>("own");   // the student's copy before saving
    QTest::addColumn<QString>("typed"); // what the box holds when it is saved
    QTest::addColumn<bool>("copyKept");
    QTest::newRow("typed address is the student's own")
        << QString() << QStringLiteral("10.0.0.9") << true;
    QTest::newRow("default left as it is needs no copy")
        << QString() << QStringLiteral("10.0.0.3") << false;
    QTest::newRow("typing the default again drops the copy")
        << QStringLiteral("10.0.0.9") << QStringLiteral("10.0.0.3") << false;
    QTest::newRow("emptied box") << QStringLiteral("10.0.0.9") << QString() << true;
}

void TestStudentCore::settingsInstalledFolder()
{
    QFETCH(QString, own);
    QFETCH(QString, typed);
    QFETCH(bool, copyKept);
    // The program folder is writable here (by anyone running the test, root
    // included) but is an installed one: nothing may be written into it.
    QTemporaryDir program;
    QTemporaryDir root;
    const SettingsFiles files(program.path(), root.filePath(QStringLiteral("user")),
                              root.filePath(QStringLiteral("etc")), false);
    const QString name = SettingsFiles::kHostFile;
    const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
    QVERIFY(putDated(files.systemPath(name), QStringLiteral("10.0.0.3"), hourAgo));
    QVERIFY(putDated(files.userPath(name), own, hourAgo.addSecs(60)));

    QVERIFY(files.save(name, typed));
    QCOMPARE(QFileInfo::exists(files.userPath(name)), copyKept);
    QVERIFY(QDir(program.path()).isEmpty());
    // An empty box is no value, so the default shows again.
    QCOMPARE(files.load(name), typed.isEmpty() ? QStringLiteral("10.0.0.3") : typed);
    // Another default, dated before the save: it reaches only a student who
    // kept no copy of his own.
    QVERIFY(putDated(files.systemPath(name), QStringLiteral("10.0.0.4"),
                     QDateTime::currentDateTime().addSecs(-1800)));
    QCOMPARE(files.load(name), copyKept && !typed.isEmpty() ? typed : QStringLiteral("10.0.0.4"));
}

// ---- working folder ---------------------------------------------------------

namespace {

const QString kSet2 = QStringLiteral("第二套");

struct Lab
{
    QTemporaryDir program;
    QTemporaryDir drive;
    WorkingFolder folder{program.path(), drive.path(), QStringLiteral("WebDo"), 2, kSet2};

    Lab()
    {
        velmora::testing::makeSet(program.path(), 2, kSet2, QStringLiteral("index.htm"), "task");
    }
    QString work(const QString& rel = {}) const
    {
        return rel.isEmpty() ? folder.workingFolder() : folder.workingFolder() + u'/' + rel;
    }
    Tree templateTree() const { return treeOf(folder.templateFolder() + u'/' + kSet2); }
};

} // namespace

void TestStudentCore::ensureCopiesOnceOnly()
{
    Lab lab;
    QVERIFY(!QFileInfo::exists(lab.folder.workingRoot()));
    QCOMPARE(lab.folder.ensure().outcome, WorkingFolder::Outcome::Copied);
    QCOMPARE(treeOf(lab.work()), lab.templateTree());
    // Material beside the set's folder lands in the working root.
    QCOMPARE(fileBytes(lab.folder.workingRoot() + QStringLiteral("/readme.txt")),
             QByteArray("extra"));
    // No helper folders are left behind.
    QCOMPARE(QDir(lab.folder.workingRoot())
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                 .size(),
             2);

    QVERIFY(putFile(lab.work(QStringLiteral("index.htm")), "edited"));
    QCOMPARE(lab.folder.ensure().outcome, WorkingFolder::Outcome::AlreadyThere);
    QCOMPARE(fileBytes(lab.work(QStringLiteral("index.htm"))), QByteArray("edited"));
}

void TestStudentCore::ensureWithoutTemplate_data()
{
    QTest::addColumn<QString>("removed");
    QTest::newRow("no template folder") << QString();
    QTest::newRow("template lacks the set folder") << kSet2;
}

void TestStudentCore::ensureWithoutTemplate()
{
    QFETCH(QString, removed);
    Lab lab;
    QVERIFY(QDir(lab.folder.templateFolder() + u'/' + removed).removeRecursively());
    const auto r = lab.folder.ensure();
    QCOMPARE(r.outcome, WorkingFolder::Outcome::TemplateMissing);
    QVERIFY(!QFileInfo::exists(lab.work()));
    // Redo says the same and creates nothing.
    QCOMPARE(lab.folder.redo().outcome, WorkingFolder::Outcome::TemplateMissing);
    QVERIFY(!QFileInfo::exists(lab.work()));
}

void TestStudentCore::redoReplacesWork_data()
{
    QTest::addColumn<bool>("deletedByHand");
    QTest::addColumn<bool>("staleLeftovers");
    QTest::newRow("edited folder") << false << false;
    QTest::newRow("folder deleted by hand") << true << false;
    QTest::newRow("leftovers of a cut-short redo") << false << true;
}

void TestStudentCore::redoReplacesWork()
{
    QFETCH(bool, deletedByHand);
    QFETCH(bool, staleLeftovers);
    Lab lab;
    QCOMPARE(lab.folder.ensure().outcome, WorkingFolder::Outcome::Copied);
    QVERIFY(putFile(lab.work(QStringLiteral("index.htm")), "edited"));
    QVERIFY(putFile(lab.work(QStringLiteral("mine/new.htm")), "added"));
    QVERIFY(QFile::setPermissions(lab.work(QStringLiteral("index.htm")), QFileDevice::ReadOwner));
    if (deletedByHand) {
        QVERIFY(FileSystem::deleteFolder(lab.work()).ok);
    }
    const QString root = lab.folder.workingRoot();
    if (staleLeftovers) {
        QVERIFY(putFile(root + u'/' + u'.' + kSet2 + QStringLiteral(".velmora-new/x"), "stale"));
        QVERIFY(putFile(root + u'/' + u'.' + kSet2 + QStringLiteral(".velmora-old/y"), "stale"));
    }
    const auto r = lab.folder.redo();
    QCOMPARE(r.outcome, WorkingFolder::Outcome::Copied);
    QCOMPARE(treeOf(lab.work()), lab.templateTree());
    QVERIFY(QFileInfo(lab.work(QStringLiteral("index.htm"))).isWritable());
    QCOMPARE(QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{QStringLiteral("readme.txt"), kSet2}));
}

void TestStudentCore::redoFailureKeepsStudentFiles_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("template file unreadable") << QStringLiteral("link");
    QTest::newRow("staging place blocked") << QStringLiteral("staging");
    QTest::newRow("old folder cannot be set aside") << QStringLiteral("retired");
}

void TestStudentCore::redoFailureKeepsStudentFiles()
{
    QFETCH(QString, fault);
    Lab lab;
    QCOMPARE(lab.folder.ensure().outcome, WorkingFolder::Outcome::Copied);
    QVERIFY(putFile(lab.work(QStringLiteral("index.htm")), "student work"));
    QVERIFY(putFile(lab.work(QStringLiteral("pics/me.jpg")), "jpeg"));
    const Tree before = treeOf(lab.work());
    const QString root = lab.folder.workingRoot();
    if (fault == QStringLiteral("link")) {
#ifdef Q_OS_WIN
        QSKIP("QFile::link makes a working shortcut file on Windows, not a dangling link");
#endif
        QVERIFY(QFile::link(lab.program.filePath(QStringLiteral("nowhere")),
                            lab.folder.templateFolder() + u'/' + kSet2 + QStringLiteral("/z.gif")));
    } else if (fault == QStringLiteral("staging")) {
        QVERIFY(putFile(root + u'/' + u'.' + kSet2 + QStringLiteral(".velmora-new"), "file"));
    } else {
        QVERIFY(putFile(root + u'/' + u'.' + kSet2 + QStringLiteral(".velmora-old"), "file"));
    }
    const auto r = lab.folder.redo();
    QCOMPARE(r.outcome, WorkingFolder::Outcome::Failed);
    QVERIFY(!r.error.isEmpty());
    QCOMPARE(treeOf(lab.work()), before);
}

// ---- score upload -----------------------------------------------------------

void TestStudentCore::nameProblem_data()
{
    using Problem = ScoreUploader::NameProblem;
    QTest::addColumn<QString>("name");
    QTest::addColumn<Problem>("problem");
    QTest::newRow("plain") << QStringLiteral("张三") << Problem::None;
    QTest::newRow("blanks only travel") << QStringLiteral("   ") << Problem::None;
    QTest::newRow("empty") << QString() << Problem::Empty;
    QTest::newRow("hash inside") << QStringLiteral("a#b") << Problem::ContainsHash;
    QTest::newRow("hash at the end") << QStringLiteral("ab#") << Problem::ContainsHash;
}

void TestStudentCore::nameProblem()
{
    QFETCH(QString, name);
    QFETCH(ScoreUploader::NameProblem, problem);
    QCOMPARE(ScoreUploader::nameProblem(name), problem);
}

namespace {

// A collector stand-in on 127.0.0.1 that records what arrives and
// acknowledges the datagrams whose number (1-based) is in answerOn. The
// answer may be wrong: "bytes" (of another payload), "port" (the right bytes
// from another port), "address" (from the right port on 127.0.0.2).
class Receiver : public QObject
{
public:
    explicit Receiver(QList<int> answerOn, QString wrong = {})
        : m_answerOn(std::move(answerOn)), m_wrong(std::move(wrong))
    {
        m_socket.bind(QHostAddress::LocalHost, 0);
        m_forger.bind(m_wrong == u"address" ? QHostAddress(QStringLiteral("127.0.0.2"))
                                            : QHostAddress(QHostAddress::LocalHost),
                      m_wrong == u"address" ? m_socket.localPort() : quint16(0));
        connect(&m_socket, &QUdpSocket::readyRead, this, [this] {
            while (m_socket.hasPendingDatagrams()) {
                const QNetworkDatagram d = m_socket.receiveDatagram();
                received.append(d.data());
                if (m_answerOn.contains(received.size())) {
                    // "token": what a forger can guess, the five fields
                    // without the upload's random token.
                    const QByteArray ack = m_wrong == u"bytes" ? ackFor(QByteArray(d.data() + "x"))
                                           : m_wrong == u"token"
                                               ? ackFor(d.data().left(d.data().lastIndexOf('#')))
                                               : ackFor(d.data());
                    QUdpSocket& from =
                        m_wrong.isEmpty() || m_wrong == u"bytes" || m_wrong == u"token" ? m_socket
                                                                                        : m_forger;
                    from.writeDatagram(ack, d.senderAddress(), quint16(d.senderPort()));
                }
            }
        });
    }
    quint16 port() const { return m_socket.localPort(); }
    QList<QByteArray> received;

private:
    QUdpSocket m_socket;
    QUdpSocket m_forger;
    QList<int> m_answerOn;
    QString m_wrong;
};

ScoreDatagram sample()
{
    return {QStringLiteral("10.0.0.7"), QStringLiteral("pc-07"), QStringLiteral("23"),
            QStringLiteral("张三"), QStringLiteral("第一套")};
}

} // namespace

void TestStudentCore::uploadDelivery_data()
{
    QTest::addColumn<QList<int>>("answerOn");
    QTest::addColumn<QString>("wrong");
    QTest::addColumn<ScoreUploader::Outcome>("outcome");
    QTest::addColumn<int>("sends");
    QTest::newRow("acknowledged at once")
        << QList<int>{1} << QString() << ScoreUploader::Outcome::Acknowledged << 1;
    QTest::newRow("acknowledged after one resend")
        << QList<int>{2} << QString() << ScoreUploader::Outcome::Acknowledged << 2;
    QTest::newRow("acknowledged on the last try")
        << QList<int>{3} << QString() << ScoreUploader::Outcome::Acknowledged << 3;
    QTest::newRow("never acknowledged")
        << QList<int>{} << QString() << ScoreUploader::Outcome::Unconfirmed << 3;
    QTest::newRow("acknowledgement of other bytes")
        << QList<int>{1, 2, 3} << QStringLiteral("bytes") << ScoreUploader::Outcome::Unconfirmed
        << 3;
    QTest::newRow("acknowledgement from the wrong port")
        << QList<int>{1, 2, 3} << QStringLiteral("port") << ScoreUploader::Outcome::Unconfirmed
        << 3;
    QTest::newRow("acknowledgement from the wrong address")
        << QList<int>{1, 2, 3} << QStringLiteral("address") << ScoreUploader::Outcome::Unconfirmed
        << 3;
    QTest::newRow("acknowledgement of the five fields without the token")
        << QList<int>{1, 2, 3} << QStringLiteral("token") << ScoreUploader::Outcome::Unconfirmed
        << 3;
}

void TestStudentCore::uploadDelivery()
{
    QFETCH(QList<int>, answerOn);
    QFETCH(QString, wrong);
    QFETCH(ScoreUploader::Outcome, outcome);
    QFETCH(int, sends);
    Receiver receiver(answerOn, wrong);
    ScoreUploader up;
    up.setRemote(QStringLiteral("127.0.0.1"), receiver.port());
    up.setPatience(150, 3);
    QSignalSpy done(&up, &ScoreUploader::finished);
    QSignalSpy sent(&up, &ScoreUploader::sent);
    up.upload(sample());
    QVERIFY(up.busy());
    QVERIFY(done.wait(5000));
    QCOMPARE(done.count(), 1);
    QCOMPARE(done.at(0).at(0).value<ScoreUploader::Outcome>(), outcome);
    QCOMPARE(sent.count(), sends);
    QTRY_COMPARE(receiver.received.size(), sends);
    // The five fields and a token of 16 hexadecimal digits, the same in
    // every resend of one upload.
    const QByteArray first = receiver.received.first();
    QVERIFY(first.startsWith(QByteArray(sample().encode() + '#')));
    QCOMPARE(first.size(), sample().encode().size() + 17);
    for (const QByteArray& d : std::as_const(receiver.received)) {
        QCOMPARE(d, first);
    }
    QVERIFY(!up.busy());
    // Nothing more goes out after the outcome. A resend timer left running
    // was started before this one and is due first (timers fire in the order
    // they are due), so by the time this one fires a resend would be counted.
    QTimer later;
    later.setSingleShot(true);
    later.setTimerType(Qt::PreciseTimer);
    QSignalSpy laterFired(&later, &QTimer::timeout);
    later.start(2 * 150);
    QVERIFY(laterFired.wait(5000));
    QCOMPARE(sent.count(), sends);
    QCOMPARE(done.count(), 1);
    QCOMPARE(receiver.received.size(), sends);
}

void TestStudentCore::uploadBytesAreGbkInFieldOrder()
{
    Receiver receiver({1});
    ScoreUploader up;
    up.setRemote(QStringLiteral(" 127.0.0.1 "), receiver.port());
    QSignalSpy done(&up, &ScoreUploader::finished);
    up.upload(sample());
    QVERIFY(done.wait(5000));
    QCOMPARE(receiver.received.size(), 1);
    // 10.0.0.7#pc-07#23#张三#第一套#<token> in GBK
    QVERIFY(receiver.received.at(0).startsWith(
        QByteArray("10.0.0.7#pc-07#23#\xD5\xC5\xC8\xFD#\xB5\xDA\xD2\xBB\xCC\xD7#")));
}

void TestStudentCore::uploadErrors_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("empty address") << QString();
    QTest::newRow("blank address") << QStringLiteral("   ");
    QTest::newRow("IPv6 address") << QStringLiteral("::1");
}

void TestStudentCore::uploadErrors()
{
    QFETCH(QString, address);
    ScoreUploader up;
    up.setRemote(address);
    QSignalSpy done(&up, &ScoreUploader::finished);
    QSignalSpy sent(&up, &ScoreUploader::sent);
    up.upload(sample());
    QVERIFY(done.wait(5000));
    QCOMPARE(done.at(0).at(0).value<ScoreUploader::Outcome>(), ScoreUploader::Outcome::SendFailed);
    QCOMPARE(sent.count(), 0);
    // The uploader is usable again.
    QVERIFY(!up.busy());
}

void TestStudentCore::uploadWhenStudentPortTaken()
{
    QUdpSocket holder;
    holder.bind(QHostAddress::AnyIPv4, kStudentPort); // may already be held elsewhere
    ScoreUploader up;
    QVERIFY(!up.boundToStudentPort());
    QVERIFY(up.localPort() != 0);
    Receiver receiver({1});
    up.setRemote(QStringLiteral("127.0.0.1"), receiver.port());
    QSignalSpy done(&up, &ScoreUploader::finished);
    up.upload(sample());
    QVERIFY(done.wait(5000));
    QCOMPARE(done.at(0).at(0).value<ScoreUploader::Outcome>(),
             ScoreUploader::Outcome::Acknowledged);
}

QTEST_GUILESS_MAIN(TestStudentCore)
#include "tst_student_core.moc"
