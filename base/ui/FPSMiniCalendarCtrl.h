#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QRect>
#include <QVector>
#include <QWidget>

#include <functional>

#include "base/GdiTypes.h"

// A small owner-painted month calendar: pages through months with two arrows, frames today,
// marks special days in bold, and tells its parent when a day was clicked
// (Notify(id, NM_CLICK)).
class CFPSMiniCalendarCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int NM_CLICK = -2;
    static constexpr COLORREF kHeaderColor = 0x7B7B7D;
    static constexpr COLORREF kOtherMonthColor = 0xA7A7A7;
    static constexpr COLORREF kTodayColor = 0x0078FF;
    static constexpr COLORREF kLineColor = 0xE4E4E4;
    using SpecialDayCallback = std::function<bool(const QDate&)>;
    using Clock = std::function<QDateTime()>;

    explicit CFPSMiniCalendarCtrl(QWidget* parent = nullptr);
    ~CFPSMiniCalendarCtrl() override;

    bool Create(unsigned nStyle, const QRect& rc, QWidget* parent, int nID);
    int GetDlgCtrlID() const { return m_nID; }

    // Selects the date and shows its month; a null date clears the selection.
    void SetCurrentDate(const QDate& date);
    QDate GetCurrentDate() const { return m_selected; }
    void SetRowsAndColumns(int nRows, int nCols);
    void SetSpecialDaysCallback(SpecialDayCallback fn);
    void SetUseSelection(bool b) { m_bSelectable = b; }
    // 1 Sunday ... 7 Saturday; other values give Sunday. The default is the locale's.
    void SetFirstDayOfWeek(int nDay);
    int GetFirstDayOfWeek() const { return m_nFirstDay; }
    static int FirstDayOfWeekFromLocale(const QLocale& locale);
    // The present moment (tests set it; the default is the computer's clock).
    void SetClock(Clock clock);

    // Special when the time between the day's midnight and now is under 8 whole days.
    static bool IsNearToday(const QDate& day, const QDateTime& now);
    // The rule both users install, on the control's clock.
    SpecialDayCallback NearTodayRule() const;

    void PageBack();
    void PageForward();
    int GetFirstMonth() const { return m_nMonth; }
    int GetFirstYear() const { return m_nYear; }
    QString HeaderText(int nMonthIndex = 0) const;

    // Hit testing (rebuilt at every layout).
    QDate DateAt(const QPoint& pt) const;
    QRect CellRect(const QDate& date) const;
    QRect LeftArrowRect() const { return m_rcLeft; }
    QRect RightArrowRect() const { return m_rcRight; }
    bool IsSpecial(const QDate& date) const { return m_fnSpecial && m_fnSpecial(date); }

signals:
    void Notify(int nID, int nCode);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void changeEvent(QEvent*) override;

private:
    struct Cell {
        QRect rc;
        QDate date;
        bool bInMonth = false;
    };
    struct Month {
        int nMonth = 1, nYear = 2000;
        QRect rcHeader;
        QVector<Cell> cells;  // 42
    };
    void Layout();
    QDate Today() const { return m_clock().date(); }
    void Page(int nMonths);

    int m_nID = 0;
    int m_nRows = 1, m_nCols = 1;
    int m_nMonth = 1, m_nYear = 2000;
    int m_nFirstDay = 1;
    QDate m_selected;
    bool m_bSelectable = true;
    bool m_bCaptured = false;
    bool m_bOverDay = false;
    SpecialDayCallback m_fnSpecial;
    Clock m_clock;
    QVector<Month> m_months;
    QRect m_rcLeft, m_rcRight;
};
