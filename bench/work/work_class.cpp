// SPDX-License-Identifier: MIT
// A class submitting its work at once: one WorkSender per student, all
// started in the same turn of the event loop, each with the full-marks page
// of set 1 and a picture that brings the submission to --bytes. Prints
// "delivered=N failed=N busy_retries=N t0_ns=T t1_ns=T" when every sender
// has finished.
#include "Marking.h"
#include "WorkSender.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <chrono>
#include <cstdio>
#include <memory>

using velmora::student::WorkSender;

namespace {

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("N"));
    const QCommandLineOption students(QStringLiteral("students"), QString(), QStringLiteral("N"),
                                      QStringLiteral("60"));
    const QCommandLineOption bytes(QStringLiteral("bytes"), QString(), QStringLiteral("N"),
                                   QStringLiteral("1048576"));
    const QCommandLineOption page(QStringLiteral("page"), QString(), QStringLiteral("FILE"));
    parser.addOptions({port, students, bytes, page});
    parser.process(app);

    QFile pageFile(parser.value(page));
    if (!pageFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read the page %s\n", qPrintable(parser.value(page)));
        return 1;
    }
    const QByteArray pageBytes = pageFile.readAll();
    const int count = parser.value(students).toInt();
    const qsizetype total = parser.value(bytes).toLongLong();
    QByteArray picture(qMax<qsizetype>(0, total - pageBytes.size()), '\0');
    for (qsizetype i = 0; i < picture.size(); ++i) {
        picture[i] = char((i * 2654435761u) >> 13);
    }

    int delivered = 0;
    int failed = 0;
    int attempts = 0;
    int done = 0;
    std::vector<std::unique_ptr<WorkSender>> senders;
    const qint64 t0 = nowNs();
    qint64 t1 = t0;
    for (int i = 0; i < count; ++i) {
        auto sender = std::make_unique<WorkSender>();
        sender->setRemote(QStringLiteral("127.0.0.1"), quint16(parser.value(port).toUInt()));
        sender->setBusyPatience(120 * 1000);
        QObject::connect(sender.get(), &WorkSender::attempted, &app, [&] { ++attempts; });
        QObject::connect(
            sender.get(), &WorkSender::finished, &app,
            [&](WorkSender::Outcome outcome, velmora::work::Refusal, const QString& why) {
                if (outcome == WorkSender::Outcome::Delivered) {
                    ++delivered;
                } else {
                    ++failed;
                    std::fprintf(stderr, "not delivered: %s\n", qPrintable(why));
                }
                if (++done == count) {
                    t1 = nowNs();
                    app.quit();
                }
            });
        velmora::work::WorkHeader fields;
        fields.address = QStringLiteral("10.1.%1.%2").arg(i / 250).arg(i % 250 + 1);
        fields.computer = QStringLiteral("PC%1").arg(i + 1);
        fields.name = QStringLiteral("学生%1").arg(i + 1);
        fields.set = velmora::marking::setFolderName(1);
        fields.score = QStringLiteral("25");
        sender->sendFiles(fields, {{velmora::marking::pageFileName(1), pageBytes},
                                   {QStringLiteral("photo.jpg"), picture}});
        senders.push_back(std::move(sender));
    }
    if (count > 0) {
        app.exec();
    }
    std::printf("delivered=%d failed=%d attempts=%d t0_ns=%lld t1_ns=%lld\n", delivered, failed,
                attempts, static_cast<long long>(t0), static_cast<long long>(t1));
    return 0;
}
