#pragma once

#include <cstdint>

// Windows value types that keep their layout and meaning in the system's interfaces.
using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using BYTE = std::uint8_t;

struct SYSTEMTIME {
    WORD wYear = 0;
    WORD wMonth = 0;
    WORD wDayOfWeek = 0;
    WORD wDay = 0;
    WORD wHour = 0;
    WORD wMinute = 0;
    WORD wSecond = 0;
    WORD wMilliseconds = 0;
};

// 100-nanosecond intervals since 1601-01-01 00:00 UTC, split in two halves.
struct FILETIME {
    DWORD dwLowDateTime = 0;
    DWORD dwHighDateTime = 0;
};

// Code page numbers the system passes around.
constexpr unsigned CP_ACP = 0;
constexpr unsigned CP_UTF7 = 65000;
constexpr unsigned CP_UTF8 = 65001;
constexpr unsigned CP_KOREAN = 949;
