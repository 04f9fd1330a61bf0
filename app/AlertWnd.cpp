#include "app/AlertWnd.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include "app/AlarmDlg.h"
#include "app/AppArt.h"
#include "base/WindowMessage.h"

using namespace tamoui;

namespace {

int s_nCount = 0;         // alert windows open in the program
int s_nLastBottom = 0;    // the lower edge of the one placed last
QRect s_rcWorkAreaForTesting;

const QColor kAlertAccent(251, 129, 2);
const QColor kAlertGrey(0x88, 0x88, 0x88);

QPixmap AlertBlank(int w, int h)
{
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// The alert's pictures by their resource numbers: 167 line, 168 close, 169 remind-again button,
// 170 icon, 172 background.
QPixmap AlertBitmap(int id)
{
    switch (id) {
    case 167: {
        QPixmap pixmap(164, 1);
        pixmap.fill(QColor(0xE4, 0xE4, 0xE4));
        return pixmap;
    }
    case 168: {
        QPixmap pixmap = AlertBlank(8, 8);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(kAlertGrey, 1.5));
        p.drawLine(QPointF(1, 1), QPointF(7, 7));
        p.drawLine(QPointF(7, 1), QPointF(1, 7));
        return pixmap;
    }
    case 169: {
        QPixmap pixmap = AlertBlank(45, 10);
        QPainter p(&pixmap);
        QFont font(QStringLiteral("굴림"));
        font.setPixelSize(9);
        p.setFont(font);
        p.setPen(kAlertAccent);
        p.drawText(pixmap.rect(), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("다시 알림 ›"));
        return pixmap;
    }
    case 170:
        return AppBitmap(161).scaled(14, 13, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    case 172: {
        QPixmap pixmap(CAlertWnd::kWidth, CAlertWnd::kHeight);
        pixmap.fill(Qt::white);
        QPainter p(&pixmap);
        QLinearGradient band(0, 0, 0, 24);
        band.setColorAt(0, QColor(0xFF, 0xF1, 0xE0));
        band.setColorAt(1, Qt::white);
        p.fillRect(QRect(0, 0, CAlertWnd::kWidth, 24), band);
        p.setPen(QColor(0xA7, 0xA7, 0xA7));
        p.setRenderHint(QPainter::Antialiasing);
        p.drawRoundedRect(QRectF(0.5, 0.5, CAlertWnd::kWidth - 1, CAlertWnd::kHeight - 1), 2.5, 2.5);
        return pixmap;
    }
    default:
        return {};
    }
}

// A picture of the alert drawn by a button in place of its skin (no frame).
class CAlertPicture {
public:
    explicit CAlertPicture(int id) : m_id(id) {}
    int DrawBackground(QPainter* pDC, int, const QRect& rc) const
    {
        pDC->drawPixmap(rc.topLeft(), AlertBitmap(m_id));
        return 1;
    }
    QSize GetSize() const { return AlertBitmap(m_id).size(); }

private:
    int m_id;
};

CAlertPicture s_closePicture(168);
CAlertPicture s_remindPicture(169);
CAlertPicture s_iconPicture(170);

}  // namespace

CAlertWnd::CAlertWnd(const _dataAlarm& alarm, const QString& url, CAlarmCenter* pCenter)
    : CTamoDlg(0, pCenter ? pCenter->MainWnd() : nullptr), m_alarm(alarm), m_strUrl(url), m_pCenter(pCenter)
{
    // Owned by the main window, which runs modally: a window of its own would take no clicks.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    setAttribute(Qt::WA_DeleteOnClose, true);
    setFocusPolicy(Qt::NoFocus);
    SetMove(false);

    AddControl(&m_btnClose, IDC_CLOSE, QRect(168, 9, 8, 8));
    AddControl(&m_btnIcon, IDC_ICON, QRect(6, 6, 14, 13));
    AddControl(&m_stLine, IDC_LINE, QRect(6, 90, 164, 1));
    AddControl(&m_btnRemind, IDC_REMIND, QRect(120, 95, 45, 10));
    AddControl(&m_btnTitle, IDC_TITLE, QRect(20, 40, 140, 50));
    m_btnClose.m_pPicture = &s_closePicture;
    m_btnIcon.m_pPicture = &s_iconPicture;
    m_btnRemind.m_pPicture = &s_remindPicture;
    for (CTamoButton* b : {&m_btnClose, &m_btnIcon, &m_btnRemind})
        b->setFocusPolicy(Qt::NoFocus);
    m_stLine.SetBkColor(0xE4E4E4);
    QFont linkFont(QStringLiteral("굴림"));
    linkFont.setPixelSize(12);
    linkFont.setBold(true);
    m_btnTitle.setText(alarm.title);
    m_btnTitle.SetDrawLink(&linkFont, 0x0281FB);
    m_btnTitle.setCursor(Qt::PointingHandCursor);
    m_btnTitle.setFocusPolicy(Qt::NoFocus);
    m_btnClose.setCursor(Qt::PointingHandCursor);
    m_btnRemind.setCursor(Qt::PointingHandCursor);
    // A summary of several alarms has no item to ring for again.
    m_btnRemind.setVisible(alarm.id != 0);

    MapCommand(IDC_CLOSE, [this] { DestroyWindow(); });
    MapCommand(IDC_TITLE, [this] {
        if (m_pCenter)
            m_pCenter->OpenPage(m_strUrl);
    });
    MapCommand(IDC_REMIND, [this] { OpenAlarmDlg(); });

    Place();
    ++s_nCount;
    alarms::PlayAlarmSound();
    PostWindowMessage(this, WM_ALERT_START, 0, 0);
}

CAlertWnd::~CAlertWnd()
{
    --s_nCount;
}

int CAlertWnd::Count()
{
    return s_nCount;
}

void CAlertWnd::SetWorkAreaForTesting(const QRect& rc)
{
    s_rcWorkAreaForTesting = rc;
}

QRect CAlertWnd::WorkArea()
{
    if (!s_rcWorkAreaForTesting.isEmpty())
        return s_rcWorkAreaForTesting;
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void CAlertWnd::Place()
{
    const QRect area = WorkArea();
    const int bottom = area.y() + area.height();  // one past the last row
    m_nLeft = area.x() + area.width() - 198;
    if (s_nCount == 0 || s_nLastBottom - 2 * kHeight < area.y())
        m_nBottom = bottom;
    else
        m_nBottom = s_nLastBottom - kHeight;
    s_nLastBottom = m_nBottom;
}

void CAlertWnd::customEvent(QEvent* event)
{
    if (event->type() == CWindowMessageEvent::EventType() &&
        static_cast<CWindowMessageEvent*>(event)->Message() == WM_ALERT_START) {
        OnStart();
        return;
    }
    CTamoDlg::customEvent(event);
}

void CAlertWnd::OnStart()
{
    if (m_bDestroying)
        return;
    ApplyHeight(0);
    SetTimer(TIMER_SLIDE_IN, kStepMs);
}

void CAlertWnd::ApplyHeight(int nHeight)
{
    m_nHeight = std::clamp(nHeight, 0, int(kHeight));
    if (m_nHeight == 0) {
        hide();
        setGeometry(m_nLeft, m_nBottom, kWidth, 0);
        return;
    }
    setGeometry(m_nLeft, m_nBottom - m_nHeight, kWidth, m_nHeight);
    // The offscreen platform has no window shapes (and says so on every call).
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        QPainterPath path;
        path.addRoundedRect(QRectF(0, 0, kWidth + 1, m_nHeight + 1), 2.5, 2.5);
        setMask(QRegion(path.toFillPolygon().toPolygon()));
    }
    if (!isVisible())
        show();
}

bool CAlertWnd::CursorInside() const
{
    return m_nHeight > 0 && QRect(m_nLeft, m_nBottom - m_nHeight, kWidth, m_nHeight).contains(QCursor::pos());
}

void CAlertWnd::OnTimer(int nIDEvent)
{
    if (m_bDestroying)
        return;
    switch (nIDEvent) {
    case TIMER_SLIDE_IN:
        ApplyHeight(m_nHeight + kStep);
        if (CursorInside() && !HasTimer(TIMER_HOLD) && !m_bHeld)
            SetTimer(TIMER_HOLD, kHoverHoldMs);
        if (m_nHeight > kHeight - 1) {
            KillTimer(TIMER_SLIDE_IN);
            if (!HasTimer(TIMER_HOLD))
                SetTimer(TIMER_HOLD, kHoldMs);
        }
        break;
    case TIMER_HOLD:
        KillTimer(TIMER_HOLD);
        SetTimer(TIMER_SLIDE_OUT, kStepMs);
        break;
    case TIMER_SLIDE_OUT:
        if (m_nHeight == kHeight && CursorInside() && !m_bHeld) {
            KillTimer(TIMER_SLIDE_IN);
            KillTimer(TIMER_SLIDE_OUT);
            SetTimer(TIMER_HOLD, kHoldMs);
            m_bHeld = true;
            break;
        }
        // Clamped at 0, where the window goes: 124 is not a multiple of the step.
        ApplyHeight(m_nHeight - kStep);
        if (m_nHeight == 0)
            DestroyWindow();
        break;
    default:
        break;
    }
}

void CAlertWnd::DestroyWindow()
{
    if (m_bDestroying)
        return;
    m_bDestroying = true;
    for (int id : {TIMER_SLIDE_IN, TIMER_SLIDE_OUT, TIMER_HOLD})
        KillTimer(id);
    hide();
    deleteLater();
}

void CAlertWnd::OpenAlarmDlg()
{
    // Once per alert window.
    if (m_bAlarmDlgOpened)
        return;
    m_bAlarmDlgOpened = true;
    m_pAlarmDlg = new CAlarmDlg(m_alarm, m_strUrl, m_pCenter, m_pCenter ? m_pCenter->MainWnd() : nullptr);
    m_pAlarmDlg->OpenModeless();
}

bool CAlertWnd::OnEraseBkgnd(QPainter* pDC)
{
    pDC->drawPixmap(0, 0, AlertBitmap(172));
    QFont font(QStringLiteral("굴림"));
    font.setPixelSize(11);
    font.setBold(true);
    pDC->setFont(font);
    pDC->setPen(Qt::black);
    pDC->drawText(QPoint(22, 7 + QFontMetrics(font).ascent()), QStringLiteral("Tamo캘린더 알림"));
    return true;
}
