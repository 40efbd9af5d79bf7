#include "DateUtils.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <vector>

TEST(DateTime, DayZeroAndKnownDays) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
  EXPECT_EQ(EncodeDate(1899, 12, 29), -1.0);
  EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0, 0), 0.25);
}

TEST(DateTime, EncodeDecodeRoundTrip) {
  for (int y : {1, 1600, 1899, 1900, 2000, 2024, 2100, 9999}) {
    for (int m = 1; m <= 12; ++m) {
      for (int d : {1, 28}) {
        int yy, mm, dd;
        DecodeDate(EncodeDate(y, m, d), yy, mm, dd);
        ASSERT_EQ(yy * 10000 + mm * 100 + dd, y * 10000 + m * 100 + d);
      }
    }
  }
  int y, m, d;
  DecodeDate(EncodeDate(2024, 2, 29), y, m, d);
  EXPECT_EQ(d, 29);
}

TEST(DateTime, InvalidPartsRaise) {
  EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
  EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);
  EXPECT_THROW(EncodeDate(2024, 13, 1), EConvertError);
  EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
}

TEST(DateTime, DecodeTimeRoundsToTheMillisecond) {
  int h, n, s, ms;
  DecodeTime(EncodeDate(2024, 3, 5) + EncodeTime(13, 7, 9, 42), h, n, s, ms);
  EXPECT_EQ((std::vector<int>{h, n, s, ms}), (std::vector<int>{13, 7, 9, 42}));

  // Just short of midnight rounds up into the next day, never to 24:00.
  const double almost = EncodeDate(2024, 12, 31) + (86400000 - 0.4) / 86400000.0;
  int y, m, d;
  DecodeDate(almost, y, m, d);
  DecodeTime(almost, h, n, s, ms);
  EXPECT_EQ((std::vector<int>{y, m, d, h}), (std::vector<int>{2025, 1, 1, 0}));

  // Before day 0 the fraction still counts forward.
  DecodeDate(-1.25, y, m, d);
  DecodeTime(-1.25, h, n, s, ms);
  EXPECT_EQ((std::vector<int>{y, m, d, h}), (std::vector<int>{1899, 12, 29, 6}));
}

TEST(DateTime, FormatDateTime) {
  const TDateTime dt = EncodeDate(2024, 3, 5) + EncodeTime(9, 7, 2, 45);
  EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", dt), "05.03.2024 09:07:02.045");
  EXPECT_EQ(FormatDateTime(" hh:nn:ss.zzz", dt), " 09:07:02.045");
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd", dt), "2024/03/05");  // en-US separators
  EXPECT_EQ(FormatDateTime("d.m.yy h-n-s z", dt), "5.3.24 9-7-2 45");
}

TEST(DateTime, LocaleTexts) {
  const TDateTime dt = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 2, 0);
  EXPECT_EQ(ShortDateToStr(dt), "3/5/2024");
  EXPECT_EQ(DateTimeToStr(dt), "3/5/2024 2:07:02 PM");
}
