#pragma once

#include <cstdint>

// Windows drawing value types that keep their layout and meaning in the system's interfaces.
// Qt Core only: the conversions to Qt's drawing types live in base/ui/GdiConvert.h.

// A colour as 0x00BBGGRR: red in the lowest byte.
using COLORREF = std::uint32_t;

constexpr COLORREF RGB(int r, int g, int b)
{
    return COLORREF(r & 0xFF) | (COLORREF(g & 0xFF) << 8) | (COLORREF(b & 0xFF) << 16);
}
constexpr int GetRValue(COLORREF c) { return int(c & 0xFF); }
constexpr int GetGValue(COLORREF c) { return int((c >> 8) & 0xFF); }
constexpr int GetBValue(COLORREF c) { return int((c >> 16) & 0xFF); }

// "No colour" where a colour argument is optional (transparent key, hot colour, ...).
constexpr COLORREF CLR_NONE_VALUE = 0xFFFFFFFF;

struct RECT {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const RECT&, const RECT&) = default;
};

constexpr int LF_FACESIZE = 32;

// The logical font record, 92 bytes as on the platform: five 32-bit fields, eight bytes and a
// face name of 32 UTF-16 units.
struct LOGFONTW {
    std::int32_t lfHeight = 0;
    std::int32_t lfWidth = 0;
    std::int32_t lfEscapement = 0;
    std::int32_t lfOrientation = 0;
    std::int32_t lfWeight = 0;
    std::uint8_t lfItalic = 0;
    std::uint8_t lfUnderline = 0;
    std::uint8_t lfStrikeOut = 0;
    std::uint8_t lfCharSet = 0;
    std::uint8_t lfOutPrecision = 0;
    std::uint8_t lfClipPrecision = 0;
    std::uint8_t lfQuality = 0;
    std::uint8_t lfPitchAndFamily = 0;
    char16_t lfFaceName[LF_FACESIZE] = {};
};
static_assert(sizeof(LOGFONTW) == 92);

constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
