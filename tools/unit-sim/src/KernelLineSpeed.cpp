// Kept apart from TerminalLine.cpp: the kernel's own terminal structures clash with the C
// library's <termios.h>.
#include "TerminalLine.h"

#if defined(__linux__)
#include <asm/termbits.h>
#include <sys/ioctl.h>
#endif

namespace unitsim {

std::optional<std::uint32_t> kernelLineSpeed(int fd) {
#if defined(__linux__) && defined(TCGETS2)
    struct termios2 settings {};
    if (::ioctl(fd, TCGETS2, &settings) != 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(settings.c_ospeed);
#else
    (void)fd;
    return std::nullopt;
#endif
}

} // namespace unitsim
