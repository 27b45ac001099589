// SPDX-License-Identifier: MIT
// A fixed amount of work for counting instructions: decodes or marks the
// typical page of one set a given number of times. instructions.sh runs it
// under callgrind and counts only the loops (runDecodes, runMarks).
#include "AnsiFile.h"
#include "Gbk.h"
#include "Marking.h"

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace velmora;

namespace {

QByteArray pageBytes(int set)
{
    const QString path =
        QStringLiteral(VELMORA_SOURCE_DIR "/tests/marking/pages/set%1_full.htm").arg(set);
    return readFileBytes(path).value_or(QByteArray());
}

[[gnu::noinline]] qsizetype runDecodes(const QByteArray& bytes, int reps)
{
    qsizetype sum = 0;
    for (int i = 0; i < reps; ++i) {
        sum += fromGbk(bytes).size();
    }
    return sum;
}

[[gnu::noinline]] qsizetype runMarks(int set, const QString& text, int reps)
{
    qsizetype sum = 0;
    for (int i = 0; i < reps; ++i) {
        sum += marking::markText(set, text).total;
    }
    return sum;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4 || (std::strcmp(argv[1], "decode") != 0 && std::strcmp(argv[1], "mark") != 0)) {
        std::fprintf(stderr, "usage: marking_probe decode|mark SET REPETITIONS\n");
        return 2;
    }
    const int set = std::atoi(argv[2]);
    const int reps = std::atoi(argv[3]);
    const QByteArray bytes = pageBytes(set);
    if (set < marking::kFirstSet || set > marking::kLastSet || bytes.isEmpty() || reps < 1) {
        std::fprintf(stderr, "marking_probe: no page for set %s, or no repetitions\n", argv[2]);
        return 2;
    }
    const QString text = fromGbk(bytes);
    // One untimed round of each first, so that one-time set-up (the decoder's
    // tables, the rule tables' check lists) is not counted.
    fromGbk(bytes);
    marking::markText(set, text);
    const qsizetype sum =
        std::strcmp(argv[1], "decode") == 0 ? runDecodes(bytes, reps) : runMarks(set, text, reps);
    std::printf("%lld\n", static_cast<long long>(sum));
    return 0;
}
