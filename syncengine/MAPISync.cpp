#include "syncengine/MAPISync.h"

#include <QStandardPaths>

#include "base/Settings.h"
#include "platform/PrivateFiles.h"
#include "platform/Registry.h"
#include "syncengine/SyncLog.h"

CMAPISync::CMAPISync() = default;

CMAPISync::~CMAPISync()
{
    TermMapi();
    // m_pParser goes with the last copy that shares it.
}

void CMAPISync::NoteUnsynced(const QString& strUID)
{
    ++m_nUnsynced;
    SYNCLOG(synclog::kError, "Not synchronised (%s)\n", ToLogText(strUID).constData());
}

int CMAPISync::InitMapi()
{
    // A second logon starts afresh: the earlier session and item store are released, not leaked.
    TermMapi();
    m_pParser.reset();
    m_recordedSyncTimes.reset();

    auto failed = [] {
        SYNCLOG(synclog::kLog, "Failed to initialize MAPI\n");
        return -1;
    };
    MAPIINIT_0 init{MAPI_INIT_VERSION, MAPI_MULTITHREAD_NOTIFICATIONS};
    if (FAILED(MAPIInitialize(&init)))
        return failed();
    if (FAILED(MAPILogonEx(0, nullptr, nullptr, MAPI_NEW_SESSION | MAPI_EXTENDED | MAPI_USE_DEFAULT,
                           &m_outlook.m_pSession)))
        return failed();

    IMAPITable* rawStores = nullptr;
    if (FAILED(m_outlook.m_pSession->GetMsgStoresTable(0, &rawStores)))
        return failed();
    std::unique_ptr<IMAPITable, void (*)(IMAPITable*)> stores(rawStores, [](IMAPITable* t) { t->Release(); });
    SizedSPropTagArray(3, columns) = {3, {PR_DISPLAY_NAME_W, PR_ENTRYID, PR_DEFAULT_STORE}};
    if (FAILED(stores->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0)))
        return failed();
    for (;;) {
        LPSRowSet raw = nullptr;
        if (FAILED(stores->QueryRows(1, 0, &raw)))
            return failed();
        MapiRows rows(raw);
        if (!rows || rows->cRows == 0)
            return failed();  // no default store
        const SPropValue* props = rows->aRow[0].lpProps;
        if (rows->aRow[0].cValues < 3 || PROP_TYPE(props[2].ulPropTag) != PT_BOOLEAN || !props[2].Value.b)
            continue;
        if (PROP_TYPE(props[1].ulPropTag) != PT_BINARY ||
            FAILED(m_outlook.m_pSession->OpenMsgStore(0, props[1].Value.bin.cb,
                                                      reinterpret_cast<LPENTRYID>(props[1].Value.bin.lpb), nullptr,
                                                      MDB_NO_DIALOG | MAPI_BEST_ACCESS, &m_outlook.m_pMsgStore)))
            return failed();
        break;
    }
    m_outlook.m_ulMDBFlags = MAPI_MODIFY | MAPI_NO_CACHE;

    SizedSPropTagArray(1, subtreeTag) = {1, {PR_IPM_SUBTREE_ENTRYID}};
    ULONG count = 0;
    LPSPropValue rawSubtree = nullptr;
    const HRESULT hr =
        m_outlook.m_pMsgStore->GetProps(reinterpret_cast<LPSPropTagArray>(&subtreeTag), 0, &count, &rawSubtree);
    MapiBuffer<SPropValue> subtree(rawSubtree);
    if (hr != S_OK || PROP_TYPE(subtree->ulPropTag) != PT_BINARY)
        return -1;
    ULONG type = 0;
    IUnknown* folder = nullptr;
    if (FAILED(m_outlook.m_pMsgStore->OpenEntry(subtree->Value.bin.cb,
                                                reinterpret_cast<LPENTRYID>(subtree->Value.bin.lpb), nullptr,
                                                m_outlook.m_ulMDBFlags, &type, &folder)))
        return -1;
    if (type != MAPI_FOLDER) {
        folder->Release();
        return -1;
    }
    m_outlook.m_pFolder = static_cast<IMAPIFolder*>(folder);

    if (FAILED(m_outlook.m_pFolder->GetHierarchyTable(0, &m_outlook.m_pHierarchy)))
        return -1;
    SizedSPropTagArray(2, hierarchyColumns) = {2, {PR_DISPLAY_NAME_W, PR_ENTRYID}};
    if (FAILED(m_outlook.m_pHierarchy->SetColumns(reinterpret_cast<LPSPropTagArray>(&hierarchyColumns), 0)))
        return -1;

    m_pParser = std::make_shared<CSyncParser>();
    return 1;
}

int CMAPISync::TermMapi()
{
    m_outlook.Release();
    return 0;
}

bool CMAPISync::InitLogOption()
{
    platform::CRegKey key;
    if (!key.Open(settings::kKeyPath))
        return false;
    // Read as into a 520-byte buffer: a longer value counts as missing.
    QByteArray buffer(520, '\0');
    DWORD size = 0;
    const bool found = key.QueryValue(QStringLiteral("Sync_log"), buffer.data(), 520, &size);
    const std::optional<platform::RegValue> value = found ? key.QueryValue(QStringLiteral("Sync_log")) : std::nullopt;
    key.Close();
    if (!value)
        return false;

    const QString appData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    platform::MakePrivateFolder(appData + "/Tamo/Calendar/Log", appData + "/Tamo");
    // Folder names stay in the platform's own file-name encoding; only the lines are CP949.
    if (!CSyncLog::Instance().Start(appData + "/Tamo/Calendar/Log", QStringLiteral("AgendaPane"), synclog::kDefaultLimit,
                                    CSyncLog::MaskFromValue(value->ToString())))
        return true;
    SYNCLOG(synclog::kInit, "\n");
    SYNCLOG(synclog::kInit, "Outlook Sync Start\n");
    SYNCLOG(synclog::kInit, "\n");
    return true;
}

int CMAPISync::GetPCKey()
{
    m_strPCKey = ReadSettingString(settings::PcKey);
    if (m_strPCKey.isEmpty() || m_strPCKey == QLatin1String("null"))
        return -1;
    return 1;
}

unsigned CMAPISync::GetParserCount(bool bTodo) const
{
    return m_pParser ? static_cast<unsigned>(m_pParser->Count(CSyncParser::ServiceList(bTodo))) : 0;
}

POSITION CMAPISync::GetParserHeadPosition(bool bTodo, bool /*bUnused*/)
{
    if (!m_pParser)
        throw CSyncParserException();
    return m_pParser->HeadPosition(CSyncParser::ServiceList(bTodo));
}

POSITION CMAPISync::GetParserNextPosition(POSITION pos, bool bTodo)
{
    if (!m_pParser)
        throw CSyncParserException();
    return m_pParser->NextPosition(pos, CSyncParser::ServiceList(bTodo));
}

QString CMAPISync::GetParserText(bool bTodo, bool bOutlook) const
{
    if (!m_pParser)
        return QString();
    const auto list = bOutlook ? CSyncParser::OutlookList(bTodo) : CSyncParser::ServiceList(bTodo);
    return m_pParser->Text(list, u"SUMMARY");
}

QString CMAPISync::GetParserUID(bool bTodo) const
{
    return m_pParser ? m_pParser->Text(CSyncParser::ServiceList(bTodo), u"UID") : QString();
}

bool CMAPISync::IsUID(const QString& strUID, bool bTodo)
{
    return m_pParser && m_pParser->FindUID(CSyncParser::OutlookList(bTodo), strUID);
}

bool CMAPISync::IsLastDate(bool bTodo) const
{
    if (!m_pParser)
        return false;
    const QStringView key = u"LAST-MODIFIED;TZID=Asia/Seoul";
    const double outlook = StringtoDate(m_pParser->Text(CSyncParser::OutlookList(bTodo), key));
    const double service = StringtoDate(m_pParser->Text(CSyncParser::ServiceList(bTodo), key));
    double days = service - outlook;
    days += days >= 0 ? 1.0 / 172800 : -1.0 / 172800;
    const long long seconds = static_cast<long long>(days * 86400);
    return seconds > 0;
}

CSyncEngineExtension* InitSyncEngine()
{
    static CSyncEngineExtension extension{"SyncEngine"};
    return &extension;
}

namespace {
// Loading the library registers it once.
[[maybe_unused]] const CSyncEngineExtension* const g_registered = InitSyncEngine();
}  // namespace
