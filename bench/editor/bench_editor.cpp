// SPDX-License-Identifier: MIT
// bench_editor [ROUNDS]: velmora-editor against a bare QWebEngineView window
// that loads the same page, each in a fresh process, alternating, in the same
// run. Prints the medians and the ratios:
//   start     process start to an editable page (bare: the page loaded)
//   pss       PSS of the process and all its children (Chromium's helpers)
//   reopen    opening another page in the running editor
//   save      saving a 100 KB page (serialize, encode, atomic write)
// The children run offscreen unless a display is set.
#include "EditorSession.h"
#include "EditorWindow.h"
#include "PageProfile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>
#include <algorithm>
#include <cstdio>

using namespace velmora::editor;

namespace {

const QString kPage =
    QStringLiteral(VELMORA_SOURCE_DIR "/student/material/wf/第一套/第一套/hu.htm");

void say(const QString& line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

// PSS in KiB of a process and every process below it.
qint64 treePss(qint64 root)
{
    QHash<qint64, qint64> parent;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok) {
            continue;
        }
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1) {
            parent.insert(pid, fields.at(1).toLongLong());
        }
    }
    qint64 total = 0;
    for (auto it = parent.cbegin(); it != parent.cend(); ++it) {
        qint64 p = it.key();
        while (p > 1 && p != root) {
            p = parent.value(p, 0);
        }
        if (p != root) {
            continue;
        }
        QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(it.key()));
        if (!rollup.open(QIODevice::ReadOnly)) {
            continue;
        }
        for (const QByteArray& line : rollup.readAll().split('\n')) {
            if (line.startsWith("Pss:")) {
                total += line.mid(4).trimmed().split(' ').first().toLongLong();
            }
        }
    }
    return total;
}

// A child: shows the page, says READY, waits while the parent measures, then
// (the editor) times the second opening and the 100 KB save.
int child(const QString& mode, int argc, char** argv)
{
    registerPageScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (mode == u"bare") {
        QWebEngineView view;
        QObject::connect(&view, &QWebEngineView::loadFinished, &view,
                         [](bool) { say(QStringLiteral("READY")); });
        view.resize(1000, 760);
        view.show();
        view.load(QUrl::fromLocalFile(kPage));
        QTimer::singleShot(3000, &app, &QCoreApplication::quit);
        return app.exec();
    }
    EditorWindow window;
    int ready = 0;
    QElapsedTimer clock;
    QObject::connect(&window, &EditorWindow::pageReady, &window, [&] {
        if (++ready == 1) {
            say(QStringLiteral("READY"));
            QTimer::singleShot(2500, &window, [&] {
                clock.start();
                window.openPath(QDir(dir.path()).filePath(QStringLiteral("copy.htm")));
            });
        } else {
            say(QStringLiteral("REOPEN %1").arg(double(clock.nsecsElapsed()) / 1e6, 0, 'f', 1));
            app.quit();
        }
    });
    QFile::copy(kPage, QDir(dir.path()).filePath(QStringLiteral("copy.htm")));
    window.show();
    window.openPath(kPage);
    app.exec();

    // Saving a 100 KB page through the session's own save.
    const QString big = QDir(dir.path()).filePath(QStringLiteral("big.htm"));
    {
        QFile f(big);
        if (!f.open(QIODevice::WriteOnly)) {
            return 1;
        }
        QByteArray page =
            "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
            "</head><body>\r\n";
        for (int i = 0; page.size() < 100 * 1024; ++i) {
            page +=
                "<p align=\"center\"><font face=\"Arial\" size=\"3\" color=\"#0000FF\">Paragraph " +
                QByteArray::number(i) + " of a long page.</font></p>\r\n";
        }
        f.write(page + "</body></html>\r\n");
    }
    PageProfile profile(&app);
    EditorSession session(profile.profile(), profile.handler(), dir.filePath(QStringLiteral("r")));
    bool loaded = false;
    QObject::connect(&session, &EditorSession::loaded, &session, [&](bool) { loaded = true; });
    session.open(big, nullptr);
    if (!QTest::qWaitFor([&] { return loaded; }, 20000)) {
        return 1;
    }
    QList<double> times;
    for (int i = 0; i < 5; ++i) {
        session.call(u"checkpoint");
        bool done = false;
        clock.start();
        session.save([&](const SavedPage&) { done = true; });
        if (!QTest::qWaitFor([&] { return done; }, 10000)) {
            return 1;
        }
        times << double(clock.nsecsElapsed()) / 1e6;
    }
    std::sort(times.begin(), times.end());
    say(QStringLiteral("SAVE %1").arg(times.at(times.size() / 2), 0, 'f', 1));
    return 0;
}

struct Round
{
    double start = 0;
    qint64 pss = 0;
    double reopen = 0;
    double save = 0;
};

Round runChild(const QString& program, const QString& mode)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    p.start(program, {QStringLiteral("--child"), mode});
    Round r;
    QByteArray out;
    while (p.state() != QProcess::NotRunning || p.bytesAvailable()) {
        p.waitForReadyRead(100);
        out += p.readAll();
        if (r.start == 0 && out.contains("READY")) {
            r.start = double(clock.nsecsElapsed()) / 1e6;
            QTest::qSleep(1500);
            r.pss = treePss(p.processId());
        }
        if (p.state() == QProcess::NotRunning && !p.bytesAvailable()) {
            break;
        }
    }
    for (const QByteArray& line : out.split('\n')) {
        if (line.startsWith("REOPEN ")) {
            r.reopen = line.mid(7).toDouble();
        } else if (line.startsWith("SAVE ")) {
            r.save = line.mid(5).toDouble();
        }
    }
    return r;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && qstrcmp(argv[1], "--child") == 0) {
        return child(QString::fromLatin1(argv[2]), argc, argv);
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const QString self = QString::fromLocal8Bit(argv[0]);
    QList<double> bareStart, editorStart, barePss, editorPss, reopen, save;
    for (int i = 0; i < rounds; ++i) {
        const Round bare = runChild(self, QStringLiteral("bare"));
        const Round editor = runChild(self, QStringLiteral("editor"));
        bareStart << bare.start;
        editorStart << editor.start;
        barePss << double(bare.pss);
        editorPss << double(editor.pss);
        reopen << editor.reopen;
        save << editor.save;
        say(QStringLiteral(
                "round %1: start bare %2 ms, editor %3 ms; PSS bare %4 MiB, editor %5 MiB; "
                "reopen %6 ms; save 100 KB %7 ms")
                .arg(i + 1)
                .arg(bare.start, 0, 'f', 0)
                .arg(editor.start, 0, 'f', 0)
                .arg(double(bare.pss) / 1024, 0, 'f', 1)
                .arg(double(editor.pss) / 1024, 0, 'f', 1)
                .arg(editor.reopen, 0, 'f', 1)
                .arg(editor.save, 0, 'f', 1));
    }
    const double s = median(editorStart) / std::max(1.0, median(bareStart));
    const double m = median(editorPss) / std::max(1.0, median(barePss));
    say(QStringLiteral("median start: bare %1 ms, editor %2 ms, ratio %3 (target at most 1.2)")
            .arg(median(bareStart), 0, 'f', 0)
            .arg(median(editorStart), 0, 'f', 0)
            .arg(s, 0, 'f', 2));
    say(QStringLiteral("median PSS: bare %1 MiB, editor %2 MiB, ratio %3 (target at most 1.15)")
            .arg(median(barePss) / 1024, 0, 'f', 1)
            .arg(median(editorPss) / 1024, 0, 'f', 1)
            .arg(m, 0, 'f', 2));
    say(QStringLiteral("median reopen %1 ms (target at most 100); median save of 100 KB %2 ms "
                       "(target at most 50)")
            .arg(median(reopen), 0, 'f', 1)
            .arg(median(save), 0, 'f', 1));
    return 0;
}
