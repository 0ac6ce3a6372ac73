#include "ui/FirmwareSlots.h"

#include "ui/UiFonts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

namespace ui {

namespace {
constexpr char kPickerText[] = "...";
}

std::array<FirmwareSlot, kFirmwareSlotSpecs.size()> createFirmwareSlots(QWidget *page) {
    std::array<FirmwareSlot, kFirmwareSlotSpecs.size()> created;
    for (std::size_t i = 0; i < kFirmwareSlotSpecs.size(); ++i) {
        const FirmwareSlotSpec &spec = kFirmwareSlotSpecs[i];
        FirmwareSlot &slot = created[i];

        slot.caption = new QLabel(QString::fromLatin1(spec.captionText), page);
        slot.caption->setObjectName(QString::fromLatin1(spec.captionName));
        slot.caption->setFont(tahomaFont(kSlotCaptionFontPx));
        slot.caption->move(spec.captionPos);
        slot.caption->adjustSize(); // a caption is as large as its text

        slot.pathBox = new QLineEdit(QString::fromLatin1(kUnpickedPathText), page);
        slot.pathBox->setObjectName(QString::fromLatin1(spec.pathBoxName));
        slot.pathBox->setGeometry(spec.pathBoxRect);

        slot.picker = new QPushButton(QString::fromLatin1(kPickerText), page);
        slot.picker->setObjectName(QString::fromLatin1(spec.pickerName));
        slot.picker->setGeometry(spec.pickerRect);

        slot.defaultFileName = QString::fromLatin1(spec.defaultFileName);
    }
    return created;
}

} // namespace ui
