// SPDX-License-Identifier: MIT
// Marking one typical page of each set against decoding the same page from
// GBK. Marking should cost no more than a few decodes: it prints the ratio.
#include "AnsiFile.h"
#include "Gbk.h"
#include "Marking.h"

#include <benchmark/benchmark.h>

#include <QString>

#include <cstdio>
#include <map>
#include <string>

using namespace velmora;

namespace {

QByteArray pageBytes(int set)
{
    const QString path =
        QStringLiteral(VELMORA_SOURCE_DIR "/tests/marking/pages/set%1_full.htm").arg(set);
    return readFileBytes(path).value_or(QByteArray());
}

void decode(benchmark::State& state)
{
    const QByteArray bytes = pageBytes(int(state.range(0)));
    for (auto _ : state) {
        QString text = fromGbk(bytes);
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void mark(benchmark::State& state)
{
    const int set = int(state.range(0));
    const QString text = fromGbk(pageBytes(set));
    for (auto _ : state) {
        marking::MarkResult result = marking::markText(set, text);
        benchmark::DoNotOptimize(result);
    }
}

BENCHMARK(decode)->DenseRange(marking::kFirstSet, marking::kLastSet);
BENCHMARK(mark)->DenseRange(marking::kFirstSet, marking::kLastSet);

// Keeps the time per iteration of every run, besides printing it.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const
    {
        double markSum = 0;
        double decodeSum = 0;
        std::printf("\nset  mark/decode\n");
        for (int set = marking::kFirstSet; set <= marking::kLastSet; ++set) {
            const auto m = m_times.find("mark/" + std::to_string(set));
            const auto d = m_times.find("decode/" + std::to_string(set));
            if (m == m_times.end() || d == m_times.end() || d->second <= 0) {
                continue;
            }
            std::printf("%3d  %.2f\n", set, m->second / d->second);
            markSum += m->second;
            decodeSum += d->second;
        }
        if (decodeSum > 0) {
            std::printf("all  %.2f (mark time / decode time, summed over the sets)\n",
                        markSum / decodeSum);
        }
    }

private:
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
