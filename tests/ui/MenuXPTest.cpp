#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "base/ui/MenuXP.h"

namespace {

TEST(MenuXP, LightnessAndSaturationRule)
{
    const struct {
        const char* name;
        COLORREF in;
        int light, sat;
        COLORREF out;
    } rows[] = {
        {"white stays white", 0xFFFFFF, 20, 0, 0xFFFFFF},
        {"black lightened half way", 0x000000, 50, 0, RGB(127, 127, 127)},
        {"grey darkened by 18 %", RGB(128, 128, 128), -18, 0, RGB(104, 104, 104)},
        {"red lightened keeps its hue", RGB(255, 0, 0), 50, 0, RGB(255, 127, 127)},
        {"saturation lowered to nothing", RGB(255, 0, 0), 0, -100, RGB(128, 128, 128)},
    };
    for (const auto& r : rows)
        EXPECT_EQ(CMenuXP::HLSTransform(r.in, r.light, r.sat), r.out) << r.name;

    // The selection fill: the orange accent lightened by 70 % with saturation +199 %, which
    // wraps the 8-bit saturation round to almost nothing: a pale, nearly neutral fill.
    const COLORREF fill = CMenuXP::SelectedFillColor();
    for (int c : {GetRValue(fill), GetGValue(fill), GetBValue(fill)}) {
        EXPECT_GE(c, 210);
        EXPECT_LE(c, 222);
    }
    EXPECT_GE(GetRValue(fill), GetBValue(fill));
    // Lightening moves towards white, darkening towards black.
    EXPECT_GT(GetRValue(CMenuXP::TextAreaColor()), GetRValue(CMenuXP::IconColumnColor()));
    EXPECT_LT(GetRValue(CMenuXP::SeparatorColor()), GetRValue(CMenuXP::kBtnFace));
}

QAction* Add(QMenu& menu, const QString& text, int id)
{
    QAction* a = menu.addAction(text);
    a->setData(id);
    return a;
}

TEST(MenuXP, ConvertingTwiceKeepsOneCaptionPerItem)
{
    const int before = CMenuXP::GetCaptionCount();
    {
        QWidget wnd;
        QMenu menu;
        Add(menu, QStringLiteral("로그 아웃"), 32782);
        menu.addSeparator();
        Add(menu, QStringLiteral("환경설정 (&C)"), 32784);
        QMenu* sub = menu.addMenu(QStringLiteral("도구"));
        Add(*sub, QStringLiteral("프로그램 정보 (&F)"), 32790);

        EXPECT_FALSE(CMenuXP::IsOwnerDrawn(&menu));
        CMenuXP::SetXPLookNFeel(&wnd, &menu, false);
        EXPECT_FALSE(CMenuXP::IsOwnerDrawn(&menu)) << "off changes nothing";
        CMenuXP::SetXPLookNFeel(&wnd, &menu, true);
        CMenuXP::SetXPLookNFeel(&wnd, &menu, true);
        EXPECT_TRUE(CMenuXP::IsOwnerDrawn(&menu));
        EXPECT_TRUE(CMenuXP::IsOwnerDrawn(sub));
        EXPECT_EQ(CMenuXP::GetCaptionCount(), before + 3);
        EXPECT_EQ(CMenuXP::GetCaption(&menu, 32784), QStringLiteral("환경설정 (&C)"));
        EXPECT_EQ(CMenuXP::GetCaption(sub, 32790), QStringLiteral("프로그램 정보 (&F)"));
        EXPECT_EQ(CMenuXP::GetSubMenuCaption(sub), QStringLiteral("도구"));
        EXPECT_EQ(menu.style(), CMenuXP::Style());
    }
    EXPECT_EQ(CMenuXP::GetCaptionCount(), before) << "entries of destroyed menus are purged";
}

TEST(MenuXP, MenuCharFindsTheAccessKeyButNotADoubledAmpersand)
{
    QMenu menu;
    Add(menu, QStringLiteral("P&&P"), 1);
    menu.addSeparator();
    Add(menu, QStringLiteral("&Print"), 2);
    Add(menu, QStringLiteral("프로그램 종료 (&X)"), 3);
    EXPECT_EQ(CMenuXP::OnMenuChar(&menu, QLatin1Char('p'), CMenuXP::MF_POPUP), (2L << 16) | 2);
    EXPECT_EQ(CMenuXP::OnMenuChar(&menu, QLatin1Char('P'), 0), (2L << 16) | 2);
    EXPECT_EQ(CMenuXP::OnMenuChar(&menu, QLatin1Char('x'), CMenuXP::MF_POPUP), (2L << 16) | 3);
    EXPECT_EQ(CMenuXP::OnMenuChar(&menu, QLatin1Char('q'), CMenuXP::MF_POPUP), 0);
    EXPECT_EQ(CMenuXP::OnMenuChar(&menu, QLatin1Char('p'), 0x1), 0) << "not a pop-up";
}

TEST(MenuXP, HookGivesTheLookOnlyOverWindowsThatUseIt)
{
    CMenuXP::InitializeHook();
    CMenuXP::InitializeHook();  // counted
    for (bool look : {false, true}) {
        QWidget wnd;
        wnd.resize(200, 100);
        CMenuXP::SetXPLookNFeel(&wnd, look);
        EXPECT_EQ(CMenuXP::GetXPLookNFeel(&wnd), look);
        wnd.show();
        wnd.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&wnd));
        QMenu menu;
        Add(menu, QStringLiteral("&Print"), 1);
        QTimer::singleShot(0, &menu, [&] { menu.close(); });
        menu.popup(wnd.mapToGlobal(QPoint(10, 10)));
        QTest::qWait(10);
        EXPECT_EQ(menu.style() == CMenuXP::Style(), look) << "look " << look;
        EXPECT_EQ(CMenuXP::IsOwnerDrawn(&menu), look);
        menu.close();
    }
    CMenuXP::UninitializeHook();
    CMenuXP::UninitializeHook();
    CMenuXP::UninitializeHook();  // one too many is harmless
}

TEST(MenuXP, ItemSizes)
{
    QFont small;
    small.setPixelSize(9);
    QFont big;
    big.setPixelSize(20);
    const QFontMetrics fs(small), fb(big);
    EXPECT_EQ(CMenuXPStyle::ItemHeight(fs), fs.height() + 2 > 16 ? fs.height() + 6 : 20);
    EXPECT_EQ(CMenuXPStyle::ItemHeight(fb), fb.height() + 6);
    EXPECT_EQ(CMenuXPStyle::SeparatorHeight(fb), fb.height() / 2 + 2);
}

}  // namespace
