// SPDX-License-Identifier: MIT
// Marking one typical page of each set against decoding the same page from
// GBK, both timed in the same run: prints the ratio per set and overall.
#include "AnsiFile.h"
#include "Gbk.h"
#include "Marking.h"

#include <benchmark/benchmark.h>

#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

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
        // CPU time: on a busy machine the real time also counts the time the
        // process waited for a core. With repetitions the medians count.
        for (const Run& run : runs) {
            if (run.error_occurred) {
                continue;
            }
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                m_times[name] = run.GetAdjustedCPUTime();
                m_fromMedian.insert(name);
            } else if (run.run_type == Run::RT_Iteration && !m_fromMedian.count(name)) {
                m_times[name] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Per set: both CPU times from this run and their ratio; then the ratio
    // of the sums and the worst set. Times on a shared machine move by a
    // third between runs; instructions.sh counts instructions instead.
    void printRatios() const
    {
        double markSum = 0;
        double decodeSum = 0;
        double worst = 0;
        int worstSet = 0;
        std::printf("\nset  decode ns    mark ns  mark/decode\n");
        for (int set = marking::kFirstSet; set <= marking::kLastSet; ++set) {
            const auto m = m_times.find("mark/" + std::to_string(set));
            const auto d = m_times.find("decode/" + std::to_string(set));
            if (m == m_times.end() || d == m_times.end() || d->second <= 0) {
                continue;
            }
            const double ratio = m->second / d->second;
            std::printf("%3d  %9.0f  %9.0f  %.2f\n", set, d->second, m->second, ratio);
            markSum += m->second;
            decodeSum += d->second;
            if (ratio > worst) {
                worst = ratio;
                worstSet = set;
            }
        }
        if (decodeSum > 0) {
            std::printf("all  %9.0f  %9.0f  %.2f (sums over the sets; target at most 1.6)\n",
                        decodeSum, markSum, markSum / decodeSum);
            std::printf("worst set %d: %.2f (target at most 2.5)\n", worstSet, worst);
        }
    }

private:
    std::map<std::string, double> m_times;
    std::set<std::string> m_fromMedian;
};

} // namespace

int main(int argc, char** argv)
{
    // By default five rounds, decoding and marking interleaved at random so
    // that a change in the machine's load falls on both alike.
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=5";
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    const auto given = [&args](const char* option) {
        return std::any_of(args.begin() + 1, args.end(), [option](const char* a) {
            return std::strncmp(a, option, std::strlen(option)) == 0;
        });
    };
    if (!given("--benchmark_repetitions")) {
        args.push_back(repetitions.data());
        args.push_back(interleave.data());
        args.push_back(aggregates.data());
    }
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
