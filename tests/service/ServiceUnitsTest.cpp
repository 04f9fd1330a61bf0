// The service's pure parts: reading date-times, writing the export text, repeat rules, forms.
#include <gtest/gtest.h>

#include "service/ExportWriter.h"
#include "service/FormFields.h"
#include "service/RepeatRule.h"
#include "service/ServiceTime.h"

using namespace tamo::service;

TEST(ServiceTimeTest, FormsClientsSend)
{
    struct {
        const char* text;
        const char* stamp;  // nullptr: refused
        bool hasTime;
    } cases[] = {
        {"20071121", "20071121T000000", false},
        {"2007-11-21", "20071121T000000", false},
        {"20071121T09:30:00", "20071121T093000", true},   // quick add
        {"2007-11-21T09:30:00", "20071121T093000", true}, // sync
        {"20071121T093000", "20071121T093000", true},
        {"20071121T0930", "20071121T093000", true},
        {"20071121T253000", "20071122T013000", true},  // hours past 24 run into the next day
        {"20071231T240000", "20080101T000000", true},
        {"20080229", "20080229T000000", false},
        {"20070229", nullptr, false},
        {"20071340", nullptr, false},
        {"20071121T483000", nullptr, false},
        {"20071121T096000", nullptr, false},
        {"2007112", nullptr, false},
        {"2007-1121", nullptr, false},
        {"20071121T", nullptr, false},
        {"abcdefgh", nullptr, false},
        {"", nullptr, false},
    };
    for (const auto& c : cases) {
        const auto time = ParseWallTime(c.text);
        if (!c.stamp) {
            EXPECT_FALSE(time) << c.text;
            continue;
        }
        ASSERT_TRUE(time) << c.text;
        EXPECT_EQ(FormatStamp(*time), c.stamp) << c.text;
        EXPECT_EQ(time->hasTime, c.hasTime) << c.text;
    }
}

TEST(ExportWriterTest, EscapesWhatReadersUndo)
{
    struct {
        const char* value;
        const char* written;
    } cases[] = {
        {"a,b", "a\\,b"},
        {"a;b", "a\\;b"},
        {"a\\b", "a\\\\b"},
        {"one\r\ntwo", "one\\ntwo"},
        {"one\ntwo\rthree", "one\\ntwo\\nthree"},
        {"시간: 9시", "시간: 9시"},
    };
    for (const auto& c : cases) {
        std::string out;
        CExportWriter::AppendEscaped(out, c.value);
        EXPECT_EQ(out, c.written) << c.value;
    }
}

TEST(ExportWriterTest, AllDayEventEndsTheDayAfterItsLastDay)
{
    SItem event;
    event.id = 7;
    event.allDay = true;
    event.startAt = "20071121T000000";
    event.endAt = "20071130T000000";
    event.repeatType = "mon_wed_fri";
    event.repeatUntil = "20080131";
    std::string out;
    CExportWriter writer(out, "demo", "20071121T120000");
    writer.AppendEvent(event);
    EXPECT_NE(out.find("\r\nDTSTART;VALUE=DATE:20071121\r\nDTEND;VALUE=DATE:20071201\r\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("DTSTART;TZID"), std::string::npos);
    EXPECT_NE(out.find("\r\nRRULE:FREQ=WEEKLY;BYDAY=MO\\,WE\\,FR;UNTIL=20080131\r\n"), std::string::npos) << out;
}

TEST(RepeatRuleTest, RulesOfEveryType)
{
    struct {
        const char* type;
        const char* rule;
    } cases[] = {
        {"every100d", "FREQ=DAILY;INTERVAL=100"}, {"daily", "FREQ=DAILY;INTERVAL=1"},
        {"mon_wed_fri", "FREQ=WEEKLY;BYDAY=MO\\,WE\\,FR"}, {"tue_thu", "FREQ=WEEKLY;BYDAY=TU\\,TH"},
        {"sat_sun", "FREQ=WEEKLY;BYDAY=SU\\,SA"}, {"weekly", "FREQ=WEEKLY;INTERVAL=1"},
        {"monthly", "FREQ=MONTHLY;INTERVAL=1"}, {"yearly", "FREQ=YEARLY;INTERVAL=1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExportRule(c.type, ""), c.rule);
        EXPECT_EQ(ExportRule(c.type, "20080131"), std::string(c.rule) + ";UNTIL=20080131");
    }
    EXPECT_EQ(ExportRule("hourly", ""), "");
}

TEST(RepeatRuleTest, NextOccurrence)
{
    // 2007-11-21 is a Wednesday; 2008-01-31 a Thursday.
    const QDate start(2007, 11, 21);
    struct {
        const char* type;
        QDate start;
        QDate from;
        QDate until;
        QDate expected;  // invalid: none
    } cases[] = {
        {"daily", start, QDate(2007, 11, 1), QDate(), start},
        {"daily", start, QDate(2007, 12, 5), QDate(), QDate(2007, 12, 5)},
        {"every100d", start, QDate(2007, 11, 22), QDate(), start.addDays(100)},
        {"weekly", start, QDate(2007, 11, 22), QDate(), QDate(2007, 11, 28)},
        {"mon_wed_fri", start, QDate(2007, 11, 22), QDate(), QDate(2007, 11, 23)},
        {"tue_thu", start, QDate(2007, 11, 24), QDate(), QDate(2007, 11, 27)},
        {"sat_sun", start, QDate(2007, 11, 21), QDate(), QDate(2007, 11, 24)},
        {"monthly", QDate(2008, 1, 31), QDate(2008, 2, 1), QDate(), QDate(2008, 3, 31)},  // no 31 February
        {"yearly", QDate(2008, 2, 29), QDate(2008, 3, 1), QDate(), QDate(2012, 2, 29)},
        {"daily", start, QDate(2008, 2, 1), QDate(2008, 1, 31), QDate()},
        {"weekly", start, QDate(2007, 11, 22), QDate(2007, 11, 27), QDate()},
    };
    for (const auto& c : cases) {
        const auto next = NextOccurrence(c.type, c.start, c.until, c.from);
        if (!c.expected.isValid())
            EXPECT_FALSE(next) << c.type;
        else
            EXPECT_EQ(next.value_or(QDate()), c.expected) << c.type << " from " << c.from.toString().toStdString();
    }
}

TEST(FormFieldsTest, DecodesPairsInOrder)
{
    const CFormFields form =
        CFormFields::Parse("preference[sync_category_id]=3&&event%5Btitle%5D=a+b%2Cc&alarm=1&alarm=2&flag&bad=%zz%4");
    EXPECT_EQ(form.Value("preference[sync_category_id]"), "3");
    EXPECT_EQ(form.Value("event[title]"), "a b,c");
    EXPECT_EQ(form.Value("alarm"), "1");
    EXPECT_TRUE(form.Has("flag"));
    EXPECT_EQ(form.Value("bad"), "%zz%4");
    EXPECT_EQ(form.All().size(), 6u);
    EXPECT_EQ(CFormFields::FromTarget("/sync/export_event?calendar=5&from=20071022").Value("from"), "20071022");
    EXPECT_FALSE(CFormFields::FromTarget("/sync/export_todo").Has("complete"));
}

TEST(FormFieldsTest, CleanUtf8)
{
    EXPECT_TRUE(IsCleanUtf8("일정 abc"));
    EXPECT_FALSE(IsCleanUtf8(std::string("a\0b", 3)));
    EXPECT_FALSE(IsCleanUtf8("\xC0\xAF"));       // overlong
    EXPECT_FALSE(IsCleanUtf8("\xED\xA0\x80"));   // surrogate
    EXPECT_FALSE(IsCleanUtf8("\xEC\x9D"));       // cut short
    EXPECT_FALSE(IsCleanUtf8("\xFF"));
}

TEST(FormFieldsTest, Decimals)
{
    struct {
        const char* text;
        std::optional<std::int64_t> value;
    } cases[] = {{"12", 12}, {"-1", -1}, {"0", 0}, {"", std::nullopt}, {"-", std::nullopt}, {"1a", std::nullopt},
                 {" 1", std::nullopt}, {"+1", std::nullopt}, {"99999999999999999999", std::nullopt},
                 {"21", std::nullopt}, {"-2", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(ParseDecimal(c.text, -1, 20), c.value) << c.text;
}
