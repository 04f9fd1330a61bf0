// Alarms: the alarm dialog (fresh, and with remind-again chosen), a stack of three sliding
// alerts in the corner of a desktop, and the summary alert of alarms held back.
#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QPainter>

#include "Gallery.h"
#include "app/Alarm.h"
#include "app/AlarmDlg.h"
#include "app/AlertWnd.h"

namespace {

_dataAlarm Alarm(int id, const QString& title)
{
    _dataAlarm alarm;
    alarm.id = id;
    alarm.title = title;
    alarm.dtAlarm = alarms::NowOle();
    return alarm;
}

// An alert at its full height, without its timers.
void SlideIn(CAlertWnd* alert)
{
    QCoreApplication::processEvents();  // its start message
    alert->KillTimer(CAlertWnd::TIMER_SLIDE_IN);
    while (alert->CurrentHeight() < CAlertWnd::kHeight)
        alert->OnTimer(CAlertWnd::TIMER_SLIDE_IN);
    for (int id : {CAlertWnd::TIMER_SLIDE_IN, CAlertWnd::TIMER_HOLD, CAlertWnd::TIMER_SLIDE_OUT})
        alert->KillTimer(id);
}

}  // namespace

TAMO_GALLERY_SHOTS(Alarm)
{
    QWidget owner;
    CAlarmCenter center(&owner);
    center.m_fnOpenPage = [](const QString&) {};

    {
        CAlarmDlg dlg(Alarm(12, QStringLiteral("주간 회의 (3층 회의실)")), QString(), &center);
        g.AddWidget(QStringLiteral("alarm_dialog"), &dlg);
        qobject_cast<QCheckBox*>(dlg.GetDlgItem(CAlarmDlg::IDC_REMIND))->click();
        qobject_cast<QComboBox*>(dlg.GetDlgItem(CAlarmDlg::IDC_DELAY))->setCurrentIndex(2);
        g.AddWidget(QStringLiteral("alarm_dialog_remind_again"), &dlg);
    }

    // Three alerts stacked in the corner of a 1920 x 1040 work area.
    const QRect area(0, 0, 1920, 1040);
    CAlertWnd::SetWorkAreaForTesting(area);
    const QString titles[] = {QStringLiteral("치과 예약"), QStringLiteral("보고서 제출"),
                              QStringLiteral("프로젝트 회의 - 분기 계획")};
    std::vector<std::unique_ptr<CAlertWnd>> alerts;
    for (int i = 0; i < 3; ++i) {
        alerts.push_back(std::make_unique<CAlertWnd>(Alarm(i + 1, titles[i]), QString(), &center));
        SlideIn(alerts.back().get());
    }
    const QRect corner(area.right() - 209, area.bottom() - 3 * CAlertWnd::kHeight - 19, 210, 3 * CAlertWnd::kHeight + 20);
    QImage desktop(corner.size(), QImage::Format_ARGB32);
    desktop.fill(QColor(0x3A, 0x5F, 0x7D));
    {
        QPainter p(&desktop);
        for (const auto& alert : alerts)
            p.drawImage(alert->geometry().topLeft() - corner.topLeft(), CGallery::Grab(alert.get()));
    }
    g.Add(QStringLiteral("alert_stack"), desktop);
    alerts.clear();

    CAlertWnd summary(Alarm(0, QStringLiteral("알림 4건이 더 있습니다.")), QString(), &center);
    SlideIn(&summary);
    g.AddWidget(QStringLiteral("alert_summary"), &summary);
    CAlertWnd::SetWorkAreaForTesting(QRect());
}
