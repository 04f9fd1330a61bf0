#pragma once

// The test both the program's start-up trace and the benchmark's bare web-view program use for
// "the page has shown something": more than one colour in the view. Chromium first paints a
// blank frame before the page has laid out.

#include <QImage>
#include <QWidget>

namespace startup {

inline bool HasContent(QWidget* view)
{
    const QImage image = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return false;
    const QRgb background = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (line[x] != background)
                return true;
    }
    return false;
}

}  // namespace startup
