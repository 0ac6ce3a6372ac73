#include "unit-sim/Transcript.h"

#include "unit-sim/HexBytes.h"

#include <cstdio>

namespace unitsim {

namespace {

void appendEscaped(std::string &out, const std::string &text) {
    out += '"';
    for (unsigned char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

class JsonObject {
public:
    void raw(const char *key, const std::string &value) {
        m_text += m_text.empty() ? "{" : ",";
        appendEscaped(m_text, key);
        m_text += ':';
        m_text += value;
    }
    void string(const char *key, const std::string &value) {
        std::string quoted;
        appendEscaped(quoted, value);
        raw(key, quoted);
    }
    void number(const char *key, long long value) { raw(key, std::to_string(value)); }
    void boolean(const char *key, bool value) { raw(key, value ? "true" : "false"); }
    std::string finish() { return m_text.empty() ? "{}" : m_text + "}"; }

private:
    std::string m_text;
};

std::string milliseconds(std::chrono::microseconds time) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(time.count() / 1000),
                  static_cast<long long>(time.count() % 1000));
    return text;
}

} // namespace

const char *directionName(Direction direction) {
    switch (direction) {
    case Direction::In:
        return "in";
    case Direction::Out:
        return "out";
    case Direction::Event:
        return "event";
    }
    return "event";
}

const char *kindName(MessageKind kind) {
    switch (kind) {
    case MessageKind::BootReply:
        return "boot_reply";
    case MessageKind::FileStart:
        return "file_start";
    case MessageKind::Block:
        return "block";
    case MessageKind::Reboot:
        return "reboot";
    case MessageKind::Unknown:
        return "unknown";
    case MessageKind::Incomplete:
        return "incomplete";
    case MessageKind::Announcement:
        return "announcement";
    case MessageKind::Echo:
        return "echo";
    case MessageKind::Ack:
        return "ack";
    case MessageKind::Noise:
        return "noise";
    case MessageKind::PortCreated:
        return "port_created";
    case MessageKind::Opened:
        return "opened";
    case MessageKind::Line:
        return "line";
    case MessageKind::Purge:
        return "purge";
    case MessageKind::Closed:
        return "closed";
    case MessageKind::Silent:
        return "silent";
    case MessageKind::Fault:
        return "fault";
    case MessageKind::Dropped:
        return "dropped";
    case MessageKind::Vanished:
        return "vanished";
    }
    return "unknown";
}

std::string toJsonLine(const TranscriptEntry &entry) {
    JsonObject json;
    json.number("seq", static_cast<long long>(entry.seq));
    json.raw("t_ms", milliseconds(entry.time));
    json.string("dir", directionName(entry.direction));
    json.string("kind", kindName(entry.kind));
    if (entry.command)
        json.string("command", hexByte(*entry.command));
    if (entry.block)
        json.number("block", *entry.block);
    if (entry.number)
        json.number("number", *entry.number);
    if (entry.checksum)
        json.string("checksum", hexByte(*entry.checksum));
    if (entry.trueChecksum)
        json.string("true_checksum", hexByte(*entry.trueChecksum));
    if (entry.ok)
        json.boolean("ok", *entry.ok);
    if (entry.line) {
        json.number("baud", entry.line->baudRate);
        json.number("data_bits", entry.line->dataBits);
        json.string("parity", parityName(entry.line->parity));
        json.number("stop_bits", entry.line->stopBits);
        json.string("flow", flowControlName(entry.line->flowControl));
        json.boolean("raw", entry.line->raw);
    }
    if (!entry.fault.empty())
        json.string("fault", entry.fault);
    if (!entry.text.empty())
        json.string("text", entry.text);
    if (!entry.bytes.empty())
        json.string("bytes", hexBytes(entry.bytes));
    return json.finish();
}

} // namespace unitsim
