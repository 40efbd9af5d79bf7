// Hot-key and shortcut texts of wide menus.
#include "System.h"
#include "UcMenus.h"
#include "UcSysUtils.h"
#include "WidgetEnvironment.h"

#include <gtest/gtest.h>

namespace {

// Far-east hot-key groups for one test.
class TFarEastLocale {
 public:
  explicit TFarEastLocale(bool on) : saved_(SysLocale().FarEast) { SysLocale().FarEast = on; }
  ~TFarEastLocale() { SysLocale().FarEast = saved_; }
  TFarEastLocale(const TFarEastLocale&) = delete;
  TFarEastLocale& operator=(const TFarEastLocale&) = delete;

 private:
  bool saved_;
};

TEST(WideHotKeyTest, LastMarkedCharacterCountsAndPairsAreLiterals) {
  EXPECT_EQ(2, WideHotKeyPos(L"&File"));
  EXPECT_EQ(4, WideHotKeyPos(L"Fi&le"));
  EXPECT_EQ(4, WideHotKeyPos(L"&a&b"));
  EXPECT_EQ(0, WideHotKeyPos(L"a&&b"));
  EXPECT_EQ(4, WideHotKeyPos(L"&&&x"));
  EXPECT_EQ(0, WideHotKeyPos(L"x&"));
  EXPECT_EQ(0, WideHotKeyPos(L""));
  EXPECT_EQ(L"\u0424", WideHotKey(L"&\u0424\u0430\u0439\u043B"));
  EXPECT_EQ(L"\u8A9E", WideHotKey(L"\u65E5\u672C&\u8A9E"));
  EXPECT_EQ(L"", WideHotKey(L"Tom && Jerry"));
  EXPECT_EQ(L"", WideHotKey(L"end&"));
}

TEST(WideHotKeyTest, MarkersAreRemovedAsShown) {
  const TFarEastLocale western(false);
  EXPECT_EQ(L"Save As", RemoveHotKeyMarkers(L"Save &As"));
  EXPECT_EQ(L"Tom & Jerry", RemoveHotKeyMarkers(L"Tom && Jerry"));
  EXPECT_EQ(L"&x", RemoveHotKeyMarkers(L"&&&x"));
  EXPECT_EQ(L"end", RemoveHotKeyMarkers(L"end&"));
  EXPECT_EQ(L"\u30D5\u30A1\u30A4\u30EB(F)", RemoveHotKeyMarkers(L"\u30D5\u30A1\u30A4\u30EB(&F)"));
}

TEST(WideHotKeyTest, FarEastGroupsGoWhole) {
  const TFarEastLocale farEast(true);
  EXPECT_EQ(L"\u30D5\u30A1\u30A4\u30EB", RemoveHotKeyMarkers(L"\u30D5\u30A1\u30A4\u30EB(&F)"));
  EXPECT_EQ(L"AB", RemoveHotKeyMarkers(L"A(&X)B"));
  // Not a group: no closing parenthesis, or too short.
  EXPECT_EQ(L"(Xy", RemoveHotKeyMarkers(L"(&Xy"));
  EXPECT_EQ(L"(X", RemoveHotKeyMarkers(L"(&X"));
  EXPECT_EQ(L"Open", RemoveHotKeyMarkers(L"&Open"));
}

TEST(WideHotKeyTest, CaptionsCompareWithoutMarkers) {
  EXPECT_TRUE(CaptionsMatchIgnoringCase(L"&\u0424\u0430\u0439\u043B", L"\u0444\u0410\u0419\u041B"));
  EXPECT_FALSE(CaptionsMatchExactly(L"&\u0424\u0430\u0439\u043B", L"\u0444\u0410\u0419\u041B"));
  EXPECT_TRUE(CaptionsMatchExactly(L"Op&en", L"&Open"));
  EXPECT_FALSE(CaptionsMatchIgnoringCase(L"Open", L"Opened"));
  EXPECT_FALSE(CaptionsMatchExactly(L"Tom && Jerry", L"Tom Jerry"));
}

TEST(SyncHotKeyPositionTest, MovesMarkersWhereThe8BitCaptionHasThem) {
  const TFarEastLocale western(false);
  // The class library gave the 8-bit caption "?i&le" a hot key.
  std::wstring wide = L"\u0416ile";
  SyncHotKeyPosition(L"?i&le", wide);
  EXPECT_EQ(L"\u0416i&le", wide);
  // An old marker moves.
  wide = L"&\u0416ile";
  SyncHotKeyPosition(L"?il&e", wide);
  EXPECT_EQ(L"\u0416il&e", wide);
  // Literal pairs survive.
  wide = L"\u0416 && x";
  SyncHotKeyPosition(L"&? && x", wide);
  EXPECT_EQ(L"&\u0416 && x", wide);
}

TEST(SyncHotKeyPositionTest, LeavesUnrelatedOrEqualCaptionsAlone) {
  std::wstring wide = L"\u0416ile";
  SyncHotKeyPosition(L"?ile", wide);  // already the same in 8 bits
  EXPECT_EQ(L"\u0416ile", wide);
  SyncHotKeyPosition(L"O&ther", wide);
  EXPECT_EQ(L"\u0416ile", wide);
}

TEST(SyncHotKeyPositionTest, FarEastGroupsAreCopied) {
  const TFarEastLocale farEast(true);
  std::wstring wide = L"\u30D5\u30A1";
  SyncHotKeyPosition(L"?\?(&F)", wide);
  EXPECT_EQ(L"\u30D5\u30A1(&F)", wide);
}

TEST(ShortCutToWideTextTest, LayoutKeysFollowTheLayoutAndFixedKeysKeepLibraryTexts) {
  ASSERT_TRUE(IsUnicodePlatform());
  EXPECT_EQ(L"Ctrl+S", ShortCutToWideText(scCtrl | 'S'));
  EXPECT_EQ(L"Shift+Ctrl+Alt+7", ShortCutToWideText(scShift | scCtrl | scAlt | '7'));
  EXPECT_EQ(AnsiToWide(ShortCutToText(scShift | VK_F5)), ShortCutToWideText(scShift | VK_F5));
  EXPECT_EQ(L"Ctrl+Enter", ShortCutToWideText(scCtrl | VK_RETURN));
  EXPECT_EQ(L"Del", ShortCutToWideText(VK_DELETE));
  // A punctuation key is named by the layout.
  EXPECT_FALSE(ShortCutToWideText(scCtrl | VK_OEM_COMMA).empty());
}

TEST(ShortCutToWideTextTest, KeyWithoutNameGivesNothing) {
  EXPECT_EQ(L"", ShortCutToWideText(scCtrl | scShift | 0xFF));
  EXPECT_EQ(L"", ShortCutToWideText(scAlt | 0x07));
}

TEST(ShortCutToWideTextTest, The8BitPlatformUsesLibraryTexts) {
  const TForcedPlatformFlags flags(false, false);
  for (TShortCut s : {TShortCut(scCtrl | 'S'), TShortCut(scAlt | VK_NUMPAD5),
                      TShortCut(scCtrl | VK_OEM_COMMA), TShortCut(scShift | 0xFF)})
    EXPECT_EQ(AnsiToWide(ShortCutToText(s)), ShortCutToWideText(s)) << s;
}

}  // namespace
