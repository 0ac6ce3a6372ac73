// The window's typeface is made available where the system lacks it.
#include "app/FontSetup.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <array>

#include <gtest/gtest.h>

TEST(FontSetupTest, TahomaBecomesAvailable) {
    ASSERT_TRUE(app::registerTahomaIfMissing());
    EXPECT_TRUE(QFontDatabase::families().contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive));
    // A second call finds it and still says so.
    EXPECT_TRUE(app::registerTahomaIfMissing());

    for (bool bold : {false, true}) {
        SCOPED_TRACE(bold ? "bold" : "regular");
        QFont font(QStringLiteral("Tahoma"));
        font.setPixelSize(11);
        font.setBold(bold);
        const QFontInfo info(font);
        EXPECT_EQ(info.family(), QStringLiteral("Tahoma"));
        EXPECT_EQ(info.bold(), bold);
    }
}

TEST(FontSetupTest, MissingFilesLeaveTheFamilyUnavailable) {
    constexpr std::array<const char *, 2> kNoFiles{"/nonexistent/font.ttf", ""};
    EXPECT_FALSE(app::registerFontIfMissing(QStringLiteral("No Such Family 7x"), kNoFiles));
}

TEST(FontSetupTest, FileOfAnotherFamilyDoesNotCount) {
    // The file is a valid font, but of Tahoma: the family asked for is still missing.
    constexpr std::array<const char *, 1> kTahomaFile{"/usr/share/wine/fonts/tahoma.ttf"};
    EXPECT_FALSE(app::registerFontIfMissing(QStringLiteral("No Such Family 7x"), kTahomaFile));
}
