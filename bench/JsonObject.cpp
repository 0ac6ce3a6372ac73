#include "JsonObject.h"

#include <cmath>
#include <cstdio>

namespace bench {

namespace {

std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
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
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

} // namespace

void JsonObject::addRaw(std::string_view key, std::string_view json) {
    if (!m_members.empty())
        m_members += ',';
    m_members += quoted(key);
    m_members += ':';
    m_members += json;
}

JsonObject &JsonObject::add(std::string_view key, std::string_view value) {
    addRaw(key, quoted(value));
    return *this;
}

JsonObject &JsonObject::add(std::string_view key, const char *value) {
    return add(key, std::string_view(value));
}

JsonObject &JsonObject::add(std::string_view key, bool value) {
    addRaw(key, value ? "true" : "false");
    return *this;
}

JsonObject &JsonObject::add(std::string_view key, std::int64_t value) {
    addRaw(key, std::to_string(value));
    return *this;
}

JsonObject &JsonObject::add(std::string_view key, std::uint64_t value) {
    addRaw(key, std::to_string(value));
    return *this;
}

JsonObject &JsonObject::add(std::string_view key, int value) {
    return add(key, static_cast<std::int64_t>(value));
}

JsonObject &JsonObject::add(std::string_view key, std::uint32_t value) {
    return add(key, static_cast<std::uint64_t>(value));
}

JsonObject &JsonObject::add(std::string_view key, double value, int decimals) {
    if (!std::isfinite(value)) {
        addRaw(key, "null");
        return *this;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    addRaw(key, text);
    return *this;
}

} // namespace bench
