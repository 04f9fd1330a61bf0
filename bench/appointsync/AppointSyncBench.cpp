// Appointment synchronisation at scale: n events only on the service and n only in Outlook, a fifth
// of them repeating, synchronised both ways against tamo-service on loopback; then a second run
// with nothing changed. Each run is reported beside its floor (see bench/syncfloor), measured in
// the same iteration, and as the ratio to it.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "platform/mapi/MapiStoreFile.h"
#include "service/TamoService.h"
#include "syncengine/AppointProps.h"
#include "syncengine/EngineHttp.h"
#include "syncengine/MAPISync.h"
#include "syncengine/OleDate.h"
#include "syncengine/Recurrence.h"
#include "syncfloor/SyncFloor.h"

namespace {

tamo::service::CTamoService* g_service = nullptr;
const char* kRepeatTypes[] = {"daily", "weekly", "mon_wed_fri", "monthly", "yearly"};

struct Run {
    double seconds = 0, read = 0, init = 0, sync = 0, pairs = 0;
    int conflicts = 0, skipped = 0;
};

Run SyncOnce(std::int64_t calendarId)
{
    Run r;
    QElapsedTimer timer;
    timer.start();
    CMAPISync e;
    if (e.InitMapi() != 1)
        return r;
    e.m_lCalendarID = LONG(calendarId);
    e.ReadAppointment();
    r.read = timer.elapsed() / 1000.0;
    e.SyncAppointInit(nullptr);
    r.init = timer.elapsed() / 1000.0 - r.read;
    e.SyncAppointment(nullptr);
    r.sync = timer.elapsed() / 1000.0 - r.read - r.init;
    if (e.GetParserCount(false) > 0)
        for (POSITION pos = e.GetParserHeadPosition(false); pos; pos = e.GetParserNextPosition(pos, false)) {
            const QString uid = e.GetParserUID(false);
            if (!e.IsUID(uid, false))
                continue;
            if (e.IsAppointPairUnchanged()) {
                ++r.skipped;
                continue;
            }
            ++r.conflicts;
            e.SyncAppointConflict(uid, e.IsLastDate(false) ? 1 : 2, nullptr);
        }
    WriteSettingString(settings::SyncDate, appointprops::CompactText(appointprops::NowSeoulOle()));
    WriteSettingString(settings::SyncServerDate, QString::fromStdString(g_service->Clock().NowStamp()));
    r.seconds = timer.elapsed() / 1000.0;
    r.pairs = r.seconds - r.read - r.init - r.sync;
    return r;
}

// A fresh account with n service events and a fresh store with n Outlook appointments, with the
// global object id Outlook gives the appointments it creates, or (withIds false) without one, as
// other programs write them.
std::int64_t Prepare(int n, bool withIds)
{
    static int accounts = 0;
    const std::string login = "bench" + std::to_string(++accounts);
    auto& db = g_service->Database();
    const auto account = db.CreateAccount(login, "pw");
    tamo::service::SCalendar calendar{0, *account, "기본", "#123456", 0};
    const auto calendarId = db.CreateCalendar(calendar);
    (void)db.SetDefaultCalendar(*account, *calendarId);
    std::vector<tamo::service::SItem> items;
    for (int i = 0; i < n; ++i) {
        tamo::service::SItem item;
        item.accountId = *account;
        item.calendarId = *calendarId;
        item.uid = "bench-" + std::to_string(accounts) + "-" + std::to_string(i) + "@calendar.tamo";
        item.title = "service event " + std::to_string(i);
        const QDate day = QDate(2027, 1, 1).addDays(i % 300);
        item.startAt = day.toString("yyyyMMdd").toStdString() + "T090000";
        item.endAt = day.toString("yyyyMMdd").toStdString() + "T100000";
        if (i % 5 == 0)
            item.repeatType = kRepeatTypes[(i / 5) % 5];
        item.created = item.lastModified = g_service->Clock().NowStamp();
        items.push_back(std::move(item));
    }
    (void)db.InsertItems(items);

    const QString store = qEnvironmentVariable("TAMO_MAPI_STORE");
    QFile::remove(store);
    (void)tamo::mapi::CreateStoreFile(store);
    CMAPISync w;
    w.InitMapi();
    IMAPIFolder* folder = w.m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID);
    for (int i = 0; i < n; ++i) {
        IMessage* msg = nullptr;
        if (folder->CreateMessage(nullptr, 0, &msg) != S_OK)
            break;
        const QDateTime utc(QDate(2027, 1, 1).addDays(i % 300), QTime(1, 0), Qt::UTC);
        CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_SUBJECT_W, QStringLiteral("outlook event %1").arg(i));
        CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x820D, *oledate::ToSystemTime(*appointprops::DateTimeToOle(utc)));
        CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x820E,
                              *oledate::ToSystemTime(*appointprops::DateTimeToOle(utc.addSecs(3600))));
        CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x8213, LONG(60));
        const QByteArray globalId = CMAPISync::NewAppointGlobalID();
        if (withIds)
            CMAPIEx::SetNamedProp(msg, PROPSET_MEETING, 0x0003, reinterpret_cast<const BYTE*>(globalId.constData()),
                                  ULONG(globalId.size()));
        if (i % 5 == 0) {
            const auto r = recurrence::Build({"WEEKLY", "", "MO,WE,FR", ""}, utc.addSecs(9 * 3600), 60);
            CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x8223, true);
            CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x8231, LONG(r.type));
            CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x8216, reinterpret_cast<const BYTE*>(r.pattern.constData()),
                                  ULONG(r.pattern.size()));
        }
        msg->SaveChanges(0);
        msg->Release();
    }
    const QString pw = g_service->Cipher().EncryptToHex(QString::fromStdString(login), QStringLiteral("pw"));
    (void)enginehttp::Get(enginehttp::CalendarUrl(QString::fromStdString("/dxm/sb_updatev2.xml?versiontype=&id=" + login + "&pw=") + pw));
    WriteSettingString(settings::SyncDate, QString());
    WriteSettingString(settings::SyncServerDate, QString());
    return *calendarId;
}

// The floor of the first run: a post of each Outlook appointment to the service and a save of each
// service event into a fresh store, with the fields the sync sends and writes.
double PostFloor(int n, std::int64_t calendarId)
{
    const QString url = enginehttp::CalendarUrl(QStringLiteral("/events/"));
    std::vector<syncfloor::FormPost> posts;
    for (int i = 0; i < n; ++i) {
        const QString day = QDate(2027, 1, 1).addDays(i % 300).toString(QStringLiteral("yyyy-MM-dd"));
        QString body = QStringLiteral("event[title]=outlook%20event%20%1&event[calendar_id]=%2&event[start_at]=%3T10:00:00")
                           .arg(i)
                           .arg(calendarId)
                           .arg(day);
        body += QStringLiteral("&event[end_at]=%1T11:00:00").arg(day);
        body += QStringLiteral("&event[uid]=") + QString::fromLatin1(CMAPISync::NewAppointGlobalID().toHex().toUpper());
        if (i % 5 == 0)
            body += QStringLiteral("&meta[set_repeat]=true&repeat[setting]=true") + recurrence::kNoEnd +
                    QStringLiteral("&repeat[type]=mon_wed_fri");
        posts.push_back({url, body.toUtf8()});
    }
    return syncfloor::PostForms(posts);
}

// withIdSaves: Outlook appointments without a global object id get one saved before their post,
// so the sync makes one more (one-property) save per such appointment.
double SaveFloor(int n, bool withIdSaves)
{
    using namespace appointprops;
    const std::vector<syncfloor::RawProp> props = {
        {PROPSET_NONE, PR_MESSAGE_CLASS_W},     {PROPSET_NONE, PR_SUBJECT_W},
        {PROPSET_NONE, PR_BODY_W},              {PROPSET_APPOINTMENT, kAllDay},
        {PROPSET_APPOINTMENT, kStart},          {PROPSET_APPOINTMENT, kEnd},
        {PROPSET_APPOINTMENT, kDuration},       {PROPSET_COMMON, kReminderSet},
        {PROPSET_MEETING, kGlobalObjectId},     {PROPSET_APPOINTMENT, kRecurring},
        {PROPSET_APPOINTMENT, kRecurrenceType}, {PROPSET_APPOINTMENT, kPattern},
        {PROPSET_APPOINTMENT, kClipEnd}};
    static const QString appointmentClass = QStringLiteral("IPM.Appointment");
    static const QString empty = QStringLiteral("");
    QString subject;
    QByteArray globalId;
    recurrence::OutlookRecurrence r;
    return syncfloor::SaveMessages(
        qEnvironmentVariable("TAMO_MAPI_STORE") + ".floor", PR_IPM_APPOINTMENT_ENTRYID, props, n,
        [&](int i, std::vector<SPropValue>& v) {
            const QDateTime start(QDate(2027, 1, 1).addDays(i % 300), QTime(0, 0), Qt::UTC);
            subject = QStringLiteral("service event %1").arg(i);
            globalId = CMAPISync::AppointGlobalIDBlob(QStringLiteral("bench-floor-%1@calendar.tamo").arg(i));
            v[0].Value.lpszW = const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(appointmentClass.utf16()));
            v[1].Value.lpszW = const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(subject.utf16()));
            v[2].Value.lpszW = const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(empty.utf16()));
            v[3].Value.b = 0;
            v[4].Value.ft = *oledate::SystemTimeToFileTime(*oledate::ToSystemTime(*DateTimeToOle(start)));
            v[5].Value.ft = *oledate::SystemTimeToFileTime(*oledate::ToSystemTime(*DateTimeToOle(start.addSecs(3600))));
            v[6].Value.l = 60;
            v[7].Value.b = 0;
            v[8].Value.bin = SBinary{ULONG(globalId.size()), reinterpret_cast<LPBYTE>(globalId.data())};
            if (i % 5 != 0)
                return std::size_t(9);
            r = recurrence::Build({"daily", "", "", ""}, start.addSecs(9 * 3600), 60);
            v[9].Value.b = 1;
            v[10].Value.l = r.type;
            v[11].Value.bin = SBinary{ULONG(r.pattern.size()), reinterpret_cast<LPBYTE>(r.pattern.data())};
            v[12].Value.ft = *oledate::SystemTimeToFileTime(
                *oledate::ToSystemTime(*DateTimeToOle(QDateTime(QDate(4500, 8, 31), QTime(23, 59), Qt::UTC))));
            return v.size();
        },
        withIdSaves);
}

// The second argument: 1 when the Outlook appointments carry Outlook's global object ids, 0 when
// they carry none (written by other programs).
void BM_AppointSyncBothWays(benchmark::State& state)
{
    const int n = int(state.range(0));
    const bool outlookIds = state.range(1) != 0;
    Run first, second;
    double postFloor = 0, saveFloor = 0, readFloor = 0;
    for (auto _ : state) {
        const std::int64_t calendarId = Prepare(n, outlookIds);
        first = SyncOnce(calendarId);
        second = SyncOnce(calendarId);
        readFloor = syncfloor::ReadBoth(
            enginehttp::CalendarUrl(QStringLiteral("/sync/export_event?calendar=%1").arg(calendarId)), false,
            PR_IPM_APPOINTMENT_ENTRYID);
        postFloor = PostFloor(n, calendarId);
        saveFloor = SaveFloor(n, !outlookIds);
        if (first.seconds <= 0 || readFloor < 0 || postFloor < 0 || saveFloor < 0)
            state.SkipWithError("a run or its floor failed");
        state.SetIterationTime(first.seconds);
    }
    const double floor = postFloor + saveFloor;
    state.counters["first_s"] = first.seconds;
    state.counters["floor_post_s"] = postFloor;
    state.counters["floor_save_s"] = saveFloor;
    state.counters["first_ratio"] = floor > 0 ? first.seconds / floor : 0;
    state.counters["second_us_event"] = second.seconds * 1e6 / (2.0 * n);
    state.counters["floor_read_us_event"] = readFloor * 1e6 / (2.0 * n);
    state.counters["second_ratio"] = readFloor > 0 ? second.seconds / readFloor : 0;
    for (const auto& [name, run] : {std::pair{"first", first}, std::pair{"second", second}}) {
        state.counters[std::string(name) + "_read_s"] = run.read;
        state.counters[std::string(name) + "_init_s"] = run.init;
        state.counters[std::string(name) + "_sync_s"] = run.sync;
        state.counters[std::string(name) + "_pairs_s"] = run.pairs;
    }
    state.counters["second_skipped"] = second.skipped;
    state.counters["second_rewritten"] = second.conflicts;
}
BENCHMARK(BM_AppointSyncBothWays)
    ->ArgNames({"each_way", "outlook_ids"})
    ->ArgsProduct({{2000, 10000}, {1, 0}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseManualTime();

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (dir.path() + "/data").toUtf8());
    qputenv("TAMO_SERVICE_CONFIG", (dir.path() + "/service.ini").toUtf8());
    qputenv("TAMO_MAPI_STORE", (dir.path() + "/outlook.sqlite").toUtf8());
    QCoreApplication app(argc, argv);
    tamo::service::SServiceOptions options;
    options.sessionIdleSeconds = 3600;
    tamo::service::CTamoService service(options);
    if (!service.Open() || !service.Start() || !service.WriteConfig(qEnvironmentVariable("TAMO_SERVICE_CONFIG").toStdString()) ||
        !CServiceConfig::Reload())
        return 1;
    g_service = &service;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
