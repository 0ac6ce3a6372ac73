#include "Measurement.h"

namespace bench {

namespace {

constexpr double kBitsPerByte = 11;        // start bit, 8 data bits, 2 stop bits
constexpr double kWireBytesPerBlock = 260; // 258 out, 2 back
constexpr double kDataBytesPerBlock = 256;

} // namespace

QString unitOutputFor(const BenchContext &context, const std::string &run) {
    if (context.unitOutputFolder.isEmpty())
        return {};
    return context.unitOutputFolder + QStringLiteral("/") + QString::fromStdString(run);
}

JsonObject newResult(std::string_view measure, const BenchContext &context) {
    JsonObject result;
    result.add("measure", measure);
    if (context.smoke)
        result.add("smoke", true);
    return result;
}

JsonObject &finishResult(JsonObject &result, const std::string &error) {
    result.add("ok", error.empty());
    if (!error.empty())
        result.add("error", error);
    return result;
}

double lineLimitBytesPerSecond(std::uint32_t baudRate) {
    return kDataBytesPerBlock / kWireBytesPerBlock * baudRate / kBitsPerByte;
}

double blockLineMicroseconds(std::uint32_t baudRate) {
    return kWireBytesPerBlock * kBitsPerByte / baudRate * 1e6;
}

} // namespace bench
