#pragma once

#include <filesystem>
#include <string>

namespace unitsim {

// A symlink to the unit's port, so that the port can be found at a path of the user's
// choosing (under /dev the loader's port list shows it). The link is only ever removed or
// replaced while it still leads to the port it was made for.
class PortLink {
public:
    PortLink() = default;
    ~PortLink(); // remove()
    PortLink(const PortLink &) = delete;
    PortLink &operator=(const PortLink &) = delete;

    // Makes `link` lead to `target`. A link left behind by a run that did not end cleanly
    // (one that leads nowhere now) is replaced; anything else at that path is left alone
    // and reported.
    bool create(const std::filesystem::path &link, const std::filesystem::path &target,
                std::string &error);
    // Points the link made before at a new target (atomically, when it is still there).
    bool repoint(const std::filesystem::path &target, std::string &error);
    // Removes the link if it still leads to its target; remembers the path for repoint().
    void remove();

    const std::filesystem::path &path() const { return m_link; }
    bool exists() const { return m_made; }

private:
    std::filesystem::path m_link;
    std::filesystem::path m_target;
    bool m_made = false;
};

} // namespace unitsim
