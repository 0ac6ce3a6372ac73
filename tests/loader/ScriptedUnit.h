#pragma once

// A unit in boot mode as the fakes see it: it reads what the loader sent since the last
// pass of events and answers the way the test tells it to.

#include "FakeLoaderParts.h"

#include "loader/Connection.h"
#include "loader/WireProtocol.h"

#include <functional>
#include <map>
#include <numeric>
#include <optional>

namespace fakes {

struct Block {
    std::uint8_t command;
    Bytes data; // the 256 bytes
};

class ScriptedUnit {
public:
    explicit ScriptedUnit(FakePort &port) : m_port(port) {}

    // Sent at the first pass after the port opens (nothing when empty).
    Bytes announcement{0x00, 0x11, 0x55, 0x22};
    // Reply to a file start with command c; default: c 00.
    std::function<Bytes(std::uint8_t c)> echo = [](std::uint8_t c) { return Bytes{c, 0x00}; };
    // Reply to block n (from 0) of the file with command c; default: A9 and the checksum.
    std::function<Bytes(std::uint8_t c, int n, std::uint8_t checksum)> ack =
        [](std::uint8_t, int, std::uint8_t checksum) {
            return Bytes{0xA9, checksum};
        };

    // Bytes that arrive one chunk per later pass of events.
    std::deque<Bytes> arriveLater;

    bool bootReplySeen = false;
    int reboots = 0;
    std::vector<std::uint8_t> fileStarts;
    std::vector<Block> blocks;
    std::vector<std::string> unknown;

    // The data of each file as the unit would write it into flash: its blocks since its
    // last file start.
    std::map<std::uint8_t, Bytes> images;

    void onEvents() {
        if (m_port.opened && m_port.openings != m_openingSeen) {
            m_openingSeen = m_port.openings;
            m_parsed = m_port.sent.size();
            m_announced = false;
        }
        if (m_port.opened && !m_announced && !announcement.empty()) {
            m_announced = true;
            m_port.arrive(announcement);
        }
        if (!arriveLater.empty()) {
            m_port.arrive(arriveLater.front());
            arriveLater.pop_front();
        }
        parse();
    }

private:
    void parse() {
        const Bytes &s = m_port.sent;
        for (;;) {
            const std::size_t left = s.size() - m_parsed;
            if (left < 2)
                return;
            const std::uint8_t first = s[m_parsed];
            if (first == 0xA1 && left >= 6) {
                bootReplySeen = Bytes(s.begin() + m_parsed, s.begin() + m_parsed + 6) ==
                                Bytes{0xA1, 0x04, 0x55, 0x66, 0x77, 0x88};
                m_parsed += 6;
            } else if (first >= 0xA4 && first <= 0xA7 && s[m_parsed + 1] == 0x00) {
                m_parsed += 2;
                fileStarts.push_back(first);
                m_file = first;
                m_blockInFile = 0;
                images[first].clear();
                m_port.arrive(echo(first));
            } else if (first == 0xA9 && s[m_parsed + 1] == 0x00) {
                if (left < 258)
                    return;
                Bytes data(s.begin() + m_parsed + 2, s.begin() + m_parsed + 258);
                m_parsed += 258;
                const auto sum =
                    static_cast<std::uint8_t>(std::accumulate(data.begin(), data.end(), 0u));
                const std::uint8_t command = m_file.value_or(0);
                images[command].insert(images[command].end(), data.begin(), data.end());
                blocks.push_back({command, data});
                m_port.arrive(ack(command, m_blockInFile++, sum));
            } else if (first == 0xA8 && s[m_parsed + 1] == 0x00) {
                m_parsed += 2;
                ++reboots;
            } else {
                unknown.push_back(std::to_string(first));
                ++m_parsed;
            }
        }
    }

    FakePort &m_port;
    std::size_t m_parsed = 0;
    int m_openingSeen = 0;
    bool m_announced = false;
    std::optional<std::uint8_t> m_file;
    int m_blockInFile = 0;
};

// Everything a connection needs, with the unit scripted and the user's actions run at
// given passes of events.
struct ConnectionRig {
    FakeTicks ticks;
    loader::SharedValues shared;
    FakePort port;
    FakeFiles files;
    FakeView view{ticks, shared};
    ScriptedUnit unit{port};
    // Checked after every pass; the connection ends once it holds.
    std::function<bool()> stopWhen;
    std::function<void(int pass)> user;

    ConnectionRig() {
        port.clock = &ticks;
        view.onEvents = [this] {
            if (user)
                user(view.passes);
            unit.onEvents();
            if (stopWhen && stopWhen())
                shared.StopRequested = true;
        };
    }

    void run() {
        loader::Connection connection(port, view, ticks, files, shared);
        connection.run();
    }
};

} // namespace fakes
