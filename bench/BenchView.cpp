#include "BenchView.h"

#include "loader/StatusTexts.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace bench {

void BenchView::setSlotPath(int slot, std::string path) {
    if (slot >= 1 && slot <= kSlotCount)
        m_slotPaths[static_cast<std::size_t>(slot - 1)] = std::move(path);
}

void BenchView::setPanelText(int panel, const std::string &text) {
    if (panel < 0 || panel >= kPanelCount)
        return;
    std::string &shown = m_panels[static_cast<std::size_t>(panel)];
    if (shown == text)
        return;
    shown = text;
    if (panel == loader::texts::kPanelFileStatus)
        m_fileStatusHistory.push_back(text);
}

std::string BenchView::slotPath(int slot) const {
    if (slot < 1 || slot > kSlotCount)
        return {};
    return m_slotPaths[static_cast<std::size_t>(slot - 1)];
}

void BenchView::reportFileError(const std::string &path, const std::string &reason) {
    m_fileError = path + ": " + reason;
}

void BenchView::processEvents(std::uint32_t maxWaitMs) {
    ++m_eventPasses;
    if (m_polling == Polling::NeverWait)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    else
        m_pump.processEvents(maxWaitMs);
    if (m_afterEvents)
        m_afterEvents();
}

} // namespace bench
