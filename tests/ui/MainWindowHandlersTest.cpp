// What the window's buttons, menu and port notifications do, how the window serves the
// connection (status panels, progress, pictures, slots, error boxes), and how Connect and
// closing behave while a connection runs.

#include "WindowProbe.h"

#include "ui/RadioGroup.h"
#include "ui/StatusPanelBar.h"
#include "ui/Unit3.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

using uitest::control;

constexpr std::int32_t kUntouchedState = 4242;

class MainWindowHandlers : public testing::Test {
protected:
    MainWindowHandlers() {
        window.shared().LoaderState = kUntouchedState;
        window.show();
    }
    ~MainWindowHandlers() override { uitest::closeMessageBoxes(window); }

    QPushButton &button(const char *name) { return *control<QPushButton>(window, name); }

    TForm3 window{QList<serial::PortEntry>{}};
};

struct ButtonCase {
    const char *button;
    std::int32_t loaderState; // expected afterwards
    bool stopRequested;
};

TEST_F(MainWindowHandlers, ButtonsLeaveTheirRequestAndNothingElse) {
    const ButtonCase cases[] = {
        {"Button1", 140, false},            // Send all
        {"BitBtn9", 250, false},            // Reboot
        {"Button2", kUntouchedState, true}, // Disconnect
    };
    for (const ButtonCase &c : cases) {
        SCOPED_TRACE(c.button);
        window.shared().LoaderState = kUntouchedState;
        window.shared().StopRequested = false;
        button(c.button).click();
        EXPECT_EQ(window.shared().LoaderState, c.loaderState);
        EXPECT_EQ(window.shared().StopRequested, c.stopRequested);
    }
}

TEST_F(MainWindowHandlers, StatusBarMenuOpensOnRightClickAndItsItemDoesNothing) {
    auto *menu = control<QMenu>(window, "PopupMenu1");
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    QAction *visible = menu->actions().first();
    EXPECT_EQ(visible->objectName(), QStringLiteral("Visible1"));
    EXPECT_EQ(visible->text(), QStringLiteral("Visible"));

    QLabel *panel = control<ui::StatusPanelBar>(window, "StatusBar1")->panel(1);
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5),
                                 panel->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(panel, &rightClick);
    EXPECT_TRUE(menu->isVisible());
    menu->close();

    window.setPanelText(0, "try connect 3");
    window.shared().StopRequested = false;
    visible->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(window.shared().LoaderState, kUntouchedState);
    EXPECT_FALSE(window.shared().StopRequested);
    EXPECT_EQ(control<ui::StatusPanelBar>(window, "StatusBar1")->panelText(0),
              QStringLiteral("try connect 3"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(control<QWidget>(window, "StatusBar1")->isVisible());
    EXPECT_FALSE(control<QWidget>(window, "cxPageControl1")->isVisible());
    EXPECT_TRUE(uitest::shownMessageBoxes(window).isEmpty());
}

TEST_F(MainWindowHandlers, PanelsShowTheirOwnTextAndKeepIt) {
    auto *statusBar = control<ui::StatusPanelBar>(window, "StatusBar1");
    for (int panel = 0; panel < ui::StatusPanelBar::kPanelCount; ++panel)
        window.setPanelText(panel, "text " + std::to_string(panel));
    window.setPanelText(1, "File firmware.rs error");
    window.setPanelText(-1, "nowhere");
    window.setPanelText(ui::StatusPanelBar::kPanelCount, "nowhere");
    QCoreApplication::processEvents();

    for (int panel = 0; panel < ui::StatusPanelBar::kPanelCount; ++panel) {
        const QString expected = panel == 1 ? QStringLiteral("File firmware.rs error")
                                            : QStringLiteral("text %1").arg(panel);
        EXPECT_EQ(statusBar->panelText(panel), expected) << "panel " << panel;
    }
}

TEST_F(MainWindowHandlers, ProgressFollowsRangeAndPosition) {
    auto *progress = control<QProgressBar>(window, "ProgressBar1");
    window.setProgressRange(0, 1000);
    EXPECT_EQ(progress->minimum(), 0);
    EXPECT_EQ(progress->maximum(), 1000);
    EXPECT_EQ(progress->value(), 0);
    window.setProgressPosition(256);
    EXPECT_EQ(progress->value(), 256);
    window.setProgressPosition(1000);
    EXPECT_EQ(progress->value(), 1000);

    // An empty file: the bar must not turn into a busy indicator.
    window.setProgressRange(0, 0);
    window.setProgressPosition(0);
    EXPECT_LT(progress->minimum(), progress->maximum());
    EXPECT_EQ(progress->value(), 0);
}

TEST_F(MainWindowHandlers, ChipPictureAndBootModePageFollowTheConnection) {
    auto *chip = control<QWidget>(window, "Image1");
    auto *pages = control<QTabWidget>(window, "cxPageControl1");
    window.setChipPictureVisible(true);
    EXPECT_TRUE(chip->isVisible());
    window.setChipPictureVisible(false);
    EXPECT_FALSE(chip->isVisible());

    window.showBootModePage();
    EXPECT_TRUE(pages->isVisible());
    EXPECT_EQ(pages->currentWidget()->objectName(), QStringLiteral("TabSheet2"));
    // The page lies over the instruction picture in the right-hand area.
    QWidget *picture = control<QWidget>(window, "Image3");
    QWidget *shownThere = window.childAt(picture->geometry().center());
    EXPECT_TRUE(shownThere && pages->isAncestorOf(shownThere));

    window.setChipPictureVisible(false); // a later Connect hides only the chip
    EXPECT_TRUE(pages->isVisible());
}

TEST_F(MainWindowHandlers, LinkTypeIsTheCheckedItem) {
    auto *linkTypes = control<ui::RadioGroup>(window, "RadioGroup1");
    for (int index : {2, 1, 0}) {
        linkTypes->item(index)->click();
        EXPECT_EQ(window.linkTypeIndex(), index);
    }
}

TEST_F(MainWindowHandlers, SlotPathsAreThePathBoxesAsNumberedOnScreen) {
    const char *boxes[] = {"Edit1", "Edit2", "Edit3", "Edit4"};
    for (int slot = 1; slot <= 4; ++slot)
        control<QLineEdit>(window, boxes[slot - 1])
            ->setText(QStringLiteral("/firmware/\u00fcbung/slot%1.bin").arg(slot));
    for (int slot = 1; slot <= 4; ++slot)
        EXPECT_EQ(window.slotPath(slot), "/firmware/\xc3\xbc"
                                         "bung/slot" +
                                             std::to_string(slot) + ".bin");
    EXPECT_EQ(window.slotPath(0), "");
    EXPECT_EQ(window.slotPath(5), "");
}

TEST_F(MainWindowHandlers, FileErrorIsShownWithoutWaiting) {
    window.reportFileError("/firmware/os.pr", "Permission denied");
    const auto boxes = uitest::shownMessageBoxes(window);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first()->icon(), QMessageBox::Critical);
    EXPECT_TRUE(boxes.first()->text().contains(QStringLiteral("/firmware/os.pr")));
    EXPECT_TRUE(boxes.first()->text().contains(QStringLiteral("Permission denied")));
}

TEST_F(MainWindowHandlers, LostPortIsReportedWithWhatToDoAndNothingElseHappens) {
    window.shared().StopRequested = false;
    emit window.commPort().portLost(QStringLiteral("/dev/ttyUSB0"),
                                    QStringLiteral("No such device"));
    const auto boxes = uitest::shownMessageBoxes(window);
    ASSERT_EQ(boxes.size(), 1);
    const QString text = boxes.first()->text();
    EXPECT_EQ(boxes.first()->icon(), QMessageBox::Critical);
    EXPECT_TRUE(text.contains(QStringLiteral("/dev/ttyUSB0")));
    EXPECT_TRUE(text.contains(QStringLiteral("No such device")));
    EXPECT_LT(text.indexOf(QStringLiteral("Disconnect")),
              text.lastIndexOf(QStringLiteral("Connect")));
    EXPECT_FALSE(window.shared().StopRequested);
    EXPECT_EQ(window.shared().LoaderState, kUntouchedState);
}

// A window whose connection is a script run from inside Button8Click, standing in for the
// connection loop's pass of window events.
class ScriptedConnectionForm : public TForm3 {
public:
    ScriptedConnectionForm() : TForm3(QList<serial::PortEntry>{}) {}
    std::function<void()> duringConnection;
    int connectionsRun = 0;

protected:
    void runConnection() override {
        ++connectionsRun;
        if (duringConnection)
            duringConnection();
    }
};

class ConnectionInWindow : public testing::Test {
protected:
    ConnectionInWindow() { window.show(); }
    QPushButton &connectButton() { return *control<QPushButton>(window, "Button8"); }
    ScriptedConnectionForm window;
};

TEST_F(ConnectionInWindow, ConnectPressedDuringAConnectionIsIgnored) {
    bool runningInside = false;
    window.duringConnection = [&] {
        runningInside = window.connectionRunning();
        connectButton().click();
        connectButton().click();
    };
    connectButton().click();
    EXPECT_TRUE(runningInside);
    EXPECT_EQ(window.connectionsRun, 1);
    EXPECT_FALSE(window.connectionRunning());

    connectButton().click(); // once ended, Connect starts a new connection
    EXPECT_EQ(window.connectionsRun, 2);
}

TEST_F(ConnectionInWindow, ClosingDuringAConnectionStopsItThenCloses) {
    bool stillShownInside = false;
    window.duringConnection = [&] {
        window.shared().StopRequested = false;
        window.close();
        QCoreApplication::processEvents();
        stillShownInside = window.isVisible();
        EXPECT_TRUE(window.shared().StopRequested) << "the loop must be told to end";
    };
    connectButton().click();
    EXPECT_TRUE(stillShownInside) << "the window closed under the running connection";
    EXPECT_FALSE(window.isVisible()) << "the window stayed open after the connection ended";
    EXPECT_FALSE(window.commPort().isOpen());
}

TEST_F(ConnectionInWindow, ClosingWithoutAConnectionClosesAtOnce) {
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.connectionsRun, 0);
    EXPECT_FALSE(window.commPort().isOpen());
}

TEST(RealConnectionInWindow, ClosingWhileThePortStillFailsToOpenEndsTheConnectionAndCloses) {
    constexpr int kCloseAfterMs = 150;
    constexpr int kWatchdogMs = 10000;
    TForm3 window{QList<serial::PortEntry>{}};
    window.commPort().setPortName(QDir(QDir::tempPath()).filePath("no-such-serial-port"));
    window.show();

    bool shownAfterClose = false;
    bool watchdogFired = false;
    QTimer::singleShot(kCloseAfterMs, &window, [&] {
        window.close();
        shownAfterClose = window.isVisible();
    });
    QTimer::singleShot(kWatchdogMs, &window, [&] {
        watchdogFired = true;
        window.Button2Click();
    });
    control<QPushButton>(window, "Button8")->click();

    EXPECT_FALSE(watchdogFired) << "closing did not end the connection";
    EXPECT_TRUE(shownAfterClose);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.connectionRunning());
    EXPECT_FALSE(window.commPort().isOpen());
    EXPECT_TRUE(window.shared().StopRequested);
    EXPECT_TRUE(control<ui::StatusPanelBar>(window, "StatusBar1")
                    ->panelText(0)
                    .startsWith(QStringLiteral("try connect ")));
}

} // namespace
