#pragma once

#include <QFrame>
#include <QString>

#include <array>

class QLabel;

namespace ui {

// The status bar: six text panels of fixed widths, left to right. A panel keeps its text
// until it is written again.
class StatusPanelBar final : public QFrame {
    Q_OBJECT

public:
    static constexpr std::array<int, 6> kPanelWidthsPx{100, 200, 50, 50, 50, 50};
    static constexpr int kPanelCount = static_cast<int>(kPanelWidthsPx.size());

    explicit StatusPanelBar(QWidget *parent = nullptr);

    // A text equal to the one shown is not set again: the repaint it causes would wake an
    // idle connection loop at every iteration. An index outside 0-5 is ignored.
    void setPanelText(int panel, const QString &text);
    QString panelText(int panel) const;
    QLabel *panel(int panel) const;

private:
    std::array<QLabel *, kPanelCount> m_panels{};
};

} // namespace ui
