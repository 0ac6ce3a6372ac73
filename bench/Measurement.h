#pragma once

#include "JsonObject.h"

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

struct BenchContext {
    bool smoke = false; // tiny runs that only show that everything works
    QString unitSimPath;
    QString unitOutputFolder; // when set, every unit writes its transcript below it
};

// The output folder of the unit of run `run`, or an empty text when none is wanted.
QString unitOutputFor(const BenchContext &context, const std::string &run);

// What every result says about what was measured.
inline constexpr const char *kViewText = "bench view over ui::EventPump, no widgets";
inline constexpr const char *kLoaderProcessText =
    "loader process, user+system time (getrusage RUSAGE_SELF); unit-sim in a separate process";

// A result line: its name first, and whether this is a smoke run.
JsonObject newResult(std::string_view measure, const BenchContext &context);
// The end of a result line: "ok", and "error" when the run failed.
JsonObject &finishResult(JsonObject &result, const std::string &error);

// What the protocol lets through at most: 256 data bytes for each 260 bytes on the line
// (A9 00, 256 data bytes, then A9 and the checksum), at 11 bits a byte (8N2).
double lineLimitBytesPerSecond(std::uint32_t baudRate);
// The line time of one block's round trip, 260 bytes.
double blockLineMicroseconds(std::uint32_t baudRate);

std::vector<JsonObject> measurePacedThroughput(const BenchContext &context);
std::vector<JsonObject> measureBlockAckLatency(const BenchContext &context);
std::vector<JsonObject> measureProcessorAwaitingAnnouncement(const BenchContext &context);
std::vector<JsonObject> measureProcessorTransferring(const BenchContext &context);
std::vector<JsonObject> measurePeakMemory(const BenchContext &context);

} // namespace bench
