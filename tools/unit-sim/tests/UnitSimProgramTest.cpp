// The unit-sim program: its command line, and how it runs and ends as a process.
#include "RawSerialClient.h"
#include "TestSupport.h"
#include "unit-sim/CommandLine.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace unitsim::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto kProgramWait = 5000ms;

// ---- The command line -----------------------------------------------------------------------

struct ArgumentsCase {
    const char *name;
    std::vector<std::string> arguments;
    std::function<void(const CommandLine &)> check;
};

void PrintTo(const ArgumentsCase &argumentsCase, std::ostream *out) {
    *out << argumentsCase.name;
}

std::vector<ArgumentsCase> argumentsCases() {
    return {
        {"FaultSelectorsNameFileAndBlock",
         {"--wrong-checksum", "A5:2", "--no-ack-after=3", "--vanish-after", "a7:10", "--no-echo",
          "any"},
         [](const CommandLine &line) {
             const Faults &faults = line.options.faults;
             ASSERT_TRUE(faults.wrongChecksum && faults.noAckAfter && faults.vanishAfter &&
                         faults.noEcho);
             EXPECT_EQ(faults.wrongChecksum->command, 0xA5);
             EXPECT_EQ(faults.wrongChecksum->block, 2);
             EXPECT_FALSE(faults.noAckAfter->command);
             EXPECT_EQ(faults.noAckAfter->block, 3);
             EXPECT_EQ(faults.vanishAfter->command, 0xA7);
             EXPECT_EQ(faults.vanishAfter->block, 10);
             EXPECT_FALSE(faults.noEcho->command);
         }},
        {"NoiseBytesAndTarget",
         {"--noise", "11 A9 22", "--noise-on", "A4:1"},
         [](const CommandLine &line) {
             ASSERT_TRUE(line.options.faults.noiseBeforeReply);
             const NoiseFault &noise = *line.options.faults.noiseBeforeReply;
             EXPECT_EQ(noise.bytes, (Bytes{0x11, 0xA9, 0x22}));
             ASSERT_TRUE(noise.onlyBlock);
             EXPECT_EQ(noise.onlyBlock->command, 0xA4);
             EXPECT_EQ(noise.onlyBlock->block, 1);
         }},
        {"RandomNoiseOnAcks",
         {"--noise=random:5", "--noise-on=acks"},
         [](const CommandLine &line) {
             const NoiseFault &noise = *line.options.faults.noiseBeforeReply;
             EXPECT_TRUE(noise.bytes.empty());
             EXPECT_EQ(noise.randomCount, 5);
             EXPECT_EQ(noise.target, NoiseTarget::Acks);
         }},
        {"AnnouncementAndTiming",
         {"--announce", "0x01,0x02,0x55,0x04", "--manual", "--announce-once", "--reply-delay", "25",
          "--pace", "--require-line", "--back-after", "300"},
         [](const CommandLine &line) {
             const UnitOptions &options = line.options;
             EXPECT_EQ(options.announcement, (Bytes{0x01, 0x02, 0x55, 0x04}));
             EXPECT_EQ(options.announceMode, AnnounceMode::Manual);
             EXPECT_FALSE(options.announceEachOpening);
             EXPECT_EQ(options.replyDelay, 25ms);
             EXPECT_TRUE(options.pace);
             EXPECT_TRUE(options.requireExpectedLine);
             EXPECT_EQ(options.comeBackAfter, 300ms);
         }},
    };
}

class CommandLineTest : public ::testing::TestWithParam<ArgumentsCase> {};

TEST_P(CommandLineTest, OptionsAreTakenAsWritten) {
    const CommandLine line = parseCommandLine(GetParam().arguments);
    ASSERT_EQ(line.action, CommandLine::Action::Run) << line.error;
    GetParam().check(line);
}

INSTANTIATE_TEST_SUITE_P(Good, CommandLineTest, ::testing::ValuesIn(argumentsCases()),
                         [](const auto &info) { return std::string(info.param.name); });

// ---- The program ----------------------------------------------------------------------------

// The program started with pipes on its standard output and error; killed if still running
// at the end.
class Program {
public:
    explicit Program(const std::vector<std::string> &arguments) {
        int out[2], err[2];
        if (::pipe(out) != 0 || ::pipe(err) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        for (int fd : {out[0], out[1], err[0], err[1]})
            posix_spawn_file_actions_addclose(&actions, fd);
        std::vector<std::string> all{UNIT_SIM_PROGRAM};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char *> argv;
        for (std::string &argument : all)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, UNIT_SIM_PROGRAM, &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        m_out = out[0];
        m_err = err[0];
    }

    ~Program() {
        if (m_pid > 0 && !m_exitCode) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        for (int fd : {m_out, m_err}) {
            if (fd >= 0)
                ::close(fd);
        }
    }

    bool started() const { return m_pid > 0; }
    void signal(int number) { ::kill(m_pid, number); }

    // The first line on standard output, without its line break.
    std::optional<std::string> firstLine(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (m_output.find('\n') == std::string::npos) {
            if (!collect(deadline))
                return std::nullopt;
        }
        return m_output.substr(0, m_output.find('\n'));
    }

    // Waits for the end, gathering all output; the exit code, or nothing on a time-out.
    std::optional<int> finish(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (collect(deadline)) {
        }
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return m_exitCode;
            }
            std::this_thread::sleep_for(10ms);
        }
        return std::nullopt;
    }

    const std::string &output() const { return m_output; }
    const std::string &errors() const { return m_errors; }

private:
    // Reads what is there until the deadline; false once both pipes have ended or time is up.
    bool collect(std::chrono::steady_clock::time_point deadline) {
        if (m_out < 0 && m_err < 0)
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
        if (::poll(fds, 2, static_cast<int>(left.count())) <= 0)
            return false;
        for (auto [fd, text] : {std::pair{&m_out, &m_output}, std::pair{&m_err, &m_errors}}) {
            const pollfd &entry = fd == &m_out ? fds[0] : fds[1];
            if (*fd < 0 || !(entry.revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[1024];
            const ssize_t got = ::read(*fd, buffer, sizeof buffer);
            if (got > 0) {
                text->append(buffer, static_cast<std::size_t>(got));
            } else {
                ::close(*fd);
                *fd = -1;
            }
        }
        return true;
    }

    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    std::string m_output;
    std::string m_errors;
    std::optional<int> m_exitCode;
};

struct ProgramCase {
    const char *name;
    std::vector<std::string> arguments;
    int exitCode;
    bool onStandardOutput; // where `text` appears
    const char *text;
};

void PrintTo(const ProgramCase &programCase, std::ostream *out) {
    *out << programCase.name;
}

class ProgramArgumentsTest : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(ProgramArgumentsTest, EndsWithAClearReport) {
    const ProgramCase &programCase = GetParam();
    Program program(programCase.arguments);
    ASSERT_TRUE(program.started());
    const auto exitCode = program.finish(kProgramWait);
    ASSERT_TRUE(exitCode) << "did not end";
    EXPECT_EQ(*exitCode, programCase.exitCode) << program.errors();
    const std::string &stream = programCase.onStandardOutput ? program.output() : program.errors();
    EXPECT_NE(stream.find(programCase.text), std::string::npos) << stream;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ProgramArgumentsTest,
    ::testing::Values(
        ProgramCase{"Help", {"--help"}, 0, true, "--vanish-after [FILE:]BLOCK"},
        ProgramCase{"UnknownOption", {"--frobnicate"}, 2, false, "unknown option \"--frobnicate\""},
        ProgramCase{
            "FileOutsideA4ToA7", {"--wrong-checksum", "A3:1"}, 2, false, "--wrong-checksum"},
        ProgramCase{"BlockZero", {"--no-ack-after", "0"}, 2, false, "BLOCK counts from 1"},
        ProgramCase{"NegativeDelay", {"--announce-delay", "-5"}, 2, false, "--announce-delay"},
        ProgramCase{"MissingValue", {"--link"}, 2, false, "--link needs a path"},
        ProgramCase{"BadHex", {"--announce", "07 GG"}, 2, false, "--announce needs hex bytes"},
        ProgramCase{"LinkInAMissingFolder",
                    {"-q", "--link", "/nonexistent-folder/port"},
                    1,
                    false,
                    "cannot make the link /nonexistent-folder/port"}),
    [](const auto &info) { return std::string(info.param.name); });

class ProgramSignalTest : public ::testing::TestWithParam<int> {};

TEST_P(ProgramSignalTest, ServesTheLoaderAndLeavesNothingBehind) {
    TempFolder folder;
    const auto link = folder.path() / "port";
    Program program({"--link", link.string(), "--out", (folder.path() / "out").string(),
                     "--announce-delay", "0"});
    ASSERT_TRUE(program.started());
    const auto portPath = program.firstLine(kProgramWait);
    ASSERT_TRUE(portPath) << program.errors();
    EXPECT_EQ(std::filesystem::read_symlink(link), *portPath);

    RawSerialClient client;
    ASSERT_TRUE(client.connect(link.string())) << client.error();
    EXPECT_EQ(client.read(4, kProgramWait), UnitOptions{}.announcement);
    client.close();

    program.signal(GetParam());
    const auto exitCode = program.finish(kProgramWait);
    ASSERT_TRUE(exitCode) << "did not end";
    EXPECT_EQ(*exitCode, 0) << program.errors();
    EXPECT_FALSE(pathIsThere(link));
    EXPECT_TRUE(pathIsThere(folder.path() / "out" / "transcript.jsonl"));
    EXPECT_NE(program.errors().find("line: 460800 baud, 8 data bits, no parity, 2 stop bits"),
              std::string::npos)
        << program.errors();
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramSignalTest, ::testing::Values(SIGTERM, SIGINT),
                         [](const auto &info) {
                             return std::string(info.param == SIGTERM ? "Term" : "Interrupt");
                         });

} // namespace
} // namespace unitsim::testing
