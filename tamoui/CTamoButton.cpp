#include "tamoui/CTamoButton.h"

#include <QEnterEvent>
#include <QPainter>

#include "tamoui/TamoSkin.h"
#include "tamoui/TamoToolkit.h"

using namespace tamoui;

namespace {
constexpr int kIconGap = 2;
constexpr int kPushPadX = 12;
constexpr int kPushPadY = 5;
}  // namespace

CTamoButton::CTamoButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
}

CTamoButton::CTamoButton(const QString& text, QWidget* parent) : CTamoButton(parent)
{
    setText(text);
}

CTamoButton::CTamoButton(const QString& text, int nID, const QRect& rc, QWidget* parent) : CTamoButton(parent)
{
    setText(text);
    SetControlId(this, nID);
    setGeometry(rc);
}

CTamoButton::~CTamoButton() = default;

void CTamoButton::SetDrawNormal()
{
    m_draw = Draw::Normal;
    setCursor(Qt::ArrowCursor);
    update();
}

void CTamoButton::SetDrawLink(const QFont* pFont, std::uint32_t crText, std::uint32_t crHot)
{
    m_draw = Draw::Link;
    if (pFont)
        m_linkFont = *pFont;
    else
        m_linkFont.reset();
    m_crText = crText;
    m_crHot = crHot == 0xFFFFFFFF ? skin::kAccent : crHot;
    setCursor(Qt::PointingHandCursor);
    update();
}

void CTamoButton::SetDrawStrip(const QString& strImage, int nCount)
{
    m_draw = Draw::Strip;
    m_strStrip = strImage;
    m_nStripCount = std::max(1, nCount);
    update();
}

void CTamoButton::SetImageList(const QVector<QPixmap>& images)
{
    m_images = images;
    if (!images.isEmpty())
        m_nStyle |= BS_ICON;
    update();
}

void CTamoButton::SetIcons(int nNormal, int nPressed, int nDisabled, int nHot, int nDefault)
{
    // Order of the table: normal, hot, pressed, disabled, default (by state number - 1).
    m_nIcons[0] = nNormal;
    m_nIcons[1] = nHot;
    m_nIcons[2] = nPressed;
    m_nIcons[3] = nDisabled;
    m_nIcons[4] = nDefault;
    update();
}

void CTamoButton::SetCheck(int nCheck)
{
    setCheckable(true);
    setChecked(nCheck != 0);
    update();
}

int CTamoButton::GetState() const
{
    if (!isEnabled())
        return StateDisabled;
    if (isDown())
        return StatePressed;
    if (m_bHover)
        return StateHot;
    if (isChecked())
        return StatePressed;
    if (m_bDefault)
        return StateDefault;
    return StateNormal;
}

QSize CTamoButton::GetContentSize() const
{
    if (m_pPicture && !m_bPicture)
        return m_pPicture.Size();
    const QFont f = m_draw == Draw::Link && m_linkFont ? *m_linkFont : font();
    QSize content;
    if ((m_nStyle & BS_TEXT) && !text().isEmpty()) {
        const QFontMetrics fm(f);
        content = QSize(fm.horizontalAdvance(text()), fm.height());
    }
    if ((m_nStyle & BS_ICON) && !m_images.isEmpty()) {
        const QSize icon = m_images.first().size();
        const int gap = content.isEmpty() ? 0 : kIconGap;
        content = QSize(content.width() + gap + icon.width(), std::max(content.height(), icon.height()));
    }
    if (m_draw == Draw::Normal)
        content += QSize(2 * kPushPadX, 2 * kPushPadY);
    return content;
}

void CTamoButton::SizeToContent()
{
    resize(GetContentSize());
}

void CTamoButton::enterEvent(QEnterEvent* e)
{
    m_bHover = true;
    update();
    QAbstractButton::enterEvent(e);
}

void CTamoButton::leaveEvent(QEvent* e)
{
    m_bHover = false;
    update();
    QAbstractButton::leaveEvent(e);
}

void CTamoButton::DrawIconAndText(QPainter& p, QRect rc, const QColor& color, const QFont& f)
{
    const int state = GetState();
    int icon = -1;
    if ((m_nStyle & BS_ICON) && !m_images.isEmpty()) {
        icon = m_nIcons[state - 1] >= 0 ? m_nIcons[state - 1] : m_nIcons[0];
        if (icon < 0)
            icon = std::min<int>(state - 1, m_images.size() - 1);
        if (icon >= m_images.size())
            icon = -1;
    }
    const bool hasText = (m_nStyle & BS_TEXT) && !text().isEmpty();
    if (icon >= 0) {
        const QPixmap& pm = m_images[icon];
        const QFontMetrics fm(f);
        const int total = pm.width() + (hasText ? kIconGap + fm.horizontalAdvance(text()) : 0);
        int x = rc.left() + std::max(0, (rc.width() - total) / 2);
        p.drawPixmap(x, rc.top() + (rc.height() - pm.height()) / 2, pm);
        rc.setLeft(x + pm.width() + kIconGap);
        if (hasText) {
            p.setFont(f);
            p.setPen(color);
            p.drawText(rc, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
        }
        return;
    }
    if (hasText) {
        p.setFont(f);
        p.setPen(color);
        const QString shown = QFontMetrics(f).elidedText(text(), Qt::ElideRight, rc.width());
        p.drawText(rc, Qt::AlignCenter | Qt::TextSingleLine, shown);
    }
}

void CTamoButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int state = GetState();
    const QRect rc = rect();
    if (m_pPicture && !m_bPicture) {
        m_pPicture.Draw(&p, state, rc);
        return;
    }
    switch (m_draw) {
    case Draw::Strip: {
        const QImage& img = skin::Image(m_strStrip);
        const int cell = std::min(state, m_nStripCount) - 1;
        p.drawImage(rc, img, skin::Cell(img, m_nStripCount, cell));
        break;
    }
    case Draw::Link: {
        QFont f = m_linkFont ? *m_linkFont : font();
        QColor c = skin::Ref(m_crText);
        if (state == StateHot) {
            c = skin::Ref(m_crHot);
            f.setUnderline(true);
        } else if (state == StatePressed) {
            c = skin::Ref(skin::kPressedText);
        } else if (state == StateDisabled) {
            // A disabled link is the page that is showing: the accent marks it.
            c = skin::Ref(skin::kAccent);
            f.setBold(true);
        }
        DrawIconAndText(p, rc, c, f);
        break;
    }
    case Draw::Normal: {
        const QImage& img = skin::Image(QStringLiteral("button"));
        skin::DrawNine(&p, rc, img, skin::Cell(img, 5, state - 1), QMargins(4, 4, 4, 4));
        const QColor c = skin::Ref(state == StateDisabled ? skin::kFrame
                                   : state == StateHot || state == StatePressed ? skin::kAccent
                                                                                 : skin::kDarkText);
        DrawIconAndText(p, rc.adjusted(2, 1, -2, 0).translated(0, state == StatePressed ? 1 : 0), c, font());
        break;
    }
    }
}
