// libFuzzer target: the connection against any stream of bytes from the unit. The first
// bytes choose the four files' sizes; the rest arrive a few at a time, one chunk per pass
// of events. The loader must not crash, must end, and must send only protocol messages.

#include "ScriptedUnit.h"

#include "loader/LoaderStates.h"

#include <cstdlib>

namespace {

bool onlyProtocolMessages(const fakes::Bytes &sent) {
    std::size_t at = 0;
    while (at < sent.size()) {
        const std::size_t left = sent.size() - at;
        const std::uint8_t first = sent[at];
        if (first == 0xA1 && left >= 6)
            at += 6;
        else if (first == 0xA9 && left >= 258 && sent[at + 1] == 0x00)
            at += 258;
        else if (first >= 0xA4 && first <= 0xA8 && left >= 2 && sent[at + 1] == 0x00)
            at += 2;
        else
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 4)
        return 0;
    fakes::ConnectionRig rig;
    for (int i = 0; i < 4; ++i) {
        const std::size_t fileSize = static_cast<std::size_t>(data[i]) * 5; // up to 1275 bytes
        const std::string path = "/fw/" + std::to_string(i);
        if (data[i] != 0xFF) {
            rig.files.add(path, fakes::Bytes(fileSize, static_cast<std::uint8_t>(i)));
            rig.view.slots[static_cast<std::size_t>(i)] = path;
        }
    }
    rig.unit.echo = [](std::uint8_t) { return fakes::Bytes{}; };
    rig.unit.ack = [](std::uint8_t, int, std::uint8_t) { return fakes::Bytes{}; };
    std::size_t at = 4;
    rig.user = [&](int pass) {
        if (pass == 3)
            rig.shared.LoaderState = loader::states::kSendAll;
        if (at < size) {
            const std::size_t chunk = std::min<std::size_t>(1 + data[at] % 4, size - at);
            rig.port.arrive(fakes::Bytes(data + at, data + at + chunk));
            at += chunk;
        }
    };
    rig.view.maxPasses = static_cast<int>(size) * 4 + 1000;
    rig.stopWhen = [&] { return at >= size && rig.view.waitingPasses > 50; };
    rig.run();
    if (rig.view.passLimitHit || !onlyProtocolMessages(rig.port.sent))
        std::abort();
    return 0;
}
