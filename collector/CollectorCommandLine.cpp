// SPDX-License-Identifier: MIT
#include "CollectorCommandLine.h"

#include "ScoreDatagram.h"

#include <algorithm>

namespace velmora::collector {

CommandLineOutcome parseCommandLine(const QStringList& arguments, quint16* port)
{
    static const QString help =
        QStringLiteral("Usage: velcoll [--port N]\n"
                       "\n"
                       "Velcoll, the teacher's program of the Velmora classroom kit: collects the\n"
                       "scores that the students' Velmora programs send over the lab network.\n"
                       "\n"
                       "  --port N       listen for scores on UDP port N (default 1202; the\n"
                       "                 students' programs send to 1202)\n"
                       "  -h, --help     show this help\n"
                       "  -v, --version  show the version\n");
    CommandLineOutcome outcome = velmora::parseCommandLine(arguments, QStringLiteral("Velcoll"),
                                                           help, {QStringLiteral("port")});
    *port = kCollectorPort;
    if (outcome.exitNow || !outcome.values.contains(QStringLiteral("port"))) {
        return outcome;
    }
    const QString text = outcome.values.value(QStringLiteral("port"));
    bool isNumber = false;
    const uint value = text.toUInt(&isNumber);
    // toUInt takes leading and trailing blanks and a plus sign; a port is digits.
    const bool digitsOnly =
        std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
    if (!isNumber || !digitsOnly || value < 1 || value > 65535) {
        outcome.exitNow = true;
        outcome.exitCode = 2;
        outcome.err = u"Velcoll: the port must be a number from 1 to 65535, not '" + text +
                      u"'\nTry 'Velcoll --help'.\n";
        return outcome;
    }
    *port = static_cast<quint16>(value);
    return outcome;
}

} // namespace velmora::collector
