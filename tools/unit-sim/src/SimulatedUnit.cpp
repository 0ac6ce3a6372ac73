#include "unit-sim/SimulatedUnit.h"

#include "LinePacer.h"
#include "OutputFolder.h"
#include "PortLink.h"
#include "PseudoTerminal.h"
#include "ReplyPlanner.h"
#include "RequestParser.h"
#include "WakePipe.h"
#include "unit-sim/HexBytes.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <future>
#include <mutex>
#include <poll.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <thread>

namespace unitsim {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A port that nobody has open reports a hang-up all the time, so it cannot be waited on:
// it is looked at this often instead.
constexpr auto kClosedPortCheckInterval = 5ms;
// No wait lasts longer, whatever happens.
constexpr auto kLongestWait = 50ms;
constexpr auto kShortestWait = 20us;
// A sleeping wait wakes some tens of µs late even with the least timer slack, and a paced
// byte or a reply would be that late on the line. So the unit sleeps until this long before
// a paced deadline that matters and spins out the rest: never longer than this, and only
// while bytes are on their way.
constexpr auto kPacedSpinLead = 60us;
// A program that opens the port without purging it counts as having configured the line
// this long after opening; a change of the line counts once it has lasted this long (so
// that the settings restored just before a close are not taken for the loader's).
constexpr auto kLineSettleTime = 100ms;
// The loader sends the boot-mode reply right after purging both queues; a purge of both that
// is followed by nothing for this long was the opening purge of a new opening instead.
constexpr auto kBootReplyAfterPurge = 100ms;
// A purge of both queues can reach the unit as a purge of the input and then one of the
// output; an input purge is held this long to see whether the output purge follows.
constexpr auto kPurgePairWindow = 20ms;
// Bound for a call that waits for the unit's thread.
constexpr auto kCommandTimeout = 2s;
constexpr std::size_t kReadBufferBytes = 4096;
constexpr int kReadsPerPass = 8;
// With pacing, bytes are taken and given in chunks of up to this many.
constexpr std::size_t kPacedChunkBytes = 32;

int waitForEvents(std::vector<pollfd> &fds, std::chrono::nanoseconds timeout) {
    timeout = std::max<std::chrono::nanoseconds>(timeout, 0ns);
#if defined(__linux__)
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
    const timespec span{static_cast<time_t>(seconds.count()),
                        static_cast<long>((timeout - seconds).count())};
    return ::ppoll(fds.data(), fds.size(), &span, nullptr);
#else
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(timeout);
    return ::poll(fds.data(), fds.size(), static_cast<int>(milliseconds.count()));
#endif
}

struct CommandResult {
    bool ok = false;
    std::string path;
    std::string error;
};

struct Command {
    enum class Kind { Announce, Vanish, ComeBack };
    Kind kind = Kind::Announce;
    std::shared_ptr<std::promise<CommandResult>> done; // empty when nobody waits
};

struct OutgoingMessage {
    Clock::time_point notBefore;
    std::vector<std::uint8_t> bytes;
    std::size_t sent = 0;
    TranscriptEntry entry; // recorded when the first byte is about to leave
    bool recorded = false;
};

// One opening of the port by the loader.
struct Session {
    bool open = false;
    Clock::time_point openedAt;
    bool configured = false;
    bool sawOpeningPurge = false;
    bool sawReplyPurge = false;
    Clock::time_point replyPurgeAt;
    bool dataSinceReplyPurge = false;
    std::optional<Clock::time_point> heldInputPurgeAt; // not yet recorded
    bool inputPurgeLast = false; // the latest thing from the loader was an input purge
    // The line was set to raw again after the opening purge. The loader sets it only on
    // opening (and its port puts the old settings back on closing), so an opening is under
    // way. Several switches between two looks show only as the last.
    bool lineSetAgain = false;
    std::optional<Clock::time_point> announceAt;
    bool announceDue = false;
    bool announced = false;
    bool bootReplyReceived = false;
    bool silenceReported = false;
    std::optional<LineSettings> line; // as reported
    std::optional<LineSettings> changedLine;
    Clock::time_point changedSince;
};

} // namespace

class SimulatedUnit::Impl {
public:
    explicit Impl(UnitOptions options)
        : m_options(std::move(options)), m_planner(m_options.faults, m_options.randomSeed) {}

    ~Impl() { stop(); }

    bool start(std::string &error);
    void stop();
    bool isRunning() const { return m_running; }

    void announceNow() { post(Command::Kind::Announce, false); }
    bool vanish() { return post(Command::Kind::Vanish, true).ok; }
    bool comeBack(std::string &path, std::string &error) {
        CommandResult result = post(Command::Kind::ComeBack, true);
        path = result.path;
        error = result.error;
        return result.ok;
    }

    Observations observations() const {
        std::lock_guard lock(m_mutex);
        return m_observations;
    }

    bool waitUntil(const std::function<bool(const Observations &)> &condition,
                   Duration timeout) const {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return condition(m_observations); });
    }

    std::string portPath() const {
        std::lock_guard lock(m_mutex);
        return m_observations.portPath;
    }

    std::vector<std::uint8_t> image(std::uint8_t command) const {
        std::lock_guard lock(m_mutex);
        auto it = m_observations.images.find(command);
        return it == m_observations.images.end() ? std::vector<std::uint8_t>{} : it->second;
    }

    std::vector<TranscriptEntry> transcript() const {
        std::lock_guard lock(m_mutex);
        return m_observations.transcript;
    }

private:
    CommandResult post(Command::Kind kind, bool wait);
    CommandResult perform(Command::Kind kind);
    void run();
    void runCommands();
    void waitForWork(Clock::time_point now);
    Clock::time_point nextDeadline(Clock::time_point now) const;
    std::optional<Clock::time_point> exactDeadline(Clock::time_point now) const;

    void watchPeer(Clock::time_point now);
    void onPeerOpened(Clock::time_point now);
    void onPeerClosed(Clock::time_point now, bool drain);
    void drainInput(Clock::time_point now);
    void refreshLine(Clock::time_point now);
    void configure(Clock::time_point now);
    void reportLine(const LineSettings &line);

    void readInput(Clock::time_point now);
    Clock::time_point inputBurstStart(std::optional<Clock::time_point> &noticedAt) const;
    void takeData(std::span<const std::uint8_t> data, Clock::time_point now);
    void handleStatus(std::uint8_t status, Clock::time_point now);
    void handleFullPurge(Clock::time_point now);
    void recordHeldInputPurge();
    void checkReplyPurge(Clock::time_point now);
    void reopenUnseen(Clock::time_point now);
    void handleRequests(std::vector<Request> &requests, Clock::time_point now);
    void handleRequest(const Request &request, Clock::time_point now);
    void recordRequest(const Request &request, const Reaction &reaction);

    void announceIfDue(Clock::time_point now);
    bool isSilent() const;
    void reportSilence(const std::string &what);
    void send(MessageKind kind, std::vector<std::uint8_t> bytes, Clock::time_point notBefore,
              TranscriptEntry entry);
    void writeOutput(Clock::time_point now);
    void recordSent(const TranscriptEntry &entry);
    void dropOutgoing();

    void vanishNow(const std::string &why, const std::string &fault);
    bool comeBackNow(std::string &error);
    bool expectsBootReply() const;

    TranscriptEntry event(MessageKind kind, std::string text = {}) const;
    void record(TranscriptEntry entry);
    void fail(const std::string &what);
    void outputFailed(const std::string &error);
    void log(const std::string &line) const;
    void setPacing(const LineSettings &line);

    UnitOptions m_options;

    // Used by the unit's thread only (and by start() before the thread runs).
    PseudoTerminal m_port;
    PortLink m_link;
    OutputFolder m_output;
    RequestParser m_parser;
    ReplyPlanner m_planner;
    LinePacer m_inputPacer;
    LinePacer m_outputPacer;
    Session m_session;
    std::deque<OutgoingMessage> m_outgoing;
    bool m_outputBlocked = false;
    std::optional<Clock::time_point> m_inputPacedUntil;
    // The input deadline is for the last bytes waiting: a reply may be due right after it.
    bool m_inputPacedUntilLast = false;
    // When the last wait ended on input from the loader: the bytes were there by then.
    std::optional<Clock::time_point> m_inputNoticedAt;
    bool m_lastWaitImmediate = false;
    std::optional<Clock::time_point> m_outputPacedUntil;
    bool m_announcedEver = false;
    bool m_vanishing = false;
    bool m_announceRequested = false;
    std::optional<Clock::time_point> m_comeBackAt;
    Clock::time_point m_startTime = Clock::now();

    // Shared with the callers' threads.
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    Observations m_observations;
    std::uint64_t m_nextSeq = 1;

    std::mutex m_commandMutex;
    std::deque<Command> m_commands;
    WakePipe m_wake;
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_running{false};
    bool m_started = false;
    std::thread m_thread;
};

// ---- Life cycle ---------------------------------------------------------------------------

bool SimulatedUnit::Impl::start(std::string &error) {
    if (m_started) {
        error = "the unit has been started before";
        return false;
    }
    if (m_options.announcement.empty()) {
        error = "the announcement has no bytes";
        return false;
    }
    m_startTime = Clock::now();
    if (!m_wake.open()) {
        error = std::string("cannot make a wake-up pipe: ") + std::strerror(errno);
        return false;
    }
    if (!m_options.outputFolder.empty() && !m_output.open(m_options.outputFolder, error))
        return false;
    if (!m_port.open(error)) {
        m_output.close();
        return false;
    }
    if (!m_options.linkPath.empty() && !m_link.create(m_options.linkPath, m_port.path(), error)) {
        m_port.close();
        m_output.close();
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        m_observations.portPath = m_port.path();
    }
    record(event(MessageKind::PortCreated, m_port.path()));
    log("port " + m_port.path() +
        (m_link.exists() ? " (linked from " + m_link.path().string() + ")" : std::string()));
    if (m_options.portReady)
        m_options.portReady(m_port.path());
    m_started = true;
    m_running = true;
    m_thread = std::thread(&Impl::run, this);
    return true;
}

void SimulatedUnit::Impl::stop() {
    if (!m_thread.joinable())
        return;
    if (std::this_thread::get_id() == m_thread.get_id()) {
        m_stopRequested = true; // asked from a callback: the loop ends by itself
        return;
    }
    m_stopRequested = true;
    m_wake.notify();
    m_thread.join();
    std::lock_guard lock(m_commandMutex); // nobody posts while the pipe goes
    m_wake.close();
}

void SimulatedUnit::Impl::run() {
#ifdef __linux__
    // Paced bytes are only on time if the kernel wakes the unit on time: the default timer
    // slack of 50 µs would be added to every wait of the line.
    ::prctl(PR_SET_TIMERSLACK, 1UL);
#endif
    while (!m_stopRequested) {
        runCommands();
        const Clock::time_point now = Clock::now();
        if (m_port.isOpen()) {
            watchPeer(now);
            if (m_session.open)
                refreshLine(now);
            if (m_session.open)
                readInput(now);
            if (m_session.heldInputPurgeAt && now - *m_session.heldInputPurgeAt >= kPurgePairWindow)
                recordHeldInputPurge();
            if (m_session.open)
                checkReplyPurge(now);
            if (m_session.open)
                announceIfDue(now);
            if (m_session.open)
                writeOutput(Clock::now()); // reading and parsing took time
        } else if (m_comeBackAt && now >= *m_comeBackAt) {
            m_comeBackAt.reset();
            std::string error;
            comeBackNow(error);
        }
        waitForWork(Clock::now());
    }
    dropOutgoing();
    m_port.close();
    m_link.remove();
    m_output.close();
    // Callers still waiting for a command get their answer; no command is taken after this.
    std::lock_guard lock(m_commandMutex);
    m_running = false;
    for (Command &command : m_commands) {
        if (command.done)
            command.done->set_value({false, {}, "the unit has stopped"});
    }
    m_commands.clear();
}

CommandResult SimulatedUnit::Impl::post(Command::Kind kind, bool wait) {
    if (m_running && std::this_thread::get_id() == m_thread.get_id())
        return perform(kind); // from a callback on the unit's own thread
    Command command{kind, wait ? std::make_shared<std::promise<CommandResult>>() : nullptr};
    std::future<CommandResult> result;
    if (wait)
        result = command.done->get_future();
    {
        std::lock_guard lock(m_commandMutex);
        if (!m_running)
            return {false, {}, "the unit is not running"};
        m_commands.push_back(std::move(command));
        m_wake.notify();
    }
    if (!wait)
        return {true, {}, {}};
    if (result.wait_for(kCommandTimeout) != std::future_status::ready)
        return {false, {}, "the unit did not answer in time"};
    return result.get();
}

void SimulatedUnit::Impl::runCommands() {
    std::deque<Command> commands;
    {
        std::lock_guard lock(m_commandMutex);
        commands.swap(m_commands);
    }
    for (Command &command : commands) {
        CommandResult result = perform(command.kind);
        if (command.done)
            command.done->set_value(std::move(result));
    }
}

CommandResult SimulatedUnit::Impl::perform(Command::Kind kind) {
    CommandResult result;
    switch (kind) {
    case Command::Kind::Announce:
        m_announceRequested = true;
        log("announcement requested");
        result.ok = true;
        break;
    case Command::Kind::Vanish:
        vanishNow("on request", {});
        result.ok = true;
        break;
    case Command::Kind::ComeBack:
        vanishNow("to come back", {});
        result.ok = comeBackNow(result.error);
        result.path = m_port.path();
        break;
    }
    return result;
}

void SimulatedUnit::Impl::waitForWork(Clock::time_point now) {
    std::vector<pollfd> fds;
    fds.push_back({m_wake.readFd(), POLLIN, 0});
    // With no program on the other side, the port reports a hang-up at once: leave it out.
    if (m_port.isOpen() && m_session.open) {
        short events = 0;
        if (!m_inputPacedUntil)
            events |= POLLIN;
        if (m_outputBlocked)
            events |= POLLOUT;
        fds.push_back({m_port.masterFd(), events, 0});
    }
    const Clock::time_point deadline = nextDeadline(now);
    const std::optional<Clock::time_point> exact = exactDeadline(now);
    Clock::duration timeout = std::max<Clock::duration>(deadline - now, kShortestWait);
    // A deadline that passed during the pass is taken at once, but only once in a row, so
    // that a deadline that does not go away cannot keep the processor busy.
    const bool exactFirst = exact && *exact <= deadline && (*exact > now || !m_lastWaitImmediate);
    if (exactFirst)
        timeout = std::max<Clock::duration>(*exact - now - kPacedSpinLead, 0ns);
    m_lastWaitImmediate = exactFirst && *exact <= now;
    const int ready = waitForEvents(fds, timeout);
    const Clock::time_point woke = Clock::now();
    if (ready < 0 && errno != EINTR) {
        fail(std::string("waiting for the port failed: ") + std::strerror(errno));
        std::this_thread::sleep_for(kClosedPortCheckInterval);
    }
    if (fds[0].revents & POLLIN)
        m_wake.drain();
    if (fds.size() > 1 && (fds[1].revents & POLLOUT))
        m_outputBlocked = false;
    m_inputNoticedAt.reset();
    if (fds.size() > 1 && (fds[1].revents & POLLIN))
        m_inputNoticedAt = woke;
    // Strictly after the deadline, so that the byte counts of the pacers have moved on.
    if (ready == 0 && exactFirst && *exact - woke <= kPacedSpinLead) {
        while (Clock::now() <= *exact) {
        }
    }
}

// The earliest paced deadline at which bytes are due on the line.
std::optional<Clock::time_point> SimulatedUnit::Impl::exactDeadline(Clock::time_point now) const {
    if (!m_port.isOpen() || !m_session.open)
        return std::nullopt;
    std::optional<Clock::time_point> exact;
    auto consider = [&](std::optional<Clock::time_point> at) {
        if (at && (!exact || *at < *exact))
            exact = at;
    };
    if (m_inputPacedUntilLast)
        consider(m_inputPacedUntil);
    if (m_outputPacer.isPaced() && !m_outgoing.empty() && !m_outputBlocked) {
        if (m_outgoing.front().notBefore > now)
            consider(m_outgoing.front().notBefore);
        else
            consider(m_outputPacedUntil);
    }
    return exact;
}

Clock::time_point SimulatedUnit::Impl::nextDeadline(Clock::time_point now) const {
    Clock::time_point deadline = now + kLongestWait;
    auto consider = [&](std::optional<Clock::time_point> at) {
        if (at)
            deadline = std::min(deadline, *at);
    };
    consider(m_comeBackAt);
    if (!m_port.isOpen())
        return deadline;
    if (!m_session.open)
        return std::min(deadline, now + kClosedPortCheckInterval);
    if (!m_session.configured)
        consider(m_session.openedAt + kLineSettleTime);
    if (m_session.changedLine)
        consider(m_session.changedSince + kLineSettleTime);
    consider(m_session.announceAt);
    if (m_session.heldInputPurgeAt)
        consider(*m_session.heldInputPurgeAt + kPurgePairWindow);
    if (m_session.sawReplyPurge && !m_session.dataSinceReplyPurge)
        consider(m_session.replyPurgeAt + kBootReplyAfterPurge);
    consider(m_inputPacedUntil);
    if (!m_outgoing.empty() && !m_outputBlocked) {
        if (m_outgoing.front().notBefore > now)
            consider(m_outgoing.front().notBefore);
        else
            consider(m_outputPacedUntil.value_or(now));
    }
    return deadline;
}

// ---- The port's other side ------------------------------------------------------------------

void SimulatedUnit::Impl::watchPeer(Clock::time_point now) {
    const bool peerOpen = m_port.peerOpen();
    if (!m_session.open && peerOpen)
        onPeerOpened(now);
    else if (m_session.open && !peerOpen)
        onPeerClosed(now, true);
}

void SimulatedUnit::Impl::onPeerOpened(Clock::time_point now) {
    m_session = Session{};
    m_session.open = true;
    m_session.openedAt = now;
    int openings;
    {
        std::lock_guard lock(m_mutex);
        openings = ++m_observations.openings;
    }
    TranscriptEntry entry = event(MessageKind::Opened);
    entry.number = openings;
    record(entry);
    log("the port has been opened (opening " + std::to_string(openings) + ")");
}

void SimulatedUnit::Impl::onPeerClosed(Clock::time_point now, bool drain) {
    if (drain) {
        drainInput(now);
        if (!m_port.isOpen())
            return; // vanished on a fault meanwhile
        // An opening purge taken for the one before the boot-mode reply, found out late.
        checkReplyPurge(now);
    }
    recordHeldInputPurge();
    std::vector<Request> requests;
    m_parser.reset(requests);
    handleRequests(requests, now);
    dropOutgoing();
    int closings;
    {
        std::lock_guard lock(m_mutex);
        closings = ++m_observations.closings;
    }
    TranscriptEntry entry = event(MessageKind::Closed, drain ? "" : "closed and opened again");
    entry.number = closings;
    record(entry);
    log("the port has been closed");
    m_session = Session{};
    m_inputPacer.idle();
    m_outputPacer.idle();
    m_inputPacedUntil.reset();
    m_outputPacedUntil.reset();
}

void SimulatedUnit::Impl::drainInput(Clock::time_point now) {
    // Bytes written just before a close are still there to be read.
    std::vector<std::uint8_t> buffer(kReadBufferBytes);
    for (int round = 0; round < kReadsPerPass * 4 && m_port.isOpen(); ++round) {
        const PseudoTerminal::Input input = m_port.read(buffer);
        if (input.result == PseudoTerminal::Input::Result::Data)
            takeData(std::span(buffer).first(input.dataBytes), now);
        else if (input.result != PseudoTerminal::Input::Result::Status)
            break;
    }
}

void SimulatedUnit::Impl::refreshLine(Clock::time_point now) {
    if (!m_session.configured) {
        if (now - m_session.openedAt >= kLineSettleTime)
            configure(now);
        return;
    }
    const std::optional<LineSettings> line = m_port.lineSettings();
    if (!line || line == m_session.line) {
        m_session.changedLine.reset();
        return;
    }
    if (m_session.changedLine != line) {
        m_session.changedLine = line;
        m_session.changedSince = now;
        return;
    }
    if (now - m_session.changedSince < kLineSettleTime)
        return;
    m_session.line = line;
    m_session.changedLine.reset();
    m_session.silenceReported = false;
    reportLine(*line);
}

void SimulatedUnit::Impl::configure(Clock::time_point now) {
    m_session.configured = true;
    m_session.changedLine.reset();
    if (const auto line = m_port.lineSettings()) {
        m_session.line = line;
        reportLine(*line);
    }
    if (m_options.announceMode == AnnounceMode::AfterDelay &&
        (m_options.announceEachOpening || !m_announcedEver))
        m_session.announceAt = now + m_options.announceDelay;
}

void SimulatedUnit::Impl::reportLine(const LineSettings &line) {
    setPacing(line);
    {
        std::lock_guard lock(m_mutex);
        m_observations.lineSettings = line;
    }
    TranscriptEntry entry = event(MessageKind::Line);
    entry.line = line;
    entry.ok = isLoaderLine(line);
    record(entry);
    log("line: " + describe(line) + (isLoaderLine(line) ? "" : " (not the loader's line)"));
}

void SimulatedUnit::Impl::setPacing(const LineSettings &line) {
    const std::uint32_t rate = m_options.pace ? line.baudRate : 0;
    m_inputPacer.setBaudRate(rate);
    m_outputPacer.setBaudRate(rate);
}

// ---- Input ----------------------------------------------------------------------------------

void SimulatedUnit::Impl::readInput(Clock::time_point now) {
    std::vector<std::uint8_t> buffer(kReadBufferBytes);
    m_inputPacedUntil.reset();
    m_inputPacedUntilLast = false;
    std::optional<Clock::time_point> noticedAt = m_inputNoticedAt;
    m_inputNoticedAt.reset();
    for (int round = 0; round < kReadsPerPass && m_session.open; ++round) {
        std::size_t limit = buffer.size();
        if (m_inputPacer.isPaced()) {
            const std::size_t waiting = m_port.bytesWaiting();
            if (waiting == 0) {
                m_inputPacer.idle();
                noticedAt.reset(); // what comes now came after the wake-up
                limit = 1;         // a status, or a byte that has only just come
            } else {
                if (!m_inputPacer.isBusy())
                    m_inputPacer.begin(inputBurstStart(noticedAt));
                const std::size_t chunk = std::min(waiting, kPacedChunkBytes);
                const std::size_t allowed = m_inputPacer.allowance(now);
                if (allowed < chunk) {
                    m_inputPacedUntil = m_inputPacer.timeFor(chunk);
                    m_inputPacedUntilLast = chunk == waiting;
                    return;
                }
                limit = std::min(allowed, waiting);
            }
        }
        const PseudoTerminal::Input input = m_port.read(std::span(buffer).first(limit));
        switch (input.result) {
        case PseudoTerminal::Input::Result::Data: {
            // A request is complete when its last byte has passed the line, which may be a
            // while before this pass: replies are due from then on.
            Clock::time_point passedAt = now;
            if (m_inputPacer.isPaced()) {
                if (!m_inputPacer.isBusy())
                    m_inputPacer.begin(inputBurstStart(noticedAt));
                m_inputPacer.took(input.dataBytes);
                passedAt = std::min(now, m_inputPacer.timeFor(0));
            }
            takeData(std::span(buffer).first(input.dataBytes), passedAt);
            break;
        }
        case PseudoTerminal::Input::Result::Status:
            noticedAt.reset();
            handleStatus(input.status, now);
            break;
        case PseudoTerminal::Input::Result::NothingWaiting:
            m_inputPacer.idle();
            return;
        case PseudoTerminal::Input::Result::PeerClosed:
        case PseudoTerminal::Input::Result::Failed:
            onPeerClosed(now, true); // what is left is read first
            return;
        }
        if (!m_port.isOpen())
            return;
    }
}

// When bytes found waiting began to come: if the unit was asleep when they came, when it
// woke; otherwise now, after it has seen them. Never before they were written.
Clock::time_point
SimulatedUnit::Impl::inputBurstStart(std::optional<Clock::time_point> &noticedAt) const {
    if (!noticedAt)
        return Clock::now();
    const Clock::time_point start = *noticedAt;
    noticedAt.reset();
    return start;
}

void SimulatedUnit::Impl::takeData(std::span<const std::uint8_t> data, Clock::time_point now) {
    m_session.dataSinceReplyPurge = true;
    recordHeldInputPurge();
    m_session.inputPurgeLast = false;
    std::vector<Request> requests;
    m_parser.feed(data, requests);
    handleRequests(requests, now);
}

void SimulatedUnit::Impl::handleStatus(std::uint8_t status, Clock::time_point now) {
    const bool input = PseudoTerminal::isPurgeOfInput(status);
    const bool output = PseudoTerminal::isPurgeOfOutput(status);
    if (PseudoTerminal::isFlowControlSwitchedOff(status) && m_session.sawOpeningPurge)
        m_session.lineSetAgain = true;
    if (PseudoTerminal::isFlowControlSwitchedOn(status))
        m_session.lineSetAgain = false; // the old settings back: a closing, not an opening
    if (!input && !output)
        return; // flow-control news: the line settings are looked at anyway
    if (input && !output) {
        recordHeldInputPurge();
        m_session.heldInputPurgeAt = now;
        m_session.inputPurgeLast = true;
        return;
    }
    // An output purge right after an input purge is the second half of a purge of both.
    const bool both = input || m_session.inputPurgeLast;
    m_session.heldInputPurgeAt.reset();
    m_session.inputPurgeLast = false;
    record(event(MessageKind::Purge, both ? "both" : "output"));
    // What the loader had not sent yet is gone: a message begun stays unfinished.
    std::vector<Request> requests;
    m_parser.reset(requests);
    handleRequests(requests, now);
    if (both)
        handleFullPurge(now);
}

void SimulatedUnit::Impl::recordHeldInputPurge() {
    if (!m_session.heldInputPurgeAt)
        return;
    m_session.heldInputPurgeAt.reset();
    record(event(MessageKind::Purge, "input"));
}

void SimulatedUnit::Impl::handleFullPurge(Clock::time_point now) {
    // The loader purges both queues right after opening the port, and before the boot-mode
    // reply; so the first purge of an opening means the line is set up.
    if (!m_session.sawOpeningPurge) {
        m_session.sawOpeningPurge = true;
        if (m_session.announced) {
            // Configured by waiting, and announced too early: the purge threw it away.
            m_session.announced = false;
            m_announcedEver = false;
        }
        configure(now);
        return;
    }
    // Purges that the unit reads as one can hide an opening behind the purge before the boot
    // reply; setting the line again gives it away.
    if (m_session.lineSetAgain) {
        reopenUnseen(now);
        return;
    }
    if (m_session.announced && expectsBootReply() && !m_session.bootReplyReceived &&
        !m_session.sawReplyPurge) {
        m_session.sawReplyPurge = true;
        m_session.replyPurgeAt = now;
        m_session.dataSinceReplyPurge = false;
        return;
    }
    // Nothing else purges both queues: the loader closed the port and opened it again between
    // two looks at it.
    reopenUnseen(now);
}

void SimulatedUnit::Impl::checkReplyPurge(Clock::time_point now) {
    if (m_session.sawReplyPurge && !m_session.dataSinceReplyPurge &&
        now - m_session.replyPurgeAt >= kBootReplyAfterPurge)
        reopenUnseen(now);
}

void SimulatedUnit::Impl::reopenUnseen(Clock::time_point now) {
    onPeerClosed(now, false);
    onPeerOpened(now);
    m_session.sawOpeningPurge = true;
    configure(now);
}

void SimulatedUnit::Impl::handleRequests(std::vector<Request> &requests, Clock::time_point now) {
    for (const Request &request : requests) {
        handleRequest(request, now);
        if (!m_port.isOpen())
            return; // vanished: the rest never reached the unit
    }
}

void SimulatedUnit::Impl::handleRequest(const Request &request, Clock::time_point now) {
    const Reaction reaction = m_planner.react(request);
    recordRequest(request, reaction);
    if (request.kind == MessageKind::BootReply)
        m_session.bootReplyReceived = true;
    if (reaction.vanish) {
        vanishNow("after block " + std::to_string(*reaction.block), reaction.fault);
        return;
    }
    if (reaction.reply.empty()) {
        if (!reaction.fault.empty()) {
            TranscriptEntry entry = event(MessageKind::Fault);
            entry.fault = reaction.fault;
            entry.command = reaction.command;
            entry.block = reaction.block;
            record(entry);
            log("fault " + reaction.fault + ": no reply");
        }
        return;
    }
    if (isSilent()) {
        reportSilence(kindName(reaction.replyKind));
        return;
    }
    const Clock::time_point notBefore = now + m_options.replyDelay;
    if (!reaction.noise.empty()) {
        TranscriptEntry noise = event(MessageKind::Noise);
        noise.direction = Direction::Out;
        noise.fault = "noise";
        send(MessageKind::Noise, reaction.noise, notBefore, noise);
    }
    TranscriptEntry reply = event(reaction.replyKind);
    reply.direction = Direction::Out;
    reply.command = reaction.command;
    reply.block = reaction.block;
    reply.checksum = reaction.sentChecksum;
    reply.trueChecksum = reaction.trueChecksum;
    reply.fault = reaction.fault;
    send(reaction.replyKind, reaction.reply, notBefore, reply);
}

void SimulatedUnit::Impl::recordRequest(const Request &request, const Reaction &reaction) {
    TranscriptEntry entry = event(request.kind);
    entry.direction = Direction::In;
    entry.text.clear();
    entry.bytes = request.bytes;
    entry.command = reaction.command;
    entry.block = reaction.block;
    entry.number = reaction.attempt;
    entry.checksum = reaction.trueChecksum;
    {
        std::lock_guard lock(m_mutex);
        Observations &seen = m_observations;
        switch (request.kind) {
        case MessageKind::BootReply: {
            const bool correct = std::equal(request.bytes.begin(), request.bytes.end(),
                                            std::begin(kBootReply), std::end(kBootReply));
            entry.ok = correct;
            ++seen.bootReplies;
            seen.bootReply = {true, correct, request.bytes};
            break;
        }
        case MessageKind::FileStart:
            seen.fileStarts.push_back(*request.command);
            seen.images[*request.command].clear();
            break;
        case MessageKind::Block:
            if (reaction.command) {
                auto &image = seen.images[*reaction.command];
                const auto data = request.blockData();
                image.insert(image.end(), data.begin(), data.end());
            } else {
                entry.text = "no file has been started";
            }
            break;
        case MessageKind::Reboot:
            ++seen.rebootRequests;
            break;
        default:
            break;
        }
    }
    m_changed.notify_all();
    std::string error;
    bool written = true;
    if (request.kind == MessageKind::FileStart)
        written = m_output.startImage(*request.command, error);
    else if (request.kind == MessageKind::Block && reaction.command)
        written = m_output.appendBlock(*reaction.command, request.blockData(), error);
    if (!written)
        outputFailed(error);
    record(entry);
    switch (request.kind) {
    case MessageKind::BootReply:
        log(std::string("boot-mode reply ") + (*entry.ok ? "received" : "wrong: ") +
            (*entry.ok ? "" : hexBytes(request.bytes)));
        break;
    case MessageKind::FileStart:
        log("file " + hexByte(*request.command) + " started (attempt " +
            std::to_string(*reaction.attempt) + ")");
        break;
    case MessageKind::Reboot:
        log("reboot requested");
        break;
    case MessageKind::Unknown:
        log("unexpected bytes: " + hexBytes(request.bytes));
        break;
    case MessageKind::Incomplete:
        log("message cut off after " + std::to_string(request.bytes.size()) + " bytes");
        break;
    default:
        break;
    }
}

// ---- Output ---------------------------------------------------------------------------------

bool SimulatedUnit::Impl::expectsBootReply() const {
    // The loader waits for more than three bytes and looks at the third.
    return m_options.announcement.size() > 3 && m_options.announcement[2] == 0x55;
}

bool SimulatedUnit::Impl::isSilent() const {
    return m_options.requireExpectedLine && (!m_session.line || !isLoaderLine(*m_session.line));
}

void SimulatedUnit::Impl::reportSilence(const std::string &what) {
    TranscriptEntry entry = event(MessageKind::Silent);
    entry.text = "no " + what + ": the line is " +
                 (m_session.line ? describe(*m_session.line) : std::string("not set up"));
    record(entry);
    if (!m_session.silenceReported)
        log("staying silent: " + entry.text);
    m_session.silenceReported = true;
}

void SimulatedUnit::Impl::announceIfDue(Clock::time_point now) {
    if (m_session.announceAt && now >= *m_session.announceAt) {
        m_session.announceAt.reset();
        m_session.announceDue = true;
    }
    if (m_announceRequested && m_session.configured) {
        m_announceRequested = false;
        m_session.announceDue = true;
    }
    if (!m_session.announceDue)
        return;
    if (isSilent()) {
        if (!m_session.silenceReported)
            reportSilence("announcement");
        return; // goes out once the line is right
    }
    m_session.announceDue = false;
    m_session.announced = true;
    // The boot-mode reply awaited is the one to this announcement.
    m_session.bootReplyReceived = false;
    m_session.sawReplyPurge = false;
    m_announcedEver = true;
    TranscriptEntry entry = event(MessageKind::Announcement);
    entry.direction = Direction::Out;
    send(MessageKind::Announcement, m_options.announcement, now, entry);
}

void SimulatedUnit::Impl::send(MessageKind kind, std::vector<std::uint8_t> bytes,
                               Clock::time_point notBefore, TranscriptEntry entry) {
    entry.kind = kind;
    entry.bytes = bytes;
    m_outgoing.push_back({notBefore, std::move(bytes), 0, std::move(entry), false});
}

void SimulatedUnit::Impl::writeOutput(Clock::time_point now) {
    m_outputPacedUntil.reset();
    while (m_session.open && !m_outgoing.empty() && !m_outputBlocked) {
        OutgoingMessage &message = m_outgoing.front();
        if (now < message.notBefore) {
            m_outputPacer.idle();
            return;
        }
        const std::size_t remaining = message.bytes.size() - message.sent;
        std::size_t limit = remaining;
        if (m_outputPacer.isPaced()) {
            // A reply starts on the line when it is due, however late this pass is.
            m_outputPacer.begin(message.notBefore);
            const std::size_t chunk = std::min(remaining, kPacedChunkBytes);
            const std::size_t allowed = m_outputPacer.allowance(now);
            if (allowed < chunk) {
                m_outputPacedUntil = m_outputPacer.timeFor(chunk);
                return;
            }
            limit = std::min(allowed, remaining);
        }
        // Recorded before the first byte leaves: whoever has received it finds it recorded.
        if (message.sent == 0 && !message.recorded) {
            message.recorded = true;
            recordSent(message.entry);
        }
        std::string error;
        const long written =
            m_port.write(std::span(message.bytes).subspan(message.sent, limit), error);
        if (written < 0) {
            log("error: " + error);
            dropOutgoing();
            return;
        }
        if (written == 0) {
            m_outputBlocked = true; // the loader does not read: wait until it does
            return;
        }
        message.sent += static_cast<std::size_t>(written);
        if (m_outputPacer.isPaced())
            m_outputPacer.took(static_cast<std::size_t>(written));
        if (message.sent == message.bytes.size())
            m_outgoing.pop_front();
    }
    if (m_outgoing.empty())
        m_outputPacer.idle();
}

void SimulatedUnit::Impl::recordSent(const TranscriptEntry &entry) {
    recordHeldInputPurge(); // it came before
    {
        std::lock_guard lock(m_mutex);
        if (entry.kind == MessageKind::Announcement)
            ++m_observations.announcements;
        if (entry.kind == MessageKind::Ack)
            m_observations.acks.push_back(
                {entry.command, entry.block.value_or(0), *entry.checksum, *entry.trueChecksum});
    }
    record(entry);
    if (entry.kind == MessageKind::Announcement)
        log("announcement sent: " + hexBytes(entry.bytes));
    else if (!entry.fault.empty())
        log("fault " + entry.fault + ": sent " + hexBytes(entry.bytes));
}

void SimulatedUnit::Impl::dropOutgoing() {
    std::vector<std::uint8_t> unsent;
    for (const OutgoingMessage &message : m_outgoing)
        unsent.insert(unsent.end(), message.bytes.begin() + static_cast<long>(message.sent),
                      message.bytes.end());
    m_outgoing.clear();
    m_outputBlocked = false;
    if (!unsent.empty()) {
        TranscriptEntry entry = event(MessageKind::Dropped);
        entry.bytes = std::move(unsent);
        record(entry);
    }
}

// ---- Vanishing and coming back --------------------------------------------------------------

void SimulatedUnit::Impl::vanishNow(const std::string &why, const std::string &fault) {
    if (!m_port.isOpen() || m_vanishing)
        return;
    if (m_session.open && fault.empty()) {
        // What the loader wrote before the unit went is taken in, as a real unit would have.
        m_vanishing = true;
        drainInput(Clock::now());
        m_vanishing = false;
    }
    recordHeldInputPurge();
    dropOutgoing();
    std::vector<Request> requests;
    m_parser.reset(requests);
    m_session = Session{};
    m_inputPacer.idle();
    m_outputPacer.idle();
    m_inputPacedUntil.reset();
    m_outputPacedUntil.reset();
    m_port.close();
    m_link.remove();
    {
        std::lock_guard lock(m_mutex);
        m_observations.vanished = true;
        m_observations.portPath.clear();
    }
    TranscriptEntry entry = event(MessageKind::Vanished, why);
    entry.fault = fault;
    record(entry);
    log("vanished " + why);
    if (m_options.comeBackAfter)
        m_comeBackAt = Clock::now() + *m_options.comeBackAfter;
}

bool SimulatedUnit::Impl::comeBackNow(std::string &error) {
    m_comeBackAt.reset();
    if (!m_port.open(error)) {
        fail(error);
        return false;
    }
    if (!m_options.linkPath.empty() && !m_link.repoint(m_port.path(), error)) {
        fail(error); // the port is there, only not at the link
    }
    {
        std::lock_guard lock(m_mutex);
        m_observations.vanished = false;
        m_observations.portPath = m_port.path();
    }
    record(event(MessageKind::PortCreated, m_port.path()));
    log("back at port " + m_port.path());
    if (m_options.portReady)
        m_options.portReady(m_port.path());
    return error.empty();
}

// ---- Records --------------------------------------------------------------------------------

TranscriptEntry SimulatedUnit::Impl::event(MessageKind kind, std::string text) const {
    TranscriptEntry entry;
    entry.direction = Direction::Event;
    entry.kind = kind;
    entry.text = std::move(text);
    return entry;
}

void SimulatedUnit::Impl::record(TranscriptEntry entry) {
    {
        std::lock_guard lock(m_mutex);
        entry.seq = m_nextSeq++;
        entry.time =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - m_startTime);
        m_observations.transcript.push_back(entry);
    }
    m_changed.notify_all();
    std::string error;
    if (!m_output.appendTranscript(entry, error))
        outputFailed(error);
}

void SimulatedUnit::Impl::outputFailed(const std::string &error) {
    m_output.close();
    fail(error + "; the output folder is not written any more");
}

void SimulatedUnit::Impl::fail(const std::string &what) {
    {
        std::lock_guard lock(m_mutex);
        if (m_observations.failure.empty())
            m_observations.failure = what;
    }
    m_changed.notify_all();
    log("error: " + what);
}

void SimulatedUnit::Impl::log(const std::string &line) const {
    if (m_options.log)
        m_options.log(line);
}

// ---- SimulatedUnit --------------------------------------------------------------------------

SimulatedUnit::SimulatedUnit(UnitOptions options)
    : m_impl(std::make_unique<Impl>(std::move(options))) {}

SimulatedUnit::~SimulatedUnit() = default;

bool SimulatedUnit::start(std::string &error) {
    return m_impl->start(error);
}

void SimulatedUnit::stop() {
    m_impl->stop();
}

bool SimulatedUnit::isRunning() const {
    return m_impl->isRunning();
}

std::string SimulatedUnit::portPath() const {
    return m_impl->portPath();
}

void SimulatedUnit::announceNow() {
    m_impl->announceNow();
}

bool SimulatedUnit::vanish() {
    return m_impl->vanish();
}

bool SimulatedUnit::comeBack(std::string &path, std::string &error) {
    return m_impl->comeBack(path, error);
}

Observations SimulatedUnit::observations() const {
    return m_impl->observations();
}

bool SimulatedUnit::waitUntil(const std::function<bool(const Observations &)> &condition,
                              Duration timeout) const {
    return m_impl->waitUntil(condition, timeout);
}

std::optional<LineSettings> SimulatedUnit::waitForLineSettings(Duration timeout) const {
    std::optional<LineSettings> line;
    waitUntil(
        [&](const Observations &seen) {
            line = seen.lineSettings;
            return line.has_value();
        },
        timeout);
    return line;
}

bool SimulatedUnit::waitForBootReply(Duration timeout) const {
    return waitUntil([](const Observations &seen) { return seen.bootReply.received; }, timeout);
}

bool SimulatedUnit::waitForBlocks(std::uint8_t command, int count, Duration timeout) const {
    return waitUntil([&](const Observations &seen) { return seen.blockCount(command) >= count; },
                     timeout);
}

bool SimulatedUnit::waitForReboot(Duration timeout) const {
    return waitUntil([](const Observations &seen) { return seen.rebootRequests > 0; }, timeout);
}

bool SimulatedUnit::waitForOpenings(int count, Duration timeout) const {
    return waitUntil([&](const Observations &seen) { return seen.openings >= count; }, timeout);
}

std::vector<std::uint8_t> SimulatedUnit::image(std::uint8_t command) const {
    return m_impl->image(command);
}

std::vector<TranscriptEntry> SimulatedUnit::transcript() const {
    return m_impl->transcript();
}

} // namespace unitsim
