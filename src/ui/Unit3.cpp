#include "ui/Unit3.h"

#include "assets/AssetPaths.h"
#include "loader/Connection.h"
#include "loader/LoaderStates.h"
#include "ui/ErrorBox.h"
#include "ui/FirmwareFileDialog.h"
#include "ui/PortDeviceBox.h"
#include "ui/RadioGroup.h"
#include "ui/StatusPanelBar.h"
#include "ui/SvgPixmap.h"
#include "ui/UiFonts.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>

namespace {

const QString kCaption = QStringLiteral("Kestrune Loader 7.82 (Harware version 7.x)");

constexpr QSize kInstructionPictureSize{561, 387};
constexpr QSize kChipPictureSize{128, 128};
constexpr QSize kIconSize{64, 64};

constexpr QRect kPanel1Rect{0, 0, 153, 423};
constexpr QRect kDeviceBoxRect{11, 18, 128, 21};
constexpr QRect kConnectRect{11, 47, 128, 25};
constexpr QRect kDisconnectRect{11, 78, 128, 25};
constexpr QRect kChipRect{11, 135, 128, 128};
constexpr QRect kLinkTypeRect{11, 261, 128, 105};
constexpr QRect kInstructionRect{150, 20, 561, 441};
constexpr QRect kPageControlRect{153, 0, 554, 423};
constexpr QRect kSendAllRect{120, 208, 257, 65};
constexpr QRect kRebootRect{120, 296, 257, 62};
constexpr QRect kProgressRect{0, 423, 707, 22};
constexpr QRect kStatusBarRect{0, 445, 707, 19};

const QStringList kLinkTypes{QStringLiteral("UART"), QStringLiteral("Bluetooth"),
                             QStringLiteral("WiFi")};
constexpr int kDefaultLinkType = 0;

template<typename Widget> Widget *named(Widget *widget, const char *objectName) {
    widget->setObjectName(QString::fromLatin1(objectName));
    return widget;
}

} // namespace

TForm3::TForm3(QList<serial::PortEntry> ports, QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(kCaption);
    setWindowIcon(QIcon(ui::renderSvgPixmap(QString::fromLatin1(assets::kIconPicture), kIconSize)));
    setFixedSize(kClientWidthPx, kClientHeightPx);
    setFont(ui::tahomaFont(ui::kWindowFontPx));
    QPalette colours = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        colours.setColor(group, QPalette::Window, colours.color(group, QPalette::Button));
    setPalette(colours);
    setAutoFillBackground(true);

    nrComm1.setObjectName(QStringLiteral("nrComm1"));
    nrComm1.setPortName(serial::defaultPortName());
    OD2.setObjectName(QStringLiteral("OD2"));
    ui::setUpFirmwareFileDialog(OD2);

    createControls(ports);
    ui::setFontOfControls(*this, font());
    connectHandlers();
    FormCreate();
}

TForm3::~TForm3() = default;

void TForm3::createControls(const QList<serial::PortEntry> &ports) {
    // The picture lies beneath everything else: the left panel overlaps its edge and the
    // Boot mode page covers it.
    Image3 = named(new QLabel(this), "Image3");
    Image3->setGeometry(kInstructionRect);
    Image3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image3->setPixmap(ui::renderSvgPixmap(QString::fromLatin1(assets::kInstructionPicture),
                                          kInstructionPictureSize));

    Panel1 = named(new QFrame(this), "Panel1");
    Panel1->setGeometry(kPanel1Rect);
    Panel1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Panel1->setLineWidth(1);
    Panel1->setAutoFillBackground(true); // hides the picture's edge beneath it

    nrDeviceBox1 = named(new ui::PortDeviceBox(ports, Panel1), "nrDeviceBox1");
    nrDeviceBox1->setGeometry(kDeviceBoxRect);
    nrDeviceBox1->showPort(nrComm1.portName());

    Button8 = named(new QPushButton(QStringLiteral("Connect"), Panel1), "Button8");
    Button8->setGeometry(kConnectRect);
    Button2 = named(new QPushButton(QStringLiteral("Disconnect"), Panel1), "Button2");
    Button2->setGeometry(kDisconnectRect);

    Image1 = named(new QLabel(Panel1), "Image1");
    Image1->setGeometry(kChipRect);
    Image1->setPixmap(
        ui::renderSvgPixmap(QString::fromLatin1(assets::kChipPicture), kChipPictureSize));
    Image1->hide();

    RadioGroup1 = named(new ui::RadioGroup(kLinkTypes, Panel1), "RadioGroup1");
    RadioGroup1->setGeometry(kLinkTypeRect);
    RadioGroup1->setItemIndex(kDefaultLinkType);

    cxPageControl1 = named(new QTabWidget(this), "cxPageControl1");
    cxPageControl1->setGeometry(kPageControlRect);
    TabSheet2 = named(new QWidget, "TabSheet2");
    cxPageControl1->addTab(TabSheet2, QStringLiteral("Boot mode"));
    cxPageControl1->hide();

    m_slots = ui::createFirmwareSlots(TabSheet2);

    Button1 = named(new QPushButton(QStringLiteral("Send all"), TabSheet2), "Button1");
    Button1->setGeometry(kSendAllRect);
    Button1->setFont(ui::tahomaFont(ui::kActionButtonFontPx));
    BitBtn9 = named(new QPushButton(QStringLiteral("Reboot"), TabSheet2), "BitBtn9");
    BitBtn9->setGeometry(kRebootRect);
    BitBtn9->setFont(ui::tahomaFont(ui::kActionButtonFontPx));

    ProgressBar1 = named(new QProgressBar(this), "ProgressBar1");
    ProgressBar1->setGeometry(kProgressRect);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setValue(0);

    StatusBar1 = named(new ui::StatusPanelBar(this), "StatusBar1");
    StatusBar1->setGeometry(kStatusBarRect);

    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    Visible1 = named(PopupMenu1->addAction(QStringLiteral("Visible")), "Visible1");
    StatusBar1->setContextMenuPolicy(Qt::CustomContextMenu);
}

void TForm3::connectHandlers() {
    connect(Button8, &QPushButton::clicked, this, &TForm3::Button8Click);
    connect(Button2, &QPushButton::clicked, this, &TForm3::Button2Click);
    connect(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
    connect(BitBtn9, &QPushButton::clicked, this, &TForm3::BitBtn9Click);
    connect(m_slots[0].picker, &QPushButton::clicked, this, &TForm3::BitBtn1Click);
    connect(m_slots[1].picker, &QPushButton::clicked, this, &TForm3::BitBtn3Click);
    connect(m_slots[2].picker, &QPushButton::clicked, this, &TForm3::BitBtn5Click);
    connect(m_slots[3].picker, &QPushButton::clicked, this, &TForm3::BitBtn7Click);
    connect(nrDeviceBox1, &ui::PortDeviceBox::portChosen, this, &TForm3::nrDeviceBox1Change);
    connect(&nrComm1, &serial::CommPort::portLost, this, &TForm3::nrComm1PortLost);
    connect(StatusBar1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(StatusBar1->mapToGlobal(pos)); });
    // Visible1 is deliberately left without a handler: the item does nothing.
}

void TForm3::FormCreate() {}

void TForm3::Button8Click() {
    if (m_connectionRunning)
        return; // no connection inside a connection
    m_connectionRunning = true;
    runConnection();
    m_connectionRunning = false;
    if (m_closeWhenConnectionEnds) {
        m_closeWhenConnectionEnds = false;
        close();
    }
}

void TForm3::runConnection() {
    loader::Connection(nrComm1, *this, m_ticks, m_files, m_shared).run();
}

void TForm3::Button2Click() {
    m_shared.StopRequested = true;
}

void TForm3::Button1Click() {
    m_shared.LoaderState = loader::states::kSendAll;
}

void TForm3::BitBtn9Click() {
    m_shared.LoaderState = loader::states::kReboot;
}

void TForm3::BitBtn1Click() {
    pickSlotFile(0);
}
void TForm3::BitBtn3Click() {
    pickSlotFile(1);
}
void TForm3::BitBtn5Click() {
    pickSlotFile(2);
}
void TForm3::BitBtn7Click() {
    pickSlotFile(3);
}

void TForm3::pickSlotFile(int slotIndex) {
    ui::FirmwareSlot &slot = m_slots[static_cast<std::size_t>(slotIndex)];
    ui::pickFirmwareFile(OD2, slot.defaultFileName, *slot.pathBox);
}

void TForm3::nrDeviceBox1Change(const QString &portName) {
    if (portName == nrComm1.portName())
        return;
    if (!nrComm1.isOpen()) {
        nrComm1.setPortName(portName); // takes effect at the next opening
        return;
    }
    QString reason;
    if (!nrComm1.switchPort(portName, reason))
        ui::showErrorBox(this,
                         tr("The serial port %1 could not be opened: %2").arg(portName, reason));
}

void TForm3::nrComm1PortLost(const QString &portName, const QString &reason) {
    ui::showErrorBox(this, tr("The serial port %1 was lost: %2\n\n"
                              "Reconnect the adapter, then press Disconnect and then Connect.")
                               .arg(portName, reason));
}

void TForm3::setPanelText(int panel, const std::string &text) {
    StatusBar1->setPanelText(panel, QString::fromStdString(text));
}

void TForm3::setProgressRange(std::int32_t minimum, std::int32_t maximum) {
    // An empty range would turn the bar into a busy indicator; an empty file shows an
    // empty bar instead.
    ProgressBar1->setRange(minimum, maximum > minimum ? maximum : minimum + 1);
    ProgressBar1->setValue(minimum);
}

void TForm3::setProgressPosition(std::int32_t position) {
    ProgressBar1->setValue(position);
}

void TForm3::setChipPictureVisible(bool visible) {
    Image1->setVisible(visible);
}

void TForm3::showBootModePage() {
    cxPageControl1->setCurrentWidget(TabSheet2);
    cxPageControl1->show();
}

int TForm3::linkTypeIndex() const {
    return RadioGroup1->itemIndex();
}

std::string TForm3::slotPath(int slot) const {
    if (slot < 1 || slot > ui::kFirmwareSlotCount)
        return {};
    return m_slots[static_cast<std::size_t>(slot - 1)].pathBox->text().toStdString();
}

void TForm3::reportFileError(const std::string &path, const std::string &reason) {
    ui::showErrorBox(this, tr("The firmware file %1 could not be read: %2")
                               .arg(QString::fromStdString(path), QString::fromStdString(reason)));
}

void TForm3::processEvents(std::uint32_t maxWaitMs) {
    m_events.processEvents(maxWaitMs);
}

void TForm3::closeEvent(QCloseEvent *event) {
    if (m_connectionRunning) {
        // The connection's loop runs inside Button8Click, further up this very stack: end
        // it as Disconnect does and close once it has returned.
        m_shared.StopRequested = true;
        m_closeWhenConnectionEnds = true;
        event->ignore();
        return;
    }
    nrComm1.close();
    QWidget::closeEvent(event);
}

void TForm3::showEvent(QShowEvent *event) {
    if (!m_placedOnScreen && !event->spontaneous()) {
        m_placedOnScreen = true;
        if (const QScreen *screen =
                this->screen() ? this->screen() : QGuiApplication::primaryScreen())
            setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                            screen->availableGeometry()));
    }
    QWidget::showEvent(event);
}
