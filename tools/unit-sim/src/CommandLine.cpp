#include "unit-sim/CommandLine.h"

#include "RequestParser.h"
#include "unit-sim/HexBytes.h"

#include <charconv>
#include <optional>
#include <string_view>
#include <utility>

namespace unitsim {

namespace {

constexpr long kLongestDurationMs = 3'600'000;
constexpr int kMostNoiseBytes = 4096;
constexpr int kMostBlocks = 1'000'000;

std::optional<long> parseNumber(std::string_view text, long lowest, long highest) {
    long value = 0;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (problem != std::errc() || end != text.data() + text.size() || value < lowest ||
        value > highest)
        return std::nullopt;
    return value;
}

std::optional<std::uint8_t> parseFileCommand(std::string_view text) {
    const auto byte = parseHexByte(text);
    if (!byte || !isFileCommand(*byte) || text.size() < 2)
        return std::nullopt;
    return byte;
}

// "[FILE:]BLOCK": "3" is block 3 of every file, "A5:3" block 3 of file A5.
std::optional<BlockSelector> parseBlockSelector(std::string_view text) {
    BlockSelector selector;
    const auto colon = text.find(':');
    if (colon != std::string_view::npos) {
        selector.command = parseFileCommand(text.substr(0, colon));
        if (!selector.command)
            return std::nullopt;
        text.remove_prefix(colon + 1);
    }
    const auto block = parseNumber(text, 1, kMostBlocks);
    if (!block)
        return std::nullopt;
    selector.block = static_cast<int>(*block);
    return selector;
}

// "any" or a file command byte.
std::optional<FileSelector> parseFileSelector(std::string_view text) {
    if (text == "any")
        return FileSelector{};
    const auto command = parseFileCommand(text);
    if (!command)
        return std::nullopt;
    return FileSelector{command};
}

class ArgumentReader {
public:
    explicit ArgumentReader(const std::vector<std::string> &arguments) : m_arguments(arguments) {}

    bool atEnd() const { return m_next >= m_arguments.size(); }

    // Splits "--name=value"; the value, if any, is taken by value().
    std::string nextName() {
        std::string argument = m_arguments[m_next++];
        m_inlineValue.reset();
        const auto equals = argument.find('=');
        if (argument.rfind("--", 0) == 0 && equals != std::string::npos) {
            m_inlineValue = argument.substr(equals + 1);
            argument.resize(equals);
        }
        return argument;
    }

    std::optional<std::string> value() {
        if (m_inlineValue)
            return std::exchange(m_inlineValue, std::nullopt);
        if (atEnd())
            return std::nullopt;
        return m_arguments[m_next++];
    }

    bool hasInlineValue() const { return m_inlineValue.has_value(); }

private:
    const std::vector<std::string> &m_arguments;
    std::size_t m_next = 0;
    std::optional<std::string> m_inlineValue;
};

CommandLine failure(std::string error) {
    CommandLine result;
    result.action = CommandLine::Action::Fail;
    result.error = std::move(error);
    return result;
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string> &arguments) {
    CommandLine result;
    UnitOptions &options = result.options;
    ArgumentReader reader(arguments);
    while (!reader.atEnd()) {
        const std::string name = reader.nextName();
        auto needValue = [&](std::string &value) {
            auto taken = reader.value();
            if (!taken)
                return false;
            value = *taken;
            return true;
        };
        auto duration = [&](std::chrono::milliseconds &into) -> std::optional<std::string> {
            std::string value;
            if (!needValue(value))
                return name + " needs a number of milliseconds";
            const auto ms = parseNumber(value, 0, kLongestDurationMs);
            if (!ms)
                return name + ": \"" + value + "\" is not a number of milliseconds from 0 to " +
                       std::to_string(kLongestDurationMs);
            into = std::chrono::milliseconds(*ms);
            return std::nullopt;
        };
        auto block = [&](std::optional<BlockSelector> &into) -> std::optional<std::string> {
            std::string value;
            if (!needValue(value) || !(into = parseBlockSelector(value)))
                return name +
                       " needs [FILE:]BLOCK, for example 3 or A5:3 (FILE is A4..A7, "
                       "BLOCK counts from 1), not \"" +
                       value + "\"";
            return std::nullopt;
        };
        auto flag = [&]() -> std::optional<std::string> {
            if (reader.hasInlineValue())
                return name + " takes no value";
            return std::nullopt;
        };

        std::optional<std::string> problem;
        std::string value;
        if (name == "-h" || name == "--help") {
            result.action = CommandLine::Action::ShowHelp;
            return result;
        } else if (name == "--link") {
            if (!needValue(value) || value.empty())
                problem = "--link needs a path";
            else
                options.linkPath = value;
        } else if (name == "--out") {
            if (!needValue(value) || value.empty())
                problem = "--out needs a folder";
            else
                options.outputFolder = value;
        } else if (name == "--announce") {
            auto bytes = needValue(value) ? parseHexBytes(value) : std::nullopt;
            if (!bytes)
                problem = "--announce needs hex bytes, for example \"07 82 55 00\"";
            else
                options.announcement = *bytes;
        } else if (name == "--announce-delay") {
            problem = duration(options.announceDelay);
        } else if (name == "--manual") {
            problem = flag();
            options.announceMode = AnnounceMode::Manual;
        } else if (name == "--announce-once") {
            problem = flag();
            options.announceEachOpening = false;
        } else if (name == "--require-line") {
            problem = flag();
            options.requireExpectedLine = true;
        } else if (name == "--pace") {
            problem = flag();
            options.pace = true;
        } else if (name == "--reply-delay") {
            problem = duration(options.replyDelay);
        } else if (name == "--noise") {
            NoiseFault noise = options.faults.noiseBeforeReply.value_or(NoiseFault{});
            if (!needValue(value)) {
                problem = "--noise needs random, random:N or hex bytes";
            } else if (value == "random" || value.rfind("random:", 0) == 0) {
                noise.bytes.clear();
                if (value != "random") {
                    const auto count =
                        parseNumber(std::string_view(value).substr(7), 1, kMostNoiseBytes);
                    if (!count)
                        problem =
                            "--noise random:N needs N from 1 to " + std::to_string(kMostNoiseBytes);
                    else
                        noise.randomCount = static_cast<int>(*count);
                }
            } else if (auto bytes = parseHexBytes(value)) {
                noise.bytes = *bytes;
            } else {
                problem = "--noise needs random, random:N or hex bytes, not \"" + value + "\"";
            }
            options.faults.noiseBeforeReply = noise;
        } else if (name == "--noise-on") {
            NoiseFault noise = options.faults.noiseBeforeReply.value_or(NoiseFault{});
            noise.onlyBlock.reset();
            if (!needValue(value))
                problem = "--noise-on needs all, echoes, acks or [FILE:]BLOCK";
            else if (value == "all")
                noise.target = NoiseTarget::AllReplies;
            else if (value == "echoes")
                noise.target = NoiseTarget::Echoes;
            else if (value == "acks")
                noise.target = NoiseTarget::Acks;
            else if (auto selector = parseBlockSelector(value))
                noise.onlyBlock = selector;
            else
                problem =
                    "--noise-on needs all, echoes, acks or [FILE:]BLOCK, not \"" + value + "\"";
            options.faults.noiseBeforeReply = noise;
        } else if (name == "--wrong-checksum") {
            problem = block(options.faults.wrongChecksum);
        } else if (name == "--no-echo") {
            if (!needValue(value) || !(options.faults.noEcho = parseFileSelector(value)))
                problem =
                    "--no-echo needs a file command byte A4..A7 or any, not \"" + value + "\"";
        } else if (name == "--no-ack-after") {
            problem = block(options.faults.noAckAfter);
        } else if (name == "--vanish-after") {
            problem = block(options.faults.vanishAfter);
        } else if (name == "--back-after") {
            std::chrono::milliseconds after{0};
            problem = duration(after);
            options.comeBackAfter = after;
        } else if (name == "--seed") {
            const auto seed = needValue(value) ? parseNumber(value, 0, 0xFFFFFFFFL) : std::nullopt;
            if (!seed)
                problem = "--seed needs a number from 0 to 4294967295";
            else
                options.randomSeed = static_cast<std::uint32_t>(*seed);
        } else if (name == "--exit-on-reboot") {
            problem = flag();
            result.exitOnReboot = true;
        } else if (name == "-q" || name == "--quiet") {
            problem = flag();
            result.quiet = true;
        } else {
            problem = "unknown option \"" + name + "\"";
        }
        if (problem)
            return failure(*problem);
    }
    return result;
}

std::string usageText(const std::string &programName) {
    return "Usage: " + programName + R"( [OPTION]...
Plays the display unit in boot mode on a pseudo-terminal, for the firmware loader to talk to
without hardware. Prints the port's path as the first line on standard output (and a new
line each time it comes back after vanishing); reports on standard error.

The unit waits until a program has opened the port and set up the line, reports the line
settings, then sends its boot announcement. It checks the boot-mode reply (A1 04 55 66 77 88),
echoes each file start (c 00, c in A4..A7) as c 00, acknowledges each block (A9 00 and 256
data bytes) with A9 and the sum of the data bytes modulo 256, and records the reboot request
(A8 00).

Port and output:
  --link PATH           also make PATH a symlink to the port, removed at the end (under /dev
                        the loader's port list shows it)
  --out DIR             write A4.bin .. A7.bin (the blocks of each file's latest attempt)
                        and transcript.jsonl (every message, one JSON object a line)
  -q, --quiet           no reports on standard error

Announcement:
  --announce HEX        the announcement's bytes (default 07 82 55 00; the loader wants more
                        than three bytes with 55 as the third)
  --announce-delay MS   wait after the line has been set up (default 500)
  --manual              announce only when told to (see below)
  --announce-once       announce at the first opening only, not at every opening
  --require-line        stay silent unless the line is 8 data bits, no parity, 2 stop bits,
                        no flow control at 460800, 921600 or 230400 baud

Line:
  --pace                bytes pass both ways no faster than the line's baud rate carries
                        them at 11 bits a byte
  --reply-delay MS      wait before every echo and acknowledgement

Faults on demand (FILE is A4..A7; BLOCK counts from 1 within a file; [FILE:]BLOCK without
FILE means that block of every file):
  --noise random[:N]|HEX  send noise before replies: N random bytes (default 8) with one
                        stray A9 among them, or the given bytes
  --noise-on all|echoes|acks|[FILE:]BLOCK
                        which replies the noise precedes (default all)
  --wrong-checksum [FILE:]BLOCK  acknowledge that block with its checksum + 1
  --no-echo FILE|any    do not answer that file's start
  --no-ack-after [FILE:]BLOCK    take that block without acknowledging it
  --vanish-after [FILE:]BLOCK    take that block, then close the port as a pulled adapter
  --back-after MS       after vanishing, come back that much later (new port, same link)
  --seed N              seed for random noise (default 1)

Ending:
  --exit-on-reboot      end when the reboot request has come
  -h, --help            show this text

While it runs, lines on standard input steer it: "a" announces now (or as soon as the port
is set up), "v" vanishes, "b" comes back, "q" quits. SIGUSR1 announces too. SIGINT and SIGTERM
end it cleanly; the link is removed.

Exit status: 0 when ended as asked, 1 when the port or the output could not be made,
2 for a wrong command line.
)";
}

} // namespace unitsim
