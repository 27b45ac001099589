// SPDX-License-Identifier: MIT
#include "StudentCommandLine.h"

namespace velmora::student {

CommandLineOutcome parseCommandLine(const QStringList& arguments)
{
    static const QString help = QStringLiteral(
        "Usage: velmora [--server ADDRESS]\n"
        "\n"
        "Velmora, the student program of the Velmora classroom kit: web-page\n"
        "exercises with automatic marking; the score goes to the teacher's Velcoll.\n"
        "\n"
        "  --server ADDRESS  fill in the teacher address for this run; it is saved\n"
        "                    only when the student changes it\n"
        "  -h, --help        show this help\n"
        "  -v, --version     show the version\n"
        "\n"
        "Without --server the address comes from the student's own settings, then\n"
        "host.wf in the program folder, then the computer's default host.wf\n"
        "(/etc/velmora/host.wf; on Windows %ProgramData%\\Velmora\\host.wf).\n");
    return velmora::parseCommandLine(arguments, QStringLiteral("Velmora"), help,
                                     {QStringLiteral("server")});
}

} // namespace velmora::student
