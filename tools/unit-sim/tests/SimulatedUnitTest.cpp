// The simulated unit against a raw serial client that speaks the loader's protocol.
#include "unit-sim/SimulatedUnit.h"
#include "RawSerialClient.h"
#include "TestSupport.h"
#include "unit-sim/HexBytes.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>

namespace unitsim::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto kWait = 3000ms;       // for what must come
constexpr auto kSilence = 200ms;     // how long nothing is watched for, where nothing must come
constexpr auto kSurplusWatch = 30ms; // for bytes beyond a complete reply
constexpr std::uint8_t kA4 = 0xA4, kA5 = 0xA5, kA6 = 0xA6, kA7 = 0xA7;
const Bytes kBootReply{0xA1, 0x04, 0x55, 0x66, 0x77, 0x88};
const Bytes kDefaultAnnouncement = UnitOptions{}.announcement;

Bytes fileStart(std::uint8_t command) {
    return {command, 0x00};
}
Bytes ack(const Bytes &data) {
    return {0xA9, sumOf(data)};
}

// The transcript in short, for failure messages.
std::string summary(const SimulatedUnit &unit) {
    std::string text;
    for (const TranscriptEntry &entry : unit.transcript()) {
        text += std::string("\n  ") + directionName(entry.direction) + " " + kindName(entry.kind);
        if (!entry.text.empty())
            text += " (" + entry.text + ")";
    }
    return text;
}

class SimulatedUnitTest : public ::testing::Test {
protected:
    UnitOptions quickOptions() const {
        UnitOptions options;
        options.announceDelay = 10ms;
        options.linkPath = linkPath();
        options.outputFolder = outputFolder();
        return options;
    }

    std::filesystem::path linkPath() const { return m_folder.path() / "port"; }
    std::filesystem::path outputFolder() const { return m_folder.path() / "out"; }

    void startUnit(UnitOptions options) {
        m_unit = std::make_unique<SimulatedUnit>(std::move(options));
        std::string error;
        ASSERT_TRUE(m_unit->start(error)) << error;
    }

    // Connects as the loader does and answers the announcement.
    void connectAndHandshake(RawSerialClient &client, const ClientLine &line = {}) {
        ASSERT_TRUE(client.connect(linkPath().string(), line)) << client.error();
        ASSERT_EQ(client.read(kDefaultAnnouncement.size(), kWait), kDefaultAnnouncement);
        client.purgeBoth();
        ASSERT_TRUE(client.send(kBootReply)) << client.error();
    }

    // One request as the loader makes it: purge the input, send, take the reply. With
    // `replyBytes` 0, whatever comes while the silence is watched.
    Bytes exchange(RawSerialClient &client, const Bytes &request, std::size_t replyBytes) {
        client.purgeInput();
        EXPECT_TRUE(client.send(request)) << client.error();
        if (replyBytes == 0)
            return client.read(1, kSilence);
        return client.read(replyBytes, kWait);
    }

    TempFolder m_folder;
    std::unique_ptr<SimulatedUnit> m_unit;
};

// ---- A whole session ------------------------------------------------------------------------

struct ExpectedMessage {
    const char *dir;
    const char *kind;
    const char *command; // "" for none
    int block;           // 0 for none
    std::string bytesStart;
};

TEST_F(SimulatedUnitTest, WholeSessionIsTranscribedAndItsImageWritten) {
    const int descriptorsBefore = openDescriptorCount();
    startUnit(quickOptions());
    const Bytes allFF(256, 0xFF); // its checksum is 00
    const Bytes pattern = patternBlock(7);

    RawSerialClient client;
    connectAndHandshake(client);
    EXPECT_EQ(exchange(client, fileStart(kA4), 2), fileStart(kA4));
    EXPECT_EQ(exchange(client, blockFrame(allFF), 2), (Bytes{0xA9, 0x00}));
    EXPECT_EQ(exchange(client, blockFrame(pattern), 2), ack(pattern));
    client.purgeInput();
    ASSERT_TRUE(client.send({0xA8, 0x00}));
    ASSERT_TRUE(m_unit->waitForReboot(kWait));
    client.close();
    ASSERT_TRUE(
        m_unit->waitUntil([](const Observations &seen) { return seen.closings == 1; }, kWait));

    const Observations seen = m_unit->observations();
    m_unit->stop();

    ASSERT_TRUE(seen.lineSettings);
    EXPECT_EQ(*seen.lineSettings,
              (LineSettings{460800, 8, Parity::None, 2, FlowControl::None, true}));
    EXPECT_TRUE(seen.bootReply.received);
    EXPECT_TRUE(seen.bootReply.correct);
    EXPECT_EQ(seen.fileStarts, Bytes{kA4});
    EXPECT_EQ(seen.rebootRequests, 1);
    Bytes image = allFF;
    image.insert(image.end(), pattern.begin(), pattern.end());
    EXPECT_EQ(seen.images.at(kA4), image);
    EXPECT_TRUE(seen.failure.empty()) << seen.failure;

    // Nothing is left behind: no link, no port, no file open.
    EXPECT_FALSE(pathIsThere(linkPath()));
    EXPECT_EQ(openDescriptorCount(), descriptorsBefore);

    std::ifstream imageFile(outputFolder() / "A4.bin", std::ios::binary);
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(imageFile), {}), image);

    // The transcript file holds the entries kept in memory, one JSON object a line.
    std::ifstream transcriptFile(outputFolder() / "transcript.jsonl");
    std::vector<QJsonObject> lines;
    std::size_t index = 0;
    for (std::string line; std::getline(transcriptFile, line); ++index) {
        ASSERT_LT(index, seen.transcript.size());
        EXPECT_EQ(line, toJsonLine(seen.transcript[index]));
        QJsonParseError problem;
        const QJsonDocument document =
            QJsonDocument::fromJson(QByteArray::fromStdString(line), &problem);
        ASSERT_TRUE(document.isObject()) << line << ": " << problem.errorString().toStdString();
        lines.push_back(document.object());
        EXPECT_EQ(lines.back()["seq"].toInt(), static_cast<int>(index + 1));
    }
    EXPECT_EQ(index, seen.transcript.size());

    const std::vector<ExpectedMessage> expected = {
        {"out", "announcement", "", 0, "07 82 55 00"},
        {"in", "boot_reply", "", 0, "A1 04 55 66 77 88"},
        {"in", "file_start", "A4", 0, "A4 00"},
        {"out", "echo", "A4", 0, "A4 00"},
        {"in", "block", "A4", 1, "A9 00 FF FF"},
        {"out", "ack", "A4", 1, "A9 00"},
        {"in", "block", "A4", 2, "A9 00 " + hexBytes(std::span(pattern).first(2))},
        {"out", "ack", "A4", 2, hexBytes(ack(pattern))},
        {"in", "reboot", "", 0, "A8 00"},
    };
    std::vector<QJsonObject> messages;
    std::vector<std::string> purges;
    for (const QJsonObject &line : lines) {
        if (line["dir"].toString() != "event")
            messages.push_back(line);
        else if (line["kind"].toString() == "purge")
            purges.push_back(line["text"].toString().toStdString());
    }
    ASSERT_EQ(messages.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const QJsonObject &message = messages[i];
        EXPECT_EQ(message["dir"].toString().toStdString(), expected[i].dir);
        EXPECT_EQ(message["kind"].toString().toStdString(), expected[i].kind);
        EXPECT_EQ(message["command"].toString().toStdString(), expected[i].command);
        EXPECT_EQ(message["block"].toInt(), expected[i].block);
        EXPECT_EQ(message["bytes"].toString().toStdString().rfind(expected[i].bytesStart, 0), 0u)
            << message["bytes"].toString().toStdString();
    }
    EXPECT_TRUE(messages[1]["ok"].toBool());
    EXPECT_EQ(messages[5]["checksum"].toString(), "00");
    EXPECT_EQ(messages[5]["true_checksum"].toString(), "00");
    EXPECT_EQ(messages[4]["bytes"].toString().size(), 258 * 3 - 1);

    // The purges were seen: both queues on connecting and before the boot reply, the input
    // before each request. The purge before the file start follows the boot reply without a
    // pause and may show as one with the purge before it.
    ASSERT_GE(purges.size(), 5u);
    EXPECT_LE(purges.size(), 6u);
    EXPECT_EQ(purges[0], "both");
    EXPECT_EQ(purges[1], "both");
    EXPECT_EQ(std::count(purges.begin(), purges.end(), "input"),
              static_cast<long>(purges.size()) - 2);
    const auto lineEntry = std::find_if(lines.begin(), lines.end(), [](const QJsonObject &line) {
        return line["kind"].toString() == "line";
    });
    ASSERT_NE(lineEntry, lines.end());
    EXPECT_EQ((*lineEntry)["baud"].toInt(), 460800);
    EXPECT_EQ((*lineEntry)["stop_bits"].toInt(), 2);
    EXPECT_EQ((*lineEntry)["parity"].toString(), "none");
    EXPECT_EQ((*lineEntry)["flow"].toString(), "none");
    EXPECT_TRUE((*lineEntry)["ok"].toBool());
}

// ---- Faults on demand -----------------------------------------------------------------------

struct Exchange {
    Bytes request;
    Bytes reply; // empty: nothing may come
};

struct FaultCase {
    const char *name;
    Faults faults;
    std::vector<Exchange> exchanges;
    const char *fault; // the name the transcript gives it
};

void PrintTo(const FaultCase &faultCase, std::ostream *out) {
    *out << faultCase.name;
}

const Bytes kBlock1 = patternBlock(3);
const Bytes kBlock2(256, 0xFF);
const Bytes kBlock3 = patternBlock(5);

std::vector<FaultCase> faultCases() {
    Faults wrongChecksum;
    wrongChecksum.wrongChecksum = BlockSelector{kA5, 2};
    Faults noise;
    noise.noiseBeforeReply = NoiseFault{{0x11, 0xA9, 0x22}, 0, NoiseTarget::Acks, std::nullopt};
    Faults noEcho;
    noEcho.noEcho = FileSelector{kA6};
    Faults noAck;
    noAck.noAckAfter = BlockSelector{std::nullopt, 2};
    return {
        {"WrongChecksumOnBlock2OfA5Only",
         wrongChecksum,
         {{fileStart(kA5), fileStart(kA5)},
          {blockFrame(kBlock1), ack(kBlock1)},
          {blockFrame(kBlock2), {0xA9, 0x01}},
          {blockFrame(kBlock3), ack(kBlock3)},
          {fileStart(kA6), fileStart(kA6)},
          {blockFrame(kBlock1), ack(kBlock1)},
          {blockFrame(kBlock2), ack(kBlock2)}},
         "wrong_checksum"},
        {"NoiseWithAStrayA9BeforeEveryAck",
         noise,
         {{fileStart(kA4), fileStart(kA4)},
          {blockFrame(kBlock1), {0x11, 0xA9, 0x22, 0xA9, sumOf(kBlock1)}},
          {blockFrame(kBlock3), {0x11, 0xA9, 0x22, 0xA9, sumOf(kBlock3)}}},
         "noise"},
        {"NoEchoForA6Only",
         noEcho,
         {{fileStart(kA6), {}}, {fileStart(kA7), fileStart(kA7)}},
         "no_echo"},
        {"NoAckAfterBlock2",
         noAck,
         {{fileStart(kA4), fileStart(kA4)},
          {blockFrame(kBlock1), ack(kBlock1)},
          {blockFrame(kBlock2), {}},
          {fileStart(kA5), fileStart(kA5)}},
         "no_ack_after"},
    };
}

class FaultTest : public SimulatedUnitTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultTest, RepliesAreShapedByTheFault) {
    const FaultCase &faultCase = GetParam();
    UnitOptions options = quickOptions();
    options.faults = faultCase.faults;
    startUnit(options);
    RawSerialClient client;
    connectAndHandshake(client);
    for (std::size_t i = 0; i < faultCase.exchanges.size(); ++i) {
        SCOPED_TRACE("exchange " + std::to_string(i + 1));
        const Exchange &step = faultCase.exchanges[i];
        Bytes reply = exchange(client, step.request, step.reply.size());
        const Bytes surplus = client.read(1, kSurplusWatch);
        reply.insert(reply.end(), surplus.begin(), surplus.end());
        EXPECT_EQ(hexBytes(reply), hexBytes(step.reply));
    }
    const auto transcript = m_unit->transcript();
    EXPECT_TRUE(
        std::any_of(transcript.begin(), transcript.end(),
                    [&](const TranscriptEntry &entry) { return entry.fault == faultCase.fault; }))
        << faultCase.fault;
}

INSTANTIATE_TEST_SUITE_P(OnDemand, FaultTest, ::testing::ValuesIn(faultCases()),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(SimulatedUnitTest, RandomNoiseHidesAStrayA9ThatMisleadsTheLoader) {
    constexpr int kNoiseBytes = 6;
    UnitOptions options = quickOptions();
    options.faults.noiseBeforeReply = NoiseFault{{}, kNoiseBytes, NoiseTarget::AllReplies, {}};
    startUnit(options);
    RawSerialClient client;
    connectAndHandshake(client);

    const Bytes echo = exchange(client, fileStart(kA7), kNoiseBytes + 2);
    ASSERT_EQ(echo.size(), kNoiseBytes + 2u);
    EXPECT_EQ(Bytes(echo.end() - 2, echo.end()), fileStart(kA7));
    for (const Bytes &data : {kBlock1, kBlock2, kBlock3}) {
        const Bytes reply = exchange(client, blockFrame(data), kNoiseBytes + 2);
        ASSERT_EQ(reply.size(), kNoiseBytes + 2u);
        const Bytes noise(reply.begin(), reply.end() - 2);
        EXPECT_EQ(std::count(noise.begin(), noise.end(), 0xA9), 1) << hexBytes(reply);
        EXPECT_TRUE(std::none_of(noise.begin(), noise.end(), [](std::uint8_t byte) {
            return byte >= 0xA4 && byte <= 0xA8;
        })) << hexBytes(reply);
        EXPECT_EQ(Bytes(reply.end() - 2, reply.end()), ack(data));
        EXPECT_NE(checksumAsLoaderReads(reply), sumOf(data)) << hexBytes(reply);
    }
}

TEST_F(SimulatedUnitTest, VanishingClosesThePortAndComingBackReusesTheLink) {
    UnitOptions options = quickOptions();
    options.faults.vanishAfter = BlockSelector{kA4, 1};
    startUnit(options);
    RawSerialClient client;
    connectAndHandshake(client);
    EXPECT_EQ(exchange(client, fileStart(kA4), 2), fileStart(kA4));
    client.purgeInput();
    ASSERT_TRUE(client.send(blockFrame(kBlock1)));

    EXPECT_TRUE(client.waitForHangUp(kWait));
    ASSERT_TRUE(m_unit->waitUntil([](const Observations &seen) { return seen.vanished; }, kWait));
    EXPECT_FALSE(pathIsThere(linkPath()));
    EXPECT_EQ(m_unit->image(kA4), kBlock1); // taken before vanishing
    EXPECT_TRUE(m_unit->portPath().empty());
    client.close();

    std::string secondPort, error;
    ASSERT_TRUE(m_unit->comeBack(secondPort, error)) << error;
    EXPECT_EQ(std::filesystem::read_symlink(linkPath()), secondPort);
    EXPECT_EQ(m_unit->portPath(), secondPort);
    connectAndHandshake(client);
    EXPECT_TRUE(
        m_unit->waitUntil([](const Observations &seen) { return seen.bootReplies == 2; }, kWait));
    EXPECT_EQ(m_unit->observations().openings, 2);
}

// ---- Openings and line settings -------------------------------------------------------------

class AnnouncementPerOpeningTest : public SimulatedUnitTest,
                                   public ::testing::WithParamInterface<bool> {};

TEST_P(AnnouncementPerOpeningTest, EveryOpeningIsSeenAndAnnouncedAsAsked) {
    constexpr int kOpenings = 4;
    const bool eachOpening = GetParam();
    UnitOptions options = quickOptions();
    options.announceEachOpening = eachOpening;
    startUnit(options);
    for (int opening = 1; opening <= kOpenings; ++opening) {
        SCOPED_TRACE(opening);
        RawSerialClient client;
        ASSERT_TRUE(client.connect(linkPath().string())) << client.error();
        const bool announces = eachOpening || opening == 1;
        EXPECT_EQ(client.read(kDefaultAnnouncement.size(), announces ? kWait : kSilence),
                  announces ? kDefaultAnnouncement : Bytes{});
        ASSERT_TRUE(m_unit->waitForOpenings(opening, kWait)) << summary(*m_unit);
        // Closed at once, and opened again at once by the next round.
    }
    const int announcements = eachOpening ? kOpenings : 1;
    EXPECT_TRUE(m_unit->waitUntil(
        [&](const Observations &seen) { return seen.announcements >= announcements; }, kWait));
    const Observations seen = m_unit->observations();
    EXPECT_EQ(seen.openings, kOpenings);
    EXPECT_EQ(seen.announcements, announcements);
}

INSTANTIATE_TEST_SUITE_P(OnceOrEachTime, AnnouncementPerOpeningTest, ::testing::Bool(),
                         [](const auto &info) {
                             return std::string(info.param ? "EachOpening" : "FirstOpeningOnly");
                         });

// Data bits and parity are left out: a Linux pseudo-terminal always has 8 data bits and no
// parity, whatever its program sets.
struct LineCase {
    const char *name;
    ClientLine line;
    LineSettings seen;
    bool announces; // with the loader's line required
};

void PrintTo(const LineCase &lineCase, std::ostream *out) {
    *out << lineCase.name;
}

class LineSettingsTest : public SimulatedUnitTest,
                         public ::testing::WithParamInterface<LineCase> {};

TEST_P(LineSettingsTest, TheLineIsReportedAndOnlyTheLoadersLineIsAnswered) {
    const LineCase &lineCase = GetParam();
    UnitOptions options = quickOptions();
    options.requireExpectedLine = true;
    startUnit(options);
    RawSerialClient client;
    ASSERT_TRUE(client.connect(linkPath().string(), lineCase.line)) << client.error();
    const auto line = m_unit->waitForLineSettings(kWait);
    ASSERT_TRUE(line);
    EXPECT_EQ(describe(*line), describe(lineCase.seen));
    EXPECT_EQ(client.read(kDefaultAnnouncement.size(), lineCase.announces ? kWait : kSilence),
              lineCase.announces ? kDefaultAnnouncement : Bytes{});
    if (!lineCase.announces) {
        // Requests go unanswered as well.
        EXPECT_EQ(exchange(client, fileStart(kA4), 0), Bytes{});
        const auto transcript = m_unit->transcript();
        EXPECT_TRUE(std::any_of(transcript.begin(), transcript.end(), [](const auto &entry) {
            return entry.kind == MessageKind::Silent;
        }));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineSettingsTest,
    ::testing::Values(LineCase{"Uart",
                               {460800, 8, 'N', 2, false},
                               {460800, 8, Parity::None, 2, FlowControl::None, true},
                               true},
                      LineCase{"Bluetooth",
                               {921600, 8, 'N', 2, false},
                               {921600, 8, Parity::None, 2, FlowControl::None, true},
                               true},
                      LineCase{"Wifi",
                               {230400, 8, 'N', 2, false},
                               {230400, 8, Parity::None, 2, FlowControl::None, true},
                               true},
                      LineCase{"OtherRate",
                               {115200, 8, 'N', 2, false},
                               {115200, 8, Parity::None, 2, FlowControl::None, true},
                               false},
                      LineCase{"OneStopBit",
                               {460800, 8, 'N', 1, false},
                               {460800, 8, Parity::None, 1, FlowControl::None, true},
                               false},
                      LineCase{"HardwareFlow",
                               {460800, 8, 'N', 2, true},
                               {460800, 8, Parity::None, 2, FlowControl::Hardware, true},
                               false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(SimulatedUnitTest, SilentUnitAnnouncesOnceTheLineIsSetRight) {
    UnitOptions options = quickOptions();
    options.requireExpectedLine = true;
    startUnit(options);
    RawSerialClient client;
    ASSERT_TRUE(client.connect(linkPath().string(), {460800, 8, 'N', 1, false}));
    EXPECT_EQ(client.read(1, kSilence), Bytes{});
    ASSERT_TRUE(client.setLine({460800, 8, 'N', 2, false}));
    EXPECT_EQ(client.read(kDefaultAnnouncement.size(), kWait), kDefaultAnnouncement);
    EXPECT_EQ(m_unit->observations().lineSettings->stopBits, 2);
}

TEST_F(SimulatedUnitTest, ManualUnitAnnouncesOnlyWhenTold) {
    UnitOptions options = quickOptions();
    options.announceMode = AnnounceMode::Manual;
    options.announcement = {0x01, 0x02, 0x55, 0x03, 0x04};
    startUnit(options);
    RawSerialClient client;
    ASSERT_TRUE(client.connect(linkPath().string()));
    ASSERT_TRUE(m_unit->waitForLineSettings(kWait));
    EXPECT_EQ(client.read(1, kSilence), Bytes{});
    m_unit->announceNow();
    EXPECT_EQ(client.read(5, kWait), options.announcement);
}

// A lower bound only: the pacing must never let bytes pass faster than the line would.
TEST_F(SimulatedUnitTest, PacedUnitTakesAndGivesBytesNoFasterThanTheBaudRate) {
    constexpr int kBlocks = 4;
    constexpr std::uint32_t kBaudRate = 230400;
    UnitOptions options = quickOptions();
    options.pace = true;
    startUnit(options);
    RawSerialClient client;
    connectAndHandshake(client, {kBaudRate, 8, 'N', 2, false});
    ASSERT_EQ(exchange(client, fileStart(kA4), 2), fileStart(kA4));
    const auto begin = std::chrono::steady_clock::now();
    for (int block = 0; block < kBlocks; ++block)
        ASSERT_EQ(exchange(client, blockFrame(kBlock1), 2), ack(kBlock1));
    const auto elapsed = std::chrono::steady_clock::now() - begin;
    const auto lineTime = std::chrono::microseconds(
        static_cast<long long>(kBlocks * (258 + 2) * 11 * 1e6 / kBaudRate));
    EXPECT_GE(elapsed, lineTime);
}

// Replies are timed from when the request's last byte would have passed the line, so each
// exchange on its own must still take the line time of the request and the reply (and the
// reply delay), also when the line has been quiet before the request came.
struct PacedExchangeCase {
    const char *name;
    std::uint32_t baudRate;
    std::chrono::milliseconds pauseBefore; // quiet line before each request
    std::chrono::milliseconds replyDelay;
};

class PacedExchangeTest : public SimulatedUnitTest,
                          public ::testing::WithParamInterface<PacedExchangeCase> {};

TEST_P(PacedExchangeTest, NoExchangeIsFasterThanTheLine) {
    constexpr int kBlocks = 4;
    const PacedExchangeCase &paced = GetParam();
    UnitOptions options = quickOptions();
    options.pace = true;
    options.replyDelay = paced.replyDelay;
    startUnit(options);
    RawSerialClient client;
    connectAndHandshake(client, {paced.baudRate, 8, 'N', 2, false});
    ASSERT_EQ(exchange(client, fileStart(kA4), 2), fileStart(kA4));
    const auto lineTime =
        std::chrono::nanoseconds(static_cast<long long>((258 + 2) * 11 * 1e9 / paced.baudRate));
    for (int block = 0; block < kBlocks; ++block) {
        SCOPED_TRACE("block " + std::to_string(block + 1));
        std::this_thread::sleep_for(paced.pauseBefore);
        const auto begin = std::chrono::steady_clock::now();
        ASSERT_EQ(exchange(client, blockFrame(kBlock1), 2), ack(kBlock1));
        EXPECT_GE(std::chrono::steady_clock::now() - begin, lineTime + paced.replyDelay);
    }
}

INSTANTIATE_TEST_SUITE_P(
    LowerBound, PacedExchangeTest,
    ::testing::Values(PacedExchangeCase{"BackToBackAt230400", 230400, 0ms, 0ms},
                      PacedExchangeCase{"BackToBackAt921600", 921600, 0ms, 0ms},
                      PacedExchangeCase{"AfterAQuietLine", 460800, 30ms, 0ms},
                      PacedExchangeCase{"WithAReplyDelay", 460800, 0ms, 5ms}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace unitsim::testing
