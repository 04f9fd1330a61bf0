#include "app/QuickAddDlg.h"

#include <utility>

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "base/ServiceClock.h"
#include "base/ServiceEndpoints.h"
#include "base/ui/FPSMiniCalendarCtrl.h"
#include "base/ui/GdiConvert.h"
#include "syncui/HelpDlg.h"

using namespace tamoui;
using namespace quickadd;

namespace quickadd {
const QString kMsgNoCalendar = QStringLiteral("Tamo 캘린더 카테고리를 불러올수 없습니다. 관리자에게 문의해 주세요");
const QString kMsgBadDate = QStringLiteral("날짜의 형식이 잘못되었습니다.");
const QString kMsgEndBeforeStart = QStringLiteral("일정의 종료시간은 항상 시작시간보다 늦어야 해요!");
const QString kMsgSaveFailed = QStringLiteral("저장하지 못했습니다. 잠시 후 다시 시도해 주세요.");
const QString kMsgSignInNeeded = QStringLiteral("로그인이 끊어져 저장하지 못했습니다. 다시 로그인한 뒤 저장해 주세요.");
}  // namespace quickadd

namespace {

constexpr std::uint32_t kGreyText = 0x888888;
const QString kTitleInfo = QStringLiteral("알림");
const QString kTitleError = QStringLiteral("에러");

void ShowHelp(QWidget* parent, const QString& title, const QString& text)
{
    CHelpDlg dlg(parent);
    dlg.SetMode(0, 1);
    dlg.m_strTitle = title;
    dlg.m_strHeading = text;
    dlg.DoModal();
}

void SetLabel(CTamoStatic& label, const QString& text)
{
    label.SetWindowText(text);
    label.SetFont(QStringLiteral("굴림"), 12, kGreyText, 0);
    label.SetBkColor(0xFFFFFF);
    label.SetWordWrap(false);
    label.SetTextAlign(Qt::AlignLeft | Qt::AlignVCenter);
}

QFont DialogFont()
{
    QFont font(QStringLiteral("굴림"));
    font.setPointSize(9);
    return font;
}

// The message of a save that did not go through; empty when it did.
QString SaveMessage(ESaveResult result)
{
    switch (result) {
    case ESaveResult::Saved: return {};
    case ESaveResult::SignInNeeded: return kMsgSignInNeeded;
    case ESaveResult::NotSent:
    case ESaveResult::Refused: break;
    }
    return kMsgSaveFailed;
}

}  // namespace

void CMyEdit::mousePressEvent(QMouseEvent* event)
{
    QLineEdit::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        emit Clicked();
}

CAmPmCombo::CAmPmCombo(QWidget* parent) : QComboBox(parent)
{
    addItems({QStringLiteral("오전"), QStringLiteral("오후")});
}

void CAmPmCombo::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QComboBox::mousePressEvent(event);
        return;
    }
    event->accept();
    setCurrentIndex(currentIndex() == 1 ? 0 : 1);
    emit Flipped();
}

void CCalendarCombo::AddCalendar(const _comboItem& item)
{
    addItem(item.strName, QVariant::fromValue(qlonglong(item.lId)));
    const int index = count() - 1;
    const QColor color = tamo::ColorFromRef(item.crColor);
    setItemData(index, color, kColorRole);
    setItemData(index, color, Qt::BackgroundRole);
    setItemData(index, QColor(Qt::white), Qt::ForegroundRole);
}

long CCalendarCombo::SelectedId() const
{
    return currentIndex() < 0 ? 0 : long(currentData().toLongLong());
}

void CCalendarCombo::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect rc = rect();
    p.fillRect(rc, Qt::white);
    if (currentIndex() < 0)
        return;
    const QColor color = currentData(kColorRole).value<QColor>();
    p.fillRect(rc, color);
    p.setPen(hasFocus() ? Qt::black : Qt::white);
    p.drawRect(rc.adjusted(0, 0, -1, -1));
    p.setPen(Qt::white);
    p.setFont(font());
    // The name is the service's text: drawn as plain text, never as markup.
    p.drawText(rc.adjusted(4, 0, -14, 0), Qt::AlignCenter | Qt::TextSingleLine,
               fontMetrics().elidedText(currentText(), Qt::ElideRight, rc.width() - 18));
    // A small arrow says that the box opens a list.
    QPainterPath arrow;
    const QPoint c(rc.right() - 8, rc.center().y());
    arrow.moveTo(c.x() - 3, c.y() - 1);
    arrow.lineTo(c.x() + 3, c.y() - 1);
    arrow.lineTo(c.x(), c.y() + 2);
    arrow.closeSubpath();
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(arrow, Qt::white);
}

CMonthDlg::CMonthDlg(const QDate& date, QWidget* parent) : CTamoDlg(IDD, parent), m_date(date)
{
    setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    resize(kSize);
}

bool CMonthDlg::OnInitDialog()
{
    m_pCalendar = new CFPSMiniCalendarCtrl(this);
    m_pCalendar->Create(0, QRect(QPoint(3, 3), QSize(159, 139)), this, IDC_CALENDAR);
    m_pCalendar->SetClock([] { return tamo::clock::NowSeoul(); });
    m_pCalendar->SetSpecialDaysCallback(m_pCalendar->NearTodayRule());
    m_pCalendar->SetFirstDayOfWeek(1);
    m_pCalendar->SetCurrentDate(m_date);
    MapCommand(IDC_CALENDAR, [this] {
        const QDate picked = m_pCalendar->GetCurrentDate();
        if (!picked.isValid())
            return;
        m_date = picked;
        EndDialog(IDOK);
    }, NM_CLICK);
    return true;
}

CSetAppointmentDlg::CSetAppointmentDlg(QWidget* parent) : CTamoDlg(IDD, parent)
{
    setFont(DialogFont());
    resize(340, 214);
    m_fnMessage = [this](const QString& title, const QString& text) { ShowHelp(this, title, text); };

    QStringList slotTexts;
    for (int i = 0; i < 24; ++i)
        slotTexts << SlotText(i);
    m_cbStartTime.addItems(slotTexts);
    m_cbEndTime.addItems(slotTexts);
    m_cbAlarmLead.addItems({QStringLiteral("1분전"), QStringLiteral("5분전"), QStringLiteral("10분전"),
                            QStringLiteral("15분전"), QStringLiteral("30분전"), QStringLiteral("1시간전"),
                            QStringLiteral("2시간전"), QStringLiteral("1일전"), QStringLiteral("7일전")});
    for (QComboBox* box : {&m_cbStartTime, &m_cbEndTime, &m_cbAlarmLead})
        box->setMaxVisibleItems(12);
    m_edTitle.setMaxLength(kTitleLimit);
    m_chkAllDay.setText(QStringLiteral("하루종일"));
    m_chkAlarm.setText(QStringLiteral("알람"));
    m_btnSave.setText(QStringLiteral("저장"));
    m_btnCancel.setText(QStringLiteral("취소"));

    m_stStart.setParent(this);
    m_stStart.setGeometry(12, 36, 46, 20);
    m_stEnd.setParent(this);
    m_stEnd.setGeometry(12, 62, 46, 20);
    m_stTitle.setParent(this);
    m_stTitle.setGeometry(12, 90, 46, 20);
    m_stCalendar.setParent(this);
    m_stCalendar.setGeometry(12, 116, 60, 20);
    AddControl(&m_edStartDate, IDC_START_DATE, QRect(72, 36, 112, 20));
    AddControl(&m_cbStartAmPm, IDC_START_AMPM, QRect(188, 36, 56, 20));
    AddControl(&m_cbStartTime, IDC_START_TIME, QRect(248, 36, 80, 20));
    AddControl(&m_edEndDate, IDC_END_DATE, QRect(72, 62, 112, 20));
    AddControl(&m_cbEndAmPm, IDC_END_AMPM, QRect(188, 62, 56, 20));
    AddControl(&m_cbEndTime, IDC_END_TIME, QRect(248, 62, 80, 20));
    AddControl(&m_edTitle, IDC_TITLE, QRect(72, 90, 256, 20));
    AddControl(&m_cbCalendar, IDC_CALENDAR, QRect(72, 116, 256, 20));
    AddControl(&m_chkAllDay, IDC_ALLDAY, QRect(72, 144, 80, 18));
    AddControl(&m_chkAlarm, IDC_ALARM, QRect(160, 144, 50, 18));
    AddControl(&m_cbAlarmLead, IDC_ALARM_LEAD, QRect(212, 143, 116, 20));
    AddControl(&m_btnSave, IDC_SAVE, QRect(106, 178, 60, 24));
    AddControl(&m_btnCancel, IDC_CANCEL, QRect(174, 178, 60, 24));

    // The rules follow the user's own choices and typing only, never the window's own fills:
    // "activated" and "textEdited" come from the user alone.
    connect(&m_cbStartTime, &QComboBox::activated, this, &CSetAppointmentDlg::OnStartSlotChosen);
    connect(&m_cbStartAmPm, &CAmPmCombo::Flipped, this, [this] { m_cbStartTime.setFocus(); });
    connect(&m_cbEndAmPm, &CAmPmCombo::Flipped, this, [this] { m_cbEndTime.setFocus(); });
    connect(&m_edStartDate, &CMyEdit::Clicked, this, [this] { OpenMonthPicker(IDC_START_DATE); });
    connect(&m_edEndDate, &CMyEdit::Clicked, this, [this] { OpenMonthPicker(IDC_END_DATE); });
    connect(&m_edStartDate, &QLineEdit::textEdited, this, [this] { m_bStartTyped = true; });
    connect(&m_edEndDate, &QLineEdit::textEdited, this, [this] { m_bEndTyped = true; });
    connect(&m_edStartDate, &QLineEdit::editingFinished, this, [this] {
        if (std::exchange(m_bStartTyped, false))
            OnDateChanged(IDC_START_DATE);
    });
    connect(&m_edEndDate, &QLineEdit::editingFinished, this, [this] {
        if (std::exchange(m_bEndTyped, false))
            OnDateChanged(IDC_END_DATE);
    });

    MapCommand(IDC_ALLDAY, [this] { EnableTimes(); });
    MapCommand(IDC_ALARM, [this] { m_cbAlarmLead.setEnabled(m_chkAlarm.isChecked()); });
    MapCommand(IDC_SAVE, [this] { Save(); });
    MapCommand(IDC_CANCEL, [this] { EndDialog(IDCANCEL); });
    MapCommand(IDC_TITLE_CLOSE, [this] { EndDialog(IDCANCEL); });
}

bool CSetAppointmentDlg::OnInitDialog()
{
    InitHelper(0, QStringLiteral("일정 입력"), 1);
    SetLabel(m_stStart, QStringLiteral("시작 :"));
    SetLabel(m_stEnd, QStringLiteral("종료 :"));
    SetLabel(m_stTitle, QStringLiteral("제목 :"));
    SetLabel(m_stCalendar, QStringLiteral("카테고리 :"));
    m_btnSave.SetDrawNormal();
    m_btnCancel.SetDrawNormal();
    FillDefaults();
    const SAnswer answer = quickadd::Get(endpoints::kCalendarList);
    LoadCalendarList(answer.bSent && answer.nStatus == 200 ? answer.strText.toUtf8() : QByteArray());
    m_edTitle.setFocus();
    return true;
}

void CSetAppointmentDlg::FillDefaults()
{
    const SDefaultTimes t = DefaultTimes(tamo::clock::NowSeoul());
    m_startDate = t.start.date;
    m_endDate = t.end.date;
    m_edStartDate.setText(FormatDateText(t.start.date));
    m_edEndDate.setText(FormatDateText(t.end.date));
    m_cbStartAmPm.setCurrentIndex(t.start.bPM ? 1 : 0);
    m_cbEndAmPm.setCurrentIndex(t.end.bPM ? 1 : 0);
    m_cbStartTime.setCurrentIndex(t.start.nSlot);
    m_cbEndTime.setCurrentIndex(t.end.nSlot);
    m_chkAllDay.setChecked(false);
    m_chkAlarm.setChecked(false);
    m_cbAlarmLead.setCurrentIndex(2);
    m_cbAlarmLead.setEnabled(false);
    EnableTimes();
}

void CSetAppointmentDlg::LoadCalendarList(const QByteArray& utf8)
{
    const SCalendarList list = ParseCalendarList(utf8);
    m_items.clear();
    m_cbCalendar.clear();
    if (list.bLoaded) {
        m_items = list.items;
        for (const _comboItem& item : m_items)
            m_cbCalendar.AddCalendar(item);
        if (!m_items.empty())
            m_cbCalendar.setCurrentIndex(0);
    }
    // Without a calendar there is nothing to save to.
    m_btnSave.setEnabled(!m_items.empty());
    if (list.bLoaded && m_items.empty())
        ShowMessage(kTitleError, kMsgNoCalendar);
}

void CSetAppointmentDlg::EnableTimes()
{
    const bool times = !m_chkAllDay.isChecked();
    for (QComboBox* w : {static_cast<QComboBox*>(&m_cbStartAmPm), &m_cbStartTime, static_cast<QComboBox*>(&m_cbEndAmPm), &m_cbEndTime})
        w->setEnabled(times);
}

void CSetAppointmentDlg::OnStartSlotChosen(int nSlot)
{
    const std::optional<QDate> start = ParseDateText(m_edStartDate.text());
    if (!start) {
        ShowMessage(kTitleInfo, kMsgBadDate);
        return;
    }
    const STimeSlot end = EndAfterStart({*start, nSlot, m_cbStartAmPm.currentIndex() == 1});
    m_endDate = end.date;
    m_edEndDate.setText(FormatDateText(end.date));
    m_cbEndAmPm.setCurrentIndex(end.bPM ? 1 : 0);
    m_cbEndTime.setCurrentIndex(end.nSlot);
}

void CSetAppointmentDlg::OnDateChanged(int nDateId)
{
    const std::optional<QDate> start = ParseDateText(m_edStartDate.text());
    const std::optional<QDate> end = ParseDateText(m_edEndDate.text());
    if (!start || !end) {
        ShowMessage(kTitleInfo, kMsgBadDate);
        return;
    }
    if (nDateId == IDC_START_DATE) {
        // The end moves with the start and keeps its distance (an end after midnight stays on
        // the next day).
        const qint64 days = m_startDate.isValid() && m_endDate.isValid() ? m_startDate.daysTo(m_endDate) : 0;
        m_startDate = *start;
        m_endDate = start->addDays(std::max<qint64>(0, days));
        m_edEndDate.setText(FormatDateText(m_endDate));
        m_cbStartTime.setFocus();
        return;
    }
    m_endDate = *end;
    m_startDate = *start;
    if (*end < *start) {
        m_startDate = *end;
        m_edStartDate.setText(FormatDateText(*end));
    }
    m_cbEndTime.setFocus();
}

void CSetAppointmentDlg::OpenMonthPicker(int nDateId)
{
    CMyEdit& edit = nDateId == IDC_START_DATE ? m_edStartDate : m_edEndDate;
    const std::optional<QDate> current = ParseDateText(edit.text());
    CMonthDlg picker(current.value_or(tamo::clock::NowSeoul().date()), this);
    picker.move(edit.mapToGlobal(QPoint(0, edit.height())));
    if (picker.DoModal() != IDOK)
        return;
    edit.setText(FormatDateText(picker.GetDate()));
    (nDateId == IDC_START_DATE ? m_bStartTyped : m_bEndTyped) = false;
    OnDateChanged(nDateId);
}

bool CSetAppointmentDlg::GetFields(SEventFields& fields)
{
    const std::optional<QDate> startDate = ParseDateText(m_edStartDate.text());
    const std::optional<QDate> endDate = ParseDateText(m_edEndDate.text());
    if (!startDate || !endDate) {
        ShowMessage(kTitleInfo, kMsgBadDate);
        return false;
    }
    fields.strTitle = m_edTitle.text();
    fields.lCalendarId = m_cbCalendar.SelectedId();
    fields.bAllDay = m_chkAllDay.isChecked();
    fields.start = {*startDate, m_cbStartTime.currentIndex(), m_cbStartAmPm.currentIndex() == 1};
    fields.end = {*endDate, m_cbEndTime.currentIndex(), m_cbEndAmPm.currentIndex() == 1};
    fields.bAlarm = m_chkAlarm.isChecked();
    fields.nAlarmItem = m_cbAlarmLead.currentIndex();
    // An all-day event is whole days: the (greyed) times do not count, its last day may be its
    // first.
    const bool ordered = fields.bAllDay
                             ? *startDate <= *endDate
                             : (fields.start.DateTime().msecsTo(fields.end.DateTime()) + 500) / 60000 > 0;
    if (!ordered) {
        ShowMessage(kTitleInfo, kMsgEndBeforeStart);
        return false;
    }
    return true;
}

void CSetAppointmentDlg::Save()
{
    if (m_cbCalendar.SelectedId() <= 0)
        return;
    SEventFields fields;
    if (!GetFields(fields))
        return;
    const QString message = SaveMessage(ReadSaveAnswer(quickadd::PostForm(endpoints::kEvents, EventBody(fields))));
    if (!message.isEmpty()) {
        ShowMessage(kTitleError, message);
        return;
    }
    EndDialog(IDOK);
}

void CSetAppointmentDlg::ShowMessage(const QString& title, const QString& text)
{
    if (m_fnMessage)
        m_fnMessage(title, text);
}

CSetTodoDlg::CSetTodoDlg(QWidget* parent) : CTamoDlg(IDD, parent)
{
    setFont(DialogFont());
    resize(300, 100);
    m_fnMessage = [this](const QString& title, const QString& text) { ShowHelp(this, title, text); };
    m_edTitle.setMaxLength(kTitleLimit);
    m_btnSave.setText(QStringLiteral("저장"));
    AddControl(&m_stLabel, IDC_LABEL, QRect(12, 38, 58, 20));
    AddControl(&m_edTitle, IDC_TITLE, QRect(72, 38, 216, 20));
    AddControl(&m_btnSave, IDC_SAVE, QRect(120, 68, 60, 24));
    MapCommand(IDC_SAVE, [this] { Save(); });
    MapCommand(IDC_TITLE_CLOSE, [this] { EndDialog(IDCANCEL); });
}

bool CSetTodoDlg::OnInitDialog()
{
    InitHelper(0, QStringLiteral("할일 쓰기"), 1);
    SetLabel(m_stLabel, QStringLiteral("할    일 :"));
    m_btnSave.SetDrawNormal();
    m_edTitle.setFocus();
    return true;
}

void CSetTodoDlg::Save()
{
    const QString message =
        SaveMessage(ReadSaveAnswer(quickadd::PostForm(endpoints::kTodos, TodoBody(m_edTitle.text()))));
    if (!message.isEmpty()) {
        if (m_fnMessage)
            m_fnMessage(kTitleError, message);
        return;
    }
    EndDialog(IDOK);
}
