#include <gtest/gtest.h>

#include <cstring>

#include "base/Properties.h"

namespace {

LOGFONTW Font(const char16_t* face, int height)
{
    LOGFONTW lf;
    lf.lfHeight = height;
    lf.lfWeight = FW_BOLD;
    for (int i = 0; face[i] && i < LF_FACESIZE - 1; ++i)
        lf.lfFaceName[i] = face[i];
    return lf;
}

TEST(Properties, EachKindReadsBackOnlyAsItsOwnKind)
{
    CProperties p;
    p.SetBool(0, true);
    p.SetColor(1, 0x0281FB);
    p.SetEnumValue(2, 7);
    p.SetInt(3, -5);
    p.SetString(5, QStringLiteral("돋움"));
    p.SetRect(6, 1, 2, 3, 4);

    bool b = false;
    COLORREF cr = 0;
    int n = 0;
    QString s;
    RECT rc;
    EXPECT_EQ(p.GetBool(0, b), 1);
    EXPECT_TRUE(b);
    EXPECT_EQ(p.GetColor(1, cr), 1);
    EXPECT_EQ(cr, 0x0281FBu);
    EXPECT_EQ(p.GetEnumValue(2, n), 1);
    EXPECT_EQ(n, 7);
    EXPECT_EQ(p.GetInt(3, n), 1);
    EXPECT_EQ(n, -5);
    EXPECT_EQ(p.GetString(5, s), 1);
    EXPECT_EQ(s, QStringLiteral("돋움"));
    EXPECT_EQ(p.GetRect(6, rc), 1);
    EXPECT_EQ(rc, (RECT{1, 2, 3, 4}));

    // No conversion between kinds, and the out value stays untouched.
    n = 42;
    EXPECT_EQ(p.GetInt(1, n), 0);
    EXPECT_EQ(p.GetInt(2, n), 0);  // an enumerated value is not an integer
    EXPECT_EQ(p.GetEnumValue(3, n), 0);
    EXPECT_EQ(p.GetBool(3, b), 0);
    EXPECT_EQ(n, 42);
    EXPECT_EQ(p.GetInt(99, n), 0);
}

TEST(Properties, SettingTwiceKeepsTheSecondValueEvenOfAnotherKind)
{
    CProperties p;
    p.SetString(4, QStringLiteral("first"));
    p.SetString(4, QStringLiteral("second"));
    QString s;
    ASSERT_EQ(p.GetString(4, s), 1);
    EXPECT_EQ(s, QStringLiteral("second"));

    p.SetInt(4, 9);
    int n = 0;
    EXPECT_EQ(p.GetString(4, s), 0);
    EXPECT_EQ(p.GetInt(4, n), 1);
    EXPECT_EQ(n, 9);
}

TEST(Properties, FontCopiesTheWholeRecordWithItsFaceName)
{
    CProperties p;
    const LOGFONTW in = Font(u"Microsoft Sans Serif", -12);
    p.SetFont(1, in);
    LOGFONTW out;
    ASSERT_EQ(p.GetFont(1, out), 1);
    EXPECT_EQ(std::memcmp(&in, &out, sizeof(LOGFONTW)), 0);
}

TEST(Properties, ChainFallsBackAndOwnValuesHideTheDefaults)
{
    CDefProperties state0;
    CDefProperties state2(&state0);
    state0.SetColor(0, 0x888888);
    state0.SetInt(9, 1);

    COLORREF cr = 0;
    EXPECT_EQ(state2.GetColor(0, cr), 1);
    EXPECT_EQ(cr, 0x888888u);

    state2.SetColor(0, 0x0281FB);
    EXPECT_EQ(state2.GetColor(0, cr), 1);
    EXPECT_EQ(cr, 0x0281FBu);
    EXPECT_EQ(state0.GetColor(0, cr), 1);
    EXPECT_EQ(cr, 0x888888u);

    // A kind mismatch in the own bag hides the default as well: the own property is found.
    state2.SetBool(9, true);
    int n = 0;
    EXPECT_EQ(state2.GetInt(9, n), 0);

    // Longer chains, and defaults that can be replaced or removed.
    CDefProperties state3(&state2);
    EXPECT_EQ(state3.GetColor(0, cr), 1);
    EXPECT_EQ(cr, 0x0281FBu);
    state3.SetDefaults(nullptr);
    EXPECT_EQ(state3.GetColor(0, cr), 0);
}

TEST(Properties, ALoopingChainEndsTheLookup)
{
    CDefProperties a, b(&a);
    a.SetDefaults(&b);
    int n = 0;
    EXPECT_EQ(a.GetInt(1, n), 0);
}

}  // namespace
