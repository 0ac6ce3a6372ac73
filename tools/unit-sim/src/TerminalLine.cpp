#include "TerminalLine.h"

#include <termios.h>

namespace unitsim {

namespace {

struct SpeedConstant {
    speed_t constant;
    std::uint32_t bitsPerSecond;
};

constexpr SpeedConstant kSpeeds[] = {
    {B0, 0},
    {B50, 50},
    {B75, 75},
    {B110, 110},
    {B134, 134},
    {B150, 150},
    {B200, 200},
    {B300, 300},
    {B600, 600},
    {B1200, 1200},
    {B1800, 1800},
    {B2400, 2400},
    {B4800, 4800},
    {B9600, 9600},
    {B19200, 19200},
    {B38400, 38400},
#ifdef B57600
    {B57600, 57600},
#endif
#ifdef B115200
    {B115200, 115200},
#endif
#ifdef B230400
    {B230400, 230400},
#endif
#ifdef B460800
    {B460800, 460800},
#endif
#ifdef B500000
    {B500000, 500000},
#endif
#ifdef B576000
    {B576000, 576000},
#endif
#ifdef B921600
    {B921600, 921600},
#endif
#ifdef B1000000
    {B1000000, 1000000},
#endif
#ifdef B1500000
    {B1500000, 1500000},
#endif
#ifdef B2000000
    {B2000000, 2000000},
#endif
#ifdef B3000000
    {B3000000, 3000000},
#endif
#ifdef B4000000
    {B4000000, 4000000},
#endif
};

std::uint32_t speedOf(speed_t constant) {
    for (const auto &speed : kSpeeds) {
        if (speed.constant == constant)
            return speed.bitsPerSecond;
    }
    // Systems whose speed constants are the rates themselves.
    return static_cast<std::uint32_t>(constant);
}

int dataBitsOf(tcflag_t cflag) {
    switch (cflag & CSIZE) {
    case CS5:
        return 5;
    case CS6:
        return 6;
    case CS7:
        return 7;
    default:
        return 8;
    }
}

Parity parityOf(tcflag_t cflag) {
    if (!(cflag & PARENB))
        return Parity::None;
#ifdef CMSPAR
    if (cflag & CMSPAR)
        return (cflag & PARODD) ? Parity::Mark : Parity::Space;
#endif
    return (cflag & PARODD) ? Parity::Odd : Parity::Even;
}

FlowControl flowControlOf(const termios &settings) {
#ifdef CRTSCTS
    const bool hardware = settings.c_cflag & CRTSCTS;
#else
    const bool hardware = false;
#endif
    const bool software = settings.c_iflag & (IXON | IXOFF);
    if (hardware && software)
        return FlowControl::HardwareAndSoftware;
    if (hardware)
        return FlowControl::Hardware;
    return software ? FlowControl::Software : FlowControl::None;
}

bool isRaw(const termios &settings) {
    const bool editsInput = settings.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN);
    const bool translatesInput = settings.c_iflag & (ISTRIP | INLCR | IGNCR | ICRNL);
    const bool translatesOutput = settings.c_oflag & OPOST;
    return !editsInput && !translatesInput && !translatesOutput;
}

} // namespace

std::optional<LineSettings> readLineSettings(int fd) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return std::nullopt;
    LineSettings line;
    line.baudRate = kernelLineSpeed(fd).value_or(speedOf(::cfgetospeed(&settings)));
    line.dataBits = dataBitsOf(settings.c_cflag);
    line.parity = parityOf(settings.c_cflag);
    line.stopBits = (settings.c_cflag & CSTOPB) ? 2 : 1;
    line.flowControl = flowControlOf(settings);
    line.raw = isRaw(settings);
    return line;
}

} // namespace unitsim
