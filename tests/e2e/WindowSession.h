#pragma once

// A real window, its real serial port and a simulated unit on a pseudo-terminal. Connect
// runs the whole connection inside its handler, so the test acts from inside it: a timer
// walks through a script of steps, each waiting for its condition, and presses Disconnect
// after the last one (or when the deadline has passed).

#include "ui/Unit3.h"
#include "unit-sim/SimulatedUnit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;

// Closes the message boxes that are shown; returns whether one of them mentions `text`.
inline bool closeMessageBoxes(const QString &text = {}) {
    bool mentioned = false;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (box == nullptr || !box->isVisible())
            continue;
        mentioned = mentioned || (!text.isEmpty() && box->text().contains(text));
        box->close();
    }
    return mentioned;
}

// The window, keeping every status text it was given.
class RecordingForm : public TForm3 {
public:
    RecordingForm() : TForm3(QList<serial::PortEntry>{}) {}

    std::vector<std::pair<int, std::string>> panelLog;
    int eventPasses = 0;

    void processEvents(std::uint32_t maxWaitMs) override {
        ++eventPasses;
        TForm3::processEvents(maxWaitMs);
    }

    void setPanelText(int panel, const std::string &text) override {
        if (panelLog.empty() || panelLog.back() != std::pair{panel, text})
            panelLog.emplace_back(panel, text);
        TForm3::setPanelText(panel, text);
    }
    bool panelShowed(int panel, const std::string &text) const {
        for (const auto &entry : panelLog) {
            if (entry == std::pair{panel, text})
                return true;
        }
        return false;
    }
};

class WindowSession {
public:
    explicit WindowSession(unitsim::UnitOptions options = {}) : m_unit(std::move(options)) {}

    // Starts the unit and points the window's port at it.
    void startUnit() {
        std::string error;
        ASSERT_TRUE(m_unit.start(error)) << error;
        form.commPort().setPortName(QString::fromStdString(m_unit.portPath()));
    }

    unitsim::SimulatedUnit &unit() { return m_unit; }

    QString panel(int index) const {
        const auto *label = form.findChild<QLabel *>(QStringLiteral("StatusPanel%1").arg(index));
        return label != nullptr ? label->text() : QStringLiteral("<no panel>");
    }
    bool visible(const char *name) const {
        const auto *widget = form.findChild<QWidget *>(QString::fromLatin1(name));
        return widget != nullptr && widget->isVisibleTo(&form);
    }
    void setPath(int slot, const std::string &path) {
        auto *box = form.findChild<QLineEdit *>(QStringLiteral("Edit%1").arg(slot));
        ASSERT_NE(box, nullptr);
        box->setText(QString::fromStdString(path));
    }
    std::int32_t state() { return form.shared().LoaderState; }

    // Adds a step: when `ready` holds, `act` runs and the next step is awaited.
    void then(std::string what, std::function<bool()> ready, std::function<void()> act = {}) {
        m_steps.push_back({std::move(what), std::move(ready), std::move(act)});
    }

    // Presses Connect and returns when the connection has ended. Fails the test when a
    // step was still waiting at the deadline.
    void connect(std::chrono::milliseconds deadline = 20s) {
        form.show();
        std::size_t next = 0;
        QElapsedTimer clock;
        clock.start();
        QTimer driver;
        driver.setInterval(2);
        QObject::connect(&driver, &QTimer::timeout, [&] {
            while (next < m_steps.size() && m_steps[next].ready()) {
                if (m_steps[next].act)
                    m_steps[next].act();
                ++next;
            }
            if (next == m_steps.size() || clock.elapsed() > deadline.count()) {
                driver.stop();
                form.Button2Click();
            }
        });
        driver.start();
        form.Button8Click();
        EXPECT_EQ(next, m_steps.size())
            << "still waiting for: " << (next < m_steps.size() ? m_steps[next].what : "");
        m_steps.clear();
    }

    RecordingForm form;

private:
    struct Step {
        std::string what;
        std::function<bool()> ready;
        std::function<void()> act;
    };
    unitsim::SimulatedUnit m_unit;
    std::vector<Step> m_steps;
};

} // namespace e2e
