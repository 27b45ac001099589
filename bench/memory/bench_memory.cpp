// SPDX-License-Identifier: MIT
// Memory: builds the collector window as Velcoll does, fills it with 500 rows
// through its real socket, scrolls through the whole list so that every row
// has been painted, and prints the resident size at each step and the peak.
#include "Burst.h"
#include "BurstCheck.h"
#include "Console.h"
#include "FreePort.h"
#include "ProcStatus.h"
#include "ScoreReceiver.h"
#include "ScriptedPrompter.h"
#include "Translation.h"
#include "form1.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <cstdio>

using namespace velmora;

using velmora::bench::print;
using velmora::bench::spin;

namespace {

QString mib(std::optional<qint64> kib)
{
    return kib ? QString::number(double(*kib) / 1024.0, 'f', 1) + QStringLiteral(" MiB")
               : QStringLiteral("unknown");
}

void report(const QString& step)
{
    print(step + QStringLiteral(": resident ") + mib(bench::ProcStatus::residentKiB()) +
          QStringLiteral(", peak ") + mib(bench::ProcStatus::peakResidentKiB()));
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velcoll"));
    QApplication::setApplicationDisplayName(collector::form1::windowCaption());
    installChineseQtTranslation();
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Peak memory of a collector with full list."));
    parser.addHelpOption();
    const QCommandLineOption rowsOption(QStringLiteral("rows"), QStringLiteral("rows to fill"),
                                        QStringLiteral("n"), QStringLiteral("500"));
    parser.addOption(rowsOption);
    parser.process(app);
    const bench::Burst burst(parser.value(rowsOption).toInt(), 0);
    if (burst.keys() < 1) {
        std::fprintf(stderr, "bench_memory: --rows must be positive\n");
        return 2;
    }

    ScriptedPrompter prompter; // nothing may wait for a person
    print(QStringLiteral("Collector memory, platform ") + QGuiApplication::platformName());
    report(QStringLiteral("application object"));

    const quint16 port = bench::freeUdpPort();
    const QTemporaryDir journal; // each run starts without an earlier journal
    collector::form1 window(port, journal.path());
    if (!window.isListening()) {
        print(QStringLiteral("bench_memory: the collector could not listen on port ") +
              QString::number(port));
        return 1;
    }
    window.show();
    spin(300);
    report(QStringLiteral("window shown, no rows"));

    QUdpSocket sender;
    if (!sender.bind(QHostAddress::LocalHost, 0)) {
        print(QStringLiteral("bench_memory: cannot bind a sending socket"));
        return 1;
    }
    for (int i = 0; i < burst.size(); ++i) {
        sender.writeDatagram(burst.at(i).encode(), QHostAddress::LocalHost, port);
    }
    const QDeadlineTimer deadline(30000);
    while (window.receiver().recordedCount() < burst.size() && !deadline.hasExpired()) {
        spin(20);
    }
    // Page through the whole list, then back to the top: every row painted.
    QScrollBar* bar = window.VScroll1();
    for (int value = 0; value <= bar->maximum(); value += std::max(1, bar->pageStep())) {
        bar->setValue(value);
        spin(5);
    }
    bar->setValue(bar->maximum());
    spin(50);
    bar->setValue(0);
    spin(200);

    const bench::BurstCheck check = bench::BurstCheck::of(burst, window.table());
    report(QStringLiteral("%1 rows recorded and painted").arg(check.rowsFound));
    print(QStringLiteral("peak resident size with %1 rows: %2%3")
              .arg(check.rowsFound)
              .arg(mib(bench::ProcStatus::peakResidentKiB()))
              .arg(check.complete(burst) ? QString()
                                         : QStringLiteral(" (NOT every row arrived: %1 of %2)")
                                               .arg(check.rowsFound)
                                               .arg(burst.keys())));
    return check.complete(burst) ? 0 : 1;
}
