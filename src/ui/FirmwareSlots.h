#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace ui {

// The text a path box holds until a file is picked or typed.
inline constexpr char kUnpickedPathText[] = "Select file....";

// Where one firmware file slot sits on the Boot mode page, and its names.
struct FirmwareSlotSpec {
    const char *captionName;
    const char *captionText;
    const char *pathBoxName;
    const char *pickerName;
    const char *defaultFileName;
    QPoint captionPos;
    QRect pathBoxRect;
    QRect pickerRect;
};

// The four slots as numbered on screen, top to bottom (slot 1 first).
inline constexpr std::array<FirmwareSlotSpec, 4> kFirmwareSlotSpecs{{
    {"Label1",
     "1. os.pr",
     "Edit1",
     "BitBtn1",
     "os.pr",
     {8, 0},
     {8, 16, 425, 21},
     {439, 14, 35, 25}},
    {"Label2",
     "2. firmware.rs",
     "Edit2",
     "BitBtn3",
     "firmware.rs",
     {8, 43},
     {8, 58, 425, 21},
     {439, 56, 35, 25}},
    {"Label3",
     "3. firmware.bk",
     "Edit3",
     "BitBtn5",
     "firmware.bk",
     {8, 83},
     {8, 98, 425, 21},
     {439, 96, 35, 25}},
    {"Label4",
     "4. firmware.pr",
     "Edit4",
     "BitBtn7",
     "firmware.pr",
     {8, 127},
     {8, 144, 425, 21},
     {439, 142, 35, 25}},
}};
inline constexpr int kFirmwareSlotCount = static_cast<int>(kFirmwareSlotSpecs.size());

// One slot's controls: caption, editable path box and "..." picker button.
struct FirmwareSlot {
    QLabel *caption = nullptr;
    QLineEdit *pathBox = nullptr;
    QPushButton *picker = nullptr;
    QString defaultFileName;
};

// Creates the four slots on `page`, in the order of kFirmwareSlotSpecs.
std::array<FirmwareSlot, kFirmwareSlotSpecs.size()> createFirmwareSlots(QWidget *page);

} // namespace ui
