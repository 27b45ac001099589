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

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

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
    static const QRegularExpression space(QStringLiteral(R"(\s+)"));
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
        connect(m_session.get(), &EditorSession::loaded, this, [&](bool loaded) {
            ok = loaded;
            done = true;
        });
        QString error;
        if (!m_session->open(path, &error)) {
            qWarning("%s", qUtf8Printable(error));
            return false;
        }
        return QTest::qWaitFor([&] { return done; }, 20000) && ok;
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
