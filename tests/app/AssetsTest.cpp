// The pictures and the style sheet are linked into the program and usable as they are.
#include "assets/AssetPaths.h"

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSize>
#include <QSvgRenderer>

#include <algorithm>
#include <string_view>

#include <gtest/gtest.h>

namespace {

struct PictureCase {
    const char *path;
    QSize size;
};

const PictureCase kPictures[] = {
    {assets::kInstructionPicture, QSize(561, 387)},
    {assets::kChipPicture, QSize(128, 128)},
    {assets::kIconPicture, QSize(64, 64)},
};

// Share of the picture's pixels that are not fully transparent.
double coveredShare(QSvgRenderer &renderer, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    int covered = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            covered += qAlpha(image.pixel(x, y)) != 0 ? 1 : 0;
    return static_cast<double>(covered) / (size.width() * size.height());
}

} // namespace

TEST(AssetsTest, EveryResourceIsLinkedIn) {
    // The paths are spelled out here too: the window and the style use exactly these.
    const char *const expected[] = {":/assets/instruction.svg", ":/assets/chip.svg",
                                    ":/assets/icon.svg", ":/assets/carbon.qss"};
    for (const char *path : expected) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(std::find_if(assets::allAssetPaths().begin(), assets::allAssetPaths().end(),
                                 [path](const char *listed) {
                                     return std::string_view(listed) == path;
                                 }) != assets::allAssetPaths().end());
        QFile file(QString::fromLatin1(path));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_GT(file.size(), 0);
    }
}

TEST(AssetsTest, PicturesLoadAtTheirSizeAndDrawSomething) {
    for (const PictureCase &picture : kPictures) {
        SCOPED_TRACE(picture.path);
        ASSERT_TRUE(QFile::exists(QString::fromLatin1(picture.path)));
        QSvgRenderer renderer(QString::fromLatin1(picture.path));
        ASSERT_TRUE(renderer.isValid());
        EXPECT_EQ(renderer.defaultSize(), picture.size);
        EXPECT_GT(coveredShare(renderer, picture.size), 0.25);
    }
}

TEST(AssetsTest, InstructionPictureIsOpaque) {
    // It is shown on a window whose colour it must not let through.
    QSvgRenderer renderer(QString::fromLatin1(assets::kInstructionPicture));
    ASSERT_TRUE(renderer.isValid());
    EXPECT_DOUBLE_EQ(coveredShare(renderer, renderer.defaultSize()), 1.0);
}

TEST(AssetsTest, IconGivesAPixmapAtTaskBarSizes) {
    const QIcon icon(QString::fromLatin1(assets::kIconPicture));
    ASSERT_FALSE(icon.isNull());
    for (int side : {16, 32, 64}) {
        SCOPED_TRACE(side);
        EXPECT_EQ(icon.pixmap(QSize(side, side)).size(), QSize(side, side));
    }
}

TEST(AssetsTest, StyleSheetSetsNoFonts) {
    // The window lays its controls out for fixed font sizes.
    QFile sheet(QString::fromLatin1(assets::kCarbonStyleSheet));
    ASSERT_TRUE(sheet.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString text = QString::fromUtf8(sheet.readAll());
    EXPECT_FALSE(text.isEmpty());
    const QRegularExpression fontProperty(QStringLiteral("(^|[;{\\s])font(-family|-size)?\\s*:"));
    EXPECT_FALSE(fontProperty.match(text).hasMatch())
        << fontProperty.match(text).captured(0).toStdString();
}
