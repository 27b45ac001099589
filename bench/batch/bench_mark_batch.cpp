// SPDX-License-Identifier: MIT
// Batch marking: makes 1,000 page folders from the full-marks pages of the
// nine sets (every fourth one half done), runs `velmora-mark --set N --batch`
// over each set's folders as a teacher would, checks that every folder got a
// line and every whole page 25, and prints pages per second. The start-up of
// velmora-mark itself is timed on an empty folder and given apart.
#include "BatchCsv.h"
#include "Console.h"
#include "Marking.h"
#include "PageFolders.h"
#include "Summary.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace velmora;

using velmora::bench::print;

namespace {

struct Run
{
    bool ok = false;
    QString error;
    double ms = 0;
    QByteArray out;
};

Run markBatch(const QString& tool, int set, const QString& dir)
{
    Run run;
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer timer;
    timer.start();
    process.start(tool, {QStringLiteral("--set"), QString::number(set), QStringLiteral("--batch"),
                         QDir::toNativeSeparators(dir)});
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished(2000);
        run.error = QStringLiteral("velmora-mark did not finish: ") + process.errorString();
        return run;
    }
    run.ms = double(timer.nsecsElapsed()) / 1e6;
    run.out = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        run.error = QStringLiteral("velmora-mark failed: ") +
                    QString::fromUtf8(process.readAllStandardError()).trimmed();
        return run;
    }
    run.ok = true;
    return run;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("velmora-mark --batch over many folders."));
    parser.addHelpOption();
    const QCommandLineOption foldersOption(QStringLiteral("folders"), QStringLiteral("folders"),
                                           QStringLiteral("n"), QStringLiteral("1000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("runs"),
                                        QStringLiteral("n"), QStringLiteral("5"));
    parser.addOptions({foldersOption, runsOption});
    parser.process(app);
    const int folders = parser.value(foldersOption).toInt();
    const int runs = std::max(1, parser.value(runsOption).toInt());
    if (folders < 1) {
        std::fprintf(stderr, "bench_mark_batch: --folders must be positive\n");
        return 2;
    }

    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/velmora-mark");
    QTemporaryDir root;
    if (!root.isValid()) {
        print(QStringLiteral("bench_mark_batch: cannot create a temporary folder"));
        return 1;
    }
    const bench::PageFolders::Result made = bench::PageFolders::create(
        QStringLiteral(VELMORA_SOURCE_DIR "/tests/marking/pages"), root.path(), folders);
    if (!made.ok) {
        print(QStringLiteral("bench_mark_batch: ") + made.error);
        return 1;
    }
    const QString empty = root.path() + QStringLiteral("/empty");
    QDir().mkpath(empty);
    print(QStringLiteral("velmora-mark --batch: %1 page folders over %2 sets (%3 whole pages, "
                         "%4 KiB of pages), %5 runs")
              .arg(folders)
              .arg(marking::kLastSet)
              .arg(made.fullPages)
              .arg(double(made.bytes) / 1024.0, 0, 'f', 0)
              .arg(runs));

    QList<double> totalMs;
    QList<double> startMs;
    for (int r = 0; r <= runs; ++r) { // run 0 only warms the caches
        double sum = 0;
        double starts = 0;
        int lines = 0;
        int full = 0;
        for (int set = marking::kFirstSet; set <= marking::kLastSet; ++set) {
            if (made.perSet[set] == 0) {
                continue;
            }
            const Run run = markBatch(tool, set, bench::PageFolders::setDir(root.path(), set));
            const Run bare = markBatch(tool, set, empty);
            if (!run.ok || !bare.ok) {
                print(QStringLiteral("bench_mark_batch: ") + run.error + bare.error);
                return 1;
            }
            const bench::BatchCsv csv = bench::BatchCsv::parse(run.out);
            if (!csv.ok) {
                print(QStringLiteral("bench_mark_batch: set %1: ").arg(set) + csv.error);
                return 1;
            }
            for (const bench::BatchCsv::Line& line : csv.lines) {
                const int i = line.folder.mid(1).toInt();
                if (!bench::PageFolders::isHalfDone(i)) {
                    full += line.total == 25 ? 1 : 0;
                }
            }
            lines += int(csv.lines.size());
            sum += run.ms;
            starts += bare.ms;
        }
        if (lines != folders || full != made.fullPages) {
            print(QStringLiteral("bench_mark_batch: %1 of %2 folders reported, %3 of %4 whole "
                                 "pages earned 25")
                      .arg(lines)
                      .arg(folders)
                      .arg(full)
                      .arg(made.fullPages));
            return 1;
        }
        if (r > 0) {
            totalMs.append(sum);
            startMs.append(starts);
        }
    }
    const bench::Summary total = bench::Summary::of(totalMs);
    const bench::Summary start = bench::Summary::of(startMs);
    print(QStringLiteral("all folders marked and checked (every whole page 25)"));
    print(QStringLiteral("9 batch runs over %1 folders: ").arg(folders) +
          total.text(QStringLiteral("ms")));
    print(QStringLiteral("9 runs over an empty folder (start-up only): ") +
          start.text(QStringLiteral("ms")));
    print(QStringLiteral("pages per second, start-up included: %1")
              .arg(bench::ratio(folders, total.median / 1000.0), 0, 'f', 0));
    print(QStringLiteral("pages per second, start-up excluded: %1")
              .arg(bench::ratio(folders, (total.median - start.median) / 1000.0), 0, 'f', 0));
    return 0;
}
