#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace bench {

// One JSON object on one line, its members in the order they were added.
class JsonObject {
public:
    JsonObject &add(std::string_view key, std::string_view value);
    JsonObject &add(std::string_view key, const char *value);
    JsonObject &add(std::string_view key, bool value);
    JsonObject &add(std::string_view key, std::int64_t value);
    JsonObject &add(std::string_view key, std::uint64_t value);
    JsonObject &add(std::string_view key, int value);
    JsonObject &add(std::string_view key, std::uint32_t value);
    // A figure with `decimals` places; not-a-number and infinities are written as null.
    JsonObject &add(std::string_view key, double value, int decimals = 2);

    std::string text() const { return "{" + m_members + "}"; }

private:
    void addRaw(std::string_view key, std::string_view json);

    std::string m_members;
};

} // namespace bench
