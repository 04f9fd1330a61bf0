// Appointments between the item store and a MAPI store file: the service event written into
// Outlook, the Outlook appointment read back, the UID rules, reminders and the sync range.
#include "AppointFixture.h"

#include "syncengine/Recurrence.h"

using namespace appointtest;

namespace {

class AppointOutlookTest : public AppointFixture {
protected:
    // A fresh item store (the Outlook side is read anew into it).
    void FreshStore() { engine.m_pParser = std::make_shared<CSyncParser>(); }

    // Service event -> Outlook -> the Outlook event item read back.
    CSyncItem* WriteAndRead(const Values& values)
    {
        FreshStore();
        AddServiceEvent(values);
        SaveCurrentServiceEvent();
        FreshStore();
        ReadOutlook();
        return OutlookEvent(values.at("SUMMARY"));
    }
};

}  // namespace

TEST_F(AppointOutlookTest, AllDayAndTimedEventsCrossTheNineHourShift)
{
    AddServiceEvent({{"SUMMARY", "all day"}, {"UID", "u-allday"},
                     {"DTSTART;VALUE=DATE", "20071121"}, {"DTEND;VALUE=DATE", "20071122"}});
    const QByteArray allDay = SaveCurrentServiceEvent();
    AddServiceEvent({{"SUMMARY", "timed"}, {"UID", "u-timed"},
                     {"DTSTART;TZID=Asia/Seoul", "20071121T090000"}, {"DTEND;TZID=Asia/Seoul", "20071121T100000"}});
    const QByteArray timed = SaveCurrentServiceEvent();

    IMessage* a = Open(allDay);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(ReadUtc(a, appointprops::kStart, PROPSET_APPOINTMENT), QDateTime(QDate(2007, 11, 20), QTime(15, 0), Qt::UTC));
    EXPECT_EQ(ReadUtc(a, appointprops::kEnd, PROPSET_APPOINTMENT), QDateTime(QDate(2007, 11, 21), QTime(15, 0), Qt::UTC));
    EXPECT_EQ(engine.GetPropVal(a, appointprops::kAllDay, true, PROPSET_APPOINTMENT), "T");
    EXPECT_EQ(engine.GetPropVal(a, PR_MESSAGE_CLASS_W, false, PROPSET_NONE), "IPM.Appointment");
    a->Release();
    IMessage* t = Open(timed);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(ReadUtc(t, appointprops::kStart, PROPSET_APPOINTMENT), QDateTime(QDate(2007, 11, 21), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(ReadUtc(t, appointprops::kEnd, PROPSET_APPOINTMENT), QDateTime(QDate(2007, 11, 21), QTime(1, 0), Qt::UTC));
    EXPECT_EQ(engine.GetPropVal(t, appointprops::kAllDay, true, PROPSET_APPOINTMENT), "F");
    t->Release();

    FreshStore();
    ReadOutlook();
    CSyncItem* readAllDay = OutlookEvent("all day");
    ASSERT_NE(readAllDay, nullptr);
    EXPECT_EQ(readAllDay->Value(u"ALLDAY"), "true");
    EXPECT_EQ(readAllDay->Value(u"DTSTART;TZID=Asia/Seoul"), "2007-11-21T00:00:00");
    EXPECT_EQ(readAllDay->Value(u"DTEND;TZID=Asia/Seoul"), "2007-11-21T15:00:00") << "all-day ends 9 hours early";
    EXPECT_EQ(readAllDay->Value(u"UID"), "u-allday");
    CSyncItem* readTimed = OutlookEvent("timed");
    ASSERT_NE(readTimed, nullptr);
    EXPECT_EQ(readTimed->Value(u"ALLDAY"), "");
    EXPECT_EQ(readTimed->Value(u"DTSTART;TZID=Asia/Seoul"), "2007-11-21T09:00:00");
    EXPECT_EQ(readTimed->Value(u"DTEND;TZID=Asia/Seoul"), "2007-11-21T10:00:00");
    EXPECT_EQ(readTimed->Value(u"RRULE"), "");
    EXPECT_FALSE(readTimed->Value(u"LAST-MODIFIED;TZID=Asia/Seoul").isEmpty());
    EXPECT_FALSE(readTimed->Value(u"ENTRYID").isEmpty());
}

// Every repeat type: service -> Outlook -> service keeps the type, the days and the end, and
// further round trips change nothing (the end date does not creep by a day per trip).
TEST_F(AppointOutlookTest, RepeatTypesSurviveRepeatedRoundTrips)
{
    struct Case {
        const char* freq; const char* interval; const char* byDay; const char* start; const char* serviceType;
    } cases[] = {
        {"DAILY", "100", "", "20071121T090000", "every100d"},
        {"DAILY", "", "", "20071121T233000", "daily"},
        {"WEEKLY", "", "MO,WE,FR", "20071119T090000", "mon_wed_fri"},
        {"WEEKLY", "", "TU,TH", "20071120T090000", "tue_thu"},
        {"WEEKLY", "", "SU,SA", "20071124T090000", "sat_sun"},
        {"WEEKLY", "", "", "20071124T090000", "weekly"},
        {"MONTHLY", "", "", "20080131T090000", "monthly"},
        {"YEARLY", "", "", "20080229T090000", "yearly"},
    };
    for (const Case& c : cases) {
        for (const QString& until : {QStringLiteral("20080131"), recurrence::kNoEnd}) {
            SCOPED_TRACE(std::string(c.serviceType) + " " + until.toStdString());
            Values v{{"SUMMARY", "series"}, {"UID", "u-series"}, {"RRULE", "true"}, {"FREQ", c.freq},
                     {"INTERVAL", c.interval}, {"BYDAY", c.byDay}, {"UNTIL", until},
                     {"DTSTART;TZID=Asia/Seoul", c.start}};
            const double start = CMAPISync::StringtoDate(c.start);
            v["DTEND;TZID=Asia/Seoul"] = appointprops::CompactText(start + 1.0 / 24);
            const QString expectedUntil = until == recurrence::kNoEnd ? until : QStringLiteral("2008-01-31");
            QString subject;
            for (int trip = 0; trip < 3; ++trip) {
                subject = QStringLiteral("%1 %2 %3").arg(c.serviceType, until).arg(trip);
                v["SUMMARY"] = subject;
                CSyncItem* read = WriteAndRead(v);
                ASSERT_NE(read, nullptr);
                EXPECT_EQ(read->Value(u"RRULE"), "true");
                EXPECT_EQ(read->Value(u"FREQ"), c.serviceType);
                EXPECT_EQ(read->Value(u"UNTIL"), expectedUntil) << "trip " << trip;
                EXPECT_EQ(read->Value(u"INTERVAL"), "60");
                // The service's reading of what it gets back: its own rule parts.
                v["UNTIL"] = read->Value(u"UNTIL");
                v["DTSTART;TZID=Asia/Seoul"] = read->Value(u"DTSTART;TZID=Asia/Seoul");
                v["DTEND;TZID=Asia/Seoul"] = read->Value(u"DTEND;TZID=Asia/Seoul");
            }
            // The end sits on the clip end as the last day of the series.
            if (until != recurrence::kNoEnd) {
                FreshStore();
                ReadOutlook();
                IMessage* msg = Open(QByteArray::fromHex(OutlookEvent(subject)->Value(u"ENTRYID").toLatin1()));
                ASSERT_NE(msg, nullptr);
                EXPECT_EQ(ReadUtc(msg, appointprops::kClipEnd, PROPSET_APPOINTMENT).date(), QDate(2008, 1, 31));
                msg->Release();
            }
        }
    }
}

TEST_F(AppointOutlookTest, RecurrenceReadHandlesOutlooksOwnPatterns)
{
    // The published daily example: every three days, ending 4 May 2011 (its end type at byte 22).
    const QByteArray daily = QByteArray::fromHex(
        "043004300A2000000000A0050000E010000000000000212000000A0000000000000002000000A0C1DC0C80D2DC0C00000000207EDC0C"
        "0016DD0C0630000009300000E0010000FE01000000000000000000000000");
    AddOutlookAppoint("outlook daily", QDateTime(QDate(2011, 4, 6), QTime(23, 0), Qt::UTC), 30, [&](IMessage* m) {
        CMAPIEx::SetNamedProp(m, PROPSET_APPOINTMENT, PROP_ID(appointprops::kRecurring), true);
        CMAPIEx::SetNamedProp(m, PROPSET_APPOINTMENT, PROP_ID(appointprops::kRecurrenceType), LONG(1));
        CMAPIEx::SetNamedProp(m, PROPSET_APPOINTMENT, PROP_ID(appointprops::kPattern),
                              reinterpret_cast<const BYTE*>(daily.constData()), ULONG(daily.size()));
        // Outlook's clip end: midnight of the last day in local time, as UTC.
        SetUtc(m, appointprops::kClipEnd, PROPSET_APPOINTMENT, QDateTime(QDate(2011, 5, 3), QTime(15, 0), Qt::UTC));
    });
    // An endless series Outlook wrote: end type "never", clip end far away.
    AddOutlookAppoint("outlook endless", QDateTime(QDate(2007, 11, 19), QTime(0, 0), Qt::UTC), 60, [&](IMessage* m) {
        const auto r = recurrence::Build({"WEEKLY", "", "MO,WE,FR", ""}, QDateTime(QDate(2007, 11, 19), QTime(9, 0), Qt::UTC), 60);
        CMAPIEx::SetNamedProp(m, PROPSET_APPOINTMENT, PROP_ID(appointprops::kRecurring), true);
        CMAPIEx::SetNamedProp(m, PROPSET_APPOINTMENT, PROP_ID(appointprops::kRecurrenceType), LONG(2));
        CMAPIEx::SetNamedProp(m, PROPSET_APPOINTMENT, PROP_ID(appointprops::kPattern),
                              reinterpret_cast<const BYTE*>(r.pattern.constData()), ULONG(r.pattern.size()));
        SetUtc(m, appointprops::kClipEnd, PROPSET_APPOINTMENT, QDateTime(QDate(4500, 8, 31), QTime(23, 59), Qt::UTC));
    });
    // A recurring flag without any pattern.
    AddOutlookAppoint("no pattern", QDateTime(QDate(2007, 11, 19), QTime(0, 0), Qt::UTC), 60, [&](IMessage* m) {
        CMAPIEx::SetNamedProp(m, PROPSET_APPOINTMENT, PROP_ID(appointprops::kRecurring), true);
        CMAPIEx::SetNamedProp(m, PROPSET_APPOINTMENT, PROP_ID(appointprops::kRecurrenceType), LONG(3));
    });
    ReadOutlook();
    CSyncItem* d = OutlookEvent("outlook daily");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Value(u"FREQ"), "daily");
    EXPECT_EQ(d->Value(u"UNTIL"), "2011-05-04");
    CSyncItem* e = OutlookEvent("outlook endless");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Value(u"FREQ"), "mon_wed_fri");
    EXPECT_EQ(e->Value(u"UNTIL"), "&pieloop=on");
    CSyncItem* n = OutlookEvent("no pattern");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->Value(u"FREQ"), "monthly");
    EXPECT_EQ(n->Value(u"UNTIL"), "&pieloop=on") << "no clip end: no end date";
}

TEST_F(AppointOutlookTest, GlobalObjectIdGivesTheUid)
{
    const QByteArray outlookId = QByteArray::fromHex(
        "040000008200E00074C5B7101A82E00800000000A0B1C2D3E4F5A6B70000000000000000100000000102030405060708090A0B0C0D0E0F10");
    const struct { const char* subject; QByteArray blob; QString uid; } cases[] = {
        {"vcal", CMAPISync::AppointGlobalIDBlob("abcdefghij"), "abcdefghij"},
        {"long vcal", CMAPISync::AppointGlobalIDBlob(QString(80, u'x')), QString(80, u'x')},
        {"outlook's own", outlookId, QString::fromLatin1(outlookId.toHex().toUpper())},
        {"none", QByteArray(), QString()},
    };
    for (const auto& c : cases)
        AddOutlookAppoint(c.subject, QDateTime(QDate(2007, 11, 22), QTime(0, 0), Qt::UTC), 60, [&](IMessage* m) {
            if (!c.blob.isEmpty())
                CMAPIEx::SetNamedProp(m, PROPSET_MEETING, 3, reinterpret_cast<const BYTE*>(c.blob.constData()),
                                      ULONG(c.blob.size()));
        });
    ReadOutlook();
    for (const auto& c : cases) {
        ASSERT_NE(OutlookEvent(c.subject), nullptr) << c.subject;
        EXPECT_EQ(OutlookEvent(c.subject)->Value(u"UID"), c.uid) << c.subject;
    }
    EXPECT_EQ(CMAPISync::AppointGlobalIDBlob("abcdefghij").size(), 63);
}

TEST_F(AppointOutlookTest, RemindersBothWays)
{
    // Outlook -> item: minutes to the service's alarm choices, rounded up.
    const struct { LONG minutes; const char* trigger; } reads[] = {
        {0, "60"}, {1, "60"}, {15, "900"}, {20, "1800"}, {60, "3600"}, {61, "7200"}, {1440, "86400"}, {1441, "604800"}};
    for (const auto& r : reads)
        AddOutlookAppoint(QString::number(r.minutes), QDateTime(QDate(2007, 11, 22), QTime(0, 0), Qt::UTC), 60,
                          [&](IMessage* m) {
                              CMAPIEx::SetNamedProp(m, PROPSET_COMMON, 0x8503, true);
                              CMAPIEx::SetNamedProp(m, PROPSET_COMMON, 0x8501, r.minutes);
                          });
    AddOutlookAppoint("no reminder", QDateTime(QDate(2007, 11, 22), QTime(0, 0), Qt::UTC), 60);
    ReadOutlook();
    for (const auto& r : reads) {
        CSyncItem* item = OutlookEvent(QString::number(r.minutes));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->AlarmValue(u"ACTION"), "DISPLAY");
        EXPECT_EQ(item->AlarmValue(u"TRIGGER"), r.trigger) << r.minutes;
    }
    EXPECT_EQ(OutlookEvent("no reminder")->AlarmValue(u"ACTION"), "");

    // Item -> Outlook: only future or repeating events get a reminder (now: 2007-11-21 12:00).
    const struct { const char* subject; const char* start; bool repeats; bool set; } writes[] = {
        {"future", "20071122T090000", false, true},
        {"past", "20071120T090000", false, false},
        {"past series", "20071120T090000", true, true},
    };
    for (const auto& w : writes) {
        Values v{{"SUMMARY", w.subject}, {"UID", w.subject}, {"DTSTART;TZID=Asia/Seoul", w.start},
                 {"DTEND;TZID=Asia/Seoul", w.start}, {"ACTION", "DISPLAY"}, {"TRIGGER", "-PT900S"}};
        if (w.repeats)
            v.insert({{"RRULE", "true"}, {"FREQ", "DAILY"}, {"UNTIL", recurrence::kNoEnd}});
        AddServiceEvent(v);
        IMessage* msg = Open(SaveCurrentServiceEvent());
        ASSERT_NE(msg, nullptr);
        EXPECT_EQ(engine.GetPropVal(msg, appointprops::kReminderSet, true, PROPSET_COMMON), w.set ? "T" : "") << w.subject;
        if (w.set) {
            EXPECT_EQ(engine.GetPropVal(msg, appointprops::kReminderDelta, true, PROPSET_COMMON), "15");
            EXPECT_EQ(ReadUtc(msg, appointprops::kReminderTime, PROPSET_COMMON),
                      ReadUtc(msg, appointprops::kStart, PROPSET_APPOINTMENT));
        }
        msg->Release();
    }
}

// Range 30 on 21 November 2007 12:00 Seoul.
TEST_F(AppointOutlookTest, SyncRangeReadsRecentAndOngoingAppointments)
{
    const QDateTime noonSeoul(QDate(2007, 11, 21), QTime(3, 0), Qt::UTC);
    AddOutlookAppoint("31 days ago", noonSeoul.addDays(-31), 60);
    AddOutlookAppoint("30 days ago", noonSeoul.addDays(-30), 60);
    AddOutlookAppoint("tomorrow", noonSeoul.addDays(1), 60);
    AddServiceEvent({{"SUMMARY", "year-old endless weekly"}, {"UID", "w"}, {"RRULE", "true"}, {"FREQ", "WEEKLY"},
                     {"UNTIL", recurrence::kNoEnd}, {"DTSTART;TZID=Asia/Seoul", "20061121T090000"},
                     {"DTEND;TZID=Asia/Seoul", "20061121T100000"}});
    SaveCurrentServiceEvent();
    AddServiceEvent({{"SUMMARY", "series ended 60 days ago"}, {"UID", "e"}, {"RRULE", "true"}, {"FREQ", "DAILY"},
                     {"UNTIL", "20070922"}, {"DTSTART;TZID=Asia/Seoul", "20070901T090000"},
                     {"DTEND;TZID=Asia/Seoul", "20070901T100000"}});
    SaveCurrentServiceEvent();
    AddOutlookAppoint("series without clip end", noonSeoul.addDays(-400), 60, [](IMessage* m) {
        CMAPIEx::SetNamedProp(m, PROPSET_APPOINTMENT, PROP_ID(appointprops::kRecurring), true);
    });

    engine.m_pParser = std::make_shared<CSyncParser>();
    ReadOutlook(30);
    EXPECT_EQ(OutlookEvent("31 days ago"), nullptr);
    EXPECT_NE(OutlookEvent("30 days ago"), nullptr);
    EXPECT_NE(OutlookEvent("tomorrow"), nullptr);
    EXPECT_NE(OutlookEvent("year-old endless weekly"), nullptr);
    EXPECT_EQ(OutlookEvent("series ended 60 days ago"), nullptr);
    EXPECT_NE(OutlookEvent("series without clip end"), nullptr);

    engine.m_pParser = std::make_shared<CSyncParser>();
    ReadOutlook(0);
    EXPECT_EQ(engine.Parser()->Count(CSyncParser::OutlookEvents), 6u) << "range 0 reads everything";
}

TEST_F(AppointOutlookTest, SyncAppointInitStopsWhenCancelledAndFailsWithoutStore)
{
    struct Stop : CSyncCallback {
        int asked = 0;
        bool IsContinue() override { return ++asked < 2; }
        int GetProgress(int, int) override { return 0; }
    } stop;
    AddOutlookAppoint("a", QDateTime(QDate(2007, 11, 22), QTime(0, 0), Qt::UTC), 60);
    AddOutlookAppoint("b", QDateTime(QDate(2007, 11, 22), QTime(0, 0), Qt::UTC), 60);
    EXPECT_EQ(engine.SyncAppointInit(&stop), -2);
    EXPECT_EQ(engine.Parser()->Count(CSyncParser::OutlookEvents), 1u);
    engine.TermMapi();
    EXPECT_EQ(engine.SyncAppointInit(nullptr), -1);
}

// The length in minutes comes with every appointment, repeating or not: whole-day lengths decide
// the service's all-day flag.
TEST_F(AppointOutlookTest, EveryAppointmentCarriesItsLength)
{
    for (const int minutes : {1440, 1500})
        AddOutlookAppoint(QString::number(minutes), QDateTime(QDate(2007, 11, 21), QTime(15, 0), Qt::UTC), minutes,
                          [](IMessage* m) { CMAPIEx::SetNamedProp(m, PROPSET_APPOINTMENT, 0x8215, true); });
    ReadOutlook();
    for (const int minutes : {1440, 1500}) {
        CSyncItem* item = OutlookEvent(QString::number(minutes));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->Value(u"ALLDAY"), "true");
        EXPECT_EQ(item->Value(u"INTERVAL"), QString::number(minutes));
        EXPECT_EQ(item->Value(u"RRULE"), "");
    }
}

// The service's version goes to the folder's first message with the UID, whatever its length;
// the UID index is built once and follows messages the run creates.
TEST_F(AppointOutlookTest, ServiceVersionReachesTheFirstMessageOfItsUid)
{
    const QString longUid = QString(70, u'u');
    for (const char* subject : {"first", "second"})
        AddOutlookAppoint(subject, QDateTime(QDate(2007, 11, 22), QTime(0, 0), Qt::UTC), 60, [&](IMessage* m) {
            const QByteArray blob = CMAPISync::AppointGlobalIDBlob(longUid);
            CMAPIEx::SetNamedProp(m, PROPSET_MEETING, 3, reinterpret_cast<const BYTE*>(blob.constData()), ULONG(blob.size()));
        });
    AddOutlookAppoint("no id", QDateTime(QDate(2007, 11, 22), QTime(0, 0), Qt::UTC), 60);
    AddServiceEvent({{"SUMMARY", "from the service"}, {"UID", longUid}, {"DTSTART;TZID=Asia/Seoul", "20071122T090000"},
                     {"DTEND;TZID=Asia/Seoul", "20071122T100000"}});
    AddServiceEvent({{"SUMMARY", "created later"}, {"UID", "later"}, {"DTSTART;TZID=Asia/Seoul", "20071122T090000"}});
    EXPECT_EQ(engine.SyncAppointConflict("unknown", 1, nullptr), 1);
    EXPECT_EQ(engine.m_pAppointIndex, nullptr) << "no service event of that UID: no walk";
    EXPECT_EQ(engine.SyncAppointConflict(longUid, 1, nullptr), 1);
    ASSERT_NE(engine.m_pAppointIndex, nullptr);
    EXPECT_EQ(engine.m_pAppointIndex->size(), 1);
    ASSERT_TRUE(engine.Parser()->FindUID(CSyncParser::ServiceEvents, "later"));
    EXPECT_EQ(engine.SyncAppointConflict("later", 0, nullptr), 1);  // a new message for it
    EXPECT_EQ(engine.m_pAppointIndex->size(), 2);

    engine.m_pParser = std::make_shared<CSyncParser>();
    ReadOutlook();
    EXPECT_EQ(OutlookEvent("first"), nullptr);
    EXPECT_NE(OutlookEvent("second"), nullptr);
    ASSERT_NE(OutlookEvent("from the service"), nullptr);
    EXPECT_EQ(OutlookEvent("from the service")->Value(u"UID"), longUid);
    EXPECT_NE(OutlookEvent("created later"), nullptr);
}
