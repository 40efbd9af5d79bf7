#include "ComCtrlsTestSupport.h"

namespace {

std::string PartText(TStatusBar* bar, int part) {
  char buffer[256] = {};
  SendMessageA(bar->Handle(), SB_GETTEXTA, part, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

class StatusBar : public ComCtrlsTest {
 protected:
  void SetUp() override {
    ComCtrlsTest::SetUp();
    bar_ = Add<TStatusBar>(TRect(0, 0, 400, 19));
    for (TAlignment a : {taLeftJustify, taCenter, taRightJustify}) {
      TStatusPanel* panel = bar_->Panels()->Add();
      panel->SetAlignment(a);
      panel->SetWidth(100);
    }
    bar_->HandleNeeded();
  }
  TStatusBar* bar_ = nullptr;
};

}  // namespace

TEST_F(StatusBar, PartsGoThroughTheOwnChainWithAlignmentTabs) {
  TSpy spy(bar_);
  const char* texts[] = {"left", "centre", "right"};
  for (int i = 0; i < 3; ++i)
    bar_->Panels()->Items(i)->SetText(texts[i]);
  const auto sent = spy.Of(SB_SETTEXTA);
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].Text, "left");
  EXPECT_EQ(sent[1].Text, "\tcentre");
  EXPECT_EQ(sent[2].Text, "\t\tright");
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(sent[i].WParam & 0xFF, static_cast<WPARAM>(i));
  // The native bar keeps the TABs: they are its alignment marks.
  EXPECT_EQ(PartText(bar_, 2), "\t\tright");

  // Unchanged text: nothing at all.
  spy.Clear();
  bar_->Panels()->Items(1)->SetText("centre");
  bar_->SetSimpleText("");
  EXPECT_TRUE(spy.Of(SB_SETTEXTA).empty());

  // A width change sends the parts and every text again.
  bar_->Panels()->Items(0)->SetWidth(120);
  EXPECT_EQ(spy.Of(SB_SETPARTS).size(), 1u);
  EXPECT_EQ(spy.Of(SB_SETTEXTA).size(), 3u);
  int edges[3] = {};
  SendMessageA(bar_->Handle(), SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges));
  EXPECT_EQ(edges[0], 120);
  EXPECT_EQ(edges[1], 220);
}

TEST_F(StatusBar, DrawingTypesAndTheSimplePart) {
  TSpy spy(bar_);
  bar_->Panels()->Items(0)->SetBevel(pbRaised);
  bar_->Panels()->Items(1)->SetBevel(pbNone);
  bar_->Panels()->Items(2)->SetStyle(psOwnerDraw);
  spy.Clear();
  bar_->Panels()->Items(0)->SetText("a");
  bar_->Panels()->Items(1)->SetText("b");
  bar_->Panels()->Items(2)->SetText("c");
  const auto sent = spy.Of(SB_SETTEXTA);
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].WParam, static_cast<WPARAM>(0 | SBT_POPOUT));
  EXPECT_EQ(sent[1].WParam, static_cast<WPARAM>(1 | SBT_NOBORDERS));
  EXPECT_EQ(sent[2].WParam, static_cast<WPARAM>(2 | SBT_OWNERDRAW));

  spy.Clear();
  bar_->SetSimplePanel(true);
  bar_->SetSimpleText("simple");
  EXPECT_TRUE(SendMessageA(bar_->Handle(), SB_ISSIMPLE, 0, 0));
  const auto simple = spy.Of(SB_SETTEXTA);
  ASSERT_FALSE(simple.empty());
  EXPECT_EQ(simple.back().WParam, 255u);
  EXPECT_EQ(simple.back().Text, "simple");
}

TEST_F(StatusBar, StateSurvivesRecreationAndPanelsRaiseOutOfRange) {
  bar_->Panels()->Items(1)->SetText("kept");
  bar_->SetSizeGrip(false);  // re-creates the window
  EXPECT_EQ(PartText(bar_, 1), "\tkept");
  EXPECT_THROW(bar_->Panels()->Items(3), EListError);
  EXPECT_THROW(bar_->Panels()->Items(-1), EListError);
}

TEST_F(StatusBar, WithoutPanelsTheSimplePartShows) {
  bar_->Panels()->Clear();
  TSpy spy(bar_);
  bar_->SetSimpleText("fallback");
  EXPECT_TRUE(SendMessageA(bar_->Handle(), SB_ISSIMPLE, 0, 0));
  EXPECT_EQ(spy.Of(SB_SETTEXTA).back().WParam, 255u);
  // In simple mode the native bar reads its simple part whatever the index.
  EXPECT_EQ(PartText(bar_, 0), "fallback");
}

namespace {

struct THintCounter {
  int calls = 0;
  void Hint(TObject*) { ++calls; }
};

}  // namespace

TEST_F(StatusBar, AutoHintShowsTheApplicationHint) {
  bar_->SetAutoHint(true);
  ShowForm();
  Application()->SetHint("The long hint");
  EXPECT_EQ(bar_->Panels()->Items(0)->Text(), "The long hint");

  bar_->SetSimplePanel(true);
  Application()->SetHint("In simple mode");
  EXPECT_EQ(bar_->SimpleText(), "In simple mode");
  EXPECT_EQ(bar_->Panels()->Items(0)->Text(), "The long hint");

  THintCounter counter;
  bar_->OnHint = Method<&THintCounter::Hint>(&counter);
  Application()->SetHint("taken by OnHint");
  EXPECT_EQ(counter.calls, 1);
  EXPECT_EQ(bar_->SimpleText(), "In simple mode");

  bar_->OnHint = {};
  bar_->SetAutoHint(false);
  Application()->SetHint("ignored");
  EXPECT_EQ(bar_->SimpleText(), "In simple mode");
  Application()->SetHint("");
}

TEST_F(StatusBar, OwnerDrawnPanelGetsThePreparedCanvas) {
  struct TPainter {
    std::vector<std::string> drawn;
    void Draw(TCustomStatusBar* bar, TStatusPanel* panel, const TRect& r) {
      bar->Canvas()->Brush()->SetColor(clRed);
      bar->Canvas()->FillRect(r);
      drawn.push_back(panel->Text());
    }
  } painter;
  bar_->OnDrawPanel = Method<&TPainter::Draw>(&painter);
  bar_->Panels()->Items(1)->SetStyle(psOwnerDraw);
  bar_->Panels()->Items(1)->SetText("drawn");
  ShowForm();
  classlib::PumpUntil([&] { return !painter.drawn.empty(); }, 2000);
  ASSERT_FALSE(painter.drawn.empty());
  EXPECT_EQ(painter.drawn.back(), "drawn");
  // The canvas gave the item's DC back.
  EXPECT_FALSE(bar_->Canvas()->HandleAllocated());
}

TEST_F(StatusBar, TheSizeGripShowsOnlyOnASizeableForm) {
  EXPECT_TRUE(GetWindowLongA(bar_->Handle(), GWL_STYLE) & SBARS_SIZEGRIP);
  form_->SetBorderStyle(bsSingle);
  bar_->HandleNeeded();
  EXPECT_FALSE(GetWindowLongA(bar_->Handle(), GWL_STYLE) & SBARS_SIZEGRIP);
  form_->SetBorderStyle(bsSizeable);
  bar_->SetSizeGrip(false);
  bar_->HandleNeeded();
  EXPECT_FALSE(GetWindowLongA(bar_->Handle(), GWL_STYLE) & SBARS_SIZEGRIP);
}

// The grip and the last part's edge move with the width: a bar that grows is
// drawn again whole, or the old grip stays where the bar was cut before.
TEST_F(StatusBar, AGrowingBarIsDrawnAgainWhole) {
  ShowForm();
  ValidateRect(bar_->Handle(), nullptr);
  bar_->SetWidth(600);
  RECT update{};
  ASSERT_TRUE(GetUpdateRect(bar_->Handle(), &update, FALSE));
  EXPECT_EQ(0, update.left);
}
