#pragma once

#include "loader/PortOperations.h"

#include <QObject>
#include <QSerialPort>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace serial {

// The loader's serial port over QSerialPort. Line settings are fixed at 8 data bits, no
// parity, two stop bits, no flow control; only the port and the baud rate change. DTR and
// RTS are switched on after opening where the port has them. Received bytes are counted
// exactly in totalReceived(). The first read, write or resource error closes the port once
// and emits portLost(); the port is not reopened by itself.
class CommPort final : public QObject, public loader::PortOperations {
    Q_OBJECT

public:
    static constexpr std::uint32_t kDefaultBaudRate = 128000; // replaced at every opening
    static constexpr qint64 kQueueSizeBytes = 8192;

    explicit CommPort(QObject *parent = nullptr);
    ~CommPort() override; // closes the port

    // The port to open: "COM3" on Windows, a device path such as "/dev/ttyUSB0" elsewhere.
    void setPortName(const QString &name);
    QString portName() const;
    std::uint32_t baudRate() const;

    // While the port is open: closes it and opens `name` at once with the same settings
    // (the byte count starts again at 0). When that opening fails the port stays closed
    // and `error` gets the system's reason. While closed: only sets the name.
    bool switchPort(const QString &name, QString &error);

    // loader::PortOperations
    void close() override;
    void setBaudRate(std::uint32_t bitsPerSecond) override;
    bool open(std::string &error) override;
    bool isOpen() const override;
    bool clearDeviceBuffers() override;
    void clearDeviceInput() override;
    void sendChar(std::uint8_t byte) override;
    void sendData(std::span<const std::uint8_t> bytes) override;
    bool read(std::uint8_t &byte) override;
    std::uint32_t totalReceived() const override;

signals:
    // Emitted once when an error of the device closed the port (for example an adapter
    // pulled out), with the port's name and the system's reason.
    void portLost(const QString &portName, const QString &reason);
    // Emitted when bytes have arrived (after totalReceived() has counted them).
    void bytesArrived();

private:
    void onReadyRead();
    void onErrorOccurred(QSerialPort::SerialPortError error);
    // Moves the bytes QSerialPort has buffered into the input queue, counting them.
    qint64 takeArrivedBytes();
    void switchLinesOn();
    void closeSerial(bool pushOutQueued);
    void dropInput();
    void finishLoss(std::uint64_t session, const QString &portName, const QString &reason);
    // A write refused only because the output queue is full is retried by QSerialPort.
    bool outputQueueMerelyFull();
    QString lossReason();
    void stopNotifications();

    QSerialPort m_serial;
    QString m_portName;
    QString m_openPortName; // the name the current opening used, for portLost()
    std::uint32_t m_baudRate = kDefaultBaudRate;
    std::uint32_t m_totalReceived = 0;
    // Received bytes not read yet: m_input[m_inputHead..] in arrival order.
    std::vector<std::uint8_t> m_input;
    std::size_t m_inputHead = 0;
    // Raised at every opening, so that a loss noticed in one opening is never reported
    // against a later one.
    std::uint64_t m_session = 0;
    bool m_opening = false;
    bool m_writing = false;
    // The device is gone and the port is closed at the next event pass; meanwhile it
    // behaves as closed.
    bool m_lossPending = false;
};

} // namespace serial
