#include "Graphics.h"
#include "TypInfo.h"

#include <gtest/gtest.h>

namespace {

struct TChangeCounter {
  int Count = 0;
  TObject* Sender = nullptr;
  void Changed(TObject* sender) {
    Sender = sender;
    ++Count;
  }
};

class FontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    font.reset(Create<TFont>());
    font->OnChange = Method<&TChangeCounter::Changed>(&changes);
  }
  void TearDown() override { SetScreenPixelsPerInch(0); }

  TOwned<TFont> font;
  TChangeCounter changes;
};

TEST_F(FontTest, SizeAndHeightConvertThroughScreenResolution) {
  SetScreenPixelsPerInch(96);
  font->SetSize(8);
  EXPECT_EQ(font->Height(), -11);
  font->SetHeight(-17);
  EXPECT_EQ(font->Size(), 13);

  SetScreenPixelsPerInch(120);
  font->SetSize(8);
  EXPECT_EQ(font->Height(), -13);
  EXPECT_EQ(font->Size(), 8);

  SetScreenPixelsPerInch(0);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(ScreenPixelsPerInch(), GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
}

TEST_F(FontTest, StartsAsGuiFont) {
  LOGFONTA gui{};
  ASSERT_EQ(GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(gui), &gui), int(sizeof(gui)));
  EXPECT_EQ(font->Name(), gui.lfFaceName);
  EXPECT_EQ(font->Height(), gui.lfHeight);
  EXPECT_EQ(font->Charset(), DEFAULT_CHARSET);
  EXPECT_EQ(font->Color(), clWindowText);
  EXPECT_TRUE(font->Style().Empty());
}

TEST_F(FontTest, OnChangeOnlyOnRealChange) {
  font->SetName(font->Name());
  font->SetHeight(font->Height());
  font->SetStyle(font->Style());
  font->SetColor(font->Color());
  EXPECT_EQ(changes.Count, 0);

  font->SetColor(clRed);
  font->SetStyle({fsBold});
  font->SetPitch(fpFixed);
  EXPECT_EQ(changes.Count, 3);
  EXPECT_EQ(changes.Sender, font.get());
}

TEST_F(FontTest, AssignCopiesEverythingWithOneChange) {
  TOwned<TFont> terminal(Create<TFont>());
  terminal->SetName("Fixedsys");
  terminal->SetHeight(-16);
  terminal->SetPitch(fpFixed);
  terminal->SetCharset(OEM_CHARSET);
  terminal->SetColor(clLime);
  terminal->SetStyle({fsItalic, fsUnderline});

  font->Assign(terminal.get());
  EXPECT_EQ(changes.Count, 1);
  EXPECT_EQ(font->Name(), "Fixedsys");
  EXPECT_EQ(font->Height(), -16);
  EXPECT_EQ(font->Pitch(), fpFixed);
  EXPECT_EQ(font->Charset(), OEM_CHARSET);
  EXPECT_EQ(font->Color(), clLime);
  EXPECT_EQ(font->Style(), TFontStyles({fsItalic, fsUnderline}));

  font->Assign(terminal.get());
  EXPECT_EQ(changes.Count, 1);

  TOwned<TBrush> brush(Create<TBrush>());
  EXPECT_THROW(font->Assign(brush.get()), EConvertError);
}

TEST_F(FontTest, HandlesStayValidForTheFontsLifetime) {
  HFONT plain = font->Handle();
  EXPECT_EQ(font->Handle(), plain);
  font->SetStyle({fsBold});
  HFONT bold = font->Handle();
  EXPECT_NE(bold, plain);
  font->SetHeight(font->Height() * 2);
  HFONT big = font->Handle();

  // Every earlier handle is still a live font of its own style.
  LOGFONTA lf{};
  ASSERT_EQ(GetObjectA(plain, sizeof(lf), &lf), int(sizeof(lf)));
  EXPECT_EQ(lf.lfWeight, FW_NORMAL);
  ASSERT_EQ(GetObjectA(bold, sizeof(lf), &lf), int(sizeof(lf)));
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  ASSERT_EQ(GetObjectA(big, sizeof(lf), &lf), int(sizeof(lf)));
  EXPECT_EQ(lf.lfHeight, font->Height());

  font->SetHeight(font->Height() / 2);
  font->SetStyle({});
  EXPECT_EQ(font->Handle(), plain);
}

TEST(BrushPen, ChangeOnlyOnRealChangeAndAssign) {
  TOwned<TBrush> brush(Create<TBrush>());
  TChangeCounter changes;
  brush->OnChange = Method<&TChangeCounter::Changed>(&changes);
  brush->SetColor(clWhite);
  brush->SetStyle(bsSolid);
  EXPECT_EQ(changes.Count, 0);
  brush->SetColor(clNavy);
  EXPECT_EQ(changes.Count, 1);
  EXPECT_NE(brush->Handle(), nullptr);
  brush->SetStyle(bsClear);
  EXPECT_EQ(brush->Handle(), GetStockObject(NULL_BRUSH));

  TOwned<TBrush> copy(Create<TBrush>());
  copy->Assign(brush.get());
  EXPECT_EQ(copy->Color(), clNavy);
  EXPECT_EQ(copy->Style(), bsClear);

  TOwned<TPen> pen(Create<TPen>());
  pen->SetColor(clRed);
  pen->SetWidth(3);
  TOwned<TPen> penCopy(Create<TPen>());
  penCopy->Assign(pen.get());
  LOGPEN lp{};
  ASSERT_EQ(GetObjectA(penCopy->Handle(), sizeof(lp), &lp), int(sizeof(lp)));
  EXPECT_EQ(lp.lopnWidth.x, 3);
  EXPECT_EQ(lp.lopnColor, RGB(255, 0, 0));
}

TEST(Publishing, FormDataCanSetFontStyleAndPitchAndBrushColour) {
  TOwned<TFont> font(Create<TFont>());
  const TPropInfo* style = GetPropInfo(font.get(), "style");
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(style->Kind, tkSet);
  EXPECT_EQ(style->EnumType->ValueOf("fsBold"), fsBold);
  SetOrdProp(font.get(), *style, TFontStyles({fsBold}).Bits());
  EXPECT_EQ(font->Style(), TFontStyles({fsBold}));

  const TPropInfo* pitch = GetPropInfo(font.get(), "Pitch");
  ASSERT_NE(pitch, nullptr);
  SetOrdProp(font.get(), *pitch, pitch->EnumType->ValueOf("fpFixed"));
  EXPECT_EQ(font->Pitch(), fpFixed);

  TOwned<TBrush> brush(Create<TBrush>());
  const TPropInfo* color = GetPropInfo(brush.get(), "Color");
  ASSERT_NE(color->Idents, nullptr);
  int64_t value = 0;
  ASSERT_TRUE(color->Idents->IdentToInt("clbtnface", value));
  SetOrdProp(brush.get(), *color, value);
  EXPECT_EQ(brush->Color(), clBtnFace);
}

}  // namespace
