#pragma once

#include <QColor>
#include <QImage>
#include <QMargins>
#include <QRect>
#include <QString>

#include <cstdint>

class QPainter;

// Internal artwork and drawing of the skin library.
namespace tamoui::skin {

// A colour as 0x00BBGGRR.
inline QColor Ref(std::uint32_t cr) { return QColor(int(cr & 0xFF), int((cr >> 8) & 0xFF), int((cr >> 16) & 0xFF)); }

constexpr std::uint32_t kGreyText = 0x888888;
constexpr std::uint32_t kDarkText = 0x555555;
constexpr std::uint32_t kAccent = 0x0281FB;
constexpr std::uint32_t kPressedText = 0x646464;
constexpr std::uint32_t kLine = 0xE4E4E4;
constexpr std::uint32_t kFrame = 0xA7A7A7;

// One picture of the library's artwork (":/tamoui/<name>.svg"), rendered at its natural size.
const QImage& Image(const QString& name);
// Cell n (0-based) of a strip of count cells side by side.
QRect Cell(const QImage& strip, int count, int n);
// Nine-part drawing: corners unscaled, edges and centre stretched.
void DrawNine(QPainter* dc, const QRect& dst, const QImage& src, const QRect& srcRect, const QMargins& fixed);

}  // namespace tamoui::skin
