// Date and time: TDateTime counts days since 1899-12-30; the fraction is the
// time of day. Before that day the fraction still counts forward (-1.25 is
// 1899-12-29 06:00).
#pragma once

#include <string>

using TDateTime = double;

TDateTime Now();  // local time

// Raise EConvertError for values outside 1-9999 / 1-12 / the month's days, or
// outside a day.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& minute, int& second, int& msec);

// Tokens: d dd, m mm (month), yy yyyy, h hh, n nn (minute), s ss, z zzz.
// ':' and '/' give the locale's time and date separators; anything else,
// '.' and blanks included, is copied.
std::string FormatDateTime(const std::string& format, TDateTime dt);
std::string ShortDateToStr(TDateTime dt);  // the locale's short date
std::string DateTimeToStr(TDateTime dt);   // short date, a blank, long time
