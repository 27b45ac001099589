// SPDX-License-Identifier: MIT
// Start-up: runs each probe (a minimal Qt window, Velmora's start form,
// Velcoll's window) several times, interleaved, and times each from the
// moment it is started to the moment it reports its first paint. Prints the
// medians and the ratios of the programs to the minimal window.
#include "Console.h"
#include "FreePort.h"
#include "Summary.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>

using namespace velmora;

using velmora::bench::print;

namespace {

struct Timing
{
    double outsideMs = 0; // from QProcess::start to the "painted" line
    double insideMs = 0;  // from the probe's main to its first paint
    double builtMs = 0;   // from the probe's main to its window shown
};

std::optional<Timing> runProbe(const QString& path, const QStringList& args,
                               const QProcessEnvironment& env, QString* error)
{
    QProcess probe;
    probe.setProcessEnvironment(env);
    probe.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer timer;
    timer.start();
    probe.start(path, args);
    QByteArray out;
    while (!out.contains("painted ") && probe.waitForReadyRead(20000)) {
        out += probe.readAllStandardOutput();
    }
    const double outside = double(timer.nsecsElapsed()) / 1e6;
    if (!probe.waitForFinished(10000)) {
        probe.kill();
        probe.waitForFinished(2000);
    }
    out += probe.readAllStandardOutput();
    const qsizetype at = out.indexOf("painted ");
    if (at < 0) {
        *error = QFileInfo(path).fileName() + QStringLiteral(" did not report a paint: ") +
                 QString::fromUtf8(probe.readAllStandardError()).trimmed();
        return std::nullopt;
    }
    Timing t;
    t.outsideMs = outside;
    t.insideMs = out.mid(at + 8).split('\n').first().toDouble();
    if (const qsizetype built = out.indexOf("built "); built >= 0) {
        t.builtMs = out.mid(built + 6).split('\n').first().toDouble();
    }
    return t;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Start-up to first paint of Velmora and Velcoll against a minimal window."));
    parser.addHelpOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("runs per probe"),
                                        QStringLiteral("n"), QStringLiteral("10"));
    parser.addOption(runsOption);
    parser.process(app);
    const int runs = std::max(1, parser.value(runsOption).toInt());

    // A fresh home: the probes must not read or leave anything of the user's.
    QTemporaryDir home;
    if (!home.isValid()) {
        print(QStringLiteral("bench_startup: cannot create a temporary folder"));
        return 1;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/.config"));
    if (env.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty()) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    const QString platform = env.value(QStringLiteral("QT_QPA_PLATFORM"));

    const QString bin = QCoreApplication::applicationDirPath();
    const QStringList probes{QStringLiteral("startup_probe_minimal"),
                             QStringLiteral("startup_probe_velmora"),
                             QStringLiteral("startup_probe_velcoll")};
    const auto argsFor = [](const QString& probe) {
        return probe.endsWith(QStringLiteral("velcoll"))
                   ? QStringList{QString::number(bench::freeUdpPort())}
                   : QStringList{};
    };

    print(QStringLiteral("Start-up to first paint, platform %1, %2 runs each (after one warm-up "
                         "run each), interleaved")
              .arg(platform)
              .arg(runs));
    QMap<QString, QList<double>> outside;
    QMap<QString, QList<double>> inside;
    QMap<QString, QList<double>> built;
    for (int r = 0; r <= runs; ++r) {
        for (const QString& probe : probes) {
            QString error;
            const auto t = runProbe(bin + u'/' + probe, argsFor(probe), env, &error);
            if (!t) {
                print(QStringLiteral("bench_startup: ") + error);
                return 1;
            }
            if (r > 0) { // the first round only fills the caches
                outside[probe].append(t->outsideMs);
                inside[probe].append(t->insideMs);
                built[probe].append(t->builtMs);
            }
        }
    }
    const double base = bench::Summary::of(outside[probes[0]]).median;
    for (const QString& probe : probes) {
        const bench::Summary o = bench::Summary::of(outside[probe]);
        const bench::Summary i = bench::Summary::of(inside[probe]);
        const bench::Summary b = bench::Summary::of(built[probe]);
        print(QStringLiteral("%1: process start to first paint %2\n    main to window shown %3\n"
                             "    main to first paint %4")
                  .arg(probe, o.text(QStringLiteral("ms")), b.text(QStringLiteral("ms")),
                       i.text(QStringLiteral("ms"))));
    }
    for (int p = 1; p < probes.size(); ++p) {
        const double ratio = bench::ratio(bench::Summary::of(outside[probes[p]]).median, base);
        print(QStringLiteral("ratio %1 / minimal window: %2 (target at most 1.2)")
                  .arg(probes[p])
                  .arg(ratio, 0, 'f', 2));
    }
    return 0;
}
