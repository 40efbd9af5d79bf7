#include "Graphics.h"

#include <gtest/gtest.h>

namespace {

TEST(Geometry, IntersectAndUnion) {
  TRect r;
  EXPECT_TRUE(IntersectRect(r, Rect(0, 0, 10, 10), Rect(5, 5, 20, 20)));
  EXPECT_EQ(r, Rect(5, 5, 10, 10));

  // Touching edges share nothing; the result is cleared.
  EXPECT_FALSE(IntersectRect(r, Rect(0, 0, 10, 10), Rect(10, 0, 20, 10)));
  EXPECT_EQ(r, TRect());

  EXPECT_TRUE(UnionRect(r, Rect(0, 0, 5, 5), Rect(10, 10, 20, 30)));
  EXPECT_EQ(r, Rect(0, 0, 20, 30));
  // An empty rectangle adds nothing, wherever it lies.
  EXPECT_TRUE(UnionRect(r, Rect(100, 100, 100, 200), Rect(1, 2, 3, 4)));
  EXPECT_EQ(r, Rect(1, 2, 3, 4));
  EXPECT_FALSE(UnionRect(r, TRect(), Rect(5, 5, 5, 9)));
}

TEST(Geometry, PointsAndMoves) {
  const TRect r = Rect(0, 0, 10, 10);
  EXPECT_TRUE(PtInRect(r, Point(0, 0)));
  EXPECT_TRUE(PtInRect(r, Point(9, 9)));
  EXPECT_FALSE(PtInRect(r, Point(10, 5)));  // right and bottom edges are outside
  EXPECT_FALSE(PtInRect(r, Point(5, 10)));

  TRect m = r;
  OffsetRect(m, 3, -2);
  EXPECT_EQ(m, Rect(3, -2, 13, 8));
  InflateRect(m, -2, 1);
  EXPECT_EQ(m, Rect(5, -3, 11, 9));
  EXPECT_EQ(m.Width(), 6);
  EXPECT_EQ(m.Height(), 12);
  EXPECT_TRUE(IsRectEmpty(Rect(5, 5, 4, 10)));
  EXPECT_FALSE(IsRectEmpty(m));
}

TEST(Colours, SystemColoursNeverEqualRgbOnesAndResolveToTheSystems) {
  const TColor system[] = {clWindow,    clWindowText,    clBtnFace,  clBtnShadow, clBtnHighlight,
                           clHighlight, clHighlightText, clGrayText, clInfoBk,    clInfoText};
  const TColor named[] = {clBlack, clMaroon,  clGreen,  clOlive, clNavy, clPurple,
                          clTeal,  clGray,    clSilver, clRed,   clLime, clYellow,
                          clBlue,  clFuchsia, clAqua,   clWhite};
  for (TColor s : system) {
    EXPECT_TRUE(IsSystemColor(s));
    for (TColor n : named)
      EXPECT_NE(s, n);
  }
  // Even where the system colour looks exactly like a named one.
  EXPECT_NE(clWindow, ColorToRGB(clWindow));
  EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ColorToRGB(clHighlightText), GetSysColor(COLOR_HIGHLIGHTTEXT));
  EXPECT_EQ(ColorToRGB(clOlive), clOlive);
}

TEST(Colours, NamesRoundTrip) {
  TColor c = 0;
  ASSERT_TRUE(IdentToColor("CLBTNFACE", c));
  EXPECT_EQ(c, clBtnFace);
  std::string name;
  ASSERT_TRUE(ColorToIdent(clTeal, name));
  EXPECT_EQ(name, "clTeal");
  EXPECT_FALSE(IdentToColor("clMauve", c));
  EXPECT_FALSE(ColorToIdent(RGB(1, 2, 3), name));
}

TEST(Themes, OverrideWinsUntilCleared) {
  TThemeServices& themes = ThemeServices();
  themes.SetThemesEnabledOverride(1);
  EXPECT_TRUE(themes.ThemesEnabled());
  themes.SetThemesEnabledOverride(0);
  EXPECT_FALSE(themes.ThemesEnabled());
  themes.SetThemesEnabledOverride(-1);
  themes.UpdateThemes();
}

}  // namespace
