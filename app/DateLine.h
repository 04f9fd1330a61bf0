#pragma once

#include <QDateTime>
#include <QString>

// The main window's date line for a local clock time, e.g.
// "2024년 2월 10일 토요일 오전12시 5분  (음력 1/1)". Noon counts as morning ("오전12시"); hour
// and minute are padded with a blank. Without a lunar date for the day (outside the month
// table) the part from the two blanks on is left out.
QString FormatDateLine(const QDateTime& localNow);

// The same for now, in the user's own zone.
QString CurrentDateLine();
