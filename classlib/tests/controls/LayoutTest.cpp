// Align, anchors and constraints, before and after windows exist, from code
// and from form data.
#include "ControlsTestSupport.h"
#include "Reader.h"

#include <gtest/gtest.h>

namespace {

TEST(Layout, AlignFillsTopBottomLeftRightClientWithoutWindows) {
  TOwned<TTestWinControl> host(Create<TTestWinControl>(nullptr));
  host->SetBounds(0, 0, 200, 100);
  auto* client = AddChild<TTestGraphic>(host.get(), Bounds(0, 0, 5, 5));
  client->SetAlign(alClient);
  auto* right = AddChild<TTestGraphic>(host.get(), Bounds(0, 0, 30, 5));
  right->SetAlign(alRight);
  auto* bottom = AddChild<TTestGraphic>(host.get(), Bounds(0, 0, 5, 20));
  bottom->SetAlign(alBottom);
  auto* top2 = AddChild<TTestGraphic>(host.get(), Bounds(0, 50, 5, 10));
  top2->SetAlign(alTop);
  auto* top1 = AddChild<TTestGraphic>(host.get(), Bounds(0, 0, 5, 15));
  top1->SetAlign(alTop);
  auto* left = AddChild<TTestWinControl>(host.get(), Bounds(0, 0, 40, 5));
  left->SetAlign(alLeft);

  EXPECT_FALSE(host->HandleAllocated());
  EXPECT_EQ(top1->BoundsRect(), Rect(0, 0, 200, 15));
  EXPECT_EQ(top2->BoundsRect(), Rect(0, 15, 200, 25));
  EXPECT_EQ(bottom->BoundsRect(), Rect(0, 80, 200, 100));
  EXPECT_EQ(left->BoundsRect(), Rect(0, 25, 40, 80));
  EXPECT_EQ(right->BoundsRect(), Rect(170, 25, 200, 80));
  EXPECT_EQ(client->BoundsRect(), Rect(40, 25, 170, 80));

  host->SetHeight(60);  // a parent resize lays out again
  EXPECT_EQ(bottom->BoundsRect(), Rect(0, 40, 200, 60));
  EXPECT_EQ(client->BoundsRect(), Rect(40, 25, 170, 40));

  top1->SetVisible(false);  // so does a child's visibility
  EXPECT_EQ(top2->BoundsRect(), Rect(0, 0, 200, 10));
  top2->SetHeight(12);  // and an aligned child's own size
  EXPECT_EQ(left->BoundsRect(), Rect(0, 12, 40, 40));
  EXPECT_FALSE(host->HandleAllocated());
  EXPECT_FALSE(left->HandleAllocated());
}

TEST(Layout, AnchorsFollowParentSizeChangesBeforeWindowsExist) {
  TOwned<TTestWinControl> host(Create<TTestWinControl>(nullptr));
  host->SetBounds(0, 0, 300, 200);
  auto* button = AddChild<TTestWinControl>(host.get(), Bounds(200, 160, 80, 25));
  button->SetAnchors({akRight, akBottom});
  auto* stretched = AddChild<TTestGraphic>(host.get(), Bounds(10, 10, 280, 140));
  stretched->SetAnchors({akLeft, akTop, akRight, akBottom});
  auto* fixed = AddChild<TTestGraphic>(host.get(), Bounds(10, 160, 50, 20));
  auto* centred = AddChild<TTestGraphic>(host.get(), Bounds(100, 10, 100, 20));
  centred->SetAnchors({akTop});

  host->SetBounds(0, 0, 340, 150);
  EXPECT_FALSE(host->HandleAllocated());
  EXPECT_EQ(button->BoundsRect(), Bounds(240, 110, 80, 25));
  EXPECT_EQ(stretched->BoundsRect(), Bounds(10, 10, 320, 90));
  EXPECT_EQ(fixed->BoundsRect(), Bounds(10, 160, 50, 20));
  EXPECT_EQ(centred->BoundsRect(), Bounds(120, 10, 100, 20));

  // Back to the original size gives back the original places: no drift.
  host->SetBounds(0, 0, 300, 200);
  EXPECT_EQ(button->BoundsRect(), Bounds(200, 160, 80, 25));
  EXPECT_EQ(stretched->BoundsRect(), Bounds(10, 10, 280, 140));

  // Moving a control by hand makes its new place the one anchors keep.
  button->SetLeft(100);
  host->SetWidth(310);
  EXPECT_EQ(button->Left(), 110);
}

TEST(Layout, AnchorsAndAlignWorkWithWindowsToo) {
  TOwned<TTestWinControl> host(Create<TTestWinControl>(nullptr));
  host->SetBounds(0, 0, 300, 200);
  auto* button = AddChild<TTestWinControl>(host.get(), Bounds(200, 160, 80, 25));
  button->SetAnchors({akRight, akBottom});
  auto* strip = AddChild<TTestWinControl>(host.get(), Bounds(0, 0, 10, 30));
  strip->SetAlign(alTop);
  ShowTopLevel(host.get());
  ASSERT_TRUE(button->HandleAllocated());
  host->SetBounds(0, 0, 320, 180);
  EXPECT_EQ(button->BoundsRect(), Bounds(220, 140, 80, 25));
  EXPECT_EQ(strip->BoundsRect(), Rect(0, 0, 320, 30));
  RECT r;
  GetWindowRect(button->WindowHandle(), &r);
  MapWindowPoints(nullptr, host->WindowHandle(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(TRect(r), Bounds(220, 140, 80, 25));
}

TEST(Layout, ConstraintsLimitEverySize) {
  TOwned<TTestWinControl> c(Create<TTestWinControl>(nullptr));
  c->Constraints()->SetMinWidth(320);
  c->Constraints()->SetMinHeight(200);
  c->Constraints()->SetMaxWidth(800);
  c->SetBounds(0, 0, 100, 100);
  EXPECT_EQ(c->Width(), 320);
  EXPECT_EQ(c->Height(), 200);
  c->SetWidth(1000);
  EXPECT_EQ(c->Width(), 800);
  c->Constraints()->SetMaxWidth(500);  // a new limit applies at once
  EXPECT_EQ(c->Width(), 500);
}

TEST(Layout, FormDataLayoutHoldsAfterLoadingAndFollowsResizesInCode) {
  const char* text =
      "object Host: TTestForm\n"
      "  Width = 400\n"
      "  Height = 300\n"
      "  object Top: TTestWinControl\n"
      "    Height = 40\n"
      "    Align = alTop\n"
      "  end\n"
      "  object Ok: TTestWinControl\n"
      "    Left = 300\n"
      "    Top = 260\n"
      "    Width = 90\n"
      "    Height = 30\n"
      "    Anchors = [akRight, akBottom]\n"
      "  end\n"
      "  object Term: TTestGraphic\n"
      "    Left = 10\n"
      "    Top = 50\n"
      "    Width = 380\n"
      "    Height = 200\n"
      "    Anchors = [akLeft, akTop, akRight, akBottom]\n"
      "    Constraints.MinHeight = 50\n"
      "  end\n"
      "end\n";
  TOwned<TTestForm> form(Create<TTestForm>(nullptr));
  ReadComponentText(form.get(), text);
  auto* top = static_cast<TControl*>(form->FindComponent("Top"));
  auto* ok = static_cast<TControl*>(form->FindComponent("Ok"));
  auto* term = static_cast<TControl*>(form->FindComponent("Term"));
  ASSERT_TRUE(top && ok && term);
  EXPECT_EQ(top->BoundsRect(), Rect(0, 0, 400, 40));
  EXPECT_EQ(term->Constraints()->MinHeight(), 50);

  form->SetHeight(200);  // a dialog shrunk in its OnCreate
  EXPECT_FALSE(form->HandleAllocated());
  EXPECT_EQ(ok->BoundsRect(), Bounds(300, 160, 90, 30));
  EXPECT_EQ(term->BoundsRect(), Bounds(10, 50, 380, 100));
  form->SetHeight(100);
  EXPECT_EQ(term->Height(), 50);  // the minimum holds
}

}  // namespace
