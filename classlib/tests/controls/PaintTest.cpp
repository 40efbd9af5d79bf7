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

}  // namespace
