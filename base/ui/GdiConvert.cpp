#include "base/ui/GdiConvert.h"

#include <algorithm>
#include <cstdlib>

namespace tamo {

QFont FontFromLOGFONT(const LOGFONTW& lf)
{
    int len = 0;
    while (len < LF_FACESIZE && lf.lfFaceName[len])
        ++len;
    QFont f(QString::fromUtf16(lf.lfFaceName, len));
    if (lf.lfHeight != 0)
        f.setPixelSize(std::max(1, std::abs(lf.lfHeight)));
    f.setBold(lf.lfWeight >= 600);
    f.setItalic(lf.lfItalic != 0);
    f.setUnderline(lf.lfUnderline != 0);
    f.setStrikeOut(lf.lfStrikeOut != 0);
    return f;
}

LOGFONTW LOGFONTFromFont(const QFont& font)
{
    LOGFONTW lf;
    const int px = font.pixelSize() > 0 ? font.pixelSize() : int(font.pointSizeF() * 96 / 72 + 0.5);
    lf.lfHeight = -px;
    lf.lfWeight = font.bold() ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = font.italic();
    lf.lfUnderline = font.underline();
    lf.lfStrikeOut = font.strikeOut();
    const QString face = font.family().left(LF_FACESIZE - 1);
    for (int i = 0; i < face.size(); ++i)
        lf.lfFaceName[i] = face.at(i).unicode();
    return lf;
}

QFont MakeFont(const QString& face, int pixelSize, bool bold)
{
    QFont f(face);
    f.setPixelSize(std::max(1, pixelSize));
    f.setBold(bold);
    return f;
}

}  // namespace tamo

namespace tamo {

int QtTextFlags(unsigned nFormat)
{
    int flags = 0;
    flags |= (nFormat & DT_CENTER) ? Qt::AlignHCenter : (nFormat & DT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
    flags |= (nFormat & DT_VCENTER) ? Qt::AlignVCenter : (nFormat & DT_BOTTOM) ? Qt::AlignBottom : Qt::AlignTop;
    flags |= (nFormat & DT_SINGLELINE) ? Qt::TextSingleLine : 0;
    flags |= (nFormat & DT_WORDBREAK) ? Qt::TextWordWrap : 0;
    flags |= (nFormat & DT_NOPREFIX) ? 0 : Qt::TextShowMnemonic;
    return flags;
}

}  // namespace tamo
