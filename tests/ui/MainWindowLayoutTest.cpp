// The main window's surface: every control with its name, kind, parent, place and text,
// the start-up state, and texts that fit their controls in the window's typeface.

#include "WindowProbe.h"

#include "app/CarbonStyle.h"
#include "ui/RadioGroup.h"
#include "ui/StatusPanelBar.h"
#include "ui/Unit3.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTabBar>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

using uitest::control;

constexpr int kPositionOnly = -1; // auto-sized controls: only the top-left corner is fixed

struct ControlCase {
    const char *name;
    const char *kind; // class that the control is, or inherits
    const char *parent;
    QRect geometry;
    const char *text; // nullptr: the control shows no text of its own
};

const ControlCase kControls[] = {
    {"Panel1", "QFrame", "Form3", {0, 0, 153, 423}, nullptr},
    {"nrDeviceBox1", "QComboBox", "Panel1", {11, 18, 128, 21}, nullptr},
    {"Button8", "QPushButton", "Panel1", {11, 47, 128, 25}, "Connect"},
    {"Button2", "QPushButton", "Panel1", {11, 78, 128, 25}, "Disconnect"},
    {"Image1", "QLabel", "Panel1", {11, 135, 128, 128}, ""},
    {"RadioGroup1", "ui::RadioGroup", "Panel1", {11, 261, 128, 105}, ""},
    {"Image3", "QLabel", "Form3", {150, 20, 561, 441}, ""},
    {"cxPageControl1", "QTabWidget", "Form3", {153, 0, 554, 423}, nullptr},
    {"Button1", "QPushButton", "TabSheet2", {120, 208, 257, 65}, "Send all"},
    {"BitBtn9", "QPushButton", "TabSheet2", {120, 296, 257, 62}, "Reboot"},
    {"Label1", "QLabel", "TabSheet2", {8, 0, kPositionOnly, kPositionOnly}, "1. os.pr"},
    {"Label2", "QLabel", "TabSheet2", {8, 43, kPositionOnly, kPositionOnly}, "2. firmware.rs"},
    {"Label3", "QLabel", "TabSheet2", {8, 83, kPositionOnly, kPositionOnly}, "3. firmware.bk"},
    {"Label4", "QLabel", "TabSheet2", {8, 127, kPositionOnly, kPositionOnly}, "4. firmware.pr"},
    {"Edit1", "QLineEdit", "TabSheet2", {8, 16, 425, 21}, "Select file...."},
    {"Edit2", "QLineEdit", "TabSheet2", {8, 58, 425, 21}, "Select file...."},
    {"Edit3", "QLineEdit", "TabSheet2", {8, 98, 425, 21}, "Select file...."},
    {"Edit4", "QLineEdit", "TabSheet2", {8, 144, 425, 21}, "Select file...."},
    {"BitBtn1", "QPushButton", "TabSheet2", {439, 14, 35, 25}, "..."},
    {"BitBtn3", "QPushButton", "TabSheet2", {439, 56, 35, 25}, "..."},
    {"BitBtn5", "QPushButton", "TabSheet2", {439, 96, 35, 25}, "..."},
    {"BitBtn7", "QPushButton", "TabSheet2", {439, 142, 35, 25}, "..."},
    {"ProgressBar1", "QProgressBar", "Form3", {0, 423, 707, 22}, nullptr},
    {"StatusBar1", "ui::StatusPanelBar", "Form3", {0, 445, 707, 19}, nullptr},
};

QString textOf(const QWidget &widget) {
    if (auto *button = qobject_cast<const QAbstractButton *>(&widget))
        return button->text();
    if (auto *label = qobject_cast<const QLabel *>(&widget))
        return label->text();
    if (auto *edit = qobject_cast<const QLineEdit *>(&widget))
        return edit->text();
    if (auto *group = qobject_cast<const QGroupBox *>(&widget))
        return group->title();
    return {};
}

bool hasVisiblePixel(const QPixmap &pixmap) {
    const QImage image = pixmap.toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return true;
    return false;
}

class MainWindowLayout : public testing::Test {
protected:
    MainWindowLayout() {
        window.show();
        QCoreApplication::processEvents();
    }
    TForm3 window{QList<serial::PortEntry>{}};
};

TEST_F(MainWindowLayout, EveryControlHasItsNameKindParentPlaceAndText) {
    for (const ControlCase &expected : kControls) {
        SCOPED_TRACE(expected.name);
        QWidget *widget = control<QWidget>(window, expected.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(widget->inherits(expected.kind)) << widget->metaObject()->className();
        ASSERT_NE(widget->parentWidget(), nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromLatin1(expected.parent));
        if (expected.geometry.width() == kPositionOnly) {
            EXPECT_EQ(widget->pos(), expected.geometry.topLeft());
        } else {
            EXPECT_EQ(widget->geometry(), expected.geometry);
        }
        if (expected.text) {
            EXPECT_EQ(textOf(*widget), QString::fromLatin1(expected.text));
        }
    }
}

TEST_F(MainWindowLayout, WindowHasItsCaptionSizeLookAndPlace) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kestrune Loader 7.82 (Harware version 7.x)"));
    EXPECT_EQ(window.size(), QSize(707, 464));
    EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "the window is not resizable";
    EXPECT_EQ(window.objectName(), QStringLiteral("Form3"));
    EXPECT_EQ(window.palette().color(window.backgroundRole()),
              window.palette().color(QPalette::Button));
    EXPECT_TRUE(window.autoFillBackground());
    EXPECT_EQ(window.font().pixelSize(), 11);
    EXPECT_EQ(QFontInfo(window.font()).family(), QStringLiteral("Tahoma"));
    EXPECT_TRUE(window.windowIcon().availableSizes().contains(QSize(64, 64)));

    const QRect screen = window.screen()->availableGeometry();
    EXPECT_LE((window.geometry().center() - screen.center()).manhattanLength(), 2);
}

TEST_F(MainWindowLayout, StartsWithPictureShownPageAndChipHiddenUartChosen) {
    EXPECT_TRUE(control<QWidget>(window, "Image3")->isVisible());
    EXPECT_FALSE(control<QWidget>(window, "Image1")->isVisible());
    EXPECT_FALSE(control<QWidget>(window, "cxPageControl1")->isVisible());

    auto *pages = control<QTabWidget>(window, "cxPageControl1");
    ASSERT_EQ(pages->count(), 1);
    EXPECT_EQ(pages->widget(0)->objectName(), QStringLiteral("TabSheet2"));
    EXPECT_EQ(pages->tabText(0), QStringLiteral("Boot mode"));
    EXPECT_EQ(pages->currentIndex(), 0);

    auto *linkTypes = control<ui::RadioGroup>(window, "RadioGroup1");
    ASSERT_EQ(linkTypes->itemCount(), 3);
    EXPECT_EQ(linkTypes->item(0)->text(), QStringLiteral("UART"));
    EXPECT_EQ(linkTypes->item(1)->text(), QStringLiteral("Bluetooth"));
    EXPECT_EQ(linkTypes->item(2)->text(), QStringLiteral("WiFi"));
    EXPECT_EQ(linkTypes->itemIndex(), 0);
    EXPECT_EQ(window.linkTypeIndex(), 0);

    auto *progress = control<QProgressBar>(window, "ProgressBar1");
    EXPECT_EQ(progress->value(), progress->minimum());
}

TEST_F(MainWindowLayout, StatusBarHasSixEmptyPanelsOfTheirWidths) {
    auto *statusBar = control<ui::StatusPanelBar>(window, "StatusBar1");
    const int widths[] = {100, 200, 50, 50, 50, 50};
    int left = 0;
    for (int i = 0; i < ui::StatusPanelBar::kPanelCount; ++i) {
        SCOPED_TRACE(i);
        QLabel *panel = statusBar->panel(i);
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->width(), widths[i]);
        EXPECT_EQ(panel->x(), left);
        EXPECT_EQ(panel->height(), statusBar->height());
        EXPECT_TRUE(panel->text().isEmpty());
        left += widths[i];
    }
}

TEST_F(MainWindowLayout, PicturesAreRenderedAtTheirOwnSizeUnstretched) {
    auto *chip = control<QLabel>(window, "Image1");
    auto *instruction = control<QLabel>(window, "Image3");
    EXPECT_EQ(chip->pixmap().deviceIndependentSize().toSize(), QSize(128, 128));
    EXPECT_EQ(instruction->pixmap().deviceIndependentSize().toSize(), QSize(561, 387));
    EXPECT_FALSE(instruction->hasScaledContents());
    EXPECT_EQ(instruction->alignment(), Qt::AlignLeft | Qt::AlignTop);
    EXPECT_TRUE(hasVisiblePixel(chip->pixmap())) << "chip picture not loaded";
    EXPECT_TRUE(hasVisiblePixel(instruction->pixmap())) << "instruction picture not loaded";

    // The picture starts under the left panel's edge; the panel hides that strip.
    const QImage shown = window.grab().toImage();
    const QColor panelFace = control<QWidget>(window, "Panel1")->palette().color(QPalette::Window);
    EXPECT_EQ(QColor(shown.pixel(QPoint(151, 200))), panelFace);
}

// Texts must show whole in Tahoma, in the plain look and under the program's style sheet:
// a text wider or taller than the room its control leaves for it is clipped.
enum class Look { Plain, Carbon };

class TextsFit : public testing::TestWithParam<Look> {
protected:
    TextsFit() {
        if (GetParam() == Look::Carbon) {
            QString error;
            EXPECT_TRUE(app::applyCarbonStyle(*qApp, error)) << error.toStdString();
        }
        window = std::make_unique<TForm3>(QList<serial::PortEntry>{});
        window->show();
        QCoreApplication::processEvents();
    }
    ~TextsFit() override {
        window.reset();
        qApp->setStyleSheet(QString());
        QApplication::setStyle(QStyleFactory::create(m_styleName));
        QApplication::setPalette(m_palette);
    }

    // Where a push button or a line edit lays out its text.
    static QRect textRoom(QWidget &widget) {
        if (auto *button = qobject_cast<QPushButton *>(&widget)) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        }
        if (auto *edit = qobject_cast<QLineEdit *>(&widget)) {
            QStyleOptionFrame option;
            option.initFrom(edit);
            option.lineWidth = edit->hasFrame() ? 1 : 0;
            const QRect room =
                edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
            const QMargins margins = edit->textMargins();
            return room.marginsRemoved(margins).adjusted(2, 1, -2, -1); // the edit's own inset
        }
        return widget.contentsRect();
    }

    std::unique_ptr<TForm3> window;

private:
    const QString m_styleName = QApplication::style()->name();
    const QPalette m_palette = QApplication::palette();
};

struct FitCase {
    const char *name;
    int pixelSize;
};

const FitCase kFittingTexts[] = {
    {"Button8", 11}, {"Button2", 11}, {"Button1", 29}, {"BitBtn9", 29},
    {"Label1", 13},  {"Label2", 13},  {"Label3", 13},  {"Label4", 13},
    {"BitBtn1", 11}, {"BitBtn3", 11}, {"BitBtn5", 11}, {"BitBtn7", 11},
    {"Edit1", 11},   {"Edit2", 11},   {"Edit3", 11},   {"Edit4", 11},
};

TEST_P(TextsFit, ControlTexts) {
    for (const FitCase &fit : kFittingTexts) {
        SCOPED_TRACE(fit.name);
        QWidget *widget = control<QWidget>(*window, fit.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(QFontInfo(widget->font()).family(), QStringLiteral("Tahoma"));
        EXPECT_EQ(QFontInfo(widget->font()).pixelSize(), fit.pixelSize);
        const QFontMetrics metrics(widget->font());
        const QRect room = textRoom(*widget);
        EXPECT_LE(metrics.horizontalAdvance(textOf(*widget)), room.width());
        EXPECT_LE(metrics.height(), room.height());
    }
}

TEST_P(TextsFit, LinkTypesAndPageCaption) {
    auto *linkTypes = control<ui::RadioGroup>(*window, "RadioGroup1");
    for (int i = 0; i < linkTypes->itemCount(); ++i) {
        QRadioButton *item = linkTypes->item(i);
        SCOPED_TRACE(item->text().toStdString());
        EXPECT_EQ(QFontInfo(item->font()).family(), QStringLiteral("Tahoma"));
        EXPECT_EQ(QFontInfo(item->font()).pixelSize(), 11);
        EXPECT_LE(item->sizeHint().width(), item->width());
        EXPECT_LE(item->sizeHint().height(), item->height());
        EXPECT_TRUE(linkTypes->contentsRect().contains(item->geometry()));
    }

    auto *pages = control<QTabWidget>(*window, "cxPageControl1");
    QTabBar *tabs = pages->tabBar();
    EXPECT_EQ(QFontInfo(tabs->font()).family(), QStringLiteral("Tahoma"));
    const QFontMetrics metrics(tabs->font());
    const QRect tab = tabs->tabRect(0);
    EXPECT_LE(metrics.horizontalAdvance(pages->tabText(0)), tab.width());
    EXPECT_LE(metrics.height(), tab.height());
}

TEST_P(TextsFit, StatusTexts) {
    struct PanelText {
        int panel;
        const char *text;
    };
    const PanelText widest[] = {
        {0, "try connect 99999"}, {2, "99999"}, {3, "99999"}, {4, "1000"}, {5, "99999"}};
    auto *statusBar = control<ui::StatusPanelBar>(*window, "StatusBar1");
    for (const PanelText &shown : widest) {
        SCOPED_TRACE(shown.text);
        QLabel *panel = statusBar->panel(shown.panel);
        EXPECT_EQ(QFontInfo(panel->font()).family(), QStringLiteral("Tahoma"));
        EXPECT_EQ(QFontInfo(panel->font()).pixelSize(), 11);
        const QFontMetrics metrics(panel->font());
        const int room = panel->contentsRect().width() - panel->indent();
        EXPECT_LE(metrics.horizontalAdvance(QString::fromLatin1(shown.text)), room);
        EXPECT_LE(metrics.height(), panel->contentsRect().height());
    }
}

INSTANTIATE_TEST_SUITE_P(Looks, TextsFit, testing::Values(Look::Plain, Look::Carbon),
                         [](const testing::TestParamInfo<Look> &look) {
                             return look.param == Look::Plain ? "Plain" : "Carbon";
                         });

} // namespace
