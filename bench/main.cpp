// loader-bench: flashes through the real serial layer and the loader core against the
// simulated unit on a pseudo-terminal, and prints one JSON object per measurement.
#include "MachineInfo.h"
#include "Measurement.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#ifndef LOADER_BENCH_UNIT_SIM_PATH
#error "LOADER_BENCH_UNIT_SIM_PATH must name the unit-sim program"
#endif

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct Measure {
    const char *name;
    std::vector<bench::JsonObject> (*run)(const bench::BenchContext &);
};

constexpr Measure kMeasures[] = {
    {"processor_awaiting_announcement", bench::measureProcessorAwaitingAnnouncement},
    {"processor_transferring", bench::measureProcessorTransferring},
    {"paced_throughput", bench::measurePacedThroughput},
    {"block_ack_latency", bench::measureBlockAckLatency},
    {"peak_memory", bench::measurePeakMemory},
};

void printUsage(const char *program) {
    std::printf("Usage: %s [--smoke] [--only NAME]... [--unit-out DIR]\n"
                "Prints one JSON object per measurement on standard output.\n"
                "  --smoke         each measurement in a tiny form (a few seconds in all)\n"
                "  --unit-out DIR  each simulated unit writes its timestamped transcript\n"
                "                  (and the images it received) to a folder below DIR\n"
                "  --only NAME     run only this measurement (may be given more than once):\n",
                program);
    for (const Measure &measure : kMeasures)
        std::printf("                  %s\n", measure.name);
}

bool isMeasure(const std::string &name) {
    for (const Measure &measure : kMeasures) {
        if (name == measure.name)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    bench::BenchContext context;
    context.unitSimPath = QString::fromUtf8(LOADER_BENCH_UNIT_SIM_PATH);
    std::vector<std::string> only;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--smoke") {
            context.smoke = true;
        } else if (argument == "--unit-out" && i + 1 < argc) {
            context.unitOutputFolder = QString::fromLocal8Bit(argv[++i]);
        } else if (argument == "--only" && i + 1 < argc) {
            only.emplace_back(argv[++i]);
            if (!isMeasure(only.back())) {
                std::fprintf(stderr, "loader-bench: no measurement is named \"%s\"\n",
                             only.back().c_str());
                printUsage(argv[0]);
                return kExitUsage;
            }
        } else if (argument == "-h" || argument == "--help") {
            printUsage(argv[0]);
            return 0;
        } else {
            std::fprintf(stderr, "loader-bench: unexpected \"%s\"\n", argument.c_str());
            printUsage(argv[0]);
            return kExitUsage;
        }
    }

    std::printf("%s\n", bench::machineInfo().text().c_str());
    std::fflush(stdout);
    bool allRan = true;
    for (const Measure &measure : kMeasures) {
        if (!only.empty() && std::find(only.begin(), only.end(), measure.name) == only.end())
            continue;
        for (const bench::JsonObject &result : measure.run(context)) {
            std::printf("%s\n", result.text().c_str());
            std::fflush(stdout);
            allRan = allRan && result.text().find("\"ok\":true") != std::string::npos;
        }
    }
    return allRan ? 0 : kExitFailed;
}
