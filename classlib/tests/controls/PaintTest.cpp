// Painting: a window paints itself, then its windowless children through the
// same DC, moved and clipped to each child.
#include "ControlsTestSupport.h"

#include <gtest/gtest.h>

namespace {

// A memory DC with a bitmap the size of the control, painted through
// WM_PRINTCLIENT.
TColor PixelAfterPrint(TWinControl* c, int x, int y) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, c->Width(), c->Height());
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  c->Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  const TColor pixel = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixel;
}

TEST(Paint, WindowlessChildrenArePaintedOverTheWindowsOwnPainting) {
  TOwned<TTestWinControl> host(Create<TTestWinControl>(nullptr));
  host->SetBounds(0, 0, 60, 60);
  host->OnPaintBody = [](TTestWinControl* self) {
    self->Canvas()->Brush()->SetColor(clWhite);
    self->Canvas()->FillRect(self->ClientRect());
  };
  auto* red = AddChild<TTestGraphic>(host.get(), Bounds(10, 10, 20, 20));
  red->SetColor(clRed);
  auto* blue = AddChild<TTestGraphic>(host.get(), Bounds(20, 20, 20, 20));
  blue->SetColor(clBlue);
  auto* hidden = AddChild<TTestGraphic>(host.get(), Bounds(40, 40, 10, 10));
  hidden->SetColor(clLime);
  hidden->Hide();
  host->HandleNeeded();

  EXPECT_EQ(PixelAfterPrint(host.get(), 5, 5), clWhite);
  EXPECT_EQ(PixelAfterPrint(host.get(), 12, 12), clRed);
  EXPECT_EQ(PixelAfterPrint(host.get(), 25, 25), clBlue);  // later in z-order on top
  EXPECT_EQ(PixelAfterPrint(host.get(), 35, 35), clBlue);
  EXPECT_EQ(PixelAfterPrint(host.get(), 45, 45), clWhite);
  red->BringToFront();
  EXPECT_EQ(PixelAfterPrint(host.get(), 25, 25), clRed);
  EXPECT_EQ(hidden->Paints, 0);
}

TEST(Paint, ChildCanvasDrawsAtTheChildsPlaceOutsidePainting) {
  TOwned<TTestWinControl> host(Create<TTestWinControl>(nullptr));
  host->SetBounds(0, 0, 60, 60);
  auto* child = AddChild<TTestGraphic>(host.get(), Bounds(10, 10, 20, 20));
  ShowTopLevel(host.get());
  ProcessMessages();
  child->Canvas()->SetPixels(0, 0, clRed);
  EXPECT_EQ(child->Canvas()->Pixels(0, 0), clRed);
  HDC dc = GetDC(host->WindowHandle());
  EXPECT_EQ(GetPixel(dc, 10, 10), clRed);
  ReleaseDC(host->WindowHandle(), dc);
  static_cast<TControlCanvas*>(child->Canvas())->ReleaseHandle();
}

TEST(Paint, AWindowlessCanvasNeverKeepsADCOfAGoneWindowOrAnOldPlace) {
  TOwned<TTestWinControl> host(Create<TTestWinControl>(nullptr));
  host->SetBounds(0, 0, 80, 60);
  auto* child = AddChild<TTestGraphic>(host.get(), Bounds(10, 10, 20, 20));
  ShowTopLevel(host.get());
  ProcessMessages();
  TCanvas* canvas = child->Canvas();
  auto origin = [canvas] {
    POINT p{};
    GetWindowOrgEx(canvas->Handle(), &p);
    return TPoint(-p.x, -p.y);
  };

  // Measuring outside painting takes a DC of the parent's window...
  EXPECT_GT(canvas->TextWidth("W"), 0);
  EXPECT_EQ(WindowFromDC(canvas->Handle()), host->WindowHandle());
  // ...which the parent's re-creation takes back; the next use gets one of
  // the new window.
  host->RecreateWnd();
  EXPECT_FALSE(canvas->HandleAllocated());
  EXPECT_EQ(WindowFromDC(canvas->Handle()), host->WindowHandle());

  // A move gives the DC of the old place back.
  EXPECT_EQ(origin(), TPoint(10, 10));
  child->SetLeft(40);
  EXPECT_FALSE(canvas->HandleAllocated());
  EXPECT_EQ(origin(), TPoint(40, 10));

  // Idle time gives it back too.
  classlib::PumpFor(10);
  EXPECT_FALSE(canvas->HandleAllocated());
}

}  // namespace
