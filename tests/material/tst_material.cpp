// SPDX-License-Identifier: MIT
// The exercise material: every model answer earns full marks, every starting
// page leaves every question to do, the task texts ask for exactly what is
// marked, and every file a page needs is in its template folder.
#include "Gbk.h"
#include "Marking.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace Qt::StringLiterals;

namespace {

QString sourceMaterial()
{
    return QStringLiteral(VELMORA_SOURCE_DIR "/student/material/wf");
}

QString builtMaterial()
{
    return QStringLiteral(VELMORA_BIN_DIR "/wf");
}

// wf/第N套/第N套: the folder that becomes the working folder.
QString siteFolder(int set)
{
    const QString folder = marking::setFolderName(set);
    return sourceMaterial() % u'/' % folder % u'/' % folder;
}

QString answerPath(int set)
{
    return QStringLiteral(VELMORA_SOURCE_DIR "/tests/material/answers/") % QString::number(set) %
           u'/' % marking::pageFileName(set);
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Decodes GBK strictly: nullopt when any byte sequence is not GBK (GBK itself
// has no replacement character). Through the programs' own converter, which
// also works where Qt has none (Windows).
std::optional<QString> strictGbk(const QByteArray& bytes)
{
    QString text = velmora::fromGbk(bytes);
    if (text.contains(QChar::ReplacementCharacter))
        return std::nullopt;
    return text;
}

// Problems with a page's bytes: not GBK, or no gb2312 charset declared.
QStringList pageEncodingProblems(const QByteArray& bytes)
{
    QStringList problems;
    const auto text = strictGbk(bytes);
    if (!text)
        problems << u"not GBK"_s;
    else if (!text->contains(u"charset=gb2312"_s, Qt::CaseInsensitive))
        problems << u"no charset=gb2312 meta"_s;
    return problems;
}

// Local files a page refers to (src, background, href) that are not in folder.
QStringList missingReferences(const QString& folder, const QString& pageText)
{
    static const QRegularExpression attribute(u"\\b(?:src|background|href)\\s*=\\s*\"([^\"]*)\""_s,
                                              QRegularExpression::CaseInsensitiveOption);
    QStringList missing;
    const QStringList present = QDir(folder).entryList(QDir::Files);
    for (const auto& match : attribute.globalMatch(pageText)) {
        const QString target = match.captured(1);
        if (target.startsWith(u"mailto:"_s, Qt::CaseInsensitive) || target.contains(u"://"_s) ||
            target.startsWith(u'#'))
            continue;
        // Exact name: a Linux browser does not forgive a wrong letter case.
        if (!present.contains(target))
            missing << target;
    }
    return missing;
}

// What a task text must say so that a student can earn a check with the given
// snippets. Every snippet must lead to at least one requirement: a snippet no
// rule knows about is reported, so a new kind of check cannot slip by.
QStringList taskProblems(const QString& task, const QList<marking::CheckOutcome>& checks)
{
    struct Keyword
    {
        QString snippetPart;
        QString wording;
    };
    static const QList<Keyword> keywords{
        {u"<marquee"_s, u"滚动字幕"_s},
        {u"alternate"_s, u"交替"_s},
        {u"center"_s, u"居中"_s},
        {u"<b>"_s, u"加粗"_s},
        {u"bordercolor"_s, u"边框颜色"_s},
        {u"right"_s, u"右对齐"_s},
        {u"top"_s, u"靠上"_s},
        {u"mailto:"_s, u"电子邮件"_s},
        {u"background"_s, u"背景图片"_s},
        {u"bgcolor"_s, u"背景颜色"_s},
        {u"href"_s, u"超链接"_s},
        {u"<img"_s, u"插入"_s},
        {u"face="_s, u"字体"_s},
    };
    static const QRegularExpression colour(u"#[0-9A-F]{6}"_s,
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression fileName(u"[^\\s\"<>=/:@]+\\.(?:gif|jpg|htm)"_s,
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression mail(u"[\\w.]+@[\\w.]+\\w"_s);
    static const QRegularExpression host(u"(?:www\\.)?[a-z0-9]+\\.(?:com|cn|net)(?:\\.[a-z]+)*"_s);
    static const QRegularExpression chinese(
        u"[\\x{4e00}-\\x{9fff}][\\x{4e00}-\\x{9fff}_A-Z0-9]*"_s);
    static const QRegularExpression size(u"size=\"(\\d)\""_s);
    static const QRegularExpression width(u"width=\"(\\d+%)\""_s);
    static const QRegularExpression noBorder(u"^border=\"?0\"?$"_s);

    QStringList problems;
    const auto need = [&](const QString& snippet, const QString& wording) {
        if (!task.contains(wording, Qt::CaseInsensitive))
            problems << (snippet % u" needs \u201c"_s % wording % u"\u201d"_s);
    };
    for (const auto& check : checks) {
        for (const QString& snippet : check.snippets) {
            const int before = problems.size();
            bool known = false;
            const auto require = [&](const QString& wording) {
                known = true;
                need(snippet, wording);
            };
            QString rest = snippet;
            for (const auto& m : mail.globalMatch(snippet)) {
                require(m.captured());
                rest.remove(m.captured());
            }
            for (const auto& m : colour.globalMatch(rest))
                require(m.captured());
            for (const auto& m : fileName.globalMatch(rest))
                require(m.captured());
            for (const auto& m : host.globalMatch(QString(rest).remove(fileName)))
                require(m.captured());
            for (const auto& m : chinese.globalMatch(rest))
                require(m.captured());
            for (const auto& m : size.globalMatch(rest)) {
                known = true;
                const QRegularExpression wording(u"(字号|粗细）)\\s*(设为)?\\s*"_s % m.captured(1));
                if (!wording.match(task).hasMatch())
                    problems << (snippet % u" needs a size of "_s % m.captured(1));
            }
            for (const auto& m : width.globalMatch(rest))
                require(m.captured(1));
            if (noBorder.match(snippet).hasMatch())
                require(u"边框粗细设为 0"_s);
            if (snippet == u"hr"_s || snippet.startsWith(u"<hr"_s))
                require(u"水平线"_s);
            for (const auto& keyword : keywords) {
                if (snippet.contains(keyword.snippetPart, Qt::CaseInsensitive))
                    require(keyword.wording);
            }
            if (snippet == u"src"_s || snippet == u"src="_s)
                known = true; // the picture's file name says it all
            if (!known && problems.size() == before)
                problems << (u"no wording known for "_s % snippet);
        }
    }
    problems.removeDuplicates();
    return problems;
}

// Copies the content of from into to, as the exercise form lays a template
// folder into the working root.
bool copyContent(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir source(from);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to % u'/' % source.relativeFilePath(path);
        if (it.fileInfo().isDir()) {
            if (!QDir().mkpath(target))
                return false;
        } else {
            QFile::remove(target);
            if (!QFile::copy(path, target))
                return false;
        }
    }
    return true;
}

void addSetRows()
{
    QTest::addColumn<int>("set");
    for (int set = marking::kFirstSet; set <= marking::kLastSet; ++set)
        QTest::newRow(qPrintable(marking::setFolderName(set) % u' ' % marking::pageFileName(set)))
            << set;
}

} // namespace

class TestMaterial : public QObject
{
    Q_OBJECT

private slots:
    // Scores through the marking engine
    void modelAnswerEarnsFullMarks_data() { addSetRows(); }
    void modelAnswerEarnsFullMarks();
    void startingPageLeavesEveryQuestionToDo_data() { addSetRows(); }
    void startingPageLeavesEveryQuestionToDo();

    // Task texts
    void taskFileIsGbkWithCrLf_data() { addSetRows(); }
    void taskFileIsGbkWithCrLf();
    void taskAsksForEverythingMarked_data() { addSetRows(); }
    void taskAsksForEverythingMarked();

    // Template folders
    void pagesAreGbkWithCharsetMeta_data() { addSetRows(); }
    void pagesAreGbkWithCharsetMeta();
    void referencedFilesExist_data() { addSetRows(); }
    void referencedFilesExist();
    void picturesOpenAtTheirPageSize_data() { addSetRows(); }
    void picturesOpenAtTheirPageSize();
    void templateCopyMakesWorkingFolder_data() { addSetRows(); }
    void templateCopyMakesWorkingFolder();
    void buildCopyMatchesSource_data() { addSetRows(); }
    void buildCopyMatchesSource();

    // The checks above reject broken material
    void brokenMaterialIsCaught_data();
    void brokenMaterialIsCaught();
};

void TestMaterial::modelAnswerEarnsFullMarks()
{
    QFETCH(int, set);
    const auto result = marking::markFile(set, answerPath(set));
    QVERIFY(result.pageFound);
    for (const auto& check : result.checks)
        QVERIFY2(check.passed, qPrintable(u"question "_s % QString::number(check.question) %
                                          u": "_s % check.description));
    QCOMPARE(result.total, 25);
}

void TestMaterial::startingPageLeavesEveryQuestionToDo()
{
    QFETCH(int, set);
    const auto result = marking::markFile(set, siteFolder(set) % u'/' % marking::pageFileName(set));
    QVERIFY(result.pageFound);
    QCOMPARE(result.checks.isEmpty(), false);
    for (int q = 0; q < 5; ++q)
        QVERIFY2(result.questions[std::size_t(q)] < 5,
                 qPrintable(u"question "_s % QString::number(q + 1) % u" already done"_s));
    QVERIFY(result.total < 25);
}

void TestMaterial::taskFileIsGbkWithCrLf()
{
    QFETCH(int, set);
    const QByteArray bytes = readBytes(sourceMaterial() % u'/' % QString::number(set) % u".txt"_s);
    QVERIFY(!bytes.isEmpty());
    const auto text = strictGbk(bytes);
    QVERIFY2(text, "task file is not GBK");
    // Every line break is CR LF: no lone LF, no lone CR.
    QCOMPARE(bytes.count("\n"), bytes.count("\r\n"));
    QCOMPARE(bytes.count("\r"), bytes.count("\r\n"));
    QVERIFY(bytes.endsWith("\r\n"));
    QVERIFY(text->contains(marking::pageFileName(set)));
    QVERIFY(text->startsWith(marking::setFolderName(set)));
    // Five numbered steps, in order, each at the start of a line.
    qsizetype from = 0;
    for (int step = 1; step <= 5; ++step) {
        const qsizetype at = text->indexOf(u"\r\n"_s % QString::number(step) % u". "_s, from);
        QVERIFY2(at > from, qPrintable(u"step "_s % QString::number(step)));
        from = at;
    }
    QVERIFY(!text->contains(u"\r\n6. "_s));
}

void TestMaterial::taskAsksForEverythingMarked()
{
    QFETCH(int, set);
    const auto task =
        strictGbk(readBytes(sourceMaterial() % u'/' % QString::number(set) % u".txt"_s));
    QVERIFY(task);
    const auto result = marking::markFile(set, answerPath(set));
    QVERIFY(!result.checks.isEmpty());
    const QStringList problems = taskProblems(*task, result.checks);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u"; "_s)));
}

void TestMaterial::pagesAreGbkWithCharsetMeta()
{
    QFETCH(int, set);
    QStringList pages{answerPath(set)};
    const QDir site(siteFolder(set));
    for (const QString& name : site.entryList({u"*.htm"_s}, QDir::Files))
        pages << site.filePath(name);
    QVERIFY(pages.contains(site.filePath(marking::pageFileName(set))));
    for (const QString& page : pages) {
        const QStringList problems = pageEncodingProblems(readBytes(page));
        QVERIFY2(problems.isEmpty(), qPrintable(page % u": "_s % problems.join(u", "_s)));
    }
}

void TestMaterial::referencedFilesExist()
{
    QFETCH(int, set);
    const QDir site(siteFolder(set));
    QStringList pages{answerPath(set)};
    for (const QString& name : site.entryList({u"*.htm"_s}, QDir::Files))
        pages << site.filePath(name);
    for (const QString& page : pages) {
        const auto text = strictGbk(readBytes(page));
        QVERIFY(text);
        const QStringList missing = missingReferences(site.path(), *text);
        QVERIFY2(missing.isEmpty(), qPrintable(page % u" refers to "_s % missing.join(u", "_s)));
    }
}

void TestMaterial::picturesOpenAtTheirPageSize()
{
    QFETCH(int, set);
    const QDir site(siteFolder(set));
    // Every picture opens in the format its name says, and stays small.
    const QStringList pictures = site.entryList({u"*.gif"_s, u"*.jpg"_s, u"*.JPG"_s}, QDir::Files);
    QVERIFY(!pictures.isEmpty());
    for (const QString& name : pictures) {
        QImageReader reader(site.filePath(name));
        const QByteArray expected = name.endsWith(u".gif"_s) ? "gif" : "jpeg";
        if (!QImageReader::supportedImageFormats().contains(expected)) {
            // The Windows build's Qt reads no JPEG; the material is the same everywhere.
            continue;
        }
        QCOMPARE(reader.format(), expected);
        QVERIFY2(!reader.read().isNull(), qPrintable(name));
        QVERIFY2(QFileInfo(site.filePath(name)).size() < 64 * 1024, qPrintable(name));
    }
    // Pictures are shown at their own size: <img> width and height match.
    static const QRegularExpression img(
        u"<img[^>]*src=\"([^\"]+)\"[^>]*width=\"(\\d+)\"[^>]*height=\"(\\d+)\""_s,
        QRegularExpression::CaseInsensitiveOption);
    QStringList pages{answerPath(set)};
    for (const QString& name : site.entryList({u"*.htm"_s}, QDir::Files))
        pages << site.filePath(name);
    int shown = 0;
    for (const QString& page : pages) {
        const auto text = strictGbk(readBytes(page));
        QVERIFY(text);
        for (const auto& m : img.globalMatch(*text)) {
            QImageReader reader(site.filePath(m.captured(1)));
            if (reader.format().isEmpty() &&
                !QImageReader::supportedImageFormats().contains("jpeg")) {
                continue; // a JPEG, on the Windows build's Qt
            }
            QCOMPARE(reader.size(), QSize(m.captured(2).toInt(), m.captured(3).toInt()));
            ++shown;
        }
    }
    QVERIFY(shown > 0 || !QImageReader::supportedImageFormats().contains("jpeg"));
}

void TestMaterial::templateCopyMakesWorkingFolder()
{
    QFETCH(int, set);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString folder = marking::setFolderName(set);
    const QString templateFolder = sourceMaterial() % u'/' % folder;
    QVERIFY(copyContent(templateFolder, root.path()));
    // The content lands in the root, so the copy's folder is the working folder.
    const QStringList rootEntries =
        QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    QCOMPARE(rootEntries, QStringList{folder});
    const QString page = root.path() % u'/' % folder % u'/' % marking::pageFileName(set);
    QVERIFY(QFileInfo::exists(page));
    QCOMPARE(readBytes(page), readBytes(siteFolder(set) % u'/' % marking::pageFileName(set)));
    // A second copy over the first (as redo does) keeps the folder complete.
    QVERIFY(copyContent(templateFolder, root.path()));
    QCOMPARE(QDir(root.path() % u'/' % folder).entryList(QDir::Files),
             QDir(siteFolder(set)).entryList(QDir::Files));
}

void TestMaterial::buildCopyMatchesSource()
{
    QFETCH(int, set);
    const QString task = u"/"_s % QString::number(set) % u".txt"_s;
    QCOMPARE(readBytes(builtMaterial() % task), readBytes(sourceMaterial() % task));
    const QString folder =
        u"/"_s % marking::setFolderName(set) % u'/' % marking::setFolderName(set);
    const QDir source(sourceMaterial() % folder);
    const QStringList files = source.entryList(QDir::Files);
    QCOMPARE(QDir(builtMaterial() % folder).entryList(QDir::Files), files);
    for (const QString& name : files)
        QVERIFY2(readBytes(builtMaterial() % folder % u'/' % name) ==
                     readBytes(source.filePath(name)),
                 qPrintable(name));
}

void TestMaterial::brokenMaterialIsCaught_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("task text without a colour value") << u"task colour"_s;
    QTest::newRow("task text without a picture name") << u"task picture"_s;
    QTest::newRow("task text with a wrong font size") << u"task size"_s;
    QTest::newRow("page refers to a picture not there") << u"missing picture"_s;
    QTest::newRow("page refers to a wrong-case name") << u"wrong case"_s;
    QTest::newRow("page saved as UTF-8") << u"utf-8 page"_s;
    QTest::newRow("page without charset meta") << u"no meta"_s;
}

void TestMaterial::brokenMaterialIsCaught()
{
    QFETCH(QString, fault);
    // Set 1 material, each time with one fault put in.
    auto task = strictGbk(readBytes(sourceMaterial() + u"/1.txt"_s));
    auto page = strictGbk(readBytes(answerPath(1)));
    QVERIFY(task && page);
    const auto checks = marking::markFile(1, answerPath(1)).checks;
    QVERIFY(taskProblems(*task, checks).isEmpty());
    QVERIFY(missingReferences(siteFolder(1), *page).isEmpty());

    if (fault == u"task colour"_s) {
        QVERIFY(!taskProblems(QString(*task).remove(u"#0000FF"_s), checks).isEmpty());
    } else if (fault == u"task picture"_s) {
        QVERIFY(!taskProblems(QString(*task).replace(u"barflow.gif"_s, u"bar.gif"_s), checks)
                     .isEmpty());
    } else if (fault == u"task size"_s) {
        QVERIFY(!taskProblems(QString(*task).replace(u"字号设为 7"_s, u"字号设为 6"_s), checks)
                     .isEmpty());
    } else if (fault == u"missing picture"_s) {
        QCOMPARE(
            missingReferences(siteFolder(1), QString(*page).replace(u"hu.jpg"_s, u"hu2.jpg"_s)),
            QStringList{u"hu2.jpg"_s});
    } else if (fault == u"wrong case"_s) {
        QCOMPARE(missingReferences(siteFolder(1), QString(*page).replace(u"hu.jpg"_s, u"HU.jpg"_s)),
                 QStringList{u"HU.jpg"_s});
    } else if (fault == u"utf-8 page"_s) {
        QVERIFY(!pageEncodingProblems(page->toUtf8()).isEmpty());
    } else if (fault == u"no meta"_s) {
        const QByteArray bare = velmora::toGbk(QString(*page).remove(u"charset=gb2312"_s));
        QCOMPARE(pageEncodingProblems(bare), QStringList{u"no charset=gb2312 meta"_s});
    } else {
        QFAIL("unknown fault");
    }
}

QTEST_GUILESS_MAIN(TestMaterial)
#include "tst_material.moc"
