// Appointment synchronisation: creating what one side lacks, and settling pairs.
#include <cmath>

#include "base/Settings.h"
#include "syncengine/AppointProps.h"
#include "syncengine/MAPISync.h"
#include "syncengine/SyncLog.h"

namespace {

using appointprops::CompactText;
using appointprops::NowSeoulOle;

bool Continue(CSyncCallback* callback) { return !callback || callback->IsContinue(); }

// Whole seconds of later - earlier (dates as texts), rounded to the nearest second as the
// newest-wins comparison does.
long long SecondsBetween(const QString& later, const QString& earlier)
{
    double days = CMAPISync::StringtoDate(later) - CMAPISync::StringtoDate(earlier);
    days += days >= 0 ? 1.0 / 172800 : -1.0 / 172800;
    return static_cast<long long>(days * 86400);
}

struct SyncTimes {
    QString local;    // by this PC's clock
    QString service;  // by the service's clock
};

}  // namespace

const std::pair<QString, QString>& CMAPISync::RecordedSyncTimes() const
{
    if (!m_recordedSyncTimes)
        m_recordedSyncTimes.emplace(ReadSettingString(settings::SyncDate), ReadSettingString(settings::SyncServerDate));
    return *m_recordedSyncTimes;
}

int CMAPISync::SyncAppointment(CSyncCallback* pCallback)
{
    SYNCLOG(synclog::kLog, "SyncAppointment Start\n");
    IMAPIFolder* folder = m_pParser ? m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID) : nullptr;
    if (!folder || !m_outlook.GetContents()) {
        SYNCLOG(synclog::kError, "SyncTodo m_pItems NULL\n");
        return -1;
    }
    CSyncParser& parser = *m_pParser;
    // Walks by position keep the item at hand current; lookups go to the other side's list.
    if (parser.Count(CSyncParser::ServiceEvents) > 0) {
        for (POSITION pos = parser.HeadPosition(CSyncParser::ServiceEvents); pos;
             pos = parser.NextPosition(pos, CSyncParser::ServiceEvents)) {
            if (!Continue(pCallback))
                return -2;
            const QString serviceUid = parser.Text(CSyncParser::ServiceEvents, u"UID");
            if (parser.FindUID(CSyncParser::OutlookEvents, serviceUid) || IsHeldBack(false, serviceUid))
                continue;
            IMessage* msg = nullptr;
            IMAPIFolder* calendar = m_outlook.GetFolder();
            if (!calendar || calendar->CreateMessage(nullptr, 0, &msg) != S_OK || !msg)
                return -1;
            const int saved = SaveOutlookAppoint(msg, true);
            msg->Release();
            if (saved == -1)
                return -1;
        }
    }

    bool unusableAnswer = false;
    const int outlooks = static_cast<int>(parser.Count(CSyncParser::OutlookEvents));
    if (outlooks > 0) {
        int i = 0;
        for (POSITION pos = parser.HeadPosition(CSyncParser::OutlookEvents); pos;
             pos = parser.NextPosition(pos, CSyncParser::OutlookEvents), ++i) {
            if (!Continue(pCallback))
                return -2;
            if (pCallback)
                pCallback->GetProgress(outlooks, i);
            const QString uid = parser.Text(CSyncParser::OutlookEvents, u"UID");
            if (!uid.isEmpty() && (parser.FindUID(CSyncParser::ServiceEvents, uid) || IsHeldBack(false, uid)))
                continue;
            // The pass goes on past a failed creation; the run is then not complete.
            const int created = SaveTamoAppoint();
            if (created == -2)
                unusableAnswer = true;
            if (created != 0)
                NoteUnsynced(parser.Text(CSyncParser::OutlookEvents, u"UID"));
        }
    }
    SYNCLOG(synclog::kLog, "SyncAppointment End\n");
    return unusableAnswer ? -3 : 1;
}

bool CMAPISync::BuildAppointIndex(CSyncCallback* pCallback)
{
    auto index = std::make_shared<QHash<QString, QByteArray>>();
    for (;;) {
        if (!Continue(pCallback))
            return false;
        CMAPIMessage message;
        if (!m_outlook.GetNextMessage(message))
            break;
        const auto id = CMAPIEx::GetNamedPropValue(message.GetMessageW(), appointprops::kGlobalObjectId, true,
                                                   PROPSET_MEETING);
        if (!id || PROP_TYPE(id->ulPropTag) != PT_BINARY) {
            SYNCLOG(synclog::kLog, "SyncAppointConflict lpPropVal NULL\n");
            continue;
        }
        const QString uid = AppointUIDFromGlobalID(&id->Value.bin);
        if (uid.isEmpty() || index->contains(uid))
            continue;  // the folder's first message of a UID is the one that gets modified
        const SBinary* entry = message.GetEntryID();
        index->insert(uid, QByteArray(reinterpret_cast<const char*>(entry->lpb), static_cast<qsizetype>(entry->cb)));
    }
    m_pAppointIndex = std::move(index);
    return true;
}

int CMAPISync::SyncAppointConflict(const QString& strUID, int nDirection, CSyncCallback* pCallback)
{
    const int result = SettleAppointPair(strUID, nDirection, pCallback);
    if (result == -1)
        NoteUnsynced(strUID);
    return result;
}

int CMAPISync::SettleAppointPair(const QString& strUID, int nDirection, CSyncCallback* pCallback)
{
    SYNCLOG(synclog::kLog, "SyncAppointConflict Start\n");
    // The contents table is read only to build the UID index: loading it for every pair would
    // make a run with many pairs quadratic.
    IMAPIFolder* folder = m_pParser ? m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID) : nullptr;
    if (!folder || (!m_pAppointIndex && !m_outlook.GetContents())) {
        SYNCLOG(synclog::kError, "SyncTodo m_pItems NULL\n");
        return -1;
    }
    CSyncParser& parser = *m_pParser;
    if (nDirection == 0) {
        if (parser.FindUID(CSyncParser::ServiceEvents, strUID)) {
            IMessage* msg = nullptr;
            if (folder->CreateMessage(nullptr, 0, &msg) != S_OK || !msg)
                return -1;
            const int saved = SaveOutlookAppoint(msg, true);
            msg->Release();
            if (saved == -1)
                return -1;
        }
        if (parser.FindUID(CSyncParser::OutlookEvents, strUID) && SaveTamoAppoint() == -1)
            return -1;
    } else if (nDirection == 1) {
        if (parser.FindUID(CSyncParser::ServiceEvents, strUID)) {
            if (!m_pAppointIndex && !BuildAppointIndex(pCallback))
                return -2;
            if (!Continue(pCallback))
                return -2;
            const auto it = m_pAppointIndex->constFind(strUID);
            if (it != m_pAppointIndex->constEnd()) {
                SYNCLOG(synclog::kLog, "SyncAppointConflict Tamo -> Outlook UID(%s)\n", ToLogText(strUID).constData());
                QByteArray entry = it.value();
                CMAPIMessage message;
                if (!m_outlook.OpenMessage(SBinary{static_cast<ULONG>(entry.size()),
                                                   reinterpret_cast<LPBYTE>(entry.data())},
                                           0, message) ||
                    ModifyOutlookAppoint(message.GetMessageW()) == -1)
                    return -1;
            }
        }
    } else if (nDirection == 2) {
        if (parser.FindUID(CSyncParser::OutlookEvents, strUID) && parser.Count(CSyncParser::ServiceEvents) > 0) {
            SYNCLOG(synclog::kLog, "SyncAppointConflict Outlook -> Tamo Start\n");
            if (!Continue(pCallback))
                return -2;
            // The first service event of the UID, found by the list's index.
            if (parser.FindUID(CSyncParser::ServiceEvents, strUID) &&
                ModifyTamoAppoint(parser.Text(CSyncParser::ServiceEvents, u"X-ID")) == -1)
                return -1;
            SYNCLOG(synclog::kLog, "SyncAppointConflict Outlook -> Tamo End\n");
        }
    }
    SYNCLOG(synclog::kLog, "SyncAppointConflict End\n");
    return 1;
}

int CMAPISync::SyncAppointConflictInit(const QString& strUID)
{
    if (!m_pParser)
        return 0;
    SyncTimes times{RecordedSyncTimes().first, RecordedSyncTimes().second};
    if (times.local.isEmpty() && times.service.isEmpty())
        times.local = times.service = CompactText(NowSeoulOle());
    const long long a =
        SecondsBetween(times.local, m_pParser->Text(CSyncParser::OutlookEvents, u"LAST-MODIFIED;TZID=Asia/Seoul"));
    const long long b =
        SecondsBetween(times.service, m_pParser->Text(CSyncParser::ServiceEvents, u"LAST-MODIFIED;TZID=Asia/Seoul"));
    if (a < 0 && b < 0)
        return 1;
    if (a < 0)
        SyncAppointConflict(strUID, 2, nullptr);
    else if (b < 0)
        SyncAppointConflict(strUID, 1, nullptr);
    return 0;
}

bool CMAPISync::IsAppointPairUnchanged() const
{
    if (!m_pParser)
        return false;
    const SyncTimes times{RecordedSyncTimes().first, RecordedSyncTimes().second};
    if (times.local.isEmpty() || times.service.isEmpty())
        return false;
    return SecondsBetween(times.local, m_pParser->Text(CSyncParser::OutlookEvents, u"LAST-MODIFIED;TZID=Asia/Seoul")) >= 0 &&
           SecondsBetween(times.service, m_pParser->Text(CSyncParser::ServiceEvents, u"LAST-MODIFIED;TZID=Asia/Seoul")) >= 0;
}
