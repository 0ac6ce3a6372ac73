#include "PortLink.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace unitsim {

namespace fs = std::filesystem;

namespace {

std::string reason(const std::error_code &code) {
    return code.message();
}

// Where `link` leads, or empty when it is not a symlink.
fs::path linkTarget(const fs::path &link) {
    std::error_code code;
    if (!fs::is_symlink(fs::symlink_status(link, code)))
        return {};
    return fs::read_symlink(link, code);
}

} // namespace

PortLink::~PortLink() {
    remove();
}

bool PortLink::create(const fs::path &link, const fs::path &target, std::string &error) {
    std::error_code code;
    const fs::file_status status = fs::symlink_status(link, code);
    if (fs::exists(status)) {
        if (!fs::is_symlink(status)) {
            error = "cannot make the link " + link.string() + ": something else is there";
            return false;
        }
        if (fs::exists(link, code)) {
            error = "cannot make the link " + link.string() + ": it leads to " +
                    linkTarget(link).string() + ", which is in use";
            return false;
        }
        fs::remove(link, code); // a link left behind by a run that did not end cleanly
    }
    fs::create_symlink(target, link, code);
    if (code) {
        error = "cannot make the link " + link.string() + ": " + reason(code);
        return false;
    }
    m_link = link;
    m_target = target;
    m_made = true;
    return true;
}

bool PortLink::repoint(const fs::path &target, std::string &error) {
    if (m_link.empty()) {
        error = "there is no link to point";
        return false;
    }
    if (!m_made)
        return create(m_link, target, error);
    // Make the new link beside the old one and rename it over, so that the path is never
    // missing for a program that looks at that moment.
    fs::path fresh = m_link;
    fresh += ".new-" + std::to_string(::getpid());
    std::error_code code;
    fs::remove(fresh, code);
    fs::create_symlink(target, fresh, code);
    if (!code)
        fs::rename(fresh, m_link, code);
    if (code) {
        fs::remove(fresh, code);
        error = "cannot point the link " + m_link.string() + " at " + target.string() + ": " +
                reason(code);
        return false;
    }
    m_target = target;
    return true;
}

void PortLink::remove() {
    if (!m_made)
        return;
    m_made = false;
    if (linkTarget(m_link) != m_target)
        return; // somebody else's by now
    std::error_code code;
    fs::remove(m_link, code);
}

} // namespace unitsim
