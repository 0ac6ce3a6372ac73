#pragma once

#include "loader/FirmwareFile.h"
#include "loader/LoaderView.h"
#include "loader/SharedValues.h"
#include "loader/TickSource.h"
#include "serial/CommPort.h"
#include "serial/PortList.h"
#include "ui/EventPump.h"
#include "ui/FirmwareSlots.h"

#include <QFileDialog>
#include <QList>
#include <QWidget>

#include <array>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace ui {
class PortDeviceBox;
class RadioGroup;
class StatusPanelBar;
} // namespace ui

// The loader's main window: the connection controls on the left, the instruction picture
// and later the Boot mode page with the four firmware file slots on the right, the progress
// bar and the six status panels at the bottom. Connect runs the whole connection inside
// its handler; the other buttons only leave requests in the shared values for it.
class TForm3 : public QWidget, public loader::LoaderView {
    Q_OBJECT

public:
    static constexpr int kClientWidthPx = 707;
    static constexpr int kClientHeightPx = 464;

    explicit TForm3(QList<serial::PortEntry> ports = serial::presentPorts(),
                    QWidget *parent = nullptr);
    ~TForm3() override;

    loader::SharedValues &shared() { return m_shared; }
    QFileDialog &fileDialog() { return OD2; }
    serial::CommPort &commPort() { return nrComm1; }
    bool connectionRunning() const { return m_connectionRunning; }

    // Event handlers.
    void FormCreate();
    void Button8Click(); // Connect: returns when the connection has ended
    void Button2Click(); // Disconnect
    void Button1Click(); // Send all
    void BitBtn9Click(); // Reboot
    void BitBtn1Click(); // file pickers of slots 1-4
    void BitBtn3Click();
    void BitBtn5Click();
    void BitBtn7Click();
    void nrDeviceBox1Change(const QString &portName);
    void nrComm1PortLost(const QString &portName, const QString &reason);

    // loader::LoaderView
    void setPanelText(int panel, const std::string &text) override;
    void setProgressRange(std::int32_t minimum, std::int32_t maximum) override;
    void setProgressPosition(std::int32_t position) override;
    void setChipPictureVisible(bool visible) override;
    void showBootModePage() override;
    int linkTypeIndex() const override;
    std::string slotPath(int slot) const override;
    void reportFileError(const std::string &path, const std::string &reason) override;
    void processEvents(std::uint32_t maxWaitMs) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

    // Runs one connection to its end. Tests replace it to act from inside a connection.
    virtual void runConnection();

private:
    void createControls(const QList<serial::PortEntry> &ports);
    void connectHandlers();
    void pickSlotFile(int slotIndex);

    // The serial port and the open dialog come first: controls refer to them.
    serial::CommPort nrComm1;
    QFileDialog OD2{this};

    loader::SharedValues m_shared;
    loader::SteadyTickSource m_ticks;
    loader::DiskFileSource m_files;
    ui::EventPump m_events;

    bool m_connectionRunning = false;
    bool m_closeWhenConnectionEnds = false;
    bool m_placedOnScreen = false;

    QFrame *Panel1 = nullptr;
    ui::PortDeviceBox *nrDeviceBox1 = nullptr;
    QPushButton *Button8 = nullptr;
    QPushButton *Button2 = nullptr;
    QLabel *Image1 = nullptr;
    ui::RadioGroup *RadioGroup1 = nullptr;
    QLabel *Image3 = nullptr;
    QTabWidget *cxPageControl1 = nullptr;
    QWidget *TabSheet2 = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *BitBtn9 = nullptr;
    std::array<ui::FirmwareSlot, ui::kFirmwareSlotSpecs.size()> m_slots{};
    QProgressBar *ProgressBar1 = nullptr;
    ui::StatusPanelBar *StatusBar1 = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *Visible1 = nullptr;
};
