#include "SyncFloor.h"

#include <QElapsedTimer>
#include <QFile>

#include "base/HttpClient.h"
#include "platform/TextCodec.h"
#include "platform/mapi/MapiStoreFile.h"
#include "syncengine/EngineHttp.h"
#include "syncengine/MAPISync.h"
#include "syncengine/MapiPtr.h"

namespace syncfloor {

void SeedOutlookTasks(int n)
{
    CMAPISync engine;
    IMAPIFolder* folder = engine.InitMapi() == 1 ? engine.m_outlook.OpenSpecialFolder(PR_IPM_TASK_ENTRYID) : nullptr;
    for (int i = 0; folder && i < n; ++i) {
        IMessage* msg = nullptr;
        if (FAILED(folder->CreateMessage(nullptr, 0, &msg)))
            return;
        CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_MESSAGE_CLASS_W, QStringLiteral("IPM.Task"));
        CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_SUBJECT_W, QStringLiteral("아웃룩 할일 %1").arg(i));
        CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_IMPORTANCE, LONG(i % 3));
        msg->SaveChanges(0);
        msg->Release();
    }
}

double PostForms(const std::vector<FormPost>& posts)
{
    const QString header = QStringLiteral("Content-Type: application/x-www-form-urlencoded");
    QElapsedTimer timer;
    timer.start();
    for (const FormPost& post : posts) {
        CHttpClient http;
        if (!http.Open(QStringLiteral("POST"), post.url) ||
            !http.Send(header, long(header.size()), post.body.constData(), DWORD(post.body.size())))
            return -1;
        if (http.ReadAll(CP_UTF8, -1).isEmpty())
            return -1;
    }
    return timer.nsecsElapsed() / 1e9;
}

double SaveMessages(const QString& storePath, ULONG folderTag, const std::vector<RawProp>& props, int count,
                    const std::function<std::size_t(int, std::vector<SPropValue>&)>& fill, bool resave)
{
    // Logon opens the store the environment names: point it at the fresh one for the logon only.
    const bool named = qEnvironmentVariableIsSet("TAMO_MAPI_STORE");
    const QByteArray syncStore = qgetenv("TAMO_MAPI_STORE");
    QFile::remove(storePath);
    QFile::remove(storePath + "-wal");
    QFile::remove(storePath + "-shm");
    if (!tamo::mapi::CreateStoreFile(storePath))
        return -1;
    qputenv("TAMO_MAPI_STORE", QFile::encodeName(storePath));
    CMAPISync session;
    const bool opened = session.InitMapi() == 1;
    if (named)
        qputenv("TAMO_MAPI_STORE", syncStore);
    else
        qunsetenv("TAMO_MAPI_STORE");
    IMAPIFolder* folder = opened ? session.m_outlook.OpenSpecialFolder(folderTag) : nullptr;
    if (!folder)
        return -1;
    std::vector<ULONG> tags;
    for (const RawProp& p : props)
        tags.push_back(p.set == PROPSET_NONE
                           ? p.tag
                           : CMAPIEx::ResolveNamedProp(folder, p.set, PROP_ID(p.tag), PROP_TYPE(p.tag)));
    std::vector<SPropValue> values(props.size(), SPropValue{});
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        values.assign(props.size(), SPropValue{});
        const std::size_t used = std::min(fill(i, values), values.size());
        for (std::size_t k = 0; k < used; ++k)
            values[k].ulPropTag = tags[k];
        IMessage* msg = nullptr;
        if (FAILED(folder->CreateMessage(nullptr, 0, &msg)))
            return -1;
        const bool saved = SUCCEEDED(msg->SetProps(ULONG(used), values.data(), nullptr)) &&
                           SUCCEEDED(msg->SaveChanges(KEEP_OPEN_READWRITE)) &&
                           (!resave || (SUCCEEDED(msg->SetProps(1, values.data(), nullptr)) &&
                                        SUCCEEDED(msg->SaveChanges(0))));
        msg->Release();
        if (!saved)
            return -1;
    }
    return timer.nsecsElapsed() / 1e9;
}

double ReadBoth(const QString& exportUrl, bool todos, ULONG folderTag, int* items)
{
    QElapsedTimer timer;
    timer.start();
    const enginehttp::Answer answer = enginehttp::Get(exportUrl);
    if (!answer.Ok())
        return -1;
    CSyncParser parser;
    if (todos)
        parser.ParseTodos(answer.text);
    else
        parser.ParseEvents(answer.text);

    CMAPISync session;
    IMAPIFolder* folder = session.InitMapi() == 1 ? session.m_outlook.OpenSpecialFolder(folderTag) : nullptr;
    IMAPITable* table = nullptr;
    if (!folder || FAILED(folder->GetContentsTable(MAPI_UNICODE, &table)))
        return -1;
    SizedSPropTagArray(1, columns) = {1, {PR_ENTRYID}};
    table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
    int read = 0;
    for (;;) {
        LPSRowSet raw = nullptr;
        if (FAILED(table->QueryRows(100, 0, &raw)))
            break;
        MapiRows rows(raw);
        if (!rows || rows->cRows == 0)
            break;
        for (ULONG r = 0; r < rows->cRows; ++r) {
            const SBinary& entry = rows->aRow[r].lpProps[0].Value.bin;
            ULONG type = 0;
            IUnknown* unknown = nullptr;
            if (FAILED(session.m_outlook.m_pSession->OpenEntry(entry.cb, reinterpret_cast<LPENTRYID>(entry.lpb), nullptr,
                                                                MAPI_BEST_ACCESS, &type, &unknown)))
                continue;
            auto* msg = static_cast<IMessage*>(unknown);
            ULONG count = 0;
            LPSPropValue values = nullptr;
            msg->GetProps(nullptr, MAPI_UNICODE, &count, &values);
            MAPIFreeBuffer(values);
            msg->Release();
            ++read;
        }
    }
    table->Release();
    if (items)
        *items = read;
    return parser.Count(todos ? CSyncParser::ServiceTodos : CSyncParser::ServiceEvents) > 0 || read > 0
               ? timer.nsecsElapsed() / 1e9
               : -1;
}

}  // namespace syncfloor
