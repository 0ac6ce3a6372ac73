// The Carbon look: applied whole when its parts can be had, not at all otherwise.
#include "app/CarbonStyle.h"
#include "app/FontSetup.h"

#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr QPalette::ColorGroup kGroups[] = {QPalette::Active, QPalette::Inactive,
                                            QPalette::Disabled};

const char *groupName(QPalette::ColorGroup group) {
    switch (group) {
    case QPalette::Active:
        return "Active";
    case QPalette::Inactive:
        return "Inactive";
    default:
        return "Disabled";
    }
}

// Each test starts from Qt's standard look and leaves it behind again.
class CarbonStyleTest : public ::testing::Test {
protected:
    void SetUp() override { restoreStandardLook(); }
    void TearDown() override { restoreStandardLook(); }

    static void restoreStandardLook() {
        qApp->setStyleSheet(QString());
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Windows")));
        QApplication::setPalette(QApplication::style()->standardPalette());
    }

    static QApplication &application() { return *qApp; }
};

TEST_F(CarbonStyleTest, AppliesFusionDarkPaletteAndSheet) {
    QString error = QStringLiteral("left over");
    ASSERT_TRUE(app::applyCarbonStyle(application(), error)) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());

    EXPECT_FALSE(qApp->styleSheet().isEmpty());
    // Qt wraps the base style in a style sheet style, which owns it.
    const QStyle *baseStyle = QApplication::style()->findChild<QStyle *>();
    ASSERT_NE(baseStyle, nullptr);
    EXPECT_EQ(baseStyle->name().compare(QStringLiteral("Fusion"), Qt::CaseInsensitive), 0)
        << baseStyle->name().toStdString();

    const QPalette palette = QApplication::palette();
    for (QPalette::ColorGroup group : kGroups) {
        SCOPED_TRACE(groupName(group));
        EXPECT_LT(palette.color(group, QPalette::Window).lightness(), 80);
        EXPECT_LT(palette.color(group, QPalette::Base).lightness(), 80);
        EXPECT_LT(palette.color(group, QPalette::Button).lightness(), 80);
    }
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        SCOPED_TRACE(groupName(group));
        for (QPalette::ColorRole role :
             {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            EXPECT_GT(palette.color(group, role).lightness(), 180) << role;
    }
}

TEST_F(CarbonStyleTest, DisabledTextIsGreyedButReadable) {
    QString error;
    ASSERT_TRUE(app::applyCarbonStyle(application(), error)) << error.toStdString();
    const QPalette palette = QApplication::palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        SCOPED_TRACE(role);
        const QColor active = palette.color(QPalette::Active, role);
        const QColor disabled = palette.color(QPalette::Disabled, role);
        EXPECT_LT(disabled.lightness(), active.lightness() - 40);
        // Still apart from the background it is drawn on.
        EXPECT_GT(disabled.lightness(),
                  palette.color(QPalette::Disabled, QPalette::Window).lightness() + 40);
    }
}

TEST_F(CarbonStyleTest, PaletteSetsEveryRoleInEveryGroup) {
    // A role left unset would fall back to Qt's light default and show as a bright patch.
    const QPalette carbon = app::carbonPalette();
    for (QPalette::ColorGroup group : kGroups) {
        SCOPED_TRACE(groupName(group));
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            if (role == QPalette::NoRole)
                continue;
            EXPECT_TRUE(carbon.isBrushSet(group, static_cast<QPalette::ColorRole>(role))) << role;
        }
    }
}

TEST_F(CarbonStyleTest, UnusableSheetLeavesTheStandardLookAndNamesTheFile) {
    const QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const QString emptyFile = directory.filePath(QStringLiteral("empty.qss"));
    QFile file(emptyFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(" \n\t\n");
    file.close();

    struct FailureCase {
        const char *name;
        QString path;
    };
    const FailureCase cases[] = {
        {"missing file", directory.filePath(QStringLiteral("carbon.qss"))},
        {"empty file", emptyFile},
        {"a folder", directory.path()},
    };
    for (const FailureCase &failure : cases) {
        SCOPED_TRACE(failure.name);
        const QString styleBefore = QApplication::style()->name();
        const QPalette paletteBefore = QApplication::palette();

        QString error;
        EXPECT_FALSE(app::applyCarbonStyle(application(), failure.path, error));
        EXPECT_TRUE(error.contains(failure.path)) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("Carbon"))) << error.toStdString();
        EXPECT_EQ(QApplication::style()->name(), styleBefore);
        EXPECT_EQ(QApplication::palette(), paletteBefore);
        EXPECT_TRUE(qApp->styleSheet().isEmpty());
    }
}

TEST_F(CarbonStyleTest, ControlsFitTheirFixedHeights) {
    // The window places its controls at fixed sizes for an 11 px Tahoma; the sheet's
    // borders and paddings must leave room for the text inside them.
    ASSERT_TRUE(app::registerTahomaIfMissing());
    QString error;
    ASSERT_TRUE(app::applyCarbonStyle(application(), error)) << error.toStdString();
    QFont font(QString::fromLatin1(app::kWindowFontFamily));
    font.setPixelSize(11);

    QLineEdit edit;
    QComboBox combo;
    combo.addItem(QStringLiteral("COM3 (USB Serial Port)"));
    QPushButton button(QStringLiteral("Connect"));
    struct Case {
        QWidget *widget;
        int fixedHeightPx;
    };
    const Case cases[] = {{&edit, 21}, {&combo, 21}, {&button, 25}};
    for (const Case &control : cases) {
        SCOPED_TRACE(control.widget->metaObject()->className());
        control.widget->setFont(font);
        control.widget->ensurePolished();
        EXPECT_LE(control.widget->sizeHint().height(), control.fixedHeightPx);
        EXPECT_LE(control.widget->minimumSizeHint().height(), control.fixedHeightPx);
        control.widget->resize(128, control.fixedHeightPx);
        EXPECT_GE(control.widget->contentsRect().height(), QFontMetrics(font).height());
    }
}

} // namespace
