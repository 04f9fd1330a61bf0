#pragma once

#include <QString>
#include <optional>

// A day of the Korean lunisolar calendar; leap is set for a day of the leap month that follows
// the month of the same number.
struct SLunarDate {
    int year;
    int month;
    int day;
    bool leap;
};

// The month table covers the lunar years 1841 to 2043: Gregorian 1841-01-23 to 2044-01-29.
constexpr int kLunarFirstYear = 1841;
constexpr int kLunarLastYear = 2043;

// The lunar date of a Gregorian date, or nothing for a date outside the table. A month outside
// 1-12 or a day outside the month gives nothing and, when pstrRangeMessage is given, the text
// that asks for a value in range: "1 ~ 12 사이 값을 입력하세요." for the month, "1 ~ N 사이 값을
// 입력하세요." with the month's length N for the day. A caller that takes the date from the
// user shows it with CHelpDlg; the conversion itself shows nothing. The message is left empty
// in every other case. The table is read from the program's resources on first use; thread safe.
std::optional<SLunarDate> ToLunarDate(int nDay, int nYear, int nMonth, QString* pstrRangeMessage = nullptr);
