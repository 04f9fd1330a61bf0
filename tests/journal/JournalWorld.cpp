#include "JournalWorld.h"

#include <QDateTime>
#include <QProcess>

#include "base/MarkupSTL.h"
#include "base/URLEncoder.h"
#include "service/DemoSeed.h"
#include "support/TestEnvironment.h"
#include "syncengine/AppointProps.h"
#include "syncui/SyncRun.h"

namespace tamo::test {

namespace {

QString SeoulStamp(int secondsFromNow)
{
    return QDateTime::currentDateTimeUtc().addSecs(9 * 3600 + secondsFromNow).toString("yyyyMMddTHHmmss");
}

QString UtcIso(int secondsFromNow)
{
    return QDateTime::currentDateTimeUtc().addSecs(secondsFromNow).toString(Qt::ISODate);
}

QString Encode(const QString& text) { return CURLEncoder::EncodeUTF8(text, true); }

}  // namespace

ToolOutcome RunTamoSync(const QStringList& args, const QString& killAfter)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TAMO_PASSWORD", tamo::service::kDemoPassword);
    env.remove("TAMO_TEST_KILL_AFTER");
    if (!killAfter.isEmpty())
        env.insert("TAMO_TEST_KILL_AFTER", killAfter);
    process.setProcessEnvironment(env);
    process.start(BinaryDir() + "/bin/tamo-sync", QStringList{"--id", tamo::service::kDemoLogin, "--quiet"} + args);
    process.closeWriteChannel();
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.exitStatus() == QProcess::CrashExit, QString::fromUtf8(process.readAllStandardOutput())};
}

QString RunTamoStore(const QStringList& args)
{
    QProcess p;
    p.start(BinaryDir() + "/bin/tamo-store", args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed().section(u'\n', -1);
}

JournalWorld::JournalWorld() : m_world(std::make_unique<TodoSyncWorld>())
{
    if (!m_world->ok() || !m_world->SetPreferences(true, true, true, true, false))
        return;
    m_calendar = CSyncRun::GetDefaultCategory();
    m_ok = m_calendar > 0;
}

long long JournalWorld::PostItem(const QString& path, const QString& fields)
{
    const QString answer = m_world->Post(path, fields);
    const qsizetype at = answer.indexOf(QLatin1String("\"id\": "));
    return at < 0 ? 0 : answer.mid(at + 6, answer.indexOf(u',', at) - at - 6).toLongLong();
}

long long JournalWorld::AddServiceTodo(const QString& title)
{
    return PostItem("/todos/", "todo[title]=" + Encode(title));
}

long long JournalWorld::AddServiceEvent(const QString& title, int daysAhead)
{
    return PostItem("/events/", QStringLiteral("event[calendar_id]=%1&event[title]=%2&event[start_at]=%3&event[end_at]=%4")
                                    .arg(m_calendar)
                                    .arg(Encode(title), SeoulStamp(daysAhead * 86400),
                                         SeoulStamp(daysAhead * 86400 + 3600)));
}

QString JournalWorld::AddOutlookTask(const QString& title) { return m_world->AddOutlookTask({title, {}, 1, {}, -1, false}); }

QString JournalWorld::AddOutlookAppoint(const QString& title, int daysAhead, bool withGlobalId)
{
    QStringList args = {"add", "appointment", "--subject", title, "--start", UtcIso(daysAhead * 86400),
                        "--end", UtcIso(daysAhead * 86400 + 1800)};
    if (!withGlobalId)
        args << "--no-global-id";
    return RunTamoStore(args);
}

bool JournalWorld::ChangeServiceItem(bool todo, long long id, const QString& title)
{
    const QString kind = todo ? QStringLiteral("todo") : QStringLiteral("event");
    return !m_world
                ->Post(QStringLiteral("/%1s/%2").arg(kind).arg(id),
                       QStringLiteral("%1[title]=%2&test[last_modified]=%3&_method=put")
                           .arg(kind, Encode(title), SeoulStamp(120)))
                .isEmpty();
}

bool JournalWorld::ChangeOutlookItem(const QString& entryId, const QString& title)
{
    return m_world->SetOutlookSubject(entryId, title, OleNowUtcPlus(120));
}

bool JournalWorld::DeleteServiceItem(long long id) { return m_world->Service().Database().DeleteItem(id); }

bool JournalWorld::DeleteOutlookItem(bool todo, const QString& entryId)
{
    CMAPISync engine;
    return engine.InitMapi() == 1 &&
           engine.MoveToDeletedItems(todo, QString(), QByteArray::fromHex(entryId.toLatin1()), nullptr) == 1;
}

WorldSides JournalWorld::Read()
{
    WorldSides sides;
    for (const ServiceTodo& todo : m_world->ServiceTodos()) {
        sides.serviceTodos.titles.insert(todo.title);
        sides.serviceTodos.uids.insert(todo.uid);
        sides.serviceTodos.ids[todo.title] = todo.id;
    }
    for (const OutlookTask& task : m_world->OutlookTasks()) {
        sides.outlookTasks.titles.insert(task.subject);
        sides.outlookTasks.uids.insert(CMAPISync::TodoIdentity(task.entryId, m_world->PcKey()));
        if (!task.origin.isEmpty())
            sides.outlookTasks.uids.insert(task.origin);
    }
    const QByteArray xmlText = m_world->Get("/_test/items?kind=event&account=demo").toUtf8();
    CMarkupSTL xml;
    if (xml.SetDoc(std::string_view(xmlText.constData(), size_t(xmlText.size()))) && xml.FindElem())
        while (xml.FindChildElem("item")) {
            xml.IntoElem();
            auto field = [&xml](const char* name) {
                xml.ResetChildPos();
                return xml.FindChildElem(name) ? QString::fromStdString(xml.GetChildData()) : QString();
            };
            const QString title = field("title");
            sides.serviceEvents.titles.insert(title);
            sides.serviceEvents.uids.insert(field("uid"));
            sides.serviceEvents.ids[title] = field("id").toLongLong();
            xml.OutOfElem();
        }
    CMAPISync engine;
    if (engine.InitMapi() == 1 && engine.m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID) &&
        engine.m_outlook.GetContents()) {
        CMAPIMessage message;
        while (engine.m_outlook.GetNextMessage(message)) {
            sides.outlookAppoints.titles.insert(message.GetSubject());
            const auto id = CMAPIEx::GetNamedPropValue(message.GetMessageW(), appointprops::kGlobalObjectId, true,
                                                       PROPSET_MEETING);
            if (id && PROP_TYPE(id->ulPropTag) == PT_BINARY)
                sides.outlookAppoints.uids.insert(CMAPISync::AppointUIDFromGlobalID(&id->Value.bin));
        }
    }
    return sides;
}

}  // namespace tamo::test
