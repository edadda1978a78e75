// The custom controls: SkinButton's faces, colours, sizes and captured
// background, HyperLink's underline modes, colours, fitting and failure
// messages, and StepSpin's step.

#include "tests/support/fakes.h"
#include "tests/ui/uitestsupport.h"
#include "ui/hyperlink.h"
#include "ui/skinbutton.h"
#include "ui/stepspin.h"

#include <QApplication>
#include <QEnterEvent>
#include <QStyleOptionSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace sonivert::test {
namespace {

using ui::HyperLink;
using ui::SkinButton;
using ui::StepSpin;

void sendEnter(QWidget& widget)
{
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), widget.mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(&widget, &enter);
}

void sendLeave(QWidget& widget)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&widget, &leave);
}

QColor pixel(QWidget& widget, QPoint at)
{
    return widget.grab().toImage().pixelColor(at);
}

// A background whose every pixel tells where it is: red = x, green = y.
QPixmap positionCodedBackground()
{
    QImage image(256, 200, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, QColor(x, y, 77));
    }
    return QPixmap::fromImage(image);
}

TEST(SkinButtonTest, HoverFaceShowsUnderThePointerAndWhilePressed)
{
    const QColor normal(200, 0, 0), hover(0, 0, 200);
    QWidget parent;
    SkinButton button(&parent);
    button.setDrawText(false);
    button.setFaces(solidPixmap(QSize(40, 20), normal), solidPixmap(QSize(40, 20), hover));
    const QPoint inFace(10, 10);

    EXPECT_EQ(normal, pixel(button, inFace));
    sendEnter(button);
    EXPECT_TRUE(button.isHovering());
    EXPECT_EQ(hover, pixel(button, inFace));
    sendLeave(button);
    EXPECT_FALSE(button.isHovering());
    EXPECT_EQ(normal, pixel(button, inFace));

    button.setDown(true);
    EXPECT_EQ(hover, pixel(button, inFace)) << "pressed without the pointer over it";
    button.setDown(false);
    EXPECT_EQ(normal, pixel(button, inFace));

    // Without a hover face the normal face stays.
    button.setFaces(solidPixmap(QSize(40, 20), normal), QPixmap());
    sendEnter(button);
    EXPECT_EQ(normal, pixel(button, inFace));
}

TEST(SkinButtonTest, PressedContentMovesByOnePixelOnlyWhenShiftIsOn)
{
    const QColor face(0, 160, 0), back(250, 250, 250);
    QWidget parent;
    SkinButton button(&parent);
    button.setDrawText(false);
    button.setDrawBorder(false);
    button.setTransparent(false);
    button.setBackgroundColours(back, back);
    button.setFaces(solidPixmap(QSize(30, 20), face));
    // The face starts at the content rectangle, inset by one pixel.
    EXPECT_EQ(back, pixel(button, QPoint(0, 0)));
    EXPECT_EQ(face, pixel(button, QPoint(1, 1)));
    button.setDown(true);
    EXPECT_EQ(back, pixel(button, QPoint(1, 1)));
    EXPECT_EQ(face, pixel(button, QPoint(2, 2)));
    button.setShiftWhenPressed(false);
    EXPECT_EQ(face, pixel(button, QPoint(1, 1)));
}

TEST(SkinButtonTest, DisabledButtonDrawsGreyTextAndNeverTheHoverFace)
{
    const QColor faceColour(255, 255, 255), hoverColour(255, 255, 0);
    const QColor textColour(0, 170, 0), hoverTextColour(170, 0, 170);
    QWidget parent;
    SkinButton button(QStringLiteral("WWW"), &parent);
    QFont big = button.font();
    big.setPixelSize(40);
    big.setBold(true);
    button.setFont(big);
    button.setTextColours(textColour, hoverTextColour);
    button.setFaces(solidPixmap(QSize(160, 60), faceColour), solidPixmap(QSize(160, 60), hoverColour));
    const QColor grey = button.palette().color(QPalette::Disabled, QPalette::ButtonText);
    ASSERT_NE(grey, textColour);

    sendEnter(button);
    QImage image = button.grab().toImage();
    EXPECT_GT(countPixels(image, hoverTextColour), 0) << "enabled and hovered: hover text colour";
    EXPECT_GT(countPixels(image, hoverColour), 0);

    button.setEnabled(false);
    image = button.grab().toImage();
    EXPECT_GT(countPixels(image, grey), 0);
    EXPECT_EQ(0, countPixels(image, textColour));
    EXPECT_EQ(0, countPixels(image, hoverTextColour));
    EXPECT_EQ(0, countPixels(image, hoverColour)) << "no hover face while disabled";
    EXPECT_GT(countPixels(image, faceColour), 0);

    button.setDown(true);
    EXPECT_EQ(0, countPixels(button.grab().toImage(), hoverColour)) << "nor while held down";

    // An invalid hover colour means the text colour.
    button.setTextColours(textColour);
    EXPECT_EQ(textColour, button.hoverTextColour());
}

TEST(SkinButtonTest, ResizingToAnImageAddsShiftAndBorderPixels)
{
    struct Case {
        bool shift;
        bool border;
        QSize expected;
    };
    const Case cases[] = {
        {true, true, QSize(43, 23)},
        {true, false, QSize(41, 21)},
        {false, true, QSize(42, 22)},
        {false, false, QSize(40, 20)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "shift " << c.shift << " border " << c.border);
        SkinButton faces;
        faces.setShiftWhenPressed(c.shift);
        faces.setDrawBorder(c.border);
        faces.setFaces(solidPixmap(QSize(40, 20), Qt::red));
        EXPECT_EQ(c.expected, faces.size());
        SkinButton icons;
        icons.setShiftWhenPressed(c.shift);
        icons.setDrawBorder(c.border);
        icons.setIcons(solidPixmap(QSize(40, 20), Qt::red));
        EXPECT_EQ(c.expected, icons.size());
    }
    SkinButton unchanged;
    unchanged.resize(70, 30);
    unchanged.setFaces(solidPixmap(QSize(40, 20), Qt::red), QPixmap(), false);
    EXPECT_EQ(QSize(70, 30), unchanged.size());
}

TEST(SkinButtonTest, TransparentButtonShowsTheSkinUnderItsOwnPosition)
{
    const QPixmap skin = positionCodedBackground();
    QWidget parent;
    parent.resize(skin.size());
    SkinButton button(&parent);
    button.setDrawText(false);
    button.setDrawBorder(false);
    button.setGeometry(120, 30, 40, 20);
    button.setBackgroundSource(&skin);
    EXPECT_EQ(QColor(125, 35, 77), pixel(button, QPoint(5, 5)));

    // Moved, it captures the part under its new place.
    button.move(60, 100);
    EXPECT_EQ(QColor(65, 105, 77), pixel(button, QPoint(5, 5)));

    // A new source replaces what was taken from the old one.
    const QPixmap plain = solidPixmap(skin.size(), QColor(9, 9, 9));
    button.setBackgroundSource(&plain);
    EXPECT_EQ(QColor(9, 9, 9), pixel(button, QPoint(5, 5)));

    // Not transparent: the background colours.
    button.setTransparent(false);
    button.setBackgroundColours(QColor(1, 2, 3), QColor(4, 5, 6));
    EXPECT_EQ(QColor(1, 2, 3), pixel(button, QPoint(5, 5)));
    sendEnter(button);
    EXPECT_EQ(QColor(4, 5, 6), pixel(button, QPoint(5, 5)));
}

class HyperLinkTest : public ::testing::Test {
protected:
    RecordingPrompts prompts;
    QWidget parent;
};

TEST_F(HyperLinkTest, UnderlineFollowsItsModeWhileHoveredAndAfter)
{
    HyperLink link(QStringLiteral("Sonivert"), QStringLiteral("https://sonivert.example/"), prompts, &parent);
    struct Case {
        int mode;
        bool before, during, after;
    };
    const Case cases[] = {
        {HyperLink::kUnderlineNever, false, false, false},
        {HyperLink::kUnderlineAlways, true, true, true},
        {HyperLink::kUnderlineWhileHovering, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        link.setUnderlineMode(c.mode);
        EXPECT_EQ(c.before, link.currentFont().underline());
        sendEnter(link);
        EXPECT_EQ(c.during, link.currentFont().underline());
        sendLeave(link);
        EXPECT_EQ(c.after, link.currentFont().underline());
    }
}

TEST_F(HyperLinkTest, ColoursMoveFromLinkToHoverToVisitedAfterASuccessfulClick)
{
    HyperLink link(QStringLiteral("Sonivert"), QStringLiteral("https://sonivert.example/"), prompts, &parent);
    parent.show();
    EXPECT_EQ(QColor(0, 0, 238), link.currentColour());
    sendEnter(link);
    EXPECT_EQ(QColor(255, 0, 0), link.currentColour());
    QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(std::vector<std::string>{"https://sonivert.example/"}, prompts.openedUrls);
    EXPECT_TRUE(link.isVisited());
    EXPECT_FALSE(link.isHovering()) << "a click clears hovering";
    EXPECT_EQ(QColor(85, 26, 139), link.currentColour());
    EXPECT_TRUE(prompts.messages.empty());

    // The painted text carries the colour.
    link.setUnderlineMode(HyperLink::kUnderlineAlways);
    EXPECT_GT(countPixels(link.grab().toImage(), QColor(85, 26, 139)), 0);
}

TEST_F(HyperLinkTest, FailedOpeningNamesTheReason)
{
    HyperLink link(QStringLiteral("Sonivert"), QStringLiteral("https://sonivert.example/"), prompts, &parent);
    link.setOpener([](const std::string&) { return 26; });
    link.open();
    ASSERT_EQ(1u, prompts.messages.size());
    EXPECT_EQ(UserPrompts::Icon::Exclamation, prompts.messages[0].icon);
    EXPECT_EQ("Unable to open hyperlink:\n\nA sharing violation occurred. ", prompts.messages[0].text);
    EXPECT_FALSE(link.isVisited());

    link.setOpener([](const std::string&) { return 7; });
    link.open();
    EXPECT_EQ("Unable to open hyperlink:\n\nUnknown Error (7) occurred.", prompts.messages.at(1).text);
    link.setOpener([](const std::string&) { return 42; });
    link.open();
    EXPECT_TRUE(link.isVisited()) << "every result above 32 is success";
    EXPECT_EQ(2u, prompts.messages.size());

    // The desktop's opener gives no reason: "no associated application".
    link.setOpener(nullptr);
    prompts.openUrlResult = false;
    link.open();
    EXPECT_EQ("https://sonivert.example/", prompts.openedUrls.at(0));
    EXPECT_EQ("Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension.",
              prompts.messages.at(2).text);
}

TEST_F(HyperLinkTest, TabReachesItAndSpaceOrEnterOpensIt)
{
    HyperLink link(QStringLiteral("Sonivert"), QStringLiteral("https://sonivert.example/"), prompts, &parent);
    EXPECT_EQ(Qt::TabFocus, link.focusPolicy());
    parent.show();
    parent.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&parent));
    link.setFocus(Qt::TabFocusReason);
    const QImage focused = link.grab().toImage();
    link.clearFocus();
    EXPECT_GT(countPixels(focused, Qt::black), countPixels(link.grab().toImage(), Qt::black)) << "the focus shows";
    const std::pair<Qt::Key, size_t> keys[] = {
        {Qt::Key_Space, 1}, {Qt::Key_Return, 2}, {Qt::Key_Enter, 3}, {Qt::Key_A, 3}, {Qt::Key_Tab, 3}};
    for (const auto& [key, opened] : keys) {
        QTest::keyClick(&link, key);
        EXPECT_EQ(opened, prompts.openedUrls.size()) << key;
    }
    QTest::keyClick(&link, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(3u, prompts.openedUrls.size()) << "with a modifier the key is not the link's";
}

TEST_F(HyperLinkTest, AddressTextTooltipAndFitToText)
{
    HyperLink noAddress(QStringLiteral("https://a.example/"), {}, prompts, &parent);
    EXPECT_EQ(QStringLiteral("https://a.example/"), noAddress.address());
    HyperLink noText({}, QStringLiteral("https://b.example/"), prompts, &parent);
    EXPECT_EQ(QStringLiteral("https://b.example/"), noText.text());
    EXPECT_EQ(QStringLiteral("https://b.example/"), noText.toolTip());
    EXPECT_EQ(Qt::PointingHandCursor, noText.cursor().shape());

    HyperLink link(QStringLiteral("Home page"), QStringLiteral("https://c.example/"), prompts, &parent);
    link.setFitToText(false);
    link.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    link.setGeometry(100, 10, 300, 40);
    link.setFitToText(true);
    QFont underlined = link.font();
    underlined.setUnderline(true);
    const QFontMetrics metrics(underlined);
    const QSize text(metrics.horizontalAdvance(QStringLiteral("Home page")) + 1, metrics.height());
    EXPECT_EQ(text, link.size());
    EXPECT_EQ(399, link.geometry().right()) << "right-aligned text keeps its right edge";
    EXPECT_EQ(10 + (40 - text.height()) / 2, link.y()) << "and is centred vertically";

    link.setAddress(QStringLiteral("https://d.example/"));
    EXPECT_EQ(QStringLiteral("https://d.example/"), link.toolTip());
    link.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    link.setGeometry(50, 20, 300, 40);
    link.setLinkText(QStringLiteral("Longer link text"));
    EXPECT_EQ(50, link.x());
    EXPECT_EQ(20, link.y());
    EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("Longer link text")) + 1, link.width());
}

QRect upArrow(StepSpin& spin)
{
    QStyleOptionSpinBox option;
    option.initFrom(&spin);
    option.rect = spin.rect();
    option.subControls = QStyle::SC_All;
    option.frame = true;
    option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
    return spin.style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, &spin);
}

TEST(StepSpinTest, MovesByItsStepPerRequestAndRefusesAStepNotBelowTheRange)
{
    StepSpin spin;
    spin.setRange(10, 3000);
    spin.setValue(100);
    EXPECT_EQ(1, spin.step());
    ASSERT_TRUE(spin.setStep(10));
    spin.show();

    QTest::mouseClick(&spin, Qt::LeftButton, {}, upArrow(spin).center());
    EXPECT_EQ(110, spin.value()) << "one click on the arrow";
    QTest::keyClick(&spin, Qt::Key_Up);
    EXPECT_EQ(120, spin.value());
    QTest::keyClick(&spin, Qt::Key_Down);
    EXPECT_EQ(110, spin.value());
    QTest::keyClick(&spin, Qt::Key_PageUp);
    EXPECT_EQ(120, spin.value()) << "a page request is one step too";

    EXPECT_FALSE(spin.setStep(3000));
    EXPECT_FALSE(spin.setStep(2990)) << "equal to the range";
    EXPECT_FALSE(spin.setStep(0));
    EXPECT_FALSE(spin.setStep(-10));
    EXPECT_EQ(10, spin.step()) << "a refused step changes nothing";
    EXPECT_TRUE(spin.setStep(2989));

    spin.setStep(10);
    spin.setValue(2995);
    QTest::keyClick(&spin, Qt::Key_Up);
    EXPECT_EQ(3000, spin.value()) << "stops at the maximum";
}

} // namespace
} // namespace sonivert::test
