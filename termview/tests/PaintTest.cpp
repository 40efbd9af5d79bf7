// What a flush leaves on the screen must be what a full repaint draws, also
// when the client height is not a whole number of lines; flushes reach the
// screen within a frame, and every cell shows in its own colours.
#include "TermTestSupport.h"

#include <algorithm>
#include <map>
#include <set>

namespace {

// Counts the paints a control's window gets.
struct TPaintCounter {
  explicit TPaintCounter(TControl* c) : control(c), previous(c->WindowProc()) {
    c->SetWindowProc(Method<&TPaintCounter::Proc>(this));
  }
  ~TPaintCounter() { control->SetWindowProc(previous); }
  void Proc(TMessage& m) {
    if (m.Msg == WM_PAINT)
      ++paints;
    previous(m);
  }
  TControl* control;
  TWndMethod previous;
  int paints = 0;
};

class PaintTest : public TermFormTest {
 protected:
  void SetUp() override {
    TermFormTest::SetUp();
    term = Add<TProbeTerminal>(420, 200);
    term->SetTermColorMode(cmC16_16);
    ShowForm();
    // Ten lines and a half.
    const int lh = term->LineHeight();
    term->SetClientHeight(lh * 10 + lh / 2);
    Settle();
    ASSERT_NE(0, term->ClientHeight() % lh);
    ASSERT_EQ(10, term->VisibleRows());
  }
  void WriteLine(int n) {
    for (char c : "\r\nline " + std::to_string(n) + std::string(n % 40, '#'))
      term->WriteColorChar(c, static_cast<uint8_t>(n % 3), static_cast<uint8_t>(1 + n % 14));
  }
  // Flushes, lets the paint run and compares with a forced repaint.
  void ExpectFlushMatchesRepaint(const std::string& what) {
    term->FlushDisplay();
    Settle();
    const std::vector<uint32_t> shown = ClientPixels(term);
    ASSERT_EQ(RepaintedPixels(term), shown) << what;
  }

  TProbeTerminal* term = nullptr;
};

TEST_F(PaintTest, OneLinePerFlushPastTheBottom) {
  for (int n = 0; n < 16; ++n) {
    WriteLine(n);
    ExpectFlushMatchesRepaint("line " + std::to_string(n));
  }
}

TEST_F(PaintTest, SeveralLinesPerFlush) {
  for (int batch = 0; batch < 8; ++batch) {
    for (int k = 0; k < 3; ++k)
      WriteLine(batch * 3 + k);
    ExpectFlushMatchesRepaint("batch " + std::to_string(batch));
  }
}

TEST_F(PaintTest, FullRing) {
  term->SetScrollBackRows(20);
  for (int n = 0; n < 70; ++n) {
    WriteLine(n);
    if (n % 4 == 3)
      ExpectFlushMatchesRepaint("line " + std::to_string(n));
  }
  EXPECT_EQ(20, term->LineCount());
}

TEST_F(PaintTest, RedimensioningRepaintsEverything) {
  for (int n = 0; n < 5; ++n)
    WriteLine(n);
  term->FlushDisplay();
  Settle();
  const std::vector<uint32_t> written = ClientPixels(term);
  term->SetTermColorMode(cmL16_16);
  Settle();
  const std::vector<uint32_t> emptied = ClientPixels(term);
  EXPECT_NE(written, emptied);
  EXPECT_EQ(RepaintedPixels(term), emptied);
  term->SetUserDataSize(3);
  Settle();
  EXPECT_EQ(RepaintedPixels(term), ClientPixels(term));
}

TEST_F(PaintTest, AFlushAfterAQuietSpellShowsAtOnce) {
  // As typed echo: nothing else runs before the screen is read.
  for (int n = 0; n < 3; ++n) {
    classlib::PumpFor(2 * kFrameMs);
    WriteLine(n);
    term->FlushDisplay();
    const std::vector<uint32_t> shown = ScreenPixels(term);
    ASSERT_EQ(RepaintedPixels(term), shown) << "line " << n;
  }
}

TEST_F(PaintTest, ABurstOfFlushesPaintsOncePerFrameAndShowsAll) {
  const TPaintCounter counter(term);
  const DWORD start = GetTickCount();
  for (int n = 0; n < 40; ++n) {
    WriteLine(n);
    term->FlushDisplay();
  }
  const DWORD frames = (GetTickCount() - start) / kFrameMs + 1;
  EXPECT_LE(counter.paints, static_cast<int>(frames) + 1);
  classlib::PumpFor(4 * kFrameMs);
  const std::vector<uint32_t> shown = ScreenPixels(term);
  EXPECT_EQ(RepaintedPixels(term), shown);
}

TEST_F(PaintTest, EveryCellShowsInItsOwnColours) {
  // Row 0 changes colours on every cell, row 1 in long runs; in scroll-back
  // mode part of row 0 is selected. No caret may invert a cell.
  term->SetOptions(term->Options() - TVelCLVOptions{loShowCaretCursor});
  auto colours = [](int row, int col) {
    const int fore = row == 0 ? 1 + col % 14 : 1 + col / 10;
    const int back = row == 0 ? (col / 3 % 2 ? 0 : 15) : col / 15 % 2 ? 0 : 15;
    return std::make_pair(fore, back);
  };
  const int cols = term->VisibleCols();
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < cols; ++col)
      term->WriteColorChar('H', static_cast<uint8_t>(colours(row, col).second),
                           static_cast<uint8_t>(colours(row, col).first));
    term->WriteColorChar('\r', 0, 0);
    term->WriteColorChar('\n', 0, 0);
  }
  term->FlushDisplay();
  term->SetScrollBackMode(true);
  term->SetTopRow(0);
  term->MoveCursor(TPoint(4, 0), false);
  term->MoveCursor(TPoint(9, 0), true);
  Settle();
  const std::vector<uint32_t> pixels = ClientPixels(term);
  const int width = term->ClientWidth();
  auto rgb = [](TColor c) {
    const COLORREF v = ColorToRGB(c);
    return static_cast<uint32_t>(GetRValue(v) << 16 | GetGValue(v) << 8 | GetBValue(v));
  };
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < cols; ++col) {
      std::map<uint32_t, int> counts;
      for (int y = 0; y < term->LineHeight(); ++y) {
        for (int x = 0; x < term->CharWidth(); ++x)
          ++counts[pixels[(row * term->LineHeight() + y) * width + col * term->CharWidth() + x]];
      }
      std::vector<std::pair<int, uint32_t>> ranked;
      for (const auto& c : counts)
        ranked.push_back({c.second, c.first});
      std::sort(ranked.rbegin(), ranked.rend());
      ASSERT_GE(ranked.size(), 2u) << row << "," << col;
      const bool selected = row == 0 && col >= 4 && col < 9;
      const auto [fore, back] = colours(row, col);
      const std::set<uint32_t> expected =
          selected
              ? std::set<uint32_t>{rgb(term->SelectedTextColor()), rgb(term->SelectedColor())}
              : std::set<uint32_t>{rgb(DefaultColorTable()[fore]), rgb(DefaultColorTable()[back])};
      EXPECT_EQ(expected, (std::set<uint32_t>{ranked[0].second, ranked[1].second}))
          << "cell " << col << "," << row;
    }
  }
}

TEST_F(PaintTest, EveryByteAndColourPairPaints) {
  struct TAnyColours {
    void Get(TObject*, int, TVelTRMCharAttrs& colors) {
      for (TVelTRMCharAttr& pair : colors)
        pair = TVelTRMCharAttr{static_cast<uint8_t>(pair.Fore + 77), 0xEE};
    }
  } handler;
  term->OnGetColors = Method<&TAnyColours::Get>(&handler);
  for (int pair = 0; pair < 0x10000; ++pair) {
    term->WriteColorChar(static_cast<char>(pair), static_cast<uint8_t>(pair >> 8),
                         static_cast<uint8_t>(pair));
    if (pair % 2048 == 0)
      term->FlushDisplay();
  }
  for (int b = 0; b < 256; ++b)
    term->WriteChar(static_cast<char>(b));
  ExpectFlushMatchesRepaint("all bytes");
  term->SetLeftSpace(10);
  term->SetSelectedStyle(TFontStyles{fsBold});
  SendScroll(term, WM_HSCROLL, SB_LINERIGHT);
  Settle();
  EXPECT_EQ(std::vector<std::string>{}, boxes) << "painting raised";
}

}  // namespace
