// Appointment synchronisation at scale: n events, half on the service and half in Outlook, a
// fifth of them repeating, synchronised both ways against tamo-service on loopback; then a second
// run with nothing changed. Reported per size: first run, second run (seconds) and per event.
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

// A fresh account with n/2 service events and a fresh store with n/2 Outlook appointments.
std::int64_t Prepare(int n)
{
    static int accounts = 0;
    const std::string login = "bench" + std::to_string(++accounts);
    auto& db = g_service->Database();
    const auto account = db.CreateAccount(login, "pw");
    tamo::service::SCalendar calendar{0, *account, "기본", "#123456", 0};
    const auto calendarId = db.CreateCalendar(calendar);
    (void)db.SetDefaultCalendar(*account, *calendarId);
    std::vector<tamo::service::SItem> items;
    for (int i = 0; i < n / 2; ++i) {
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
    for (int i = 0; i < n - n / 2; ++i) {
        IMessage* msg = nullptr;
        if (folder->CreateMessage(nullptr, 0, &msg) != S_OK)
            break;
        const QDateTime utc(QDate(2027, 1, 1).addDays(i % 300), QTime(1, 0), Qt::UTC);
        CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_SUBJECT_W, QStringLiteral("outlook event %1").arg(i));
        CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x820D, *oledate::ToSystemTime(*appointprops::DateTimeToOle(utc)));
        CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x820E,
                              *oledate::ToSystemTime(*appointprops::DateTimeToOle(utc.addSecs(3600))));
        CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x8213, LONG(60));
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

void BM_AppointSyncBothWays(benchmark::State& state)
{
    const int n = int(state.range(0));
    Run first, second;
    for (auto _ : state) {
        state.PauseTiming();
        const std::int64_t calendarId = Prepare(n);
        state.ResumeTiming();
        first = SyncOnce(calendarId);
        second = SyncOnce(calendarId);
    }
    state.counters["events"] = n;
    state.counters["first_s"] = first.seconds;
    state.counters["second_s"] = second.seconds;
    state.counters["first_us_per_event"] = first.seconds * 1e6 / n;
    state.counters["second_us_per_event"] = second.seconds * 1e6 / n;
    for (const auto& [name, run] : {std::pair{"first", first}, std::pair{"second", second}}) {
        state.counters[std::string(name) + "_read_s"] = run.read;
        state.counters[std::string(name) + "_init_s"] = run.init;
        state.counters[std::string(name) + "_sync_s"] = run.sync;
        state.counters[std::string(name) + "_pairs_s"] = run.pairs;
    }
    state.counters["second_skipped"] = second.skipped;
    state.counters["second_rewritten"] = second.conflicts;
}
BENCHMARK(BM_AppointSyncBothWays)->Arg(2000)->Arg(10000)->Iterations(1)->Unit(benchmark::kSecond);

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
