#include "syncengine/SyncDeletions.h"

#include <QSet>

#include "base/ServiceClock.h"
#include "syncengine/MAPISync.h"
#include "syncengine/OleDate.h"

namespace {

const QStringView kModified = u"LAST-MODIFIED;TZID=Asia/Seoul";

// Compared to the second, as the stamps are written (the sync run compares pairs the same way).
bool NotAfter(const QString& stamp, double since)
{
    if (since == 0)
        return false;
    const double at = CMAPISync::StringtoDate(stamp);
    if (at == 0)
        return false;
    auto seconds = [](double days) { return static_cast<long long>(days * 86400.0 + 0.5); };
    return seconds(at) <= seconds(since);
}

// An appointment well inside the sync range and not repeating: when its service copy is missing
// from the export, it did not merely fall outside the range the export covers.
bool SafelyInRange(const CSyncItem& item, int rangeDays)
{
    if (item.Value(u"RRULE") == QLatin1String("true"))
        return false;
    double start = CMAPISync::StringtoDate(item.Value(u"DTSTART;TZID=Asia/Seoul"));
    if (start == 0)
        start = CMAPISync::StringtoDate(item.Value(u"DTSTART;VALUE=DATE"));
    if (start == 0)
        return false;
    if (rangeDays <= 0)
        return true;
    const QDate first = tamo::clock::NowSeoul().date().addDays(-rangeDays + 2);
    const double firstDay = oledate::FromDateTime(first.year(), first.month(), first.day(), 0, 0, 0).value_or(0);
    return start >= firstDay;
}

}  // namespace

bool IsMassDeletion(int deletions, int pairs) { return deletions > 10 && deletions * 4 > pairs; }

SDeletionScan FindDeletions(CMAPISync& engine, const SDeletionInputs& in)
{
    SDeletionScan scan;
    CSyncParser* parser = engine.Parser();
    if (!parser)
        return scan;
    // The pairs the last run left: those it saw on both sides, and those it made.
    QSet<QString> pairs;
    for (const SJournalPair& p : in.lastPairs)
        if ((p.inOutlook && p.inService) || p.keptDeleted)
            pairs.insert(p.uid);
    for (const SJournalWrite& w : in.lastWrites)
        // A task copied from the service takes its own identity in the re-key that follows.
        if (w.write.todo == in.todo && w.state == journalstate::kDone && !w.write.uid.isEmpty() &&
            (w.write.action == SyncAction::Rekey ||
             (w.write.action == SyncAction::Create && !(in.todo && w.write.side == SyncSide::Outlook))))
            pairs.insert(w.write.uid);
    scan.pairs = int(pairs.size());

    const CSyncParser::List serviceList = CSyncParser::ServiceList(in.todo);
    const CSyncParser::List outlookList = CSyncParser::OutlookList(in.todo);
    QStringList ordered = pairs.values();
    ordered.sort();
    QSet<QString> outlookMissing;
    for (const QString& uid : ordered) {
        const bool inService = parser->FindUID(serviceList, uid);
        bool inOutlook = parser->FindUID(outlookList, uid);
        if (in.todo && !inOutlook)
            inOutlook = engine.m_todoEntryIDs.contains(uid) || engine.m_todoOrigins.contains(uid);
        if (inService && !inOutlook) {
            if (NotAfter(parser->Text(serviceList, kModified), in.lastServiceSync))
                outlookMissing.insert(uid);
        } else if (inOutlook && !inService && in.serviceListComplete && parser->FindUID(outlookList, uid)) {
            const CSyncItem* item = parser->Current(outlookList);
            if (!NotAfter(item->Value(kModified), in.lastLocalSync))
                continue;
            if (!in.todo && !SafelyInRange(*item, in.syncRangeDays))
                continue;
            SSyncDeletion d;
            d.todo = in.todo;
            d.deletedOn = SyncSide::Service;
            d.uid = uid;
            d.summary = item->Value(u"SUMMARY");
            d.outlookEntry = in.todo ? engine.m_todoEntryIDs.value(uid)
                                     : QByteArray::fromHex(item->Value(u"ENTRYID").toLatin1());
            scan.found.push_back(d);
        }
    }
    // An appointment outside the range is not read: it is missing only when no message of the
    // Calendar folder carries its UID.
    if (!in.todo && !outlookMissing.isEmpty()) {
        if (!engine.m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID) || !engine.m_outlook.GetContents() ||
            !engine.BuildAppointIndex(nullptr))
            outlookMissing.clear();
        else
            for (auto it = outlookMissing.begin(); it != outlookMissing.end();)
                it = engine.m_pAppointIndex->contains(*it) ? outlookMissing.erase(it) : std::next(it);
    }
    QStringList missing = outlookMissing.values();
    missing.sort();
    for (const QString& uid : missing) {
        parser->FindUID(serviceList, uid);
        SSyncDeletion d;
        d.todo = in.todo;
        d.deletedOn = SyncSide::Outlook;
        d.uid = uid;
        d.summary = parser->Text(serviceList, u"SUMMARY");
        scan.found.push_back(d);
    }
    scan.massive = IsMassDeletion(int(scan.found.size()), scan.pairs);
    return scan;
}
