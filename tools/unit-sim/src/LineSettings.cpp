#include "unit-sim/LineSettings.h"

#include <algorithm>

namespace unitsim {

bool isLoaderLine(const LineSettings &line) {
    return line.dataBits == 8 && line.parity == Parity::None && line.stopBits == 2 &&
           line.flowControl == FlowControl::None &&
           std::find(kLinkBaudRates.begin(), kLinkBaudRates.end(), line.baudRate) !=
               kLinkBaudRates.end();
}

const char *parityName(Parity parity) {
    switch (parity) {
    case Parity::None:
        return "none";
    case Parity::Even:
        return "even";
    case Parity::Odd:
        return "odd";
    case Parity::Mark:
        return "mark";
    case Parity::Space:
        return "space";
    }
    return "none";
}

const char *flowControlName(FlowControl flow) {
    switch (flow) {
    case FlowControl::None:
        return "none";
    case FlowControl::Hardware:
        return "hardware";
    case FlowControl::Software:
        return "software";
    case FlowControl::HardwareAndSoftware:
        return "both";
    }
    return "none";
}

std::string describe(const LineSettings &line) {
    std::string text =
        std::to_string(line.baudRate) + " baud, " + std::to_string(line.dataBits) + " data bits, ";
    text += line.parity == Parity::None ? std::string("no parity")
                                        : std::string(parityName(line.parity)) + " parity";
    text +=
        ", " + std::to_string(line.stopBits) + (line.stopBits == 1 ? " stop bit" : " stop bits");
    switch (line.flowControl) {
    case FlowControl::None:
        text += ", no flow control";
        break;
    case FlowControl::Hardware:
        text += ", hardware flow control";
        break;
    case FlowControl::Software:
        text += ", software flow control";
        break;
    case FlowControl::HardwareAndSoftware:
        text += ", hardware and software flow control";
        break;
    }
    if (!line.raw)
        text += ", not raw";
    return text;
}

} // namespace unitsim
