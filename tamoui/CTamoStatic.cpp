#include "tamoui/CTamoStatic.h"

#include <QPainter>

#include "tamoui/TamoSkin.h"
#include "tamoui/TamoToolkit.h"

using namespace tamoui;

CTamoStatic::CTamoStatic(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

CTamoStatic::CTamoStatic(const QString& text, int nID, const QRect& rc, QWidget* parent) : CTamoStatic(parent)
{
    m_strText = text;
    SetControlId(this, nID);
    setGeometry(rc);
}

CTamoStatic::~CTamoStatic() = default;

void CTamoStatic::SetDrawPopupBkgnd(int nKind)
{
    m_nPopup = nKind;
    update();
}

void CTamoStatic::SetFont(const QString& strFace, int nSize, std::uint32_t crText, int bBold)
{
    QFont f(strFace);
    f.setPixelSize(std::max(1, nSize));
    f.setBold(bBold != 0);
    setFont(f);
    m_crText = crText;
    update();
}

void CTamoStatic::SetTextColor(std::uint32_t crText)
{
    m_crText = crText;
    update();
}

void CTamoStatic::SetBkColor(std::uint32_t crBack)
{
    m_crBack = crBack;
    update();
}

void CTamoStatic::SetTextAlign(Qt::Alignment align)
{
    m_align = align;
    update();
}

void CTamoStatic::SetWordWrap(bool b)
{
    m_bWrap = b;
    update();
}

void CTamoStatic::SetWindowText(const QString& text)
{
    m_strText = text;
    update();
}

QSize CTamoStatic::sizeHint() const
{
    if (m_pPicture && !m_bPicture)
        return m_pPicture.Size();
    return QFontMetrics(font()).size(0, m_strText);
}

void CTamoStatic::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_pPicture && !m_bPicture) {
        m_pPicture.Draw(&p, 1, rect());
        return;
    }
    if (m_nPopup >= 0) {
        const QImage& img = skin::Image(m_nPopup == 0 ? QStringLiteral("popup") : QStringLiteral("popup_plain"));
        skin::DrawNine(&p, rect(), img, img.rect(), QMargins(4, 4, 4, 4));
    }
    if (m_crBack != 0xFFFFFFFF)
        p.fillRect(rect(), skin::Ref(m_crBack));
    if (!m_strText.isEmpty()) {
        p.setPen(skin::Ref(m_crText));
        p.setFont(font());
        // Texts come with Windows line ends; one break per line.
        QString text = m_strText;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.remove(QLatin1Char('\r'));
        p.drawText(rect(), int(m_align) | (m_bWrap ? Qt::TextWordWrap : Qt::TextSingleLine), text);
    }
}
