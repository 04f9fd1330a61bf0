#include "TodoSyncWorld.h"

#include <QDateTime>

#include "base/MarkupSTL.h"
#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "base/SignInCheck.h"
#include "platform/mapi/MapiStoreFile.h"
#include "service/DemoSeed.h"
#include "syncengine/EngineHttp.h"
#include "syncengine/OleDate.h"
#include "syncui/SyncRun.h"

namespace tamo::test {

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

double OleOf(const QDateTime& utc)
{
    const QDate d = utc.date();
    const QTime t = utc.time();
    return oledate::FromDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()).value_or(0);
}

}  // namespace

double OleNowUtcPlus(int seconds) { return OleOf(QDateTime::currentDateTimeUtc().addSecs(seconds)); }

TodoSyncWorld::TodoSyncWorld()
{
    service::SServiceOptions options;
    options.testHooks = true;
    m_service = std::make_unique<service::CTamoService>(options);
    if (!m_service->Open() || !m_service->SeedDemo() || !m_service->Start())
        return;
    if (!m_service->WriteConfig(m_env.ServiceConfig().toStdString()) || !CServiceConfig::Reload())
        return;
    if (!tamo::mapi::CreateStoreFile(tamo::mapi::DefaultStorePath()))
        return;
    if (!signin::Check(QString::fromLatin1(service::kDemoLogin), QString::fromLatin1(service::kDemoPassword)).ok)
        return;
    CSyncRun probe;
    if (probe.GetPCKeyhttp() != 1)
        return;
    m_pcKey = ReadSettingString(settings::PcKey);
    m_ok = !m_pcKey.isEmpty();
}

TodoSyncWorld::~TodoSyncWorld() { m_service->Stop(); }

QString TodoSyncWorld::Post(const QString& path, const QString& body)
{
    return enginehttp::PostForm(enginehttp::CalendarUrl(path), body).text;
}

QString TodoSyncWorld::Get(const QString& path) { return enginehttp::Get(enginehttp::CalendarUrl(path)).text; }

bool TodoSyncWorld::SetPreferences(bool todo, bool event, bool complete, bool sub, bool conflict)
{
    auto flag = [](bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); };
    const int category = CSyncRun::GetDefaultCategory();
    const QString body = QStringLiteral("preference[sync_range]=30&preference[sync_category_id]=%1&"
                                        "&preference[sync_event_check]=%2&preference[sync_todo_check]=%3"
                                        "&preference[sync_todo_complete]=%4&preference[sync_todo_sub]=%5"
                                        "&preference[sync_conflict]=%6&preference[sync_event_adv_check]=false")
                             .arg(category)
                             .arg(flag(event), flag(todo), flag(complete), flag(sub), flag(conflict));
    return !Post(endpoints::kUpdateSync, body).isEmpty();
}

std::vector<ServiceTodo> TodoSyncWorld::ServiceTodos()
{
    std::vector<ServiceTodo> out;
    const QByteArray xmlText = Get(QStringLiteral("/_test/items?kind=todo&account=demo")).toUtf8();
    CMarkupSTL xml;
    if (!xml.SetDoc(std::string_view(xmlText.constData(), size_t(xmlText.size()))) || !xml.FindElem())
        return out;
    while (xml.FindChildElem("item")) {
        xml.IntoElem();
        ServiceTodo todo;
        auto field = [&xml](const char* name) {
            xml.ResetChildPos();
            return xml.FindChildElem(name) ? Text(xml.GetChildData()) : QString();
        };
        todo.id = field("id").toLongLong();
        todo.uid = field("uid");
        todo.title = field("title");
        todo.description = field("description");
        todo.due = field("due");
        todo.priority = field("priority");
        todo.completed = field("completed");
        todo.alarm = field("alarm");
        todo.lastModified = field("last-modified");
        todo.sequence = field("sequence");
        todo.parent = field("parent");
        xml.OutOfElem();
        out.push_back(todo);
    }
    return out;
}

long long TodoSyncWorld::AddServiceTodo(const QString& fields)
{
    const QString answer = Post(endpoints::kTodos, fields);
    const qsizetype at = answer.indexOf(QLatin1String("\"id\": "));
    return at < 0 ? 0 : answer.mid(at + 6, answer.indexOf(u',', at) - at - 6).toLongLong();
}

std::vector<OutlookTask> TodoSyncWorld::OutlookTasks()
{
    std::vector<OutlookTask> out;
    CMAPISync engine;
    if (engine.InitMapi() != 1 || !engine.m_outlook.OpenSpecialFolder(PR_IPM_TASK_ENTRYID) ||
        !engine.m_outlook.GetContents())
        return out;
    CMAPIMessage message;
    while (engine.m_outlook.GetNextMessage(message)) {
        IMessage* msg = message.GetMessageW();
        OutlookTask task;
        task.entryId = CMAPISync::BinToHexString(message.GetEntryID(), false);
        task.subject = engine.GetPropVal(msg, PR_SUBJECT_W, false, PROPSET_NONE);
        task.body = engine.GetPropVal(msg, PR_BODY_W, false, PROPSET_NONE);
        task.importance = engine.GetPropVal(msg, PR_IMPORTANCE, false, PROPSET_NONE);
        task.due = engine.GetPropVal(msg, PROP_TAG(PT_SYSTIME, 0x8105), true, PROPSET_TASK);
        task.complete = engine.GetPropVal(msg, PROP_TAG(PT_BOOLEAN, 0x811C), true, PROPSET_TASK);
        task.reminderSet = engine.GetPropVal(msg, PROP_TAG(PT_BOOLEAN, 0x8503), true, PROPSET_COMMON);
        task.lastModified = engine.GetPropVal(msg, PR_LAST_MODIFICATION_TIME, false, PROPSET_NONE);
        task.origin = engine.GetPropVal(msg, PROP_TAG(PT_UNICODE, 0x81F8), true, PROPSET_TASK);
        const auto reminder = CMAPIEx::GetNamedPropValue(msg, PROP_TAG(PT_SYSTIME, 0x8502), true, PROPSET_COMMON);
        if (reminder && PROP_TYPE(reminder->ulPropTag) == PT_SYSTIME)
            task.reminderUtc = oledate::FromFileTime(reminder->Value.ft);
        out.push_back(task);
    }
    return out;
}

QString TodoSyncWorld::AddOutlookTask(const NewTask& task)
{
    CMAPISync engine;
    IMAPIFolder* folder = engine.InitMapi() == 1 ? engine.m_outlook.OpenSpecialFolder(PR_IPM_TASK_ENTRYID) : nullptr;
    IMessage* msg = nullptr;
    if (!folder || FAILED(folder->CreateMessage(nullptr, 0, &msg)))
        return QString();
    CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_MESSAGE_CLASS_W, QStringLiteral("IPM.Task"));
    CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_SUBJECT_W, task.subject);
    if (!task.body.isEmpty())
        CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_BODY_W, task.body);
    CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_IMPORTANCE, LONG(task.importance));
    CMAPIEx::SetNamedProp(msg, PROPSET_TASK, 0x811C, task.complete);
    double due = 0;
    if (!task.due.isEmpty()) {
        due = CMAPISync::StringtoDate(task.due);
        CMAPIEx::SetNamedProp(msg, PROPSET_TASK, 0x8105, *oledate::ToSystemTime(due));
    }
    if (task.complete)
        CMAPIEx::SetNamedProp(msg, PROPSET_TASK, 0x810F, *oledate::ToSystemTime(due != 0 ? due : OleNowUtcPlus(0)));
    if (task.reminderSecondsBefore >= 0) {
        CMAPIEx::SetNamedProp(msg, PROPSET_COMMON, 0x8503, true);
        // The due date is midnight in Asia/Seoul; Outlook keeps the reminder in UTC.
        const double reminder = due - task.reminderSecondsBefore / 86400.0 - 9.0 / 24.0;
        CMAPIEx::SetNamedProp(msg, PROPSET_COMMON, 0x8502, *oledate::ToSystemTime(reminder));
    }
    const bool saved = SUCCEEDED(msg->SaveChanges(KEEP_OPEN_READWRITE));
    QString entry;
    CMAPIEx::GetNamedProp(msg, PR_ENTRYID, false, PROPSET_NONE, entry);
    msg->Release();
    return saved ? entry : QString();
}

bool TodoSyncWorld::SetOutlookSubject(const QString& entryId, const QString& subject, double lastModifiedUtc,
                                      bool complete)
{
    CMAPISync engine;
    if (engine.InitMapi() != 1)
        return false;
    ULONG size = 0;
    CMAPISync::HexStringToBinary(entryId, nullptr, &size);
    QByteArray bytes(qsizetype(size), '\0');
    CMAPISync::HexStringToBinary(entryId, reinterpret_cast<BYTE*>(bytes.data()), &size);
    CMAPIMessage message;
    if (!engine.m_outlook.OpenMessage(SBinary{size, reinterpret_cast<LPBYTE>(bytes.data())}, 0, message))
        return false;
    IMessage* msg = message.GetMessageW();
    CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_SUBJECT_W, subject);
    if (complete) {
        CMAPIEx::SetNamedProp(msg, PROPSET_TASK, 0x811C, true);
        CMAPIEx::SetNamedProp(msg, PROPSET_TASK, 0x810F, *oledate::ToSystemTime(lastModifiedUtc));
    }
    SPropValue modified{};
    modified.ulPropTag = PR_LAST_MODIFICATION_TIME;
    modified.Value.ft = *oledate::ToFileTime(lastModifiedUtc);
    msg->SetProps(1, &modified, nullptr);
    return SUCCEEDED(msg->SaveChanges(0));
}

}  // namespace tamo::test
