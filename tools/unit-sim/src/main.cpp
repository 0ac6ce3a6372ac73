// unit-sim: the display unit in boot mode on a pseudo-terminal, as a program.
#include "unit-sim/CommandLine.h"
#include "unit-sim/SimulatedUnit.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr int kLoopIntervalMs = 100;
constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;

int g_signalPipe[2] = {-1, -1};

extern "C" void onSignal(int number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] ssize_t ignored = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

bool installSignalHandlers() {
    if (::pipe(g_signalPipe) != 0)
        return false;
    for (int fd : g_signalPipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int number : {SIGINT, SIGTERM, SIGUSR1, SIGHUP})
        ::sigaction(number, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN); // a closed standard output must not end the unit
    return true;
}

class Reporter {
public:
    void line(const std::string &text) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        std::lock_guard lock(m_mutex);
        std::fprintf(stderr, "unit-sim [%9.3f] %s\n", seconds, text.c_str());
    }

private:
    std::mutex m_mutex;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

// Carries out one line typed on standard input; returns false to quit.
bool obey(const std::string &line, unitsim::SimulatedUnit &unit, Reporter &reporter) {
    if (line.empty())
        return true;
    switch (line[0]) {
    case 'a':
        unit.announceNow();
        return true;
    case 'v':
        unit.vanish();
        return true;
    case 'b': {
        std::string path, error;
        if (!unit.comeBack(path, error))
            reporter.line("cannot come back: " + error);
        return true;
    }
    case 'q':
        return false;
    default:
        reporter.line("commands: a (announce), v (vanish), b (come back), q (quit)");
        return true;
    }
}

} // namespace

int main(int argc, char **argv) {
    const std::string programName = argc > 0 ? argv[0] : "unit-sim";
    unitsim::CommandLine commandLine =
        unitsim::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (commandLine.action == unitsim::CommandLine::Action::ShowHelp) {
        std::fputs(unitsim::usageText(programName).c_str(), stdout);
        return 0;
    }
    if (commandLine.action == unitsim::CommandLine::Action::Fail) {
        std::fprintf(stderr, "unit-sim: %s\nTry '%s --help'.\n", commandLine.error.c_str(),
                     programName.c_str());
        return kExitUsage;
    }
    if (!installSignalHandlers()) {
        std::perror("unit-sim: cannot set up signal handling");
        return kExitFailure;
    }

    Reporter reporter;
    unitsim::UnitOptions options = commandLine.options;
    if (!commandLine.quiet)
        options.log = [&reporter](const std::string &text) { reporter.line(text); };
    options.portReady = [](const std::string &path) {
        std::printf("%s\n", path.c_str());
        std::fflush(stdout);
    };

    unitsim::SimulatedUnit unit(options);
    std::string error;
    if (!unit.start(error)) {
        std::fprintf(stderr, "unit-sim: %s\n", error.c_str());
        return kExitFailure;
    }

    bool watchInput = true;
    std::string typed;
    bool running = true;
    while (running) {
        pollfd fds[2] = {{g_signalPipe[0], POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        const int count = ::poll(fds, watchInput ? 2 : 1, kLoopIntervalMs);
        if (count > 0 && (fds[0].revents & POLLIN)) {
            unsigned char number;
            while (::read(g_signalPipe[0], &number, 1) == 1) {
                if (number == SIGUSR1)
                    unit.announceNow();
                else
                    running = false;
            }
        }
        if (count > 0 && watchInput && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            char buffer[256];
            const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (got <= 0) {
                watchInput = false; // no more input: go on until told to end
            } else {
                typed.append(buffer, static_cast<std::size_t>(got));
                for (auto end = typed.find('\n'); end != std::string::npos;
                     end = typed.find('\n')) {
                    if (!obey(typed.substr(0, end), unit, reporter))
                        running = false;
                    typed.erase(0, end + 1);
                }
            }
        }
        if (commandLine.exitOnReboot &&
            unit.waitUntil([](const auto &seen) { return seen.rebootRequests > 0; }, 0ms))
            running = false;
    }
    unit.stop();
    const std::string failure = unit.observations().failure;
    if (!failure.empty()) {
        std::fprintf(stderr, "unit-sim: ended after an error: %s\n", failure.c_str());
        return kExitFailure;
    }
    return 0;
}
