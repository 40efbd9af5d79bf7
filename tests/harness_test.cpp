#include <gtest/gtest.h>
#include <windows.h>

TEST(Harness, AnsiCodePageIsPinned) {
  EXPECT_EQ(1252u, GetACP());
}

TEST(Harness, WindowsCanBeCreated) {
  HWND h =
      CreateWindowExA(0, "STATIC", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, h);
  DestroyWindow(h);
}
