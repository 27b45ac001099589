// SPDX-License-Identifier: MIT
// The editing engine in a real Qt WebEngine page: the nine tasks done with
// the editor's own commands reach 25, the full-marks pages survive open and
// save, and the rules of the markup, the clipboard, undo, encodings, saving,
// scripts and the network.
#include "EditorScript.h"
#include "EditorSession.h"
#include "Marking.h"
#include "PageFile.h"
#include "PagePaths.h"
#include "PageProfile.h"
#include "PropertySheets.h"

#include "EditorWindow.h"
#include "Gbk.h"
#include "Recovery.h"
#include "ScriptedPrompter.h"
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <sys/stat.h>

using namespace velmora::editor;
namespace marking = velmora::marking;

namespace {

QString materialFolder(int set)
{
    const QString name = marking::setFolderName(set);
    return QStringLiteral(VELMORA_SOURCE_DIR "/student/material/wf/") + name + u'/' + name;
}

QString answerPage(int set)
{
    return QStringLiteral(VELMORA_SOURCE_DIR "/tests/material/answers/") + QString::number(set) +
           u'/' + marking::pageFileName(set);
}

bool copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    for (const QFileInfo& f : QDir(from).entryInfoList(QDir::Files)) {
        if (!QFile::copy(f.absoluteFilePath(), QDir(to).filePath(f.fileName()))) {
            return false;
        }
    }
    return true;
}

// Element text without tags, for comparing pages whitespace aside.
QString withoutSpace(QString text)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    static const QRegularExpression tbody(QStringLiteral("</?tbody>"));
    text.remove(tbody);
    text.remove(space);
    return text;
}

} // namespace

class EditorTest : public QObject
{
    Q_OBJECT

public:
    EditorTest() : m_profile(this) {}

private:
    QTemporaryDir m_dir;
    PageProfile m_profile;
    std::unique_ptr<EditorSession> m_session;

    // Opens a page in a fresh session and waits until the engine is in.
    bool load(const QString& path)
    {
        m_session = std::make_unique<EditorSession>(m_profile.profile(), m_profile.handler(),
                                                    m_dir.filePath(QStringLiteral("recovery")));
        bool done = false;
        bool ok = false;
        const QMetaObject::Connection c =
            connect(m_session.get(), &EditorSession::loaded, this, [&](bool loaded) {
                ok = loaded;
                done = true;
            });
        QString error;
        if (!m_session->open(path, &error)) {
            qWarning("%s", qUtf8Printable(error));
            disconnect(c);
            return false;
        }
        const bool answered = QTest::qWaitFor([&] { return done; }, 20000);
        disconnect(c);
        return answered && ok;
    }

    QVariant call(QStringView name, const QJsonArray& args = {})
    {
        QVariant result;
        bool done = false;
        m_session->call(name, args, [&](const QVariant& v) {
            result = v;
            done = true;
        });
        if (!QTest::qWaitFor([&] { return done; }, 10000)) {
            qWarning("engine call %s did not answer", qUtf8Printable(name.toString()));
        }
        return result;
    }

    QString serialized() { return call(u"serialize").toString(); }

    SavedPage save()
    {
        SavedPage result;
        bool done = false;
        m_session->save([&](const SavedPage& saved) {
            result = saved;
            done = true;
        });
        if (!QTest::qWaitFor([&] { return done; }, 10000)) {
            result.error = QStringLiteral("no answer");
        }
        return result;
    }

    // One step of a task, as the window does it: an engine call, or a
    // dialog's work before its engine call (a picture placed beside the
    // page, a link target made relative).
    bool step(const QJsonArray& s)
    {
        const QString name = s.at(0).toString();
        QJsonArray args = s;
        args.removeFirst();
        if (name == u"picture") {
            const PlacedPicture placed =
                placePicture(m_session->path(),
                             QFileInfo(m_session->path()).dir().filePath(args.at(0).toString()));
            if (!placed.ok) {
                return false;
            }
            return call(u"insertImage",
                        QJsonArray{QJsonValue(pictureAttributes(m_session->path(), placed.source))})
                .toBool();
        }
        if (name == u"link") {
            return call(u"insertLink",
                        {linkTarget(m_session->path(), args.at(0).toString()), QString()})
                .toBool();
        }
        return call(name, args).toBool();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The window's recovery copies go to a test folder, not the user's.
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(!engineSource().isEmpty());
    }

    void tasks_data()
    {
        QTest::addColumn<int>("set");
        QTest::addColumn<QString>("steps");

        auto font = [](QString face, QString size, QString color) {
            return QJsonObject{{QStringLiteral("face"), face},
                               {QStringLiteral("size"), size},
                               {QStringLiteral("color"), color}};
        };
        auto props = [](QString kind, std::initializer_list<QJsonArray> list) {
            QJsonArray pairs;
            for (const QJsonArray& p : list) {
                pairs.append(p);
            }
            return QJsonArray{QStringLiteral("setProps"), kind, pairs, false};
        };
        auto pair = [](QString name, QString value) { return QJsonArray{name, value}; };
        auto find = [](QString text) { return QJsonArray{QStringLiteral("find"), text}; };
        auto place = [](QString selector, int index, QString where) {
            return QJsonArray{QStringLiteral("place"), selector, index, where};
        };
        auto J = [](std::initializer_list<QJsonValue> v) { return QJsonArray(v); };
        auto steps = [](std::initializer_list<QJsonArray> list) {
            QJsonArray a;
            for (const QJsonArray& s : list) {
                a.append(s);
            }
            return QString::fromUtf8(QJsonDocument(a).toJson(QJsonDocument::Compact));
        };
        const QString S = QStringLiteral("setFont");
        const QString A = QStringLiteral("align");

        QTest::newRow("1 tiger")
            << 1
            << steps({find(u"动物乐园"_qs), J({S, font(u"隶书"_qs, u"7"_qs, u"#0000ff"_qs)}),
                      J({A, u"center"_qs}), place(u"td"_qs, 1, u"start"_qs),
                      J({u"picture"_qs, u"barflow.gif"_qs}), J({A, u"center"_qs}),
                      place(u"td"_qs, 2, u"start"_qs), J({u"picture"_qs, u"hu.jpg"_qs}),
                      props(u"table"_qs, {pair(u"border"_qs, u"0"_qs)}),
                      props(u"page"_qs, {pair(u"background"_qs, u"花.jpg"_qs)})});
        QTest::newRow("2 park home")
            << 2
            << steps({place(u"img"_qs, 0, u"select"_qs), J({u"link"_qs, u"www.kepu.net.cn"_qs}),
                      find(u"虎"_qs), J({u"link"_qs, u"hu.htm"_qs}), find(u"梅花鹿"_qs),
                      J({u"link"_qs, u"mhl.htm"_qs}), find(u"天堂鸟"_qs),
                      J({u"link"_qs, u"ttn.htm"_qs}), find(u"鸭嘴兽"_qs),
                      J({u"link"_qs, u"yzs.htm"_qs}),
                      props(u"cell"_qs, {pair(u"bgcolor"_qs, u"#008080"_qs)}),
                      find(u"保护环境保护动物"_qs),
                      J({u"insertMarquee"_qs,
                         J({pair(u"behavior"_qs, u"alternate"_qs),
                            pair(u"bgcolor"_qs, u"#c0c0c0"_qs)}),
                         QString()}),
                      find(u"保护环境保护动物"_qs),
                      J({S, font(u"楷体_GB2312"_qs, u"4"_qs, u"#0000FF"_qs)}), find(u"阿禾"_qs),
                      J({u"link"_qs, u"ahe@example.com"_qs}),
                      props(u"table"_qs, {pair(u"background"_qs, u"cittext.gif"_qs)})});
        QTest::newRow("3 festival intro")
            << 3
            << steps({find(u"春节简介"_qs),
                      J({S, QJsonObject{{u"face"_qs, u"宋体"_qs},
                                        {u"size"_qs, u"4"_qs},
                                        {u"color"_qs, u"#FF0000"_qs},
                                        {u"bold"_qs, true}}}),
                      J({A, u"center"_qs}), place(u"p"_qs, 0, u"end"_qs),
                      J({u"insertHr"_qs, J({pair(u"color"_qs, u"#FF0000"_qs)})}),
                      place(u"td p"_qs, 1, u"start"_qs), J({u"picture"_qs, u"chunjie02.jpg"_qs}),
                      J({A, u"center"_qs}), find(u"返回主页"_qs), J({u"link"_qs, u"index.htm"_qs}),
                      props(u"table"_qs, {pair(u"border"_qs, u"0"_qs)})});
        QTest::newRow("4 festival home")
            << 4
            << steps({props(u"page"_qs, {pair(u"bgcolor"_qs, u"#C0C0C0"_qs)}),
                      place(u"img"_qs, 0, u"select"_qs),
                      props(u"cell"_qs,
                            {pair(u"align"_qs, u"right"_qs), pair(u"valign"_qs, u"top"_qs)}),
                      find(u"春节简介"_qs), J({u"link"_qs, u"cjjj.htm"_qs}),
                      find(u"春节由来与传说"_qs), J({u"link"_qs, u"cjyl.htm"_qs}), find(u"百度"_qs),
                      J({u"link"_qs, u"www.baidu.com"_qs}), find(u"webmaster@example.com"_qs),
                      J({u"link"_qs, u"webmaster@example.com"_qs})});
        QTest::newRow("5 festival legends")
            << 5
            << steps({props(u"page"_qs, {pair(u"background"_qs, u"bg.gif"_qs)}),
                      find(u"春节快乐"_qs),
                      J({u"insertMarquee"_qs, J({pair(u"bgcolor"_qs, u"#FF0000"_qs)}), QString()}),
                      find(u"春节快乐"_qs), J({S, font(u"隶书"_qs, u"5"_qs, QString())}),
                      place(u"img"_qs, 0, u"after"_qs), J({u"picture"_qs, u"menshen.jpg"_qs}),
                      place(u"img[src='home.gif']"_qs, 0, u"select"_qs),
                      J({u"link"_qs, u"index.htm"_qs}), find(u"祝大家"_qs),
                      props(u"cell"_qs, {pair(u"bgcolor"_qs, u"#FF0000"_qs)})});
        QTest::newRow("6 home")
            << 6
            << steps({props(u"page"_qs, {pair(u"background"_qs, u"花.jpg"_qs)}),
                      props(u"table"_qs,
                            {pair(u"align"_qs, u"center"_qs), pair(u"bgcolor"_qs, u"#FFFFFF"_qs)}),
                      find(u"欢迎光临我的网上小家"_qs),
                      J({u"insertMarquee"_qs, QJsonArray(), QString()}),
                      find(u"欢迎光临我的网上小家"_qs),
                      J({S, font(QString(), QString(), u"#800000"_qs)}), find(u"成长笔记"_qs),
                      props(u"cell"_qs, {pair(u"bgcolor"_qs, u"#800000"_qs)}),
                      J({S, font(QString(), QString(), u"#FFFF00"_qs)}), find(u"创作园地"_qs),
                      props(u"cell"_qs, {pair(u"bgcolor"_qs, u"#800000"_qs)}),
                      J({S, font(QString(), QString(), u"#FFFF00"_qs)}), find(u"校园逸趣"_qs),
                      props(u"cell"_qs, {pair(u"bgcolor"_qs, u"#800000"_qs)}),
                      J({S, font(QString(), QString(), u"#FFFF00"_qs)}), find(u"诗苑履痕"_qs),
                      props(u"cell"_qs, {pair(u"bgcolor"_qs, u"#800000"_qs)}),
                      J({S, font(QString(), QString(), u"#FFFF00"_qs)})});
        QTest::newRow("7 home again")
            << 7
            << steps({props(u"page"_qs, {pair(u"bgcolor"_qs, u"#C0C0C0"_qs)}),
                      props(u"table"_qs, {pair(u"background"_qs, u"bg.gif"_qs)}),
                      place(u"img"_qs, 0, u"after"_qs),
                      J({u"insertHr"_qs,
                         J({pair(u"color"_qs, u"#FF0000"_qs), pair(u"size"_qs, u"3"_qs)})}),
                      find(u"同学们"_qs),
                      props(u"cell"_qs, {pair(u"background"_qs, u"树叶.jpg"_qs)}),
                      find(u"成长笔记"_qs), J({u"link"_qs, u"czbj.htm"_qs})});
        QTest::newRow("8 games")
            << 8
            << steps(
                   {props(u"table"_qs, {pair(u"bordercolor"_qs, u"#FF0000"_qs)}),
                    find(u"北京欢迎您"_qs), props(u"cell"_qs, {pair(u"bgcolor"_qs, u"#FF0000"_qs)}),
                    J({u"insertMarquee"_qs, J({pair(u"behavior"_qs, u"alternate"_qs)}), QString()}),
                    place(u"td"_qs, 4, u"start"_qs), J({u"picture"_qs, u"jingjing.jpg"_qs}),
                    find(u"同一个世界"_qs),
                    props(u"cell"_qs, {pair(u"background"_qs, u"印.gif"_qs)})});
        QTest::newRow("9 games again")
            << 9
            << steps({place(u"img"_qs, 0, u"select"_qs), J({u"link"_qs, u"www.beijing2008.cn"_qs}),
                      props(u"table"_qs,
                            {pair(u"border"_qs, u"0"_qs), pair(u"bgcolor"_qs, u"#FFFFFF"_qs)}),
                      props(u"page"_qs, {pair(u"background"_qs, u"中国龙.gif"_qs)}),
                      place(u"td"_qs, 9, u"end"_qs),
                      J({u"insertHr"_qs,
                         J({pair(u"color"_qs, u"#FF0000"_qs), pair(u"size"_qs, u"1"_qs),
                            pair(u"width"_qs, u"90%"_qs)})})});
    }

    // Each set's starting page, done with the editor's commands, saved, and
    // marked by the marking engine: 25 points, and none of the editor's own
    // commands wrote CSS or spans.
    void tasks()
    {
        QFETCH(int, set);
        QFETCH(QString, steps);
        const QString folder = m_dir.filePath(marking::setFolderName(set));
        QVERIFY(copyFolder(materialFolder(set), folder));
        const QString page = QDir(folder).filePath(marking::pageFileName(set));
        QVERIFY(load(page));
        const QJsonArray list = QJsonDocument::fromJson(steps.toUtf8()).array();
        for (const QJsonValue& s : list) {
            QVERIFY2(step(s.toArray()),
                     qPrintable(QString::fromUtf8(
                         QJsonDocument(s.toArray()).toJson(QJsonDocument::Compact))));
        }
        QVERIFY(save().ok);
        const QByteArray bytes = [&] {
            QFile f(page);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QVERIFY(!bytes.contains("style="));
        QVERIFY(!bytes.contains("<span"));
        const marking::MarkResult result = marking::markFile(set, page);
        QVERIFY2(result.total == 25,
                 qPrintable(result.report + u'\n' +
                            QString::fromUtf8(bytes.toPercentEncoding("<>\"=/ \r\n"))));
    }

    void roundTrip_data()
    {
        QTest::addColumn<int>("set");
        for (int set = 1; set <= 9; ++set) {
            QTest::addRow("set %d", set) << set;
        }
    }

    // A full-marks page opened, touched and saved keeps every element and
    // attribute: only whitespace and <tbody> differ, and it still scores 25.
    void roundTrip()
    {
        QFETCH(int, set);
        const QString folder =
            m_dir.filePath(QStringLiteral("answers/") + marking::setFolderName(set));
        QVERIFY(QDir().mkpath(folder));
        const QString page = QDir(folder).filePath(marking::pageFileName(set));
        QFile::remove(page);
        QVERIFY(QFile::copy(answerPage(set), page));
        QFile::setPermissions(page, QFile::ReadOwner | QFile::WriteOwner);
        const OpenedPage before = ::velmora::editor::openPage(page);
        QVERIFY(load(page));
        // A character typed and deleted again, as a student would.
        QVERIFY(call(u"find",
                     {marking::setFolderName(set) == QString() ? QString() : QStringLiteral("<")})
                    .isValid());
        QVERIFY(call(u"place", {QStringLiteral("td"), 0, QStringLiteral("end")}).toBool());
        QVERIFY(call(u"pasteText", {QStringLiteral("x")}).toBool());
        QVERIFY(call(u"undo").toBool());
        QVERIFY(save().ok);
        const OpenedPage after = ::velmora::editor::openPage(page);
        QVERIFY(after.ok);
        QCOMPARE(after.encoding, before.encoding);
        QCOMPARE(withoutSpace(after.text), withoutSpace(before.text));
        QVERIFY(after.text.count(u'\n') == after.text.count(QStringLiteral("\r\n")));
        QCOMPARE(marking::markFile(set, page).total, 25);
    }
    void rules_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("present");
        QTest::addColumn<QString>("absent");
        const QString table = QStringLiteral(
            "<html><head><meta charset=\"utf-8\"><title>t</title></head><body>"
            "<p><font face=\"隶书\" size=\"5\" color=\"#FF0000\">红字</font> 文字 甲乙丙</p>"
            "<table border=\"1\"><tr><td align=\"left\">一</td><td>二</td></tr></table>"
            "<marquee behavior=\"alternate\">字幕</marquee><custom-tag "
            "x=\"1\">留</custom-tag></body></html>");
        // Every command of the editor once: no CSS, no spans, and tags it
        // does not know stay.
        QTest::newRow("every command, no CSS")
            << table
            << QStringLiteral(
                   "["
                   "            "
                   "[\"find\",\"文字\"],[\"toggle\",\"b\"],[\"find\",\"文字\"],[\"toggle\",\"i\"],["
                   "\"find\",\"文字\"],[\"toggle\",\"u\"],"
                   "            "
                   "[\"find\",\"文字\"],[\"setFont\",{\"face\":\"黑体\",\"size\":\"3\",\"color\":"
                   "\"#00ff00\",\"bold\":true}],"
                   "            "
                   "[\"align\",\"right\"],[\"align\",\"center\"],[\"align\",\"left\"],[\"find\","
                   "\"一\"],[\"align\",\"center\"],"
                   "            "
                   "[\"find\",\"二\"],[\"tableOp\",\"insertRow\"],[\"tableOp\",\"insertColumn\"],["
                   "\"tableOp\",\"deleteColumn\"],"
                   "            "
                   "[\"tableOp\",\"deleteRow\"],[\"find\",\"甲乙丙\"],[\"insertMarquee\",[["
                   "\"bgcolor\",\"#c0c0c0\"]],\"\"],"
                   "            "
                   "[\"find\",\"甲乙丙\"],[\"removeMarquee\",false],[\"insertHr\",[[\"color\",\"#"
                   "ff0000\"]]],"
                   "            "
                   "[\"insertTable\",2,2,[[\"border\",\"1\"]]],[\"insertLink\",\"index.htm\","
                   "\"首页\"],"
                   "            "
                   "[\"find\",\"红字\"],[\"cut\"],[\"find\",\"二\"],[\"pasteHtml\",\"<font "
                   "face=\\\"隶书\\\" color=\\\"#FF0000\\\">红字</font>\"],"
                   "            "
                   "[\"pasteText\",\"纯\\n文本\"],[\"setProps\",\"page\",[[\"bgcolor\",\"#ffffff\"]"
                   ",[\"title\",\"新\"]],false],"
                   "            [\"setProps\",\"table\",[[\"bordercolor\",\"#FF0000\"]],false]]")
            << QStringLiteral("<custom-tag x=\"1\">留</custom-tag>|align=\"center\"|"
                              "<font face=\"隶书\" color=\"#FF0000\">红字</font>|"
                              "bgcolor=\"#FFFFFF\"|color=\"#00FF00\"|纯<br>文本")
            << QStringLiteral("style=|<span|contenteditable|id=\"null\"");
        // A dialog's change (an attribute set through the DOM) is undone and redone.
        QTest::newRow("undo of a dialog edit")
            << table
            << QStringLiteral(
                   "[[\"setProps\",\"page\",[[\"bgcolor\",\"#008080\"]],false],[\"undo\"]]")
            << QStringLiteral("<body>") << QStringLiteral("008080");
        QTest::newRow("redo of a dialog edit")
            << table
            << QStringLiteral("[[\"setProps\",\"page\",[[\"bgcolor\",\"#008080\"]],false],["
                              "\"undo\"],[\"redo\"]]")
            << QStringLiteral("bgcolor=\"#008080\"") << QString();
        // A link's properties change its target and its words, not attributes named text.
        QTest::newRow("link properties")
            << QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body><p><a "
                              "href=\"old.htm\">旧</a></p></body></html>")
            << QStringLiteral("[[\"find\",\"旧\"],[\"setProps\",\"link\",[[\"href\",\"new.htm\"],["
                              "\"text\",\"新\"]],false]]")
            << QStringLiteral("<a href=\"new.htm\">新</a>") << QStringLiteral("text=|old.htm");
        // Deleting a whole marquee leaves no empty marquee behind.
        QTest::newRow("marquee deleted")
            << table
            << QStringLiteral("[[\"place\",\"marquee\",0,\"select\"],[\"deleteSelection\"]]")
            << QStringLiteral("</table>") << QStringLiteral("<marquee");
        // The page's own scripts never run: the title stays.
        QTest::newRow("scripts do not run")
            << QStringLiteral("<html><head><title>before</title><script>document.title='ran';"
                              "document.write('<b>written</b>')</script></head>"
                              "<body onload=\"document.body.bgColor='red'\">x</body></html>")
            << QStringLiteral("[]") << QStringLiteral("<title>before</title>")
            << QStringLiteral("x<b>written|bgcolor=|<title>ran");
    }

    void rules()
    {
        QFETCH(QString, page);
        QFETCH(QString, steps);
        QFETCH(QString, present);
        QFETCH(QString, absent);
        const QString path = m_dir.filePath(QStringLiteral("rules/page.htm"));
        QDir().mkpath(QFileInfo(path).path());
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(page.toUtf8());
        }
        QVERIFY(load(path));
        for (const QJsonValue& s : QJsonDocument::fromJson(steps.toUtf8()).array()) {
            QJsonArray args = s.toArray();
            const QString name = args.takeAt(0).toString();
            QVERIFY2(call(name, args).isValid(), qPrintable(name));
        }
        const QString out = serialized();
        for (const QString& want : present.split(u'|', Qt::SkipEmptyParts)) {
            QVERIFY2(out.contains(want), qPrintable(want + QStringLiteral(" missing from ") + out));
        }
        for (const QString& bad : absent.split(u'|', Qt::SkipEmptyParts)) {
            QVERIFY2(!out.contains(bad), qPrintable(bad + QStringLiteral(" found in ") + out));
        }
    }

    // A page that asks for pictures and styles on the network asks nobody.
    void noNetwork()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const QString remote =
            QStringLiteral("http://127.0.0.1:") + QString::number(server.serverPort());
        const QString path = m_dir.filePath(QStringLiteral("net/page.htm"));
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write((QStringLiteral("<html><head><link rel=\"stylesheet\" href=\"") + remote +
                 QStringLiteral("/a.css\"></head><body background=\"") + remote +
                 QStringLiteral("/b.gif\"><img src=\"") + remote +
                 QStringLiteral("/c.png\"></body></html>"))
                    .toUtf8());
        f.close();
        QVERIFY(load(path));
        // The page has loaded, so every picture and style sheet it asks for
        // has been asked for and answered; a connection that was let through
        // would be waiting on the server (which never answers, so the load
        // would not even have finished).
        QVERIFY(!server.hasPendingConnections());
        QVERIFY(!server.waitForNewConnection(0));
    }

    void saving_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("added");
        QTest::addColumn<QByteArray>("expected"); // what the saved file holds
        const QByteArray gbkPage =
            QByteArray("<html><head><meta http-equiv=\"Content-Type\" "
                       "content=\"text/html; charset=gb2312\"></head><body>\n<p>") +
            velmora::toGbk(u"中文") + QByteArray("</p></body></html>\n");
        QTest::newRow("GBK stays GBK, CR LF")
            << gbkPage << QStringLiteral("汉字") << velmora::toGbk(u"汉字");
        QTest::newRow("GBK charset kept")
            << gbkPage << QStringLiteral("x") << QByteArray("charset=gb2312\"");
        QTest::newRow("outside GBK as a reference")
            << gbkPage << QStringLiteral("😀") << QByteArray("&#128512;");
        const QByteArray utf8Page(
            "<html><head><meta charset=\"utf-8\"></head><body><p>中文</p></body></html>");
        QTest::newRow("UTF-8 stays UTF-8")
            << utf8Page << QStringLiteral("汉字") << QStringLiteral("汉字").toUtf8();
        QTest::newRow("byte-order mark kept")
            << QByteArray("\xEF\xBB\xBF") + utf8Page << QStringLiteral("y")
            << QByteArray("\xEF\xBB\xBF<html>");
    }

    void saving()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, added);
        QFETCH(QByteArray, expected);
        const QString path = m_dir.filePath(QStringLiteral("save/page.htm"));
        QDir().mkpath(QFileInfo(path).path());
        QFile::remove(path);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QVERIFY(load(path));
        QVERIFY(call(u"place", {QStringLiteral("p"), 0, QStringLiteral("end")}).toBool());
        QVERIFY(call(u"pasteText", {added}).toBool());
        QVERIFY(save().ok);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray saved = f.readAll();
        f.close();
        QVERIFY2(saved.contains(expected), saved.constData());
        QCOMPARE(saved.count("\n"), saved.count("\r\n"));
        QVERIFY(saved.count("\r\n") > 0);
    }

    // A save that cannot be written says why and leaves the old file.
    void failedSave()
    {
        const QString folder = m_dir.filePath(QStringLiteral("readonly"));
        QDir().mkpath(folder);
        const QString path = QDir(folder).filePath(QStringLiteral("page.htm"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("<html><body><p>old</p></body></html>");
        f.close();
        QVERIFY(load(path));
        QVERIFY(call(u"place", {QStringLiteral("p"), 0, QStringLiteral("end")}).toBool());
        QVERIFY(call(u"pasteText", {QStringLiteral("new")}).toBool());
        // The page's folder goes away while it is open (works for root too).
        const QString moved = folder + QStringLiteral("-moved");
        QVERIFY(QDir().rename(folder, moved));
        const SavedPage saved = save();
        QVERIFY(!saved.ok);
        QVERIFY(!saved.error.isEmpty());
        QVERIFY(!QFileInfo::exists(path));
        QFile old(QDir(moved).filePath(QStringLiteral("page.htm")));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("<html><body><p>old</p></body></html>"));
    }
    void refused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("folder") << QStringLiteral("folder") << QStringLiteral("不是普通文件");
        QTest::newRow("pipe") << QStringLiteral("pipe") << QStringLiteral("不是普通文件");
        QTest::newRow("device") << QStringLiteral("device") << QStringLiteral("不是普通文件");
        QTest::newRow("over 16 MiB") << QStringLiteral("large") << QStringLiteral("超过 16 MB");
        QTest::newRow("missing") << QStringLiteral("missing") << QStringLiteral("找不到");
    }

    // What is not a page is refused with a message, and nothing blocks.
    void refused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        const QString path =
            m_dir.filePath(QStringLiteral("refused-") + kind + QStringLiteral(".htm"));
        if (kind == u"folder") {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == u"pipe") {
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        } else if (kind == u"large") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize(16 * 1024 * 1024 + 1));
        }
        const QString target = kind == u"device" ? QStringLiteral("/dev/zero") : path;
        PageProfile profile(this);
        EditorSession session(profile.profile(), profile.handler(),
                              m_dir.filePath(QStringLiteral("r")));
        QString error;
        QVERIFY(!session.open(target, &error));
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY(!session.isOpen());
    }

    // The recovery copy: kept while there are changes, offered to the next
    // opening, gone after a save; and another program's change is noticed.
    void recoveryAndDiskChange()
    {
        const QString folder = m_dir.filePath(QStringLiteral("recover"));
        QVERIFY(copyFolder(materialFolder(1), folder));
        const QString page = QDir(folder).filePath(QStringLiteral("hu.htm"));
        QVERIFY(load(page));
        const Recovery recovery(m_dir.filePath(QStringLiteral("recovery")), page);
        m_session->storeRecovery();
        // Two answers from the page, the second asked for after the first
        // came back: a copy the store set going (it asks the page for its
        // changes, then for its text) has been written by then.
        call(u"changes");
        call(u"changes");
        QVERIFY2(!QFileInfo::exists(recovery.filePath()), "no copy without changes");
        QVERIFY(call(u"find", {QStringLiteral("老虎")}).toBool());
        QVERIFY(call(u"pasteText", {QStringLiteral("狮子")}).toBool());
        m_session->storeRecovery();
        QTRY_VERIFY(QFileInfo::exists(recovery.filePath()));
        QVERIFY(!recovery.filePath().startsWith(folder + u'/'));

        // A crash: a new session for the same page finds the copy.
        QVERIFY(load(page));
        const std::optional<QString> left = m_session->leftOverRecovery();
        QVERIFY(left);
        QVERIFY(left->contains(QStringLiteral("狮子")));
        QSignalSpy shown(m_session.get(), &EditorSession::loaded);
        m_session->loadText(*left);
        QVERIFY(shown.wait(20000));
        QVERIFY(serialized().contains(QStringLiteral("狮子")));

        QVERIFY(!m_session->changedOnDisk());
        {
            QFile f(page);
            QVERIFY(f.open(QIODevice::Append));
            f.write("<!-- another program -->");
        }
        QVERIFY(m_session->changedOnDisk());
        QVERIFY(save().ok);
        QVERIFY(!m_session->changedOnDisk());
        QVERIFY(!QFileInfo::exists(recovery.filePath()));
    }
    void places_data()
    {
        QTest::addColumn<QString>("chosen"); // relative to the temporary folder
        QTest::addColumn<QString>("source"); // what the page then names
        QTest::addColumn<bool>("copied");    // a new file beside the page
        QTest::newRow("beside the page")
            << QStringLiteral("page/a.png") << QStringLiteral("a.png") << false;
        QTest::newRow("below the page")
            << QStringLiteral("page/img/b.png") << QStringLiteral("img/b.png") << false;
        QTest::newRow("elsewhere: copied")
            << QStringLiteral("pics/c.png") << QStringLiteral("c.png") << true;
        QTest::newRow("elsewhere, name taken by another picture")
            << QStringLiteral("pics/a.png") << QStringLiteral("a-1.png") << true;
        QTest::newRow("elsewhere, the same picture already there")
            << QStringLiteral("same/a.png") << QStringLiteral("a.png") << false;
    }

    // Pictures end up beside the page with a relative src, never file://.
    void places()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, source);
        QFETCH(bool, copied);
        QTemporaryDir dir;
        const QDir root(dir.path());
        auto picture = [&](const QString& rel, Qt::GlobalColor colour) {
            QDir().mkpath(QFileInfo(root.filePath(rel)).path());
            QImage image(4, 3, QImage::Format_RGB32);
            image.fill(colour);
            return image.save(root.filePath(rel));
        };
        QVERIFY(picture(QStringLiteral("page/a.png"), Qt::red));
        QVERIFY(picture(QStringLiteral("page/img/b.png"), Qt::red));
        QVERIFY(picture(QStringLiteral("pics/c.png"), Qt::green));
        QVERIFY(picture(QStringLiteral("pics/a.png"), Qt::blue));
        QVERIFY(picture(QStringLiteral("same/a.png"), Qt::red));
        const QString page = root.filePath(QStringLiteral("page/p.htm"));
        const int before =
            QDir(root.filePath(QStringLiteral("page"))).entryList(QDir::Files).size();
        const PlacedPicture placed = placePicture(page, root.filePath(chosen));
        QVERIFY2(placed.ok, qPrintable(placed.error));
        QCOMPARE(placed.source, source);
        QCOMPARE(QDir(root.filePath(QStringLiteral("page"))).entryList(QDir::Files).size(),
                 before + (copied ? 1 : 0));
        const QJsonArray attrs = pictureAttributes(page, placed.source);
        QCOMPARE(attrs.at(0).toArray().at(0).toString(), QStringLiteral("border"));
        QCOMPARE(attrs.at(2).toArray().at(1).toString(), QStringLiteral("4"));
        QCOMPARE(attrs.at(3).toArray().at(1).toString(), QStringLiteral("3"));
        QCOMPARE(
            linkTarget(page,
                       QUrl::fromLocalFile(root.filePath(QStringLiteral("page/x.htm"))).toString()),
            QStringLiteral("x.htm"));
        QCOMPARE(linkTarget(page, QStringLiteral("ahe@example.com")),
                 QStringLiteral("mailto:ahe@example.com"));
        QCOMPARE(linkTarget(page, QStringLiteral("www.kepu.net.cn")),
                 QStringLiteral("http://www.kepu.net.cn"));
    }

    void closing_data()
    {
        QTest::addColumn<bool>("changedOnDisk");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QString>("fileHas");
        QTest::addColumn<QString>("fileLacks");
        const int save = QMessageBox::Save, discard = QMessageBox::Discard,
                  cancel = QMessageBox::Cancel, no = QMessageBox::No, yes = QMessageBox::Yes;
        QTest::newRow("save") << false << QList<int>{save} << true << QStringLiteral("狮子")
                              << QString();
        QTest::newRow("discard") << false << QList<int>{discard} << true << QStringLiteral("老虎")
                                 << QStringLiteral("狮子");
        QTest::newRow("cancel") << false << QList<int>{cancel} << false << QStringLiteral("老虎")
                                << QStringLiteral("狮子");
        QTest::newRow("changed on disk, kept")
            << true << QList<int>{save, no} << false << QStringLiteral("another program")
            << QStringLiteral("狮子");
        QTest::newRow("changed on disk, overwritten")
            << true << QList<int>{save, yes} << true << QStringLiteral("狮子")
            << QStringLiteral("another program");
    }

    // Closing the window with changes asks 是否保存; a page another program
    // changed meanwhile is overwritten only when the student says so.
    void closing()
    {
        QFETCH(bool, changedOnDisk);
        QFETCH(QList<int>, answers);
        QFETCH(bool, closed);
        QFETCH(QString, fileHas);
        QFETCH(QString, fileLacks);
        const QString folder = m_dir.filePath(QStringLiteral("closing/") +
                                              QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(copyFolder(materialFolder(1), folder));
        const QString page = QDir(folder).filePath(QStringLiteral("hu.htm"));
        velmora::ScriptedPrompter prompter;
        for (int a : answers) {
            prompter.answers << QMessageBox::StandardButton(a);
        }
        EditorWindow window;
        QSignalSpy ready(&window, &EditorWindow::pageReady);
        window.show();
        QVERIFY(window.openPath(page));
        QVERIFY(ready.wait(20000));
        QCOMPARE(window.windowTitle(), QStringLiteral("网页编辑器 - hu.htm"));
        bool done = false;
        window.session()->call(u"find", {QStringLiteral("老虎")});
        window.session()->call(u"pasteText", {QStringLiteral("狮子")},
                               [&](const QVariant&) { done = true; });
        QTRY_VERIFY(done);
        if (changedOnDisk) {
            QFile f(page);
            QVERIFY(f.open(QIODevice::Append));
            f.write("<!-- another program -->");
        }
        window.close();
        QTRY_COMPARE(prompter.shown.size(), answers.size());
        QVERIFY(prompter.shown.first().text.contains(QStringLiteral("是否保存")));
        if (changedOnDisk) {
            QVERIFY(prompter.shown.at(1).text.contains(QStringLiteral("已被其他程序修改")));
        }
        QTRY_COMPARE(window.isVisible(), !closed);
        // Two answers from the page, the second asked for after the first
        // came back: whatever the closing set going through the page (the
        // text of a save) has been written by then.
        for (int i = 0; i < 2; ++i) {
            bool answered = false;
            window.session()->call(u"changes", {},
                                   [&answered](const QVariant&) { answered = true; });
            QTRY_VERIFY(answered);
        }
        const QString text = ::velmora::editor::openPage(page).text;
        QVERIFY2(text.contains(fileHas), qPrintable(text));
        if (!fileLacks.isEmpty()) {
            QVERIFY(!text.contains(fileLacks));
        }
        if (!closed) {
            prompter.answers = {QMessageBox::Discard};
            window.close();
            QTRY_VERIFY(!window.isVisible());
        }
    }
};

int main(int argc, char** argv)
{
    registerPageScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    EditorTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_editor.moc"
