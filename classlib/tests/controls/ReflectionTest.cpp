// Notifications of child windows reach their controls; the application and
// menu seams hear what they need.
#include "ControlsTestSupport.h"
#include "Menus.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace {

TEST(Reflection, ChildNotificationsComeBackAsCnMessages) {
  TOwned<TTestWinControl> host(Create<TTestWinControl>(nullptr));
  auto* child = AddChild<TTestWinControl>(host.get(), Bounds(0, 0, 10, 10));
  const HWND h = child->Handle();
  SendMessageA(host->Handle(), WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), reinterpret_cast<LPARAM>(h));
  NMHDR hdr{h, 1, NM_CLICK};
  SendMessageA(host->Handle(), WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&hdr));
  SendMessageA(host->Handle(), WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(h));
  EXPECT_EQ(child->Count(CN_COMMAND), 1);
  EXPECT_EQ(child->Count(CN_NOTIFY), 1);
  EXPECT_EQ(child->Count(CN_VSCROLL), 1);
  EXPECT_EQ(host->Count(CN_COMMAND), 0);
}

TEST(Reflection, ColourMessagesTakeTheChildsFontColourAndBrush) {
  TOwned<TTestWinControl> host(Create<TTestWinControl>(nullptr));
  auto* child = AddChild<TTestWinControl>(host.get(), Bounds(0, 0, 10, 10));
  child->SetColor(RGB(0xFE, 0xCB, 0x0E));
  child->Font()->SetColor(clBlack);
  HDC dc = GetDC(host->Handle());
  const LRESULT brush =
      SendMessageA(host->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(child->Handle()));
  EXPECT_EQ(brush, reinterpret_cast<LRESULT>(child->Brush()->Handle()));
  EXPECT_EQ(GetBkColor(dc), RGB(0xFE, 0xCB, 0x0E));
  EXPECT_EQ(GetTextColor(dc), clBlack);
  ReleaseDC(host->WindowHandle(), dc);
}

struct TSiteLog : IApplicationSite {
  std::vector<std::string> log;
  void HintMouseMessage(TControl* c, TMessage& m) override {
    if (m.Msg == WM_LBUTTONDOWN)
      log.push_back("mouse " + c->Name());
  }
  void ControlDestroyed(TControl* c) override { log.push_back("destroyed " + c->Name()); }
};

TEST(Reflection, ApplicationSiteHearsMouseMessagesAndDestruction) {
  TSiteLog site;
  IApplicationSite* const previous = ApplicationSite();
  SetApplicationSite(&site);
  {
    TOwned<TTestWinControl> host(Create<TTestWinControl>(nullptr));
    host->SetName("Host");
    host->SetBounds(0, 0, 50, 50);
    AddChild<TTestGraphic>(host.get(), Bounds(0, 0, 10, 10), "Label");
    SendMessageA(host->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(host->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  }
  SetApplicationSite(previous);
  EXPECT_EQ(site.log,
            (std::vector<std::string>{"mouse Label", "destroyed Host", "destroyed Label"}));
}

std::vector<std::string> popups;
void RecordPopup(TComponent* menu, TControl* control, const TPoint& p) {
  popups.push_back(Format("%s on %s at %d,%d", menu->Name().c_str(), control->Name().c_str(),
                          static_cast<int>(p.x), static_cast<int>(p.y)));
}

TEST(Reflection, PopupMenusOpenFromRightClicksAndTheKeyboard) {
  const TPopupMenuHook previous = PopupMenuHook();
  SetPopupMenuHook(RecordPopup);
  TOwned<TPopupMenu> menu(Create<TPopupMenu>(nullptr));
  menu->SetName("Menu");
  TOwned<TTestWinControl> host(Create<TTestWinControl>(nullptr));
  host->SetName("Host");
  host->SetBounds(100, 100, 50, 50);
  auto* label = AddChild<TTestGraphic>(host.get(), Bounds(10, 10, 20, 20), "Label");
  label->SetPopupMenu(menu.get());
  host->SetPopupMenu(menu.get());
  ShowTopLevel(host.get());
  popups.clear();
  SendMessageA(host->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(15, 15));
  const TPoint centre = host->ClientToScreen(TPoint(25, 25));
  SendMessageA(host->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(host->Handle()), -1);
  ASSERT_EQ(popups.size(), 2u);
  const TPoint labelPoint = host->ClientToScreen(TPoint(15, 15));
  EXPECT_EQ(popups[0], Format("Menu on Label at %d,%d", static_cast<int>(labelPoint.x),
                              static_cast<int>(labelPoint.y)));
  EXPECT_EQ(popups[1], Format("Menu on Host at %d,%d", static_cast<int>(centre.x),
                              static_cast<int>(centre.y)));
  menu.reset();  // a freed menu is forgotten
  EXPECT_EQ(label->PopupMenu(), nullptr);
  SetPopupMenuHook(previous);
}

}  // namespace
