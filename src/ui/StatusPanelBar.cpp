#include "ui/StatusPanelBar.h"

#include <QHBoxLayout>
#include <QLabel>

namespace ui {

namespace {
constexpr int kPanelTextIndentPx = 2; // keeps text off the panel's bevel
}

StatusPanelBar::StatusPanelBar(QWidget *parent) : QFrame(parent) {
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < kPanelCount; ++i) {
        auto *label = new QLabel(this);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setFixedWidth(kPanelWidthsPx[static_cast<std::size_t>(i)]);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setIndent(kPanelTextIndentPx);
        label->setTextFormat(Qt::PlainText);
        layout->addWidget(label);
        m_panels[static_cast<std::size_t>(i)] = label;
    }
    layout->addStretch(1);
}

void StatusPanelBar::setPanelText(int panel, const QString &text) {
    QLabel *label = this->panel(panel);
    if (label && label->text() != text)
        label->setText(text);
}

QString StatusPanelBar::panelText(int panel) const {
    const QLabel *label = this->panel(panel);
    return label ? label->text() : QString();
}

QLabel *StatusPanelBar::panel(int panel) const {
    if (panel < 0 || panel >= kPanelCount)
        return nullptr;
    return m_panels[static_cast<std::size_t>(panel)];
}

} // namespace ui
