// The owner-drawn menus: which drawing style applies, how the image strip
// binds to items, the lightened image variant, what each style draws; and
// the two platform probes the style choice rests on.

#include "platform/windowslook.h"
#include "tests/ui/uitestsupport.h"
#include "ui/ornamenu.h"

#include <QAction>
#include <QMenu>
#include <QPainter>

#include <gtest/gtest.h>

namespace sonivert::test {
namespace {

using ui::MenuEntry;
using ui::Ornamenu;

// Restores the process-wide switches the main window sets.
class OrnamenuTest : public ::testing::Test {
protected:
    void TearDown() override { Ornamenu::setStyleSwitches(Ornamenu::kXpLike, Ornamenu::kXpLike); }
};

TEST(WindowsLookTest, VersionClassesOfBothLines)
{
    struct Case {
        bool nt;
        uint32_t major, minor;
        int expected;
    };
    const Case cases[] = {
        {false, 3, 10, 0}, {false, 4, 0, 2},  {false, 4, 3, 2},  {false, 4, 10, 3}, {false, 4, 90, 4},
        {true, 3, 51, 1},  {true, 4, 0, 5},   {true, 5, 0, 6},   {true, 5, 1, 7},   {true, 5, 2, 1},
        {true, 6, 1, 1},   {true, 10, 0, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, windowsVersionClassFor(c.nt, c.major, c.minor)) << c.nt << " " << c.major << "." << c.minor;
#ifndef _WIN32
    EXPECT_EQ(1, windowsVersionClass());
    EXPECT_FALSE(classicThemeActive());
#endif
}

TEST(WindowsLookTest, ClassicThemeFileIsRecognisedInAnyLetterCase)
{
    EXPECT_TRUE(isClassicThemeFile("C:\\WINDOWS\\Resources\\Themes\\Windows Classic.theme"));
    EXPECT_TRUE(isClassicThemeFile("c:\\themes\\WINDOWS CLASSIC.THEME"));
    EXPECT_TRUE(isClassicThemeFile("Windows Classic.theme"));
    EXPECT_FALSE(isClassicThemeFile("C:\\WINDOWS\\Resources\\Themes\\Luna.theme"));
    EXPECT_FALSE(isClassicThemeFile("Classic.theme"));
    EXPECT_FALSE(isClassicThemeFile("Windows Classic.theme.bak"));
    EXPECT_FALSE(isClassicThemeFile(""));
}

TEST_F(OrnamenuTest, StyleSwitchFollowsDisplayVersionAndTheme)
{
    Ornamenu::setStyleSwitches(Ornamenu::kXpLike, Ornamenu::kClassic);
    EXPECT_EQ(Ornamenu::kClassic, Ornamenu::drawingStyleFor(true, 7, false)) << "palette display";
    EXPECT_EQ(Ornamenu::kXpLike, Ornamenu::drawingStyleFor(false, 7, false)) << "themed XP";
    EXPECT_EQ(Ornamenu::kClassic, Ornamenu::drawingStyleFor(false, 7, true)) << "XP with the classic theme";
    EXPECT_EQ(Ornamenu::kClassic, Ornamenu::drawingStyleFor(false, 1, false)) << "Windows 7 and later";
    EXPECT_EQ(Ornamenu::kClassic, Ornamenu::drawingStyleFor(false, 6, false));

    Ornamenu::setStyleSwitches(Ornamenu::kClassic, Ornamenu::kXpLike);
    EXPECT_EQ(Ornamenu::kXpLike, Ornamenu::drawingStyleFor(false, 1, false));
    EXPECT_EQ(Ornamenu::kXpLike, Ornamenu::drawingStyleFor(false, 7, true));
    EXPECT_EQ(Ornamenu::kClassic, Ornamenu::drawingStyleFor(false, 7, false));
    EXPECT_EQ(Ornamenu::kClassic, Ornamenu::drawingStyleFor(true, 1, false));
}

TEST(OrnamenuImageTest, LightenedVariantMovesEveryChannelTowardsWhiteExceptTheKeyColour)
{
    const QColor key(192, 192, 192);
    QImage image(3, 1, QImage::Format_RGB32);
    image.setPixelColor(0, 0, QColor(0, 100, 200));
    image.setPixelColor(1, 0, key);
    image.setPixelColor(2, 0, QColor(255, 255, 255));
    const QImage light = Ornamenu::lightened(image, key);
    EXPECT_EQ(QColor(76, 146, 216), light.pixelColor(0, 0));
    EXPECT_EQ(key, light.pixelColor(1, 0));
    EXPECT_EQ(QColor(255, 255, 255), light.pixelColor(2, 0));
}

constexpr MenuEntry kFirst[] = {{1, "&One"}, {0, nullptr}, {2, "&Two\tDel"}, {3, "Th&ree"}};
constexpr MenuEntry kSecond[] = {{5, "&Five\tF1"}};

// Four 16 x 15 images, each one colour with a mask-coloured corner pixel.
QPixmap stripOf(const std::vector<QColor>& colours, const QColor& mask)
{
    QImage strip(16 * static_cast<int>(colours.size()), 15, QImage::Format_RGB32);
    for (size_t i = 0; i < colours.size(); ++i) {
        const int left = 16 * static_cast<int>(i);
        for (int y = 0; y < 15; ++y) {
            for (int x = 0; x < 16; ++x)
                strip.setPixelColor(left + x, y, colours[i]);
        }
        strip.setPixelColor(left, 0, mask);
    }
    return QPixmap::fromImage(strip);
}

TEST_F(OrnamenuTest, ImagesBindToItemsByCommandInToolbarOrderSkippingGaps)
{
    const QColor mask(192, 192, 192);
    const std::vector<QColor> colours = {QColor(200, 0, 0), QColor(0, 200, 0), QColor(0, 0, 200), QColor(200, 200, 0)};
    Ornamenu menus;
    menus.addPopup(kFirst);
    menus.addPopup(kSecond);
    ASSERT_EQ(2, menus.popupCount());
    EXPECT_EQ(4, menus.popup(0)->actions().size());
    EXPECT_EQ(QStringLiteral("&Two\tDel"), menus.action(2)->text());
    EXPECT_TRUE(menus.popup(0)->actions().at(1)->isSeparator());

    // Toolbar order: 1, gap, 5, 9 (no such item), 2.
    const int toolbar[] = {1, 0, 5, 9, 2};
    menus.loadToolbar(stripOf(colours, mask), QSize(16, 15), toolbar, mask);
    EXPECT_EQ(0, menus.imageIndex(1));
    EXPECT_EQ(1, menus.imageIndex(5));
    EXPECT_EQ(-1, menus.imageIndex(9));
    EXPECT_EQ(3, menus.imageIndex(2));
    EXPECT_EQ(-1, menus.imageIndex(3));
    EXPECT_TRUE(menus.action(3)->icon().isNull());

    const QImage five = menus.action(5)->icon().pixmap(QSize(16, 15)).toImage();
    EXPECT_EQ(colours[1], five.pixelColor(8, 8));
    EXPECT_EQ(0, five.pixelColor(0, 0).alpha()) << "mask pixels are transparent";
    const QImage two = menus.action(2)->icon().pixmap(QSize(16, 15)).toImage();
    EXPECT_EQ(colours[3], two.pixelColor(8, 8));
}

// The colour at the middle of the image beside an item, as the menu draws it.
QColor drawnImageColour(QMenu& menu, QAction* action)
{
    menu.adjustSize();
    const QImage shot = menu.grab().toImage();
    const QRect item = menu.actionGeometry(action);
    return shot.pixelColor(item.left() + 12, item.center().y());
}

TEST_F(OrnamenuTest, ClassicDrawsTheImageAsItIsAndXpFadesItUntilSelected)
{
    const QColor mask(192, 192, 192);
    const QColor colour(0, 100, 200);
    Ornamenu menus;
    QMenu& menu = *menus.addPopup(kFirst);
    const int toolbar[] = {1};
    menus.loadToolbar(stripOf({colour}, mask), QSize(16, 15), toolbar, mask);
    QAction* one = menus.action(1);

    Ornamenu::setStyleSwitches(Ornamenu::kClassic, Ornamenu::kClassic);
    EXPECT_EQ(colour, drawnImageColour(menu, one));
    const QImage classic = menu.grab().toImage();

    Ornamenu::setStyleSwitches(Ornamenu::kXpLike, Ornamenu::kXpLike);
    EXPECT_EQ(QColor(76, 146, 216), drawnImageColour(menu, one)) << "the lightened variant";
    menu.setActiveAction(one);
    EXPECT_EQ(colour, drawnImageColour(menu, one)) << "selected: the image itself";
    menu.setActiveAction(nullptr);

    const QImage xp = menu.grab().toImage();
    EXPECT_NE(classic, xp) << "the two styles draw differently";
    EXPECT_GT(countPixels(xp, menu.palette().color(QPalette::Dark)), 0) << "the XP-like frame";
}

} // namespace
} // namespace sonivert::test
