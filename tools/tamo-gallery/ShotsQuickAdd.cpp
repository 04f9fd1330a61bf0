// The quick-add windows: the event window with a calendar list (as proposed, all day with an
// alarm, the list open), its month picker, and the to-do window. The clock stands at a fixed
// evening so the proposed times are the same in every run.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPainter>

#include "Gallery.h"
#include "app/QuickAddDlg.h"
#include "base/EventWait.h"
#include "base/ServiceClock.h"
#include "syncui/HelpDlg.h"

namespace {

const QByteArray kCalendars = R"(<?xml version="1.0" encoding="UTF-8"?>
<calendars>
<calendar><service-type>0</service-type><name>내 캘린더</name><id>1</id><color>#FF8000</color></calendar>
<calendar><service-type>0</service-type><name>회사</name><id>2</id><color>#3A7</color></calendar>
<calendar><service-type>0</service-type><name>가족</name><id>3</id><color>#3366CC</color></calendar>
<calendar><service-type>1</service-type><name>공휴일</name><id>4</id><color>#E33</color></calendar>
</calendars>
)";

void Settle(int ms)
{
    ProcessEventsFor(ms);
}

struct SQuietMessages {
    void operator()(const QString&, const QString&) const {}
};

}  // namespace

TAMO_GALLERY_SHOTS(QuickAdd)
{
    QDateTime evening(QDate(2026, 12, 11), QTime(22, 40), tamo::clock::SeoulZone());
    const QDateTime now = evening.toUTC();
    tamo::clock::SetNowForTesting([now] { return now; });

    {
        CSetAppointmentDlg dlg;
        dlg.m_fnMessage = SQuietMessages();
        dlg.move(40, 40);
        dlg.show();
        dlg.LoadCalendarList(kCalendars);
        qobject_cast<QLineEdit*>(dlg.GetDlgItem(CSetAppointmentDlg::IDC_TITLE))->setText(QStringLiteral("팀 회의"));
        g.AddWidget(QStringLiteral("event"), &dlg);

        qobject_cast<QCheckBox*>(dlg.GetDlgItem(CSetAppointmentDlg::IDC_ALLDAY))->click();
        qobject_cast<QCheckBox*>(dlg.GetDlgItem(CSetAppointmentDlg::IDC_ALARM))->click();
        qobject_cast<QComboBox*>(dlg.GetDlgItem(CSetAppointmentDlg::IDC_CALENDAR))->setCurrentIndex(1);
        g.AddWidget(QStringLiteral("event_allday_alarm"), &dlg);

        auto* calendars = qobject_cast<QComboBox*>(dlg.GetDlgItem(CSetAppointmentDlg::IDC_CALENDAR));
        calendars->showPopup();
        Settle(100);
        if (QWidget* list = calendars->view() ? calendars->view()->window() : nullptr; list && list->isVisible())
            g.Add(QStringLiteral("event_calendars"), CGallery::WithPopup(&dlg, list));
        calendars->hidePopup();
        Settle(50);
    }
    {
        CMonthDlg picker(QDate(2026, 12, 11));
        g.AddWidget(QStringLiteral("month_picker"), &picker);
        picker.hide();
    }
    {
        CSetTodoDlg dlg;
        dlg.m_fnMessage = SQuietMessages();
        dlg.move(40, 40);
        dlg.show();
        qobject_cast<QLineEdit*>(dlg.GetDlgItem(CSetTodoDlg::IDC_TITLE))->setText(QStringLiteral("보고서 제출"));
        g.AddWidget(QStringLiteral("todo"), &dlg);
    }
    // The longest of the windows' messages, as the user sees it.
    {
        CHelpDlg dlg;
        dlg.SetMode(0, 1);
        dlg.m_strTitle = QStringLiteral("에러");
        dlg.m_strHeading = quickadd::kMsgNoCalendar;
        g.AddWidget(QStringLiteral("message_no_calendar"), &dlg);
        CHelpDlg signIn;
        signIn.SetMode(0, 1);
        signIn.m_strTitle = QStringLiteral("에러");
        signIn.m_strHeading = quickadd::kMsgSignInNeeded;
        g.AddWidget(QStringLiteral("message_sign_in"), &signIn);
    }
    tamo::clock::SetNowForTesting({});
}
