#include "serial/CommPort.h"

#include "serial/PortList.h"

#include <QMetaObject>
#include <QScopedValueRollback>
#include <QSocketNotifier>

#include <algorithm>
#include <limits>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace serial {

namespace {

// Errors after which the device cannot be used any more (pulled out, hung up, taken away).
bool meansDeviceGone(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::PermissionError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        return true;
    default:
        return false;
    }
}

const char *const kNoPortSelected = "No port selected";
const char *const kUnsupportedBaudRate = "Unsupported baud rate";
// A hung-up line reads as end of data, which QSerialPort reports with whatever reason the
// system gave last; this says what happened instead.
const char *const kDeviceHungUp = "The device has been disconnected";

} // namespace

CommPort::CommPort(QObject *parent)
    : QObject(parent), m_serial(this), m_portName(defaultPortName()) {
    m_input.reserve(static_cast<std::size_t>(kQueueSizeBytes));
    connect(&m_serial, &QSerialPort::readyRead, this, &CommPort::onReadyRead);
    connect(&m_serial, &QSerialPort::errorOccurred, this, &CommPort::onErrorOccurred);
}

CommPort::~CommPort() {
    close();
    disconnect(&m_serial, nullptr, this, nullptr);
}

void CommPort::setPortName(const QString &name) {
    m_portName = name;
}

QString CommPort::portName() const {
    return m_portName;
}

std::uint32_t CommPort::baudRate() const {
    return m_baudRate;
}

bool CommPort::switchPort(const QString &name, QString &error) {
    if (!isOpen()) {
        setPortName(name);
        return true;
    }
    close();
    setPortName(name);
    std::string reason;
    if (open(reason))
        return true;
    error = QString::fromStdString(reason);
    return false;
}

void CommPort::close() {
    // A port whose device is gone has nothing left to push out.
    closeSerial(!m_lossPending);
}

void CommPort::setBaudRate(std::uint32_t bitsPerSecond) {
    m_baudRate = bitsPerSecond;
}

bool CommPort::open(std::string &error) {
    close();
    if (m_portName.isEmpty()) {
        error = kNoPortSelected;
        return false;
    }
    if (m_baudRate == 0 ||
        m_baudRate > static_cast<std::uint32_t>(std::numeric_limits<qint32>::max())) {
        error = std::string(kUnsupportedBaudRate) + " " + std::to_string(m_baudRate);
        return false;
    }

    // A loss of the previous opening still to be reported is dropped: this is a new start.
    ++m_session;
    m_lossPending = false;
    m_totalReceived = 0;
    dropInput();

    m_serial.setPortName(m_portName);
    m_serial.setBaudRate(static_cast<qint32>(m_baudRate));
    m_serial.setDataBits(QSerialPort::Data8);
    m_serial.setParity(QSerialPort::NoParity);
    m_serial.setStopBits(QSerialPort::TwoStop);
    m_serial.setFlowControl(QSerialPort::NoFlowControl);

    {
        const QScopedValueRollback opening(m_opening, true);
        if (!m_serial.open(QIODevice::ReadWrite)) {
            error = m_serial.errorString().toStdString();
            return false;
        }
        switchLinesOn();
    }
    m_serial.clearError();
    m_openPortName = m_portName;
    return true;
}

bool CommPort::isOpen() const {
    return m_serial.isOpen() && !m_lossPending;
}

bool CommPort::clearDeviceBuffers() {
    if (!isOpen())
        return false;
    dropInput();
    return m_serial.clear(QSerialPort::AllDirections) && isOpen();
}

void CommPort::clearDeviceInput() {
    if (!isOpen())
        return;
    dropInput();
    m_serial.clear(QSerialPort::Input);
}

void CommPort::sendChar(std::uint8_t byte) {
    sendData(std::span<const std::uint8_t>(&byte, 1));
}

void CommPort::sendData(std::span<const std::uint8_t> bytes) {
    if (!isOpen() || bytes.empty())
        return;
    const QScopedValueRollback writing(m_writing, true);
    m_serial.write(reinterpret_cast<const char *>(bytes.data()), static_cast<qint64>(bytes.size()));
    // Hands the bytes to the driver now rather than at the next event pass; flush() does not
    // wait for the line.
    m_serial.flush();
}

bool CommPort::read(std::uint8_t &byte) {
    if (!isOpen() || m_inputHead == m_input.size())
        return false;
    byte = m_input[m_inputHead++];
    return true;
}

std::uint32_t CommPort::totalReceived() const {
    return m_totalReceived;
}

void CommPort::onReadyRead() {
    if (m_lossPending)
        return;
    if (takeArrivedBytes() > 0)
        emit bytesArrived();
}

qint64 CommPort::takeArrivedBytes() {
    const qint64 available = m_serial.bytesAvailable();
    if (available <= 0)
        return 0;

    if (m_inputHead == m_input.size()) {
        m_input.clear();
        m_inputHead = 0;
    } else if (m_inputHead >= static_cast<std::size_t>(kQueueSizeBytes)) {
        m_input.erase(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(m_inputHead));
        m_inputHead = 0;
    }

    const std::size_t queued = m_input.size();
    m_input.resize(queued + static_cast<std::size_t>(available));
    const qint64 taken = std::max<qint64>(
        0, m_serial.read(reinterpret_cast<char *>(m_input.data() + queued), available));
    m_input.resize(queued + static_cast<std::size_t>(taken));
    m_totalReceived += static_cast<std::uint32_t>(taken); // wraps at 2^32 by design
    return taken;
}

void CommPort::onErrorOccurred(QSerialPort::SerialPortError error) {
    // Errors while opening are the opening's result; DTR and RTS refused by a port without
    // modem lines (a pseudo-terminal) are no fault.
    if (m_opening || m_lossPending || !m_serial.isOpen() || !meansDeviceGone(error))
        return;
    if (m_writing && error == QSerialPort::ResourceError && outputQueueMerelyFull())
        return; // the bytes stay queued and go out when the line takes them

    // Closing here would delete the notifier that is reporting the error, so the port is
    // closed at the next event pass; until then it reads and sends nothing.
    m_lossPending = true;
    stopNotifications();
    dropInput();
    QMetaObject::invokeMethod(
        this,
        [this, session = m_session, name = m_openPortName, reason = lossReason()] {
            finishLoss(session, name, reason);
        },
        Qt::QueuedConnection);
}

void CommPort::finishLoss(std::uint64_t session, const QString &portName, const QString &reason) {
    if (session != m_session || !m_lossPending)
        return; // reopened meanwhile: the loss belongs to an opening that is over
    closeSerial(false);
    m_lossPending = false;
    emit portLost(portName, reason);
}

void CommPort::switchLinesOn() {
    // Refusals (no modem lines) are ignored: the port works without them.
    m_serial.setDataTerminalReady(true);
    m_serial.setRequestToSend(true);
}

void CommPort::closeSerial(bool pushOutQueued) {
    if (!m_serial.isOpen())
        return;
    if (pushOutQueued) {
        // A last request queued just before closing (the reboot request) must not be lost;
        // flush() hands over what the driver takes without waiting for the line.
        const QScopedValueRollback writing(m_writing, true);
        m_serial.flush();
    }
    m_serial.close();
    dropInput();
}

void CommPort::dropInput() {
    m_input.clear();
    m_inputHead = 0;
}

#ifdef Q_OS_UNIX
namespace {

bool hungUp(int descriptor) {
    pollfd line{descriptor, POLLIN | POLLOUT, 0};
    if (::poll(&line, 1, 0) < 0)
        return false;
    return (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

} // namespace
#endif

bool CommPort::outputQueueMerelyFull() {
#ifdef Q_OS_UNIX
    // A full output queue is reported like a resource failure; a device that is still there
    // shows no hang-up.
    return !hungUp(m_serial.handle());
#else
    return false;
#endif
}

QString CommPort::lossReason() {
#ifdef Q_OS_UNIX
    if (hungUp(m_serial.handle()))
        return QString::fromLatin1(kDeviceHungUp);
#endif
    return m_serial.errorString();
}

void CommPort::stopNotifications() {
    // QSerialPort watches the device through notifiers of its own; a hung-up device keeps
    // them firing at every event pass until the port is closed.
    const auto notifiers = m_serial.findChildren<QSocketNotifier *>(Qt::FindDirectChildrenOnly);
    for (QSocketNotifier *notifier : notifiers)
        notifier->setEnabled(false);
}

} // namespace serial
