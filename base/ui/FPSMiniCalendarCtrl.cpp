#include "base/ui/FPSMiniCalendarCtrl.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimeZone>

#include "base/ui/BufferDC.h"
#include "base/ui/GdiConvert.h"

namespace {

constexpr int kHeaderHeight = 20;
constexpr int kWeekdayHeight = 16;
constexpr int kArrowSize = 12;
const char16_t* const kWeekdays[7] = {u"일", u"월", u"화", u"수", u"목", u"금", u"토"};

QFont CalendarFont(bool bold)
{
    QFont f(QStringLiteral("돋움"));
    f.setPointSize(8);
    f.setBold(bold);
    return f;
}

// Our numbering: 1 Sunday ... 7 Saturday.
int DayNumber(const QDate& d) { return d.dayOfWeek() % 7 + 1; }

}  // namespace

CFPSMiniCalendarCtrl::CFPSMiniCalendarCtrl(QWidget* parent) : QWidget(parent)
{
    m_clock = [] { return QDateTime::currentDateTime(); };
    m_nFirstDay = FirstDayOfWeekFromLocale(QLocale::system());
    const QDate today = Today();
    m_nMonth = today.month();
    m_nYear = today.year();
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    Layout();
}

CFPSMiniCalendarCtrl::~CFPSMiniCalendarCtrl() = default;

bool CFPSMiniCalendarCtrl::Create(unsigned, const QRect& rc, QWidget* parent, int nID)
{
    setParent(parent);
    m_nID = nID;
    setProperty("tamoCtrlId", nID);
    setGeometry(rc);
    show();
    return true;
}

int CFPSMiniCalendarCtrl::FirstDayOfWeekFromLocale(const QLocale& locale)
{
    // Qt counts Monday 1 ... Sunday 7.
    const int qt = int(locale.firstDayOfWeek());
    return qt >= 1 && qt <= 7 ? qt % 7 + 1 : 1;
}

void CFPSMiniCalendarCtrl::SetFirstDayOfWeek(int nDay)
{
    m_nFirstDay = nDay >= 1 && nDay <= 7 ? nDay : 1;
    Layout();
    update();
}

void CFPSMiniCalendarCtrl::SetClock(Clock clock)
{
    if (clock)
        m_clock = std::move(clock);
    update();
}

void CFPSMiniCalendarCtrl::SetCurrentDate(const QDate& date)
{
    m_selected = date;
    if (date.isValid()) {
        m_nMonth = date.month();
        m_nYear = date.year();
    }
    Layout();
    update();
}

void CFPSMiniCalendarCtrl::SetRowsAndColumns(int nRows, int nCols)
{
    m_nRows = std::max(1, nRows);
    m_nCols = std::max(1, nCols);
    Layout();
    update();
}

void CFPSMiniCalendarCtrl::SetSpecialDaysCallback(SpecialDayCallback fn)
{
    m_fnSpecial = std::move(fn);
    update();
}

bool CFPSMiniCalendarCtrl::IsNearToday(const QDate& day, const QDateTime& now)
{
    if (!day.isValid() || !now.isValid())
        return false;
    const QDateTime midnight(day, QTime(0, 0), now.timeZone());
    const qint64 ms = std::abs(now.msecsTo(midnight)) + 500;
    return ms / (24LL * 3600 * 1000) < 8;
}

CFPSMiniCalendarCtrl::SpecialDayCallback CFPSMiniCalendarCtrl::NearTodayRule() const
{
    Clock clock = m_clock;
    return [clock](const QDate& d) { return IsNearToday(d, clock()); };
}

void CFPSMiniCalendarCtrl::Page(int nMonths)
{
    // Months counted from year 0 wrap January to December of the year before and back.
    int index = m_nYear * 12 + (m_nMonth - 1) + nMonths;
    m_nYear = index / 12;
    m_nMonth = index % 12 + 1;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Layout();
    QApplication::restoreOverrideCursor();
    update();
}

void CFPSMiniCalendarCtrl::PageBack() { Page(-m_nRows * m_nCols); }
void CFPSMiniCalendarCtrl::PageForward() { Page(m_nRows * m_nCols); }

QString CFPSMiniCalendarCtrl::HeaderText(int nMonthIndex) const
{
    const int index = m_nYear * 12 + (m_nMonth - 1) + nMonthIndex;
    return QStringLiteral("%1년 %2월").arg(index / 12).arg(index % 12 + 1);
}

void CFPSMiniCalendarCtrl::Layout()
{
    m_months.clear();
    const int blockW = width() / m_nCols, blockH = height() / m_nRows;
    for (int row = 0; row < m_nRows; ++row) {
        for (int col = 0; col < m_nCols; ++col) {
            Month m;
            const int index = m_nYear * 12 + (m_nMonth - 1) + row * m_nCols + col;
            m.nYear = index / 12;
            m.nMonth = index % 12 + 1;
            const QRect block(col * blockW, row * blockH, blockW, blockH);
            m.rcHeader = QRect(block.left(), block.top(), block.width(), kHeaderHeight);
            const QDate first(m.nYear, m.nMonth, 1);
            const int lead = (DayNumber(first) - m_nFirstDay + 7) % 7;
            const QDate start = first.addDays(-lead);
            const int gridTop = block.top() + kHeaderHeight + kWeekdayHeight;
            const int cellW = std::max(1, (block.width() - 4) / 7);
            const int cellH = std::max(1, (block.bottom() + 1 - gridTop - 2) / 6);
            const int left = block.left() + (block.width() - 7 * cellW) / 2;
            for (int i = 0; i < 42; ++i) {
                Cell c;
                c.date = start.addDays(i);
                c.rc = QRect(left + (i % 7) * cellW, gridTop + 1 + (i / 7) * cellH, cellW, cellH);
                c.bInMonth = c.date.month() == m.nMonth;
                m.cells.push_back(c);
            }
            m_months.push_back(m);
        }
    }
    if (!m_months.isEmpty()) {
        const QRect h0 = m_months.front().rcHeader, hl = m_months.back().rcHeader;
        m_rcLeft = QRect(h0.left() + 4, h0.top() + (kHeaderHeight - kArrowSize) / 2, kArrowSize, kArrowSize);
        m_rcRight = QRect(hl.right() - 4 - kArrowSize + 1, hl.top() + (kHeaderHeight - kArrowSize) / 2, kArrowSize,
                          kArrowSize);
        if (m_nCols > 1 || m_nRows > 1)
            m_rcRight.moveTop(m_months[m_nCols - 1].rcHeader.top() + (kHeaderHeight - kArrowSize) / 2);
    }
}

void CFPSMiniCalendarCtrl::resizeEvent(QResizeEvent*)
{
    Layout();
}

QDate CFPSMiniCalendarCtrl::DateAt(const QPoint& pt) const
{
    for (const Month& m : m_months) {
        for (const Cell& c : m.cells) {
            if (c.rc.contains(pt))
                return c.date;
        }
    }
    return {};
}

QRect CFPSMiniCalendarCtrl::CellRect(const QDate& date) const
{
    for (const Month& m : m_months) {
        for (const Cell& c : m.cells) {
            if (c.date == date && c.bInMonth)
                return c.rc;
        }
    }
    for (const Month& m : m_months) {
        for (const Cell& c : m.cells) {
            if (c.date == date)
                return c.rc;
        }
    }
    return {};
}

void CFPSMiniCalendarCtrl::paintEvent(QPaintEvent*)
{
    QPainter target(this);
    CBufferDC dc(&target, rect());
    QPainter& p = *dc.GetPainter();
    p.fillRect(rect(), tamo::ColorFromRef(tamo::COLOR_WINDOW_VALUE));
    const QDate today = Today();
    const QColor text = tamo::ColorFromRef(tamo::COLOR_BTNTEXT_VALUE);
    for (int mi = 0; mi < m_months.size(); ++mi) {
        const Month& m = m_months[mi];
        // Header: year, "년 ", month name; arrows on the outer months.
        p.setFont(CalendarFont(true));
        p.setPen(tamo::ColorFromRef(kHeaderColor));
        p.drawText(m.rcHeader, Qt::AlignCenter, QStringLiteral("%1년 %2월").arg(m.nYear).arg(m.nMonth));
        p.setRenderHint(QPainter::Antialiasing);
        auto arrow = [&](const QRect& r, bool left) {
            QPainterPath path;
            const QPointF c = QRectF(r).center();
            if (left) {
                path.moveTo(c.x() - 3, c.y());
                path.lineTo(c.x() + 2, c.y() - 4);
                path.lineTo(c.x() + 2, c.y() + 4);
            } else {
                path.moveTo(c.x() + 3, c.y());
                path.lineTo(c.x() - 2, c.y() - 4);
                path.lineTo(c.x() - 2, c.y() + 4);
            }
            path.closeSubpath();
            p.fillPath(path, tamo::ColorFromRef(kHeaderColor));
        };
        if (mi == 0)
            arrow(m_rcLeft, true);
        if (mi == m_nCols - 1)
            arrow(m_rcRight, false);
        p.setRenderHint(QPainter::Antialiasing, false);

        // Weekday names from the first day of the week.
        p.setFont(CalendarFont(false));
        p.setPen(text);
        const int weekTop = m.rcHeader.bottom() + 1;
        for (int i = 0; i < 7; ++i) {
            const QRect& c = m.cells[i].rc;
            p.drawText(QRect(c.left(), weekTop, c.width(), kWeekdayHeight), Qt::AlignCenter,
                       QString::fromUtf16(kWeekdays[(m_nFirstDay - 1 + i) % 7]));
        }
        p.setPen(tamo::ColorFromRef(kLineColor));
        const int left = m.cells.front().rc.left(), right = m.cells[6].rc.right();
        p.drawLine(left, weekTop - 1, right, weekTop - 1);
        p.drawLine(left, weekTop + kWeekdayHeight - 1, right, weekTop + kWeekdayHeight - 1);

        // The 42 days.
        for (const Cell& c : m.cells) {
            if (m_selected.isValid() && c.date == m_selected && c.bInMonth)
                p.fillRect(c.rc.adjusted(1, 1, -1, -1), tamo::ColorFromRef(tamo::COLOR_BTNFACE_VALUE));
            const bool special = c.bInMonth && IsSpecial(c.date);
            p.setFont(CalendarFont(special));
            p.setPen(c.bInMonth ? text : tamo::ColorFromRef(kOtherMonthColor));
            p.drawText(c.rc, Qt::AlignCenter, QString::number(c.date.day()));
            if (c.date == today && c.bInMonth) {
                p.setPen(tamo::ColorFromRef(kTodayColor));
                p.setBrush(Qt::NoBrush);
                p.drawRect(c.rc.adjusted(1, 1, -2, -2));
            }
        }
    }
}

void CFPSMiniCalendarCtrl::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    const QPoint pt = e->position().toPoint();
    if (m_rcLeft.contains(pt)) {
        PageBack();
        return;
    }
    if (m_rcRight.contains(pt)) {
        PageForward();
        return;
    }
    const QDate d = DateAt(pt);
    if (!d.isValid())
        return;
    if (m_bSelectable)
        m_selected = d;
    m_bCaptured = true;
    update();
}

void CFPSMiniCalendarCtrl::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !m_bCaptured)
        return;
    m_bCaptured = false;
    update();
    emit Notify(m_nID, NM_CLICK);
}

void CFPSMiniCalendarCtrl::mouseMoveEvent(QMouseEvent* e)
{
    const bool over = DateAt(e->position().toPoint()).isValid();
    if (over != m_bOverDay) {
        m_bOverDay = over;
        if (over)
            setCursor(Qt::PointingHandCursor);
        else
            unsetCursor();
    }
}

void CFPSMiniCalendarCtrl::changeEvent(QEvent* e)
{
    switch (e->type()) {
    case QEvent::PaletteChange:
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::LocaleChange:
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(e);
}
