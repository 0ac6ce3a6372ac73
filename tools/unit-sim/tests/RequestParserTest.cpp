// How the loader's byte stream is split into requests.
#include "RequestParser.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace unitsim::testing {
namespace {

struct Expected {
    MessageKind kind;
    Bytes bytes;
};

struct ParserCase {
    const char *name;
    std::vector<Bytes> chunks; // fed one after the other
    bool resetAtEnd;           // the port closes after the last chunk
    std::vector<Expected> requests;
};

void PrintTo(const ParserCase &parserCase, std::ostream *out) {
    *out << parserCase.name;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::vector<Bytes> byteByByte(const Bytes &bytes) {
    std::vector<Bytes> chunks;
    for (std::uint8_t byte : bytes)
        chunks.push_back({byte});
    return chunks;
}

const Bytes kBootReplyBytes{0xA1, 0x04, 0x55, 0x66, 0x77, 0x88};
const Bytes kBlockOfCommandBytes = blockFrame(Bytes(256, 0xA8));

std::vector<ParserCase> parserCases() {
    const Bytes session =
        concat({kBootReplyBytes, {0xA4, 0x00}, kBlockOfCommandBytes, {0xA8, 0x00}});
    return {
        {"WholeSessionByteByByte",
         byteByByte(session),
         false,
         {{MessageKind::BootReply, kBootReplyBytes},
          {MessageKind::FileStart, {0xA4, 0x00}},
          {MessageKind::Block, kBlockOfCommandBytes},
          {MessageKind::Reboot, {0xA8, 0x00}}}},
        {"WholeSessionAtOnce",
         {session},
         false,
         {{MessageKind::BootReply, kBootReplyBytes},
          {MessageKind::FileStart, {0xA4, 0x00}},
          {MessageKind::Block, kBlockOfCommandBytes},
          {MessageKind::Reboot, {0xA8, 0x00}}}},
        {"StrayBytesBeforeAFileStart",
         {{0x12, 0x34, 0xA5, 0x00}},
         false,
         {{MessageKind::Unknown, {0x12, 0x34}}, {MessageKind::FileStart, {0xA5, 0x00}}}},
        {"CommandByteNotFollowedBy00IsLookedAtAgain",
         {{0xA4, 0xA6, 0x00}},
         false,
         {{MessageKind::Unknown, {0xA4}}, {MessageKind::FileStart, {0xA6, 0x00}}}},
        {"WrongBootReplyStillTakesSixBytes",
         {{0xA1, 0x04, 0x55, 0x66, 0x77, 0x89, 0xA7, 0x00}},
         false,
         {{MessageKind::BootReply, {0xA1, 0x04, 0x55, 0x66, 0x77, 0x89}},
          {MessageKind::FileStart, {0xA7, 0x00}}}},
        {"BlockCutOffByClosing",
         {{0xA9, 0x00, 0x01}, {0x02}},
         true,
         {{MessageKind::Incomplete, {0xA9, 0x00, 0x01, 0x02}}}},
    };
}

class RequestParserTest : public ::testing::TestWithParam<ParserCase> {};

TEST_P(RequestParserTest, SplitsTheStreamIntoRequests) {
    const ParserCase &parserCase = GetParam();
    RequestParser parser;
    std::vector<Request> requests;
    for (const Bytes &chunk : parserCase.chunks)
        parser.feed(chunk, requests);
    if (parserCase.resetAtEnd)
        parser.reset(requests);
    EXPECT_FALSE(parser.isInMessage());
    ASSERT_EQ(requests.size(), parserCase.requests.size());
    for (std::size_t i = 0; i < requests.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(requests[i].kind, parserCase.requests[i].kind);
        EXPECT_EQ(requests[i].bytes, parserCase.requests[i].bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Streams, RequestParserTest, ::testing::ValuesIn(parserCases()),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace unitsim::testing
