#include "syncengine/SyncItem.h"

#include "syncengine/SyncParser.h"

CSyncKeySet::CSyncKeySet(QStringList keys) : m_keys(std::move(keys)) {}

const CSyncKeySet& CSyncKeySet::For(SyncItemKind kind)
{
    static const CSyncKeySet kServiceTodo({"STATUS", "PRIORITY", "ORGANIZER", "UID", "SUMMARY", "DESCRIPTION",
                                           "CREATED;TZID=Asia/Seoul", "DTSTAMP;TZID=Asia/Seoul",
                                           "DUE;TZID=Asia/Seoul", "SEQ", "X-ID", "COMPLETED;TZID=Asia/Seoul",
                                           "LAST-MODIFIED;TZID=Asia/Seoul"});
    static const CSyncKeySet kServiceEvent({"STATUS", "PRIORITY", "ORGANIZER", "UID", "SUMMARY",
                                            "CREATED;TZID=Asia/Seoul", "DTSTAMP;TZID=Asia/Seoul",
                                            "DUE;TZID=Asia/Seoul", "SEQ", "X-ID", "DESCRIPTION",
                                            "DTSTART;TZID=Asia/Seoul", "DTEND;TZID=Asia/Seoul", "DTSTART;VALUE=DATE",
                                            "DTEND;VALUE=DATE", "RRULE", "FREQ", "UNTIL", "INTERVAL", "BYDAY",
                                            "ALLDAY", "CATEGORY", "LAST-MODIFIED;TZID=Asia/Seoul", "ENTRYID"});
    static const CSyncKeySet kOutlookTodo({"STATUS", "PRIORITY", "UID", "SUMMARY", "DESCRIPTION",
                                           "DTSTAMP;TZID=Asia/Seoul", "DUE;TZID=Asia/Seoul", "SEQ",
                                           "COMPLETED;TZID=Asia/Seoul", "CREATED;TZID=Asia/Seoul",
                                           "LAST-MODIFIED;TZID=Asia/Seoul"});
    static const CSyncKeySet kOutlookEvent({"PRIORITY", "UID", "SUMMARY", "DTSTAMP;TZID=Asia/Seoul",
                                            "DUE;TZID=Asia/Seoul", "SEQ", "DESCRIPTION", "DTSTART;TZID=Asia/Seoul",
                                            "DTEND;TZID=Asia/Seoul", "RRULE", "FREQ", "UNTIL", "INTERVAL", "BYDAY",
                                            "ALLDAY", "CATEGORY", "ACTION", "TRIGGER", "CREATED;TZID=Asia/Seoul",
                                            "LAST-MODIFIED;TZID=Asia/Seoul", "ENTRYID"});
    switch (kind) {
    case SyncItemKind::ServiceTodo: return kServiceTodo;
    case SyncItemKind::OutlookTodo: return kOutlookTodo;
    case SyncItemKind::ServiceEvent: return kServiceEvent;
    case SyncItemKind::OutlookEvent: return kOutlookEvent;
    }
    return kServiceTodo;
}

int CSyncKeySet::IndexOf(QStringView key) const
{
    // At most 24 short keys: a scan beats hashing a fresh string for every export line.
    for (int i = 0; i < m_keys.size(); ++i)
        if (m_keys[i].size() == key.size() && m_keys[i] == key)
            return i;
    return -1;
}

CSyncItem::CSyncItem(SyncItemKind kind)
    : m_kind(kind), m_keys(&CSyncKeySet::For(kind)), m_values(static_cast<std::size_t>(m_keys->Keys().size()))
{
}

QString CSyncItem::Value(QStringView key) const
{
    const int i = m_keys->IndexOf(key);
    return i < 0 ? QString() : m_values[static_cast<std::size_t>(i)];
}

bool CSyncItem::SetValue(QStringView key, const QString& value)
{
    const int i = m_keys->IndexOf(key);
    if (i < 0)
        return false;
    QString& slot = m_values[static_cast<std::size_t>(i)];
    if (m_owner && key == u"UID" && slot != value) {
        const QString old = slot;
        slot = value;
        m_owner->UidChanged(*this, old);
        return true;
    }
    slot = value;
    return true;
}

bool CSyncItem::IsAlarmKey(QStringView key) { return key == u"ACTION" || key == u"TRIGGER"; }

QString CSyncItem::AlarmValue(QStringView key) const
{
    if (key == u"ACTION")
        return m_alarm[0];
    if (key == u"TRIGGER")
        return m_alarm[1];
    return QString();
}

bool CSyncItem::SetAlarmValue(QStringView key, const QString& value)
{
    if (key == u"ACTION")
        m_alarm[0] = value;
    else if (key == u"TRIGGER")
        m_alarm[1] = value;
    else
        return false;
    return true;
}
