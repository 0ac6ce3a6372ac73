// The four firmware file slots and their shared open dialog, driven as a person would:
// the "..." button opens the dialog, the test picks a file in it or cancels.

#include "WindowProbe.h"

#include "ui/Unit3.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using uitest::control;

const QString kUnpicked = QStringLiteral("Select file....");

struct SlotCase {
    int slot; // as numbered on screen
    const char *picker;
    const char *pathBox;
    const char *defaultFileName;
};

const SlotCase kSlots[] = {
    {1, "BitBtn1", "Edit1", "os.pr"},
    {2, "BitBtn3", "Edit2", "firmware.rs"},
    {3, "BitBtn5", "Edit3", "firmware.bk"},
    {4, "BitBtn7", "Edit4", "firmware.pr"},
};

// What the dialog showed when it came up.
struct DialogSeen {
    bool shown = false;
    QString fileName;
    QString defaultSuffix;
    QString directory;
};

class FirmwareSlots : public testing::Test {
protected:
    FirmwareSlots() { window.show(); }

    // Presses `picker`; once the dialog shows, notes what it shows and runs `act` in it.
    DialogSeen runPicker(const char *picker, std::function<void(QFileDialog &)> act) {
        DialogSeen seen;
        QFileDialog &dialog = window.fileDialog();
        uitest::actWhenShown(
            dialog,
            [&] {
                seen.fileName = QFileInfo(dialog.selectedFiles().value(0)).fileName();
                seen.defaultSuffix = dialog.defaultSuffix();
                seen.directory = dialog.directory().absolutePath();
                act(dialog);
            },
            seen.shown);
        control<QPushButton>(window, picker)->click();
        return seen;
    }

    // Types `path` into the dialog's file name box, as a person would, and confirms.
    DialogSeen pickFile(const char *picker, const QString &path) {
        return runPicker(picker, [path](QFileDialog &dialog) {
            auto *fileName = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(fileName, nullptr);
            fileName->setText(path);
            static_cast<QDialog &>(dialog).accept(); // QFileDialog's own accept()
        });
    }

    DialogSeen cancel(const char *picker) {
        return runPicker(picker, [](QFileDialog &dialog) { dialog.reject(); });
    }

    QString makeFile(const QString &name) {
        const QString path = QDir(folder.path()).filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("firmware");
        return QFileInfo(path).absoluteFilePath();
    }

    QString pathBoxText(const char *name) { return control<QLineEdit>(window, name)->text(); }

    QTemporaryDir folder;
    TForm3 window{QList<serial::PortEntry>{}};
};

TEST_F(FirmwareSlots, ConfirmedFileGoesIntoItsOwnBoxOnly) {
    for (const SlotCase &slot : kSlots) {
        SCOPED_TRACE(slot.picker);
        window.fileDialog().setDirectory(QStringLiteral("/"));
        for (const SlotCase &other : kSlots)
            control<QLineEdit>(window, other.pathBox)->setText(kUnpicked);

        const QString picked = makeFile(QStringLiteral("picked-%1.bin").arg(slot.slot));
        const DialogSeen seen = pickFile(slot.picker, picked);

        ASSERT_TRUE(seen.shown);
        EXPECT_EQ(seen.fileName, QString::fromLatin1(slot.defaultFileName));
        EXPECT_EQ(seen.defaultSuffix, QString::fromLatin1(slot.defaultFileName));
        for (const SlotCase &other : kSlots)
            EXPECT_EQ(pathBoxText(other.pathBox),
                      other.slot == slot.slot ? QDir::toNativeSeparators(picked) : kUnpicked)
                << other.pathBox;
        EXPECT_EQ(window.slotPath(slot.slot), QDir::toNativeSeparators(picked).toStdString());
    }
}

TEST_F(FirmwareSlots, CancelLeavesTheBoxAsItWas) {
    for (const SlotCase &slot : kSlots) {
        SCOPED_TRACE(slot.picker);
        const DialogSeen first = cancel(slot.picker);
        ASSERT_TRUE(first.shown);
        EXPECT_EQ(first.fileName, QString::fromLatin1(slot.defaultFileName));
        EXPECT_EQ(pathBoxText(slot.pathBox), kUnpicked);

        control<QLineEdit>(window, slot.pathBox)->setText(QStringLiteral("typed by hand"));
        ASSERT_TRUE(cancel(slot.picker).shown);
        EXPECT_EQ(pathBoxText(slot.pathBox), QStringLiteral("typed by hand"));
    }
}

TEST_F(FirmwareSlots, DialogStartsAtTheRootShowingAllFiles) {
    QFileDialog &dialog = window.fileDialog();
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
    for (const QString &filter : dialog.nameFilters())
        EXPECT_TRUE(filter.contains(QStringLiteral("(*)"))) << filter.toStdString();

    const DialogSeen seen = cancel("BitBtn1");
    ASSERT_TRUE(seen.shown);
#ifdef Q_OS_WIN
    EXPECT_EQ(QDir(seen.directory), QDir(QStringLiteral("c:/")));
#else
    EXPECT_EQ(seen.directory, QStringLiteral("/"));
#endif
}

TEST_F(FirmwareSlots, DialogKeepsItsFolderAcrossPickers) {
    const QString picked = makeFile(QStringLiteral("os-image.bin"));
    ASSERT_TRUE(pickFile("BitBtn1", picked).shown);

    const DialogSeen next = cancel("BitBtn7");
    ASSERT_TRUE(next.shown);
    EXPECT_EQ(QDir(next.directory), QDir(folder.path()));
    EXPECT_EQ(next.fileName, QStringLiteral("firmware.pr"));
    EXPECT_EQ(pathBoxText("Edit1"), QDir::toNativeSeparators(picked));
    EXPECT_EQ(pathBoxText("Edit4"), kUnpicked);
}

TEST_F(FirmwareSlots, NameOfAFileNotThereYetIsTakenAsTypedByHand) {
    // The slots take any path, as a hand-typed one; flashing reports a missing file.
    const QString absent = QDir(folder.path()).filePath(QStringLiteral("not-there.pr"));
    ASSERT_TRUE(pickFile("BitBtn3", absent).shown);
    EXPECT_EQ(pathBoxText("Edit2"), QDir::toNativeSeparators(absent));
}

} // namespace
