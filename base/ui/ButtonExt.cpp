#include "base/ui/ButtonExt.h"

#include <QEnterEvent>
#include <QPainter>

#include "base/ui/BufferDC.h"
#include "base/ui/DrawHelper.h"
#include "base/ui/GdiConvert.h"
#include "base/ui/ImageList.h"

CButtonExt::CButtonExt(QWidget* parent) : QAbstractButton(parent)
{
    setAttribute(Qt::WA_Hover);
}

CButtonExt::~CButtonExt() = default;

bool CButtonExt::CreateEx(const QString& text, unsigned nButtonStyle, const QRect& rc, QWidget* parent, int nID)
{
    setParent(parent);
    setText(text);
    setGeometry(rc);
    setProperty("tamoCtrlId", nID);
    SetButtonStyle(nButtonStyle);
    show();
    return true;
}

void CButtonExt::SetIcons(int nNormal, int nPressed, int nDisabled, int nHot, int nDefault)
{
    // Stored by state number - 1: normal, hot, pressed, disabled, default.
    m_nIcons[0] = nNormal;
    m_nIcons[1] = nHot;
    m_nIcons[2] = nPressed;
    m_nIcons[3] = nDisabled;
    m_nIcons[4] = nDefault;
    update();
}

void CButtonExt::SetButtonStyle(unsigned nStyle)
{
    m_nStyle = nStyle;
    const unsigned kind = nStyle & KindMask;
    setCheckable(kind == KindCheck);
    // A label lets clicks through to what lies below it.
    setAttribute(Qt::WA_TransparentForMouseEvents, kind == KindLabel);
    update();
}

void CButtonExt::SetCheck(int nCheck)
{
    m_nCheck = nCheck ? 1 : 0;
    if (isCheckable())
        setChecked(m_nCheck != 0);
    update();
}

void CButtonExt::nextCheckState()
{
    QAbstractButton::nextCheckState();
    m_nCheck = isChecked() ? 1 : 0;
}

void CButtonExt::SetDefaulted(bool bDefault)
{
    const unsigned kind = m_nStyle & KindMask;
    if (kind == KindPush || kind == KindDefPush)
        SetButtonStyle((m_nStyle & ~KindMask) | (bDefault ? KindDefPush : KindPush));
}

int CButtonExt::StateFor(unsigned nKind, bool bDisabled, bool bPressed, bool bHot, bool bChecked)
{
    if (nKind == KindLabel)
        return bDisabled ? 2 : 1;
    if (bDisabled)
        return StateDisabled;
    if (bPressed)
        return StatePressed;
    if (bHot)
        return StateHot;
    if (bChecked)
        return StatePressed;
    if (nKind == KindDefPush)
        return StateDefault;
    return StateNormal;
}

int CButtonExt::GetDrawState() const
{
    return StateFor(m_nStyle & KindMask, !isEnabled(), isDown(), m_bHover, m_nCheck != 0);
}

int CButtonExt::IconIndexFor(int nState) const
{
    if (!m_pImages || nState < 1 || nState > 5)
        return -1;
    int index = m_nIcons[nState - 1];
    if (index < 0)
        index = m_nIcons[0];
    return index >= 0 && index < m_pImages->GetImageCount() ? index : -1;
}

void CButtonExt::enterEvent(QEnterEvent* e)
{
    if (m_bEnableHot) {
        m_bHover = true;
        if (m_hotCursor)
            setCursor(*m_hotCursor);
        update();
    }
    QAbstractButton::enterEvent(e);
}

void CButtonExt::leaveEvent(QEvent* e)
{
    if (m_bHover) {
        m_bHover = false;
        unsetCursor();
        update();
    }
    QAbstractButton::leaveEvent(e);
}

QSize CButtonExt::TextSize() const
{
    if (!(m_nStyle & StyleText) || text().isEmpty())
        return {};
    QFont f = font();
    if (m_pDrawHelper)
        m_pDrawHelper->GetFont(1, f);
    const QFontMetrics fm(f);
    const int flags = (m_nAlign & BS_MULTILINE) ? 0 : Qt::TextSingleLine;
    return fm.size(flags | Qt::TextShowMnemonic, text());
}

QSize CButtonExt::GetContentSize() const
{
    QSize content = TextSize();
    if ((m_nStyle & StyleIcon) && m_pImages && m_pImages->GetImageCount() > 0) {
        const QSize icon = m_pImages->GetImageSize();
        const unsigned v = m_nStyle & IconVMask;
        const int gap = content.isEmpty() ? 0 : kIconGap;
        if (v == IconTop || v == IconBottom)
            content = QSize(std::max(content.width(), icon.width()), content.height() + gap + icon.height());
        else
            content = QSize(content.width() + gap + icon.width(), std::max(content.height(), icon.height()));
    }
    if (m_pDrawHelper) {
        QRect grown;
        m_pDrawHelper->GetExtentRect(GetDrawState(), QRect(QPoint(0, 0), content), grown);
        content = grown.size();
    }
    return content;
}

void CButtonExt::SizeToContent()
{
    resize(GetContentSize());
}

void CButtonExt::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    CBufferDC buffer(&p, rect());
    DrawItem(buffer.GetPainter());
}

void CButtonExt::DrawItem(QPainter* pDC)
{
    const int state = GetDrawState();
    const unsigned kind = m_nStyle & KindMask;
    QRect rc = rect();
    PaintBk(this, pDC);
    if (m_pDrawHelper) {
        m_pDrawHelper->DrawBackground(pDC, state, rc);
        m_pDrawHelper->GetContentRect(state, rc, rc);
    }
    const QSize textSize = TextSize();
    if ((m_nStyle & StyleIcon) && kind != KindLabel) {
        const int index = IconIndexFor(state);
        if (index >= 0) {
            const QSize icon = m_pImages->GetImageSize();
            const unsigned h = m_nStyle & IconHMask, v = m_nStyle & IconVMask;
            const bool hasText = !textSize.isEmpty();
            QRect iconRc(QPoint(), icon);
            const bool vertical = hasText && (v == IconTop || v == IconBottom);
            if (hasText && !vertical && (h == IconLeft || h == IconRight)) {
                // Icon and text as one block, aligned like the text.
                const int block = icon.width() + kIconGap + textSize.width();
                int x = rc.left() + (rc.width() - block) / 2;
                if (m_nAlign & BS_LEFT && !(m_nAlign & BS_RIGHT))
                    x = rc.left();
                else if (m_nAlign & BS_RIGHT && !(m_nAlign & BS_LEFT))
                    x = rc.right() + 1 - block;
                const int y = rc.top() + (rc.height() - icon.height()) / 2;
                if (h == IconLeft) {
                    iconRc.moveTo(x, y);
                    rc.setLeft(x + icon.width() + kIconGap);
                    rc.setRight(std::max(rc.right(), rc.left() + textSize.width()));
                } else {
                    iconRc.moveTo(x + textSize.width() + kIconGap, y);
                    rc = QRect(x, rc.top(), textSize.width(), rc.height());
                }
            } else if (vertical) {
                const int block = icon.height() + kIconGap + textSize.height();
                const int x = rc.left() + (rc.width() - icon.width()) / 2;
                const int y = rc.top() + (rc.height() - block) / 2;
                if (v == IconTop) {
                    iconRc.moveTo(x, y);
                    rc.setTop(y + icon.height() + kIconGap);
                } else {
                    iconRc.moveTo(x, y + textSize.height() + kIconGap);
                    rc = QRect(rc.left(), y, rc.width(), textSize.height());
                }
            } else {
                iconRc.moveCenter(rc.center());
            }
            if (m_pDrawHelper)
                m_pDrawHelper->DrawIcon(pDC, state, m_pImages, index, iconRc);
            else
                m_pImages->Draw(pDC, index, iconRc.topLeft());
        }
    }
    if (!(m_nStyle & StyleText) || text().isEmpty())
        return;
    unsigned format = 0;
    const unsigned hAlign = m_nAlign & BS_CENTER, vAlign = m_nAlign & BS_VCENTER;
    format |= hAlign == BS_LEFT ? tamo::DT_LEFT : hAlign == BS_RIGHT ? tamo::DT_RIGHT : tamo::DT_CENTER;
    format |= vAlign == BS_TOP ? tamo::DT_TOP : vAlign == BS_BOTTOM ? tamo::DT_BOTTOM : tamo::DT_VCENTER;
    format |= (m_nAlign & BS_MULTILINE) ? tamo::DT_WORDBREAK : (tamo::DT_SINGLELINE | tamo::DT_END_ELLIPSIS);
    if (m_pDrawHelper) {
        m_pDrawHelper->DrawTextW(pDC, state, text(), -1, format, rc);
    } else {
        pDC->setFont(font());
        pDC->setPen(palette().color(isEnabled() ? QPalette::ButtonText : QPalette::PlaceholderText));
        pDC->drawText(rc, tamo::QtTextFlags(format), text());
    }
}
