#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPainter>

#include "base/ui/BufferDC.h"
#include "base/ui/ButtonExt.h"
#include "base/ui/DrawHelper.h"
#include "base/ui/FontSetup.h"
#include "base/ui/GdiConvert.h"
#include "base/ui/GraphicsExt.h"
#include "base/ui/ImageList.h"
#include "tamoui/CTamoButton.h"
#include "tamoui/CTamoStatic.h"

namespace {

constexpr QRgb kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

QImage Canvas(int w, int h, QRgb fill = kWhite)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(fill);
    return img;
}

TEST(ColorRef, ConvertsBlueGreenRedOrder)
{
    EXPECT_EQ(tamo::ColorFromRef(0x0281FB), QColor(251, 129, 2));
    EXPECT_EQ(tamo::ColorFromRef(0x0078FF), QColor(255, 120, 0));
    EXPECT_EQ(tamo::RefFromColor(QColor(251, 129, 2)), 0x0281FBu);
}

TEST(DrawHelper, StripOfFourSideBySideDrawsTheStatesCell)
{
    QImage strip(200, 30, QImage::Format_ARGB32);
    const QRgb cells[4] = {kRed, kGreen, kBlue, 0xFF123456};
    for (int i = 0; i < 4; ++i)
        QPainter(&strip).fillRect(i * 50, 0, 50, 30, QColor::fromRgb(cells[i]));

    CDrawHelper helper;
    ASSERT_TRUE(helper.SetBitmap(strip, 4));
    EXPECT_EQ(helper.GetSize(), QSize(50, 30));
    EXPECT_EQ(helper.GetMaxState(), 5);  // bag 0 plus one per state
    for (int state = 1; state <= 4; ++state) {
        QImage out = Canvas(50, 30);
        QPainter p(&out);
        EXPECT_EQ(helper.DrawBackground(&p, state, out.rect()), 1);
        p.end();
        EXPECT_EQ(out.pixel(25, 15), cells[state - 1]) << "state " << state;
    }

    // Stacked strips move down instead.
    QImage stacked = strip.transformed(QTransform().rotate(90));
    CDrawHelper down;
    ASSERT_TRUE(down.SetBitmap(stacked, 4, CDrawHelper::kNoTransparency, false));
    EXPECT_EQ(down.GetSize(), QSize(30, 50));
    EXPECT_EQ(down.GetStateCell(3), QRect(0, 100, 30, 50));
}

TEST(DrawHelper, ResizingMarginsKeepTheCornersUnscaled)
{
    // A 50 x 30 cell: 5 pixels red on the left, blue on the right, green between.
    QImage cell(50, 30, QImage::Format_ARGB32);
    cell.fill(kGreen);
    QPainter(&cell).fillRect(0, 0, 5, 30, QColor::fromRgb(kRed));
    QPainter(&cell).fillRect(45, 0, 5, 30, QColor::fromRgb(kBlue));

    CDrawHelper helper;
    ASSERT_TRUE(helper.SetBitmap(cell, 1));
    helper.SetResizingMargins(5, 5, 5, 5);
    QImage out = Canvas(200, 30);
    QPainter p(&out);
    helper.DrawBackground(&p, 1, out.rect());
    p.end();
    EXPECT_EQ(out.pixel(4, 15), kRed);
    EXPECT_EQ(out.pixel(5, 15), kGreen);
    EXPECT_EQ(out.pixel(194, 15), kGreen);
    EXPECT_EQ(out.pixel(195, 15), kBlue);

    // Hollow leaves the centre of the destination alone.
    helper.GetProperties(0)->SetBool(CDrawHelper::PropHollow, true);
    QImage hollow = Canvas(200, 30, 0xFF000000);
    QPainter ph(&hollow);
    helper.DrawBackground(&ph, 1, hollow.rect());
    ph.end();
    EXPECT_EQ(hollow.pixel(100, 15), 0xFF000000u);
    EXPECT_EQ(hollow.pixel(2, 15), kRed);
}

TEST(DrawHelper, TextColourFallsBackToStateZeroThenToButtonText)
{
    CDrawHelper helper;
    helper.SetMaxState(3);
    EXPECT_EQ(helper.GetTextColor(2), tamo::COLOR_BTNTEXT_VALUE);
    helper.SetTextColor(0, 0x888888);
    EXPECT_EQ(helper.GetTextColor(2), 0x888888u);
    helper.SetTextColor(2, 0x0281FB);
    EXPECT_EQ(helper.GetTextColor(2), 0x0281FBu);
    EXPECT_EQ(helper.GetTextColor(1), 0x888888u);
}

TEST(DrawHelper, BorderedRectangleUsesItsDefaults)
{
    CDrawHelper helper;
    helper.SetMaxState(2);
    helper.SetBackgroundType(CDrawHelper::BackgroundBorder);
    QImage out = Canvas(20, 10, kRed);
    QPainter p(&out);
    helper.DrawBackground(&p, 1, out.rect());
    p.end();
    EXPECT_EQ(out.pixel(0, 0), 0xFF000000u);  // border colour 0, width 1
    EXPECT_EQ(out.pixel(19, 9), 0xFF000000u);
    EXPECT_EQ(out.pixel(1, 1), kWhite);  // fill white

    helper.SetBorder(1, RGB(0, 0, 255), RGB(0, 255, 0), 3);
    QImage wide = Canvas(20, 10, kRed);
    QPainter pw(&wide);
    helper.DrawBackground(&pw, 1, wide.rect());
    pw.end();
    EXPECT_EQ(wide.pixel(2, 5), kBlue);
    EXPECT_EQ(wide.pixel(3, 5), kGreen);
}

TEST(DrawHelper, ContentAndExtentRectangles)
{
    CDrawHelper helper;
    helper.SetMaxState(2);
    helper.SetContentMargins(4, 2, 6, 3);
    QRect in, out;
    helper.GetContentRect(1, QRect(0, 0, 100, 20), in);
    EXPECT_EQ(in, QRect(4, 2, 90, 15));
    helper.GetExtentRect(1, QRect(0, 0, 10, 10), out);
    EXPECT_EQ(out.size(), QSize(20, 15));
}

TEST(GraphicsExt, TransRegionLeavesOutKeyColouredCorners)
{
    const COLORREF magenta = RGB(255, 0, 255);
    QImage pic = Canvas(20, 20, kWhite);
    QPainter p(&pic);
    for (QPoint c : {QPoint(0, 0), QPoint(17, 0), QPoint(0, 17), QPoint(17, 17)})
        p.fillRect(QRect(c, QSize(3, 3)), QColor(255, 0, 255));
    p.end();

    const QRegion rgn = CGraphicsExt::CreateTransRgn(pic, pic.rect(), magenta);
    for (QPoint out : {QPoint(0, 0), QPoint(2, 2), QPoint(19, 0), QPoint(0, 19), QPoint(19, 19)})
        EXPECT_FALSE(rgn.contains(out)) << out.x() << "," << out.y();
    for (QPoint in : {QPoint(3, 0), QPoint(10, 10), QPoint(16, 19), QPoint(0, 3)})
        EXPECT_TRUE(rgn.contains(in)) << in.x() << "," << in.y();
    int area = 0;
    for (const QRect& r : rgn)
        area += r.width() * r.height();
    EXPECT_EQ(area, 400 - 4 * 9);

    // Through a painter on the picture, and clipped to a rectangle inside it.
    QPainter on(&pic);
    const QRegion part = CGraphicsExt(&on).CreateTransRgn(QRect(0, 0, 10, 10), magenta);
    EXPECT_FALSE(part.contains(QPoint(1, 1)));
    EXPECT_TRUE(part.contains(QPoint(5, 5)));
    EXPECT_FALSE(part.contains(QPoint(12, 12)));
}

TEST(GraphicsExt, TransparentBltLeavesKeyPixelsAlone)
{
    QImage src = Canvas(4, 4, kRed);
    src.setPixel(0, 0, qRgb(255, 0, 255));
    QImage dst = Canvas(8, 8, kGreen);
    QPainter p(&dst);
    EXPECT_EQ(CGraphicsExt(&p).TransparentBlt(0, 0, 8, 8, src, 0, 0, 4, 4, RGB(255, 0, 255)), 1);
    p.end();
    EXPECT_EQ(dst.pixel(0, 0), kGreen);  // stretched key pixel covers 2 x 2
    EXPECT_EQ(dst.pixel(1, 1), kGreen);
    EXPECT_EQ(dst.pixel(2, 2), kRed);
}

TEST(GraphicsExt, IconBlendIsLimitedToTheRectangle)
{
    CImageList list(4, 4);
    list.Add(Canvas(8, 4, kWhite));
    QImage dst = Canvas(10, 10, kGreen);
    QPainter p(&dst);
    CGraphicsExt(&p).DrawIcon(&list, 1, QRect(0, 0, 2, 2), 2, RGB(0, 0, 0));
    CGraphicsExt(&p).DrawIcon(&list, 5, QRect(5, 5, 4, 4), 0, 0);  // outside the list: nothing
    p.end();
    EXPECT_NEAR(qRed(dst.pixel(1, 1)), 128, 2) << "50 % black over white";
    EXPECT_EQ(dst.pixel(2, 2), kGreen);
    EXPECT_EQ(dst.pixel(6, 6), kGreen);
}

struct StateRow {
    const char* name;
    unsigned kind;
    bool disabled, pressed, hot, checked;
    int state;
};

TEST(ButtonExt, StateFollowsKindAndConditions)
{
    const StateRow rows[] = {
        {"push normal", CButtonExt::KindPush, false, false, false, false, 1},
        {"push hot", CButtonExt::KindPush, false, false, true, false, 2},
        {"push pressed beats hot", CButtonExt::KindPush, false, true, true, false, 3},
        {"disabled beats all", CButtonExt::KindPush, true, true, true, true, 4},
        {"checked shows pressed", CButtonExt::KindCheck, false, false, false, true, 3},
        {"default push", CButtonExt::KindDefPush, false, false, false, false, 5},
        {"label", CButtonExt::KindLabel, false, true, true, false, 1},
        {"disabled label", CButtonExt::KindLabel, true, false, false, false, 2},
    };
    for (const StateRow& r : rows)
        EXPECT_EQ(CButtonExt::StateFor(r.kind, r.disabled, r.pressed, r.hot, r.checked), r.state) << r.name;
}

TEST(ButtonExt, ContentSizeHoldsTextIconGapAndMargins)
{
    CImageList list(15, 15);
    list.Add(Canvas(30, 15));
    CDrawHelper helper;
    helper.SetMaxState(6);
    helper.SetContentMargins(3, 2, 3, 2);
    CButtonExt button;
    button.setText(QStringLiteral("아웃룩 싱크"));
    button.SetImageList(&list);
    button.SetButtonStyle(CButtonExt::StyleText | CButtonExt::StyleIcon);
    button.SetDrawHelper(&helper);
    const QFontMetrics fm(button.font());
    const QSize text = fm.size(Qt::TextSingleLine, button.text());
    EXPECT_EQ(button.GetContentSize(), QSize(text.width() + 2 + 15 + 6, std::max(text.height(), 15) + 4));
    button.SizeToContent();
    EXPECT_EQ(button.size(), button.GetContentSize());

    // Icons by state, falling back to the normal one; indices outside the list draw nothing.
    button.SetIcons(0, 1);
    EXPECT_EQ(button.IconIndexFor(CButtonExt::StatePressed), 1);
    EXPECT_EQ(button.IconIndexFor(CButtonExt::StateHot), 0);
    button.SetIcons(7);
    EXPECT_EQ(button.IconIndexFor(CButtonExt::StateNormal), -1);
}

TEST(ButtonExt, CheckButtonTogglesOnClick)
{
    CButtonExt button;
    button.SetButtonStyle(CButtonExt::KindCheck | CButtonExt::StyleText);
    button.resize(40, 20);
    EXPECT_EQ(button.GetCheck(), 0);
    button.click();
    EXPECT_EQ(button.GetCheck(), 1);
    button.click();
    EXPECT_EQ(button.GetCheck(), 0);
    button.SetCheck(1);
    EXPECT_EQ(button.GetCheck(), 1);
    EXPECT_EQ(button.GetDrawState(), CButtonExt::StatePressed);
}

}  // namespace


namespace {

// A helper whose five states are five solid colours, 20 x 10 each.
struct ColourStrip {
    static constexpr QRgb kCells[5] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF123456, 0xFF654321};
    CDrawHelper helper;
    ColourStrip()
    {
        QImage strip(100, 10, QImage::Format_ARGB32);
        for (int i = 0; i < 5; ++i)
            QPainter(&strip).fillRect(i * 20, 0, 20, 10, QColor::fromRgb(kCells[i]));
        helper.SetBitmap(strip, 5);
    }
};

TEST(SkinnedControls, ABorrowedPictureReplacesTheSkinWhileTheFlagIsClear)
{
    ColourStrip pic;
    CTamoButton button(QStringLiteral("도움말"));
    button.resize(40, 20);
    button.m_pPicture = &pic.helper;
    button.m_bPicture = 0;
    button.SizeToContent();
    EXPECT_EQ(button.size(), QSize(20, 10)) << "sized to the picture";
    EXPECT_EQ(button.grab().toImage().pixel(10, 5), ColourStrip::kCells[0]);
    button.setEnabled(false);
    EXPECT_EQ(button.grab().toImage().pixel(10, 5), ColourStrip::kCells[3]) << "state 4, disabled";
    button.setEnabled(true);
    button.setDown(true);
    EXPECT_EQ(button.grab().toImage().pixel(10, 5), ColourStrip::kCells[2]) << "state 3, pressed";
    button.m_bPicture = 1;
    EXPECT_NE(button.grab().toImage().pixel(10, 5), ColourStrip::kCells[2]) << "flag set: own skin";
    button.m_pPicture = nullptr;
    EXPECT_FALSE(button.m_pPicture);

    CTamoStatic frame;
    frame.resize(20, 10);
    frame.m_pPicture = &pic.helper;
    EXPECT_EQ(frame.grab().toImage().pixel(3, 3), ColourStrip::kCells[0]);
}

TEST(SkinnedControls, LinkButtonSizesToItsText)
{
    CTamoButton link(QStringLiteral("전체"));
    link.SetDrawLink(nullptr, 0x888888, 0xFFFFFFFF);
    link.SizeToContent();
    const QFontMetrics fm(link.font());
    EXPECT_EQ(link.size(), QSize(fm.horizontalAdvance(QStringLiteral("전체")), fm.height()));
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
}

TEST(BufferDC, CopiesItsAreaToTheTargetWhenDone)
{
    QImage target(40, 40, QImage::Format_ARGB32);
    target.fill(Qt::white);
    QPainter p(&target);
    {
        CBufferDC buffer(&p, QRect(10, 10, 20, 20));
        buffer->fillRect(QRect(0, 0, 40, 40), Qt::red);  // only the area lands
        EXPECT_EQ(target.pixel(15, 15), 0xFFFFFFFFu) << "nothing before the end";
    }
    p.end();
    EXPECT_EQ(target.pixel(15, 15), 0xFFFF0000u);
    EXPECT_EQ(target.pixel(5, 5), 0xFFFFFFFFu);
    EXPECT_EQ(target.pixel(35, 35), 0xFFFFFFFFu);
}

}  // namespace


namespace {

TEST(FontSetup, WindowsFacesResolveToTheKoreanFace)
{
    tamo::InstallFontSubstitutes();
    if (!QFontDatabase::families().contains(QStringLiteral("NanumGothic")))
        GTEST_SKIP() << "fonts-nanum is not installed";
    for (const QString& face : {QStringLiteral("돋움"), QStringLiteral("굴림"), QStringLiteral("Microsoft Sans Serif")}) {
        EXPECT_TRUE(QFont::substitutes(face).contains(QStringLiteral("NanumGothic"), Qt::CaseInsensitive))
            << QFont::substitutes(face).join(",").toStdString();
        EXPECT_EQ(QFontInfo(QFont(face)).family(), QStringLiteral("NanumGothic")) << face.toStdString();
    }
}

}  // namespace
