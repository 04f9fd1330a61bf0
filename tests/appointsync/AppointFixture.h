#pragma once

// A test engine on a fresh MAPI store, with helpers that make service events and Outlook
// appointments the way the two sides hold them.

#include <functional>
#include <map>

#include <gtest/gtest.h>

#include "base/ServiceClock.h"
#include "platform/mapi/MapiStoreFile.h"
#include "support/TestEnvironment.h"
#include "syncengine/AppointProps.h"
#include "syncengine/MAPISync.h"
#include "syncengine/OleDate.h"

// Readable failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QDateTime& d, std::ostream* os) { *os << d.toString(Qt::ISODate).toStdString(); }
inline void PrintTo(const QDate& d, std::ostream* os) { *os << d.toString(Qt::ISODate).toStdString(); }

namespace appointtest {

using Values = std::map<QString, QString>;

// The service clock fixed at a Seoul wall time.
inline void SetSeoulNow(const QDateTime& seoulWall)
{
    const QDateTime utc = QDateTime(seoulWall.date(), seoulWall.time(), Qt::UTC).addSecs(-9 * 3600);
    tamo::clock::SetNowForTesting([utc] { return utc; });
}

class AppointFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tamo::mapi::CreateStoreFile(env.MapiStore()));
        ASSERT_EQ(engine.InitMapi(), 1);
        SetSeoulNow(QDateTime(QDate(2007, 11, 21), QTime(12, 0), Qt::UTC));
    }
    void TearDown() override { tamo::clock::SetNowForTesting({}); }

    // A service event (keys as the export names them; "ACTION"/"TRIGGER" go to the alarm).
    CSyncItem& AddServiceEvent(const Values& values)
    {
        CSyncItem& item = engine.Parser()->NewItem(CSyncParser::ServiceEvents);
        for (const auto& [k, v] : values)
            CSyncItem::IsAlarmKey(k) ? item.SetAlarmValue(k, v) : item.SetValue(k, v);
        engine.Parser()->AppendCurrent(CSyncParser::ServiceEvents);
        return item;
    }

    // Writes the current service event into a new Calendar message; its entry id, or empty.
    QByteArray SaveCurrentServiceEvent()
    {
        IMAPIFolder* folder = engine.m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID);
        EXPECT_NE(folder, nullptr);
        IMessage* msg = nullptr;
        if (!folder || folder->CreateMessage(nullptr, 0, &msg) != S_OK)
            return {};
        EXPECT_EQ(engine.SaveOutlookAppoint(msg, true), 1);
        const auto eid = CMAPIEx::GetNamedPropValue(msg, PR_ENTRYID, false, PROPSET_NONE);
        msg->Release();
        return eid ? QByteArray(reinterpret_cast<const char*>(eid->Value.bin.lpb), int(eid->Value.bin.cb)) : QByteArray();
    }

    // A Calendar message made directly, as Outlook would hold it (times in UTC).
    QByteArray AddOutlookAppoint(const QString& subject, const QDateTime& startUtc, int minutes,
                                 const std::function<void(IMessage*)>& more = {})
    {
        IMAPIFolder* folder = engine.m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID);
        IMessage* msg = nullptr;
        if (!folder || folder->CreateMessage(nullptr, 0, &msg) != S_OK)
            return {};
        CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_MESSAGE_CLASS_W, QStringLiteral("IPM.Appointment"));
        CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_SUBJECT_W, subject);
        SetUtc(msg, appointprops::kStart, PROPSET_APPOINTMENT, startUtc);
        SetUtc(msg, appointprops::kEnd, PROPSET_APPOINTMENT, startUtc.addSecs(minutes * 60));
        CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, PROP_ID(appointprops::kDuration), LONG(minutes));
        if (more)
            more(msg);
        EXPECT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
        const auto eid = CMAPIEx::GetNamedPropValue(msg, PR_ENTRYID, false, PROPSET_NONE);
        msg->Release();
        return eid ? QByteArray(reinterpret_cast<const char*>(eid->Value.bin.lpb), int(eid->Value.bin.cb)) : QByteArray();
    }

    static void SetUtc(IMessage* msg, ULONG tag, int set, const QDateTime& utc)
    {
        const auto d = appointprops::DateTimeToOle(utc);
        ASSERT_TRUE(d);
        CMAPIEx::SetNamedProp(msg, set, PROP_ID(tag), *oledate::ToSystemTime(*d));
    }

    // An open message by entry id (released by the caller).
    IMessage* Open(const QByteArray& entry)
    {
        CMAPIMessage m;
        QByteArray e = entry;
        if (!engine.m_outlook.OpenMessage(SBinary{ULONG(e.size()), reinterpret_cast<LPBYTE>(e.data())}, 0, m))
            return nullptr;
        IMessage* msg = m.GetMessageW();
        msg->AddRef();
        return msg;
    }

    // A time property as a UTC date-time; invalid when absent.
    QDateTime ReadUtc(IMessage* msg, ULONG tag, int set)
    {
        const auto v = CMAPIEx::GetNamedPropValue(msg, tag, true, set);
        if (!v || PROP_TYPE(v->ulPropTag) != PT_SYSTIME)
            return {};
        return appointprops::OleToDateTime(oledate::FromFileTime(v->Value.ft));
    }

    // Reads the whole Calendar folder afresh into a new Outlook event list.
    void ReadOutlook(int rangeDays = 0)
    {
        engine.m_nSyncRangeDays = rangeDays;
        ASSERT_EQ(engine.SyncAppointInit(nullptr), 1);
    }

    // The Outlook event with that subject (made current), or null.
    CSyncItem* OutlookEvent(const QString& subject)
    {
        CSyncParser& p = *engine.Parser();
        for (std::size_t i = 0; i < p.Count(CSyncParser::OutlookEvents); ++i)
            if (p.At(CSyncParser::OutlookEvents, i)->Value(u"SUMMARY") == subject)
                return p.At(CSyncParser::OutlookEvents, i);
        return nullptr;
    }

    tamo::test::IsolatedEnvironment env;
    CMAPISync engine;
};

}  // namespace appointtest
