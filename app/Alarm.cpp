#include "app/Alarm.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QWidget>

#ifdef TAMO_HAVE_XCB
#include <cstring>

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <xcb/xcb.h>
#endif

#include "app/AlarmDlg.h"
#include "app/AlarmSound.h"
#include "app/AlertWnd.h"
#include "base/HttpClient.h"
#include "base/MarkupSTL.h"
#include "base/ServiceClock.h"
#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "base/Shell.h"
#include "platform/TextCodec.h"

namespace alarms {

namespace {

const QDate kOleEpoch(1899, 12, 30);

QString AlarmFromAnsi(const std::string& text) { return platform::textcodec::FromAnsi(QByteArrayView(text)); }

int Digits(const std::string& text, size_t at, size_t count, bool& ok)
{
    if (at + count > text.size()) {
        ok = false;
        return 0;
    }
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            ok = false;
            return 0;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// The full-screen test of the window system, when it can answer.
bool ForeignWindowCoversMonitor(const QWidget* pMainWnd);

}  // namespace

double ToOle(int year, int month, int day, int hour, int minute, int second)
{
    const QDate date(year, month, day);
    if (!date.isValid() || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return 0;
    return double(kOleEpoch.daysTo(date)) + (hour * 3600 + minute * 60 + second) / 86400.0;
}

double NowOle()
{
    const QDateTime now = tamo::clock::NowSeoul();
    const QTime t = now.time();
    return double(kOleEpoch.daysTo(now.date())) + (t.msecsSinceStartOfDay() / 1000.0) / 86400.0;
}

double ParseAlarmAt(const std::string& text)
{
    const size_t t = text.find('T');
    if (t == std::string::npos)
        return 0;
    bool ok = true;
    const int year = Digits(text, 0, 4, ok);
    const int month = Digits(text, 4, 2, ok);
    const int day = Digits(text, 6, 2, ok);
    const int hour = Digits(text, t + 1, 2, ok);
    const int minute = Digits(text, t + 3, 2, ok);
    const int second = Digits(text, t + 5, 2, ok);
    return ok ? ToOle(year, month, day, hour, minute, second) : 0;
}

int DueMinutes(double dtAlarm, double dtNow)
{
    const double seconds = (dtAlarm - dtNow) * 86400.0;
    return int(std::trunc((seconds + std::copysign(0.5, seconds)) / 60.0));
}

QString PageUrl(const _dataAlarm& alarm)
{
    const CServiceConfig& config = CServiceConfig::Current();
    if (alarm.id == 0)  // a summary: the calendar itself
        return config.Url(Service::Calendar, QStringLiteral("/"));
    if (!alarm.bEvent)
        return config.Url(Service::Calendar, QStringLiteral("/#todo_view"));
    return QStringLiteral("%1%2").arg(config.Url(Service::Calendar, QStringLiteral("/#event_edit:"))).arg(alarm.id);
}

SFetchResult ParseAlarmList(const QString& answer)
{
    SFetchResult result;
    CMarkupSTL xml;
    const QByteArray bytes = platform::textcodec::ToAnsi(answer);
    if (bytes.isEmpty() || !xml.SetDoc(std::string_view(bytes.constData(), size_t(bytes.size()))) ||
        !xml.FindElem()) {
        result.error = kNotXml;
        return result;
    }
    if (xml.FindChildElem("ERROR")) {
        const std::string type = xml.GetChildAttrib("TYPE");
        result.error = type.empty() ? kErrorNoType : std::atoi(type.c_str());
        result.url = AlarmFromAnsi(xml.GetChildAttrib("URL"));
        return result;
    }
    xml.ResetChildPos();
    while (xml.FindChildElem("alarm")) {
        xml.IntoElem();
        // Each of the four read on its own; present but empty skips the alarm. Without an id or a
        // time there is nothing to ring; without a type it is an event; without a title it rings
        // untitled rather than not at all.
        bool skip = false;
        auto read = [&](const char* name, std::string& value) {
            xml.ResetChildPos();
            if (!xml.FindChildElem(name))
                return false;
            value = xml.GetChildData();
            if (value.empty())
                skip = true;
            return true;
        };
        std::string id, at, type, title;
        const bool hasId = read("alarmable_id", id);
        const bool hasAt = read("alarm_at", at);
        read("alarmable_type", type);
        const bool hasTitle = read("alarmable_title", title);
        xml.OutOfElem();
        if (skip || !hasId || !hasAt)
            continue;
        _dataAlarm alarm;
        alarm.id = std::atoi(id.c_str());
        alarm.dtAlarm = ParseAlarmAt(at);
        alarm.bEvent = type != "Todo";
        alarm.title = hasTitle ? AlarmFromAnsi(title) : QStringLiteral("(제목 없음)");
        // The same id twice in one answer counts once.
        if (std::none_of(result.alarms.begin(), result.alarms.end(),
                         [&](const _dataAlarm& a) { return a.id == alarm.id; }))
            result.alarms.push_back(alarm);
    }
    return result;
}

SFetchResult FetchAlarmList()
{
    CHttpClient http;
    if (!http.Open(QStringLiteral("GET"), CServiceConfig::Current().Url(Service::Calendar, endpoints::kAlarmList)) ||
        !http.Send(QString(), 0, nullptr, 0)) {
        SFetchResult result;
        result.error = kNoAnswer;
        return result;
    }
    return ParseAlarmList(http.ReadAll(CP_UTF8, -1));
}

QString AlarmSoundPath(const QString& setting)
{
    return alarmsound::PathOf(setting);
}

bool PlayAlarmSound()
{
    if (ReadSetting(settings::AlarmSound) == 0)
        return false;
    return alarmsound::Play(AlarmSoundPath(ReadAlarmSoundFile()));
}

bool IsFullScreenActive(const QWidget* pMainWnd)
{
    return ForeignWindowCoversMonitor(pMainWnd) || CShell::CheckScreenSaver();
}

namespace {

#ifdef TAMO_HAVE_XCB
xcb_atom_t Atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
}

// The atoms or windows of a 32-bit list property.
std::vector<uint32_t> Property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
{
    std::vector<uint32_t> values;
    if (name == XCB_ATOM_NONE)
        return values;
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, 64), nullptr);
    if (reply && reply->format == 32) {
        const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        values.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    free(reply);
    return values;
}
#endif

// The active window of another program is full screen, by its state or by covering the monitor
// the main window is on. False where the window system can't be asked.
bool ForeignWindowCoversMonitor(const QWidget* pMainWnd)
{
#ifdef TAMO_HAVE_XCB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c)
        return false;
    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    if (!screens.rem)
        return false;
    const xcb_window_t root = screens.data->root;
    const std::vector<uint32_t> active = Property(c, root, Atom(c, "_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
    if (active.empty() || active[0] == 0)
        return false;
    const xcb_window_t window = active[0];
    // The program's own windows never hold alarms back.
    for (const QWindow* own : QGuiApplication::allWindows())
        if (own->handle() && own->winId() == window)
            return false;
    // The desktop covers the monitor too, and is not a full-screen program.
    const xcb_atom_t desktop = Atom(c, "_NET_WM_WINDOW_TYPE_DESKTOP");
    for (uint32_t type : Property(c, window, Atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM))
        if (type == desktop)
            return false;
    const xcb_atom_t fullscreen = Atom(c, "_NET_WM_STATE_FULLSCREEN");
    for (uint32_t state : Property(c, window, Atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM))
        if (state == fullscreen && fullscreen != XCB_ATOM_NONE)
            return true;
    xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    if (!geometry)
        return false;
    const int w = geometry->width, h = geometry->height;
    free(geometry);
    xcb_translate_coordinates_reply_t* at =
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, root, 0, 0), nullptr);
    if (!at)
        return false;
    const QRect rc(at->dst_x, at->dst_y, w, h);
    free(at);
    const QScreen* screen = pMainWnd && pMainWnd->screen() ? pMainWnd->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return false;
    const qreal ratio = screen->devicePixelRatio();
    const QRect monitor(screen->geometry().topLeft() * ratio, screen->geometry().size() * ratio);
    return rc.left() <= monitor.left() && rc.top() <= monitor.top() && rc.right() >= monitor.right() &&
           rc.bottom() >= monitor.bottom();
#else
    (void)pMainWnd;
    return false;
#endif
}

}  // namespace

}  // namespace alarms

// ---- CAlarmCenter ----

CAlarmCenter::CAlarmCenter(QWidget* pMainWnd) : QObject(pMainWnd), m_pMainWnd(pMainWnd)
{
    m_fnScreenSaver = [] { return CShell::CheckScreenSaver(); };
    m_fnFullScreen = [this] { return alarms::IsFullScreenActive(m_pMainWnd); };
}

CAlarmCenter::~CAlarmCenter()
{
    CloseWindows();
}

int CAlarmCenter::Fetch()
{
    m_nLastError = 0;
    const alarms::SFetchResult result = alarms::FetchAlarmList();
    m_nLastError = result.error;
    if (result.error != 0) {
        // A failed fetch leaves the lists as they are.
        m_strErrorUrl = result.url;
        return m_nLastError;
    }
    Merge(result.alarms);
    return 0;
}

void CAlarmCenter::Merge(const std::vector<_dataAlarm>& alarms)
{
    for (const _dataAlarm& alarm : alarms) {
        auto known = std::find_if(m_listAlarm.begin(), m_listAlarm.end(),
                                  [&](const _dataAlarm& a) { return a.id == alarm.id; });
        if (known == m_listAlarm.end()) {
            _dataAlarm fresh = alarm;
            fresh.bShown = false;
            m_listAlarm.push_back(fresh);
        } else if (!known->bShown) {
            // The item was moved or renamed on the service since the last fetch.
            known->dtAlarm = alarm.dtAlarm;
            known->title = alarm.title;
            known->bEvent = alarm.bEvent;
        }
    }
}

bool CAlarmCenter::HoldBack() const
{
    // The screen saver always holds alarms back (nobody would see them); a full-screen program
    // only when the user asked for that in the options.
    if (m_fnScreenSaver && m_fnScreenSaver())
        return true;
    return ReadSetting(settings::NoAlarmInFullscreen) != 0 && m_fnFullScreen && m_fnFullScreen();
}

void CAlarmCenter::ShowDue()
{
    const double now = alarms::NowOle();
    if (HoldBack()) {
        if (!m_bHeld) {
            m_bHeld = true;
            m_dtHeldFrom = now;
        }
        return;
    }
    const bool released = m_bHeld;
    m_bHeld = false;

    // Due: not shown, the time reached, and missed by at most five whole minutes (a fetch that
    // comes a few minutes late still rings); after a hold also anything that fell due during it.
    std::vector<_dataAlarm*> due;
    const double heldFrom = m_dtHeldFrom - 60.0 / 86400.0;
    for (auto* list : {&m_listAlarm, &m_listReAlarm}) {
        for (_dataAlarm& record : *list) {
            if (record.bShown)
                continue;
            const int m = alarms::DueMinutes(record.dtAlarm, now);
            if (m > 0)
                continue;
            if (m >= -alarms::kDropAfterMinutes || (released && record.dtAlarm >= heldFrom))
                due.push_back(&record);
        }
    }
    // Newest first, a handful of windows, the rest in one summary.
    std::stable_sort(due.begin(), due.end(),
                     [](const _dataAlarm* a, const _dataAlarm* b) { return a->dtAlarm > b->dtAlarm; });
    const size_t windows = due.size() > size_t(alarms::kMaxWindowsPerPass) + 1 ? size_t(alarms::kMaxWindowsPerPass)
                                                                              : due.size();
    for (size_t i = 0; i < due.size(); ++i) {
        due[i]->bShown = true;
        if (i < windows)
            Show(*due[i]);
    }
    if (due.size() > windows) {
        _dataAlarm summary;
        summary.id = 0;
        summary.title = QStringLiteral("알림 %1건이 더 있습니다.").arg(due.size() - windows);
        summary.dtAlarm = now;
        summary.bShown = true;
        Show(summary);
    }

    for (auto* list : {&m_listAlarm, &m_listReAlarm})
        list->remove_if([&](const _dataAlarm& record) {
            return alarms::DueMinutes(record.dtAlarm, now) < -alarms::kDropAfterMinutes;
        });
}

void CAlarmCenter::Show(const _dataAlarm& alarm)
{
    const QString url = alarms::PageUrl(alarm);
    QWidget* window = nullptr;
    if (ReadSetting(settings::AlarmMode) == 1) {
        window = new CAlertWnd(alarm, url, this);
    } else {
        auto* dlg = new CAlarmDlg(alarm, url, this, m_pMainWnd);
        dlg->OpenModeless();
        alarms::PlayAlarmSound();
        window = dlg;
    }
    m_windows.removeAll(nullptr);
    m_windows.push_back(window);
}

void CAlarmCenter::RemindAgain(const _dataAlarm& alarm, int nMinutes)
{
    if (alarm.id == 0)
        return;  // a summary has no item to ring for
    _dataAlarm again = alarm;
    again.dtAlarm = std::max(alarm.dtAlarm + nMinutes / 1440.0, alarms::NowOle());
    again.bShown = false;
    auto known = std::find_if(m_listReAlarm.begin(), m_listReAlarm.end(),
                              [&](const _dataAlarm& a) { return a.id == again.id; });
    if (known != m_listReAlarm.end())
        *known = again;
    else
        m_listReAlarm.push_back(again);
}

void CAlarmCenter::SetUser(const QString& id)
{
    if (!m_strUser.isEmpty() && id.compare(m_strUser, Qt::CaseInsensitive) != 0) {
        Clear();
        CloseWindows();
    }
    m_strUser = id;
}

void CAlarmCenter::Clear()
{
    m_listAlarm.clear();
    m_listReAlarm.clear();
    m_bHeld = false;
}

void CAlarmCenter::CloseWindows()
{
    for (const QPointer<QWidget>& window : m_windows)
        if (window)
            window->deleteLater();
    m_windows.clear();
}

QList<QWidget*> CAlarmCenter::Windows() const
{
    QList<QWidget*> open;
    for (const QPointer<QWidget>& window : m_windows)
        if (window)
            open << window.data();
    return open;
}

void CAlarmCenter::OpenPage(const QString& url)
{
    if (m_fnOpenPage)
        m_fnOpenPage(url);
}
