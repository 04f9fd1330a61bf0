#include "syncui/SyncRun.h"

#include <cstdlib>

#include "base/MarkupSTL.h"
#include "base/ServiceClock.h"
#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "base/WebLogger.h"
#include "platform/TextCodec.h"
#include "platform/mapi/MapiStoreFile.h"
#include "syncengine/EngineHttp.h"
#include "syncengine/OleDate.h"

namespace syncstatus {

QString Message(int code, int unsynced)
{
    switch (code) {
    case kIncomplete:
        return QStringLiteral("%1개 항목을 싱크하지 못했습니다.\r\n다음 싱크 때 다시 시도합니다.").arg(unsynced);
    case kBusy: return QStringLiteral("다른 싱크가 진행 중입니다.\r\n싱크가 끝난 뒤에 다시 해 주세요.");
    case kNothingToUndo: return QStringLiteral("되돌릴 싱크가 없습니다.");
    case kMassDeletion:
        return QStringLiteral("지워진 항목이 너무 많아 이번 싱크에서는 지우지 않았습니다.\r\n확인한 뒤 삭제를 허락하고 다시 싱크해 주세요.");
    case kNoPreferences:
        return QStringLiteral("환경설정을 불러오지 못하였습니다.\r\n재설치 후에도 되지 않는다면 관리자에게 문의해 주세요.");
    case kNoCategory:
        return QStringLiteral("아웃룩 싱크를 하기 위해서는 카테고리 선택이 필요합니다.\r\n환경설정에서 싱크를 원하는 카테고리를 선택해 주세요.");
    case kNoOutlook:
        return QStringLiteral("아웃룩 초기화 실패! \r\n 지원되지 않는 아웃룩 버전을 사용중이거나 PC에 아웃룩이 설치되지 않았습니다.");
    case kNoPcKey:
        return QStringLiteral("할일싱크에 필요한 PC Key가 등록이 안되어 있습니다.!! \r\n환경설정에서 할일 싱크에 필요한 인증을 받아주세요");
    case kReadTodoFailed: return QStringLiteral("웹으로부터 할일정보를 읽지 못했습니다.\r\n관리자에게 문의해 주세요");
    case kReadOutlookTodoFailed:
        return QStringLiteral("아웃룩으로부터 할일정보를 읽지 못했습니다.\r\n다른 프로그램에서 아웃룩을 사용 중인지 확인해 보시고 리부팅 후 다시 해보세요");
    case kTodoSyncFailed: return QStringLiteral("할일 싱크에 실패했습니다!\r\n관리자에게 문의해 주세요");
    case kReadEventFailed: return QStringLiteral("웹으로부터 일정 정보를 읽지 못했습니다.\r\n관리자에게 문의해 주세요");
    case kReadOutlookEventFailed:
        return QStringLiteral("아웃룩으로부터 일정 정보를 읽지 못했습니다.\r\n다른 프로그램에서 아웃룩을 사용 중인지 확인해 보시고 리부팅 후 다시 해보세요");
    case kEventSyncFailed: return QStringLiteral("일정 싱크에 실패했습니다!\r\n관리자에게 문의해 주세요");
    case kNothingSelected: return QStringLiteral("환경설정에서 싱크할 항목을 선택하시고\r\n 확인버튼을 눌러주세요");
    case kDuplicateEvents: return QStringLiteral("중복된 일정이 회원님의 캘린더에 존재합니다.\r\n 확인후 싱크해주세요");
    default: return QString();
    }
}

int DialogResult(int code)
{
    switch (code) {
    case kDone: return 1;
    case kNoPreferences:
    case kNoCategory:
    case kNoPcKey:
    case kNothingSelected: return 100;
    default: return 2;
    }
}

}  // namespace syncstatus

using namespace syncstatus;

namespace {

// The document of a GET on the calendar service, positioned at its root; false for a failed
// request, an empty answer, a refused document or an "ERROR" child.
bool GetDocument(const QString& path, CMarkupSTL& xml)
{
    const enginehttp::Answer answer = enginehttp::Get(enginehttp::CalendarUrl(path));
    if (!answer.Ok())
        return false;
    const QByteArray bytes = platform::textcodec::ToAnsi(answer.text);
    if (!xml.SetDoc(std::string_view(bytes.constData(), size_t(bytes.size()))) || !xml.FindElem())
        return false;
    return true;
}

bool HasError(CMarkupSTL& xml)
{
    xml.ResetChildPos();
    const bool error = xml.FindChildElem("ERROR");
    xml.ResetChildPos();
    return error;
}

QString ChildText(CMarkupSTL& xml) { return platform::textcodec::FromAnsi(QByteArrayView(xml.GetChildData())); }

QString FormatStamp(int year, int month, int day, int hour, int minute, int second)
{
    return QString::asprintf("%4d%02d%02dT%02d%02d%02d", year, month, day, hour, minute, second);
}

}  // namespace

CSyncRun::CSyncRun() : CThread(nullptr) {}

CSyncRun::~CSyncRun()
{
    Interrupt();
    m_bStop = true;
    Join(kWaitForever);
    m_pSync.reset();
}

void CSyncRun::SetProgress(int value)
{
    m_nBar = value;
    if (m_onProgress)
        m_onProgress(value);
}

void CSyncRun::Notice(const QString& text)
{
    if (m_onNotice)
        m_onNotice(text);
}

int CSyncRun::GetProgress(int nTotal, int nCurrent)
{
    m_dProgress = nTotal > 0 ? (nCurrent * 100.0 / nTotal) / 100.0 : 0;
    m_nProgress = static_cast<int>(m_dProgress * 30);
    SetProgress(40 + m_nProgress);
    return 1;
}

int CSyncRun::GetCategory()
{
    CMarkupSTL xml;
    if (!GetDocument(endpoints::kPreference, xml) || HasError(xml))
        return -1;
    struct Flag {
        const char* name;
        bool* value;
    };
    // Each is searched from the first child, so their order in the document does not matter.
    auto find = [&xml](const char* name) {
        xml.ResetChildPos();
        return xml.FindChildElem(name);
    };
    if (find("sync-range")) {
        const std::string text = xml.GetChildData();
        if (text.empty())
            return -1;
        m_nSyncRange = std::atoi(text.c_str());
    }
    const Flag flags[] = {{"sync-event-check", &m_bEventCheck},     {"sync-todo-check", &m_bTodoCheck},
                          {"sync-todo-complete", &m_bTodoComplete}, {"sync-todo-sub", &m_bTodoSub},
                          {"sync-conflict", &m_bConflict}};
    for (const Flag& flag : flags) {
        if (!find(flag.name))
            continue;
        const std::string text = xml.GetChildData();
        if (text.empty())
            return -1;
        *flag.value = text != "false";
    }
    // "sync-event2-check" is looked for onward from where the category search stopped.
    xml.ResetChildPos();
    if (xml.FindChildElem("sync-category-id")) {
        const std::string text = xml.GetChildData();
        m_nCategoryID = text.empty() ? GetDefaultCategory() : std::atoi(text.c_str());
    }
    if (xml.FindChildElem("sync-event2-check")) {
        const std::string text = xml.GetChildData();
        if (text.empty())
            return -1;
        m_bEvent2Check = text != "false";
    }
    return 1;
}

int CSyncRun::GetPCKeyhttp()
{
    CMarkupSTL xml;
    if (!GetDocument(endpoints::kPcKey, xml))
        return 0;
    xml.ResetChildPos();
    const QString key = xml.FindChildElem("sync-pc-key") ? ChildText(xml) : QString();
    WriteSettingString(settings::PcKey, key);
    return 1;
}

int CSyncRun::GetDefaultCategory()
{
    CMarkupSTL xml;
    if (!GetDocument(endpoints::kDefaultCalendar, xml) || HasError(xml) || !xml.FindChildElem("id"))
        return -1;
    const std::string text = xml.GetChildData();
    return text.empty() ? -1 : std::atoi(text.c_str());
}

QString CSyncRun::GetServerTime()
{
    CMarkupSTL xml;
    if (!GetDocument(endpoints::kServerTime, xml) || HasError(xml) || !xml.FindChildElem("time"))
        return QString();
    return ChildText(xml);
}

int CSyncRun::Begin()
{
    if (m_lock.TryAcquire(tamo::mapi::DefaultStorePath()) == CSyncLock::Result::Busy)
        return kBusy;
    const int started = BeginSteps();
    if (started != 0) {
        EndJournal(started);
        m_lock.Release();
    }
    return started;
}

int CSyncRun::BeginSteps()
{
    m_bStop = false;
    SetProgress(5);
    m_pSync = std::make_unique<CMAPISync>();
    m_pSync->InitLogOption();
    GetPCKeyhttp();
    if (m_pSync->InitMapi() == -1)
        return kNoOutlook;
    SetProgress(10);
    if (GetCategory() == -1)
        return kNoPreferences;
    SetProgress(15);
    m_pSync->m_nSyncRangeDays = m_nSyncRange;
    m_pSync->m_lCalendarID = m_nCategoryID;
    if (m_nCategoryID == 0 || m_nCategoryID == -1)
        return kNoCategory;
    OpenJournal();
    if (m_bTodoCheck) {
        const QString key = ReadSettingString(settings::PcKey);
        if (key.isEmpty() || key == QLatin1String("0"))
            return kNoPcKey;
        m_pSync->m_strPCKey = key;
        // An undo looks at every to-do: the ones the run wrote may be completed or sub to-dos by now.
        if (m_pSync->ReadTodo(m_bTodoComplete || m_bUndo, m_bTodoSub || m_bUndo) == -1)
            return kReadTodoFailed;
    }
    if (m_bEventCheck && m_pSync->ReadAppointment() == -1)
        return kReadEventFailed;
    // The last sync times, read before this run changes anything.
    const QString lastSync = ReadSettingString(settings::SyncDate);
    const QString lastServer = ReadSettingString(settings::SyncServerDate);
    m_dLastSync = CMAPISync::StringtoDate(lastSync);
    m_dLastServerSync = CMAPISync::StringtoDate(lastServer);
    SetProgress(20);
    if (!Start())
        return kNoWorker;
    m_bStarted = true;
    return 0;
}

void CSyncRun::Run() { m_nStatus = DoSync(); }

int CSyncRun::Finish()
{
    if (!m_bStarted)
        return kNoWorker;
    Join(kWaitForever);
    m_bStarted = false;
    int status = m_nStatus.load();
    if (status == kDone && UnsyncedCount() > 0)
        status = kIncomplete;
    if (status == kDone && m_bMassHeld)
        status = kMassDeletion;
    if (status == kDone && !m_bDryRun)
        RecordTimes();
    EndJournal(status);
    m_lock.Release();
    return status;
}

int CSyncRun::Execute()
{
    const int started = Begin();
    return started != 0 ? started : Finish();
}

void CSyncRun::Cancel()
{
    Interrupt();
    m_bStop = true;
}

void CSyncRun::RecordTimes()
{
    const QDateTime now = tamo::clock::NowSeoul();
    WriteSettingString(settings::SyncDate, FormatStamp(now.date().year(), now.date().month(), now.date().day(),
                                                       now.time().hour(), now.time().minute(), now.time().second()));
    // Without the service clock the previous stamp stays: a zero date would make every service
    // item count as changed at the next run.
    const QString serverTime = GetServerTime();
    if (serverTime.isEmpty())
        return;
    const double server = CMAPISync::StringtoDate(serverTime);
    int y = 1899, mo = 12, d = 30, h = 0, mi = 0, s = 0;
    if (const auto parts = oledate::ToDateTime(server)) {
        y = parts->year, mo = parts->month, d = parts->day, h = parts->hour, mi = parts->minute, s = parts->second;
    } else {
        y = mo = d = h = mi = s = -1;
    }
    WriteSettingString(settings::SyncServerDate, FormatStamp(y, mo, d, h, mi, s));
}

int CSyncRun::DoSync()
{
    if (!m_bTodoCheck && !m_bEventCheck)
        return kNothingSelected;
    if (m_bUndo)
        return DoUndo();
    if (m_bTodoCheck) {
        if (!m_bDryRun)
            CWebLogger(CServiceConfig::Current().Url(Service::Statistics, endpoints::kInsertStat)).Log(QStringLiteral("sink1"));
        const int status = SyncTodo();
        if (status != kDone)
            return status;
    }
    if (IsInterrupted())
        return kStopped;
    if (m_bEventCheck) {
        if (!m_bDryRun)
            CWebLogger(CServiceConfig::Current().Url(Service::Statistics, endpoints::kInsertStat)).Log(QStringLiteral("sink2"));
        const int status = SyncAppointment();
        if (status != kDone)
            return status;
    }
    if (IsInterrupted())
        return kStopped;
    return m_bConflict ? SyncConflict() : SyncLastModify();
}

int CSyncRun::SyncTodo()
{
    SetProgress(25);
    const int init = m_pSync->SyncTodoInit(this);
    if (init == -1)
        return kReadOutlookTodoFailed;
    if (init == -2 || IsInterrupted())
        return kStopped;
    JournalSaw(true);
    SetProgress(30);
    const int sync = m_pSync->SyncTodo(this);
    if (sync == -1)
        return kTodoSyncFailed;
    if (sync == -2)
        return kStopped;
    SetProgress(35);
    return kDone;
}

int CSyncRun::SyncAppointment()
{
    const int init = m_pSync->SyncAppointInit(this);
    if (init == -1)
        return kReadOutlookEventFailed;
    if (init == -2 || IsInterrupted())
        return kStopped;
    JournalSaw(false);
    SetProgress(40);
    m_dProgress = 0;
    m_nProgress = 0;
    const int sync = m_pSync->SyncAppointment(this);
    if (sync == -3)
        return kDuplicateEvents;
    if (sync == -2)
        return kStopped;
    if (sync == -1)
        return kEventSyncFailed;
    SetProgress(70);
    return kDone;
}

bool CSyncRun::IsUnchangedPair() const
{
    if (m_dLastSync == 0 || m_dLastServerSync == 0)
        return false;
    const CSyncParser* store = m_pSync->Parser();
    const QStringView key = u"LAST-MODIFIED;TZID=Asia/Seoul";
    const double outlook = CMAPISync::StringtoDate(store->Text(CSyncParser::OutlookTodos, key));
    const double service = CMAPISync::StringtoDate(store->Text(CSyncParser::ServiceTodos, key));
    // Compared to the second, as the stamps are written.
    auto seconds = [](double days) { return static_cast<long long>(days * 86400.0 + 0.5); };
    return seconds(outlook) <= seconds(m_dLastSync) && seconds(service) <= seconds(m_dLastServerSync);
}

int CSyncRun::SyncLastModify()
{
    SetProgress(70);
    if (m_bTodoCheck && m_pSync->GetParserCount(true) > 0) {
        const unsigned count = m_pSync->GetParserCount(true);
        POSITION pos = m_pSync->GetParserHeadPosition(true, false);
        for (unsigned i = 0; i < count; ++i) {
            const QString uid = m_pSync->GetParserUID(true);
            if (m_pSync->IsUID(uid, true) && !IsUnchangedPair()) {
                const int direction = m_pSync->IsLastDate(true) ? 1 : 2;
                m_pSync->SyncTodoConflict(uid, direction, this);
            }
            pos = m_pSync->GetParserNextPosition(pos, true);
            if (!pos)
                break;
            if (m_bStop)
                return kStopped;
        }
    }
    if (m_bStop)
        return kStopped;
    SetProgress(80);
    if (m_bEventCheck && m_pSync->GetParserCount(false) > 0) {
        const unsigned count = m_pSync->GetParserCount(false);
        POSITION pos = m_pSync->GetParserHeadPosition(false, false);
        for (unsigned i = 0; i < count; ++i) {
            const QString uid = m_pSync->GetParserUID(false);
            if (m_pSync->IsUID(uid, false) && !m_pSync->IsAppointPairUnchanged()) {
                const int direction = m_pSync->IsLastDate(false) ? 1 : 2;
                m_pSync->SyncAppointConflict(uid, direction, this);
            }
            pos = m_pSync->GetParserNextPosition(pos, false);
            if (!pos)
                break;
            if (m_bStop)
                return kStopped;
        }
    }
    SetProgress(95);
    return kDone;
}

int CSyncRun::SyncConflict()
{
    std::vector<SSyncConflict> conflicts;
    if (m_bTodoCheck && m_pSync->GetParserCount(true) > 0) {
        const unsigned count = m_pSync->GetParserCount(true);
        POSITION pos = m_pSync->GetParserHeadPosition(true, false);
        for (unsigned i = 0; i < count; ++i) {
            const QString uid = m_pSync->GetParserUID(true);
            if (m_pSync->IsUID(uid, true) && !IsUnchangedPair())
                conflicts.push_back({uid, m_pSync->GetParserText(true, false), m_pSync->GetParserText(true, true), true,
                                     m_pSync->IsLastDate(true)});
            pos = m_pSync->GetParserNextPosition(pos, true);
            if (!pos)
                break;
            if (m_bStop)
                return kStopped;
        }
    }
    SetProgress(75);
    if (m_bEventCheck && m_pSync->GetParserCount(false) > 0) {
        const unsigned count = m_pSync->GetParserCount(false);
        POSITION pos = m_pSync->GetParserHeadPosition(false, false);
        for (unsigned i = 0; i < count; ++i) {
            SetProgress(75 + static_cast<int>(10 * i / count));
            const QString uid = m_pSync->GetParserUID(false);
            if (m_pSync->IsUID(uid, false) && m_pSync->SyncAppointConflictInit(uid) == 1)
                conflicts.push_back({uid, m_pSync->GetParserText(false, false), m_pSync->GetParserText(false, true),
                                     false, m_pSync->IsLastDate(false)});
            pos = m_pSync->GetParserNextPosition(pos, false);
            if (!pos)
                break;
            if (m_bStop)
                return kStopped;
        }
    }
    SetProgress(85);
    if (conflicts.empty()) {
        SetProgress(95);
        return kDone;
    }
    if (m_bDryRun) {
        // A dry run asks nothing: the pairs that need a decision are part of its plan.
        for (const SSyncConflict& c : conflicts)
            m_plan.AddConflict({c.uid, c.serviceText, c.outlookText, c.todo});
        SetProgress(95);
        return kDone;
    }
    std::optional<std::vector<SSyncDecision>> decisions;
    if (m_chooser)
        decisions = m_chooser(conflicts);
    if (!decisions) {
        SetProgress(95);
        return kConflictsDeclined;
    }
    if (m_bTodoCheck) {
        for (const SSyncDecision& decision : *decisions) {
            if (m_bStop)
                return kStopped;
            if (decision.direction != -1 && decision.todo)
                m_pSync->SyncTodoConflict(decision.uid, decision.direction, nullptr);
        }
    }
    SetProgress(88);
    if (m_bEventCheck) {
        for (const SSyncDecision& decision : *decisions) {
            if (m_bStop)
                return kStopped;
            if (decision.direction != -1 && !decision.todo)
                m_pSync->SyncAppointConflict(decision.uid, decision.direction, nullptr);
        }
    }
    SetProgress(93);
    SetProgress(95);
    return kDone;
}
