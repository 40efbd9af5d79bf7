#include "DateUtils.h"

#include "SysUtils.h"
#include "Win.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

const int64_t kMSecsPerDay = 86400000;
// Days from 1970-01-01 back to day 0 of TDateTime, 1899-12-30.
const int64_t kUnixDay0 = -25569;

bool IsLeapYear(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : days[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

struct TDayAndTime {
  int64_t day;   // whole days since 1899-12-30
  int64_t msec;  // milliseconds into that day
};

// Rounds to the millisecond once, so that 23:59:59.9996 becomes the next day
// rather than a time of 24:00.
TDayAndTime Split(TDateTime dt) {
  const int64_t total = std::llround(std::fabs(dt) * kMSecsPerDay);
  const int64_t day = total / kMSecsPerDay;
  return {dt < 0 ? -day : day, total % kMSecsPerDay};
}

struct TDateTimeParts {
  int year, month, day, hour, minute, second, msec;
};

TDateTimeParts Decode(TDateTime dt) {
  TDateTimeParts p;
  DecodeDate(dt, p.year, p.month, p.day);
  DecodeTime(dt, p.hour, p.minute, p.second, p.msec);
  return p;
}

SYSTEMTIME ToSystemTime(TDateTime dt) {
  const TDateTimeParts p = Decode(dt);
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(p.year);
  st.wMonth = static_cast<WORD>(p.month);
  st.wDay = static_cast<WORD>(p.day);
  // Day 0 was a Saturday; Sunday is 0.
  st.wDayOfWeek = static_cast<WORD>(((Split(dt).day + 6) % 7 + 7) % 7);
  st.wHour = static_cast<WORD>(p.hour);
  st.wMinute = static_cast<WORD>(p.minute);
  st.wSecond = static_cast<WORD>(p.second);
  st.wMilliseconds = static_cast<WORD>(p.msec);
  return st;
}

// A string from a locale function that reports the size it needs when given
// no buffer.
template <typename F>
std::string LocaleText(F query) {
  const int n = query(nullptr, 0);
  if (n <= 0)
    return std::string();
  std::string text(n, '\0');
  const int written = query(&text[0], n);
  text.resize(written > 0 ? written - 1 : 0);
  return text;
}

std::string LocaleInfo(LCTYPE type) {
  return LocaleText(
      [type](char* buf, int size) { return GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, size); });
}

std::string Digits(int value, size_t width) {
  std::string s = std::to_string(value);
  if (s.size() < width)
    s.insert(0, width - s.size(), '0');
  return s;
}

size_t RunLength(const std::string& s, size_t from) {
  const int c = std::tolower(static_cast<unsigned char>(s[from]));
  size_t end = from;
  while (end < s.size() && std::tolower(static_cast<unsigned char>(s[end])) == c)
    ++end;
  return end - from;
}

// Appends the token at format[at] (or the literal character there) and
// returns how many characters it used.
size_t AppendToken(const std::string& format, size_t at, const TDateTimeParts& p,
                   std::string& out) {
  const size_t run = RunLength(format, at);
  const size_t pair = std::min<size_t>(run, 2);
  switch (std::tolower(static_cast<unsigned char>(format[at]))) {
    case 'd':
      out += Digits(p.day, pair);
      return pair;
    case 'm':
      out += Digits(p.month, pair);
      return pair;
    case 'h':
      out += Digits(p.hour, pair);
      return pair;
    case 'n':
      out += Digits(p.minute, pair);
      return pair;
    case 's':
      out += Digits(p.second, pair);
      return pair;
    case 'y':
      if (run >= 4) {
        out += Digits(p.year, 4);
        return 4;
      }
      out += Digits(p.year % 100, 2);
      return pair;
    case 'z':
      out += Digits(p.msec, run >= 3 ? 3 : 1);
      return run >= 3 ? 3 : 1;
    case ':':
      out += LocaleInfo(LOCALE_STIME);
      return 1;
    case '/':
      out += LocaleInfo(LOCALE_SDATE);
      return 1;
    default:
      out += format[at];
      return 1;
  }
}

}  // namespace

TDateTime Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return EncodeDate(st.wYear, st.wMonth, st.wDay) +
         EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

TDateTime EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month)) {
    throw EConvertError("Invalid argument to date encode");
  }
  return static_cast<TDateTime>(DaysFromCivil(year, month, day) - kUnixDay0);
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
      msec > 999) {
    throw EConvertError("Invalid argument to time encode");
  }
  const int64_t ms = ((hour * 60 + minute) * 60 + second) * 1000 + msec;
  return static_cast<TDateTime>(ms) / kMSecsPerDay;
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day) {
  CivilFromDays(Split(dt).day + kUnixDay0, year, month, day);
}

void DecodeTime(TDateTime dt, int& hour, int& minute, int& second, int& msec) {
  const int64_t ms = Split(dt).msec;
  hour = static_cast<int>(ms / 3600000);
  minute = static_cast<int>(ms / 60000 % 60);
  second = static_cast<int>(ms / 1000 % 60);
  msec = static_cast<int>(ms % 1000);
}

std::string FormatDateTime(const std::string& format, TDateTime dt) {
  const TDateTimeParts p = Decode(dt);
  std::string out;
  for (size_t at = 0; at < format.size();)
    at += AppendToken(format, at, p, out);
  return out;
}

std::string ShortDateToStr(TDateTime dt) {
  const SYSTEMTIME st = ToSystemTime(dt);
  return LocaleText([&st](char* buf, int size) {
    return GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, size);
  });
}

std::string DateTimeToStr(TDateTime dt) {
  const SYSTEMTIME st = ToSystemTime(dt);
  const std::string time = LocaleText([&st](char* buf, int size) {
    return GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, buf, size);
  });
  return ShortDateToStr(dt) + " " + time;
}
