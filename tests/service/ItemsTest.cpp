// Event and to-do posts: creation answers, what the export returns of them, changes, bad input.
#include <gtest/gtest.h>

#include "ServiceHarness.h"

using tamo::test::CServiceHarness;
using tamo::test::Encode;
using tamo::test::IdOfAnswer;
using tamo::test::ReadEventExport;
using tamo::test::ReadTodoExport;
using tamo::test::SExportItem;
using tamo::test::UidOfAnswer;

namespace {

const std::string kAlarm900 = "&meta[set_alarm]=true&alarm[delta_sec]=900&alarm[program]=1";

// Each test works in an account of its own, at a fixed service time.
class ItemsTest : public testing::Test {
protected:
    void SetUp() override
    {
        h.Service().Clock().Freeze({QDate(2007, 11, 21), 12 * 3600, true});
        m_login = h.NewAccount("pw");
        ASSERT_TRUE(h.SignIn(m_login, "pw"));
        m_calendar = h.Service().Database().FindAccount(m_login)->defaultCalendar;
    }
    void TearDown() override { h.Service().Clock().Reset(); }

    std::string Calendar() const { return std::to_string(m_calendar); }

    // Posts and answers the export item of the new record.
    SExportItem CreateEvent(const std::string& body, std::string* answerText = nullptr)
    {
        const auto answer = h.PostForm("/events/", body);
        EXPECT_EQ(answer.status, 200u) << body << ": " << answer.body;
        if (answerText)
            *answerText = answer.body;
        return FindEvent(IdOfAnswer(answer.body));
    }
    SExportItem FindEvent(std::int64_t id)
    {
        for (const SExportItem& item : Events())
            if (item.Get("X-ID") == std::to_string(id))
                return item;
        ADD_FAILURE() << "event " << id << " not exported";
        return {};
    }
    std::vector<SExportItem> Events()
    {
        return ReadEventExport(h.GetPath("/sync/export_event?calendar=" + Calendar()).body);
    }
    std::vector<SExportItem> Todos(const std::string& query = "")
    {
        return ReadTodoExport(h.GetPath("/sync/export_todo" + query).body);
    }

    CServiceHarness& h = CServiceHarness::Get();
    std::string m_login;
    std::int64_t m_calendar = 0;
};

TEST_F(ItemsTest, EventPostsComeBackInTheExport)
{
    const std::string title = "팀 회의, 3층; A\\B";
    const std::string description = "줄 하나\r\n줄 둘, 셋";
    struct {
        const char* label;
        std::string body;
        std::map<std::string, std::string> expected;  // "" = the key must be empty or absent
        bool alarm;
    } cases[] = {
        {"quick add, timed",
         "event[title]=" + Encode(title) + "&event[calendar_id]=" + Calendar() +
             "&event[allday]=false&event[start_at]=20071121T09:30:00&event[end_at]=20071121T10:30:00" + kAlarm900,
         {{"SUMMARY", title}, {"ALLDAY", "false"}, {"DTSTART;TZID=Asia/Seoul", "20071121T093000"},
          {"DTEND;TZID=Asia/Seoul", "20071121T103000"}, {"DTSTART;VALUE=DATE", ""}, {"RRULE", ""},
          {"CATEGORY", Calendar()}},
         true},
        {"quick add, all day",
         "event[title]=" + Encode("하루 종일") + "&event[calendar_id]=" + Calendar() +
             "&event[allday]=true&event[start_at]=20071121&event[end_at]=20071121",
         {{"ALLDAY", "true"}, {"DTSTART;VALUE=DATE", "20071121"}, {"DTEND;VALUE=DATE", "20071122"},
          {"DTSTART;TZID=Asia/Seoul", ""}},
         false},
        {"sync, timed with body and uid",
         "event[title]=x&event[calendar_id]=" + Calendar() +
             "&event[start_at]=2007-11-21T09:00:00&event[end_at]=2007-11-21T10:00:00&event[uid]=OUTLOOK-1&event["
             "description]=" +
             Encode(description),
         {{"UID", "OUTLOOK-1"}, {"DESCRIPTION", description}, {"DTSTART;TZID=Asia/Seoul", "20071121T090000"},
          {"DTEND;TZID=Asia/Seoul", "20071121T100000"}},
         false},
        {"sync, three days all day",
         "event[title]=x&event[calendar_id]=" + Calendar() +
             "&event[allday]=true&event[start_at]=2007-11-21T00:00:00&event[end_at]=2007-11-23T15:00:00",
         {{"DTSTART;VALUE=DATE", "20071121"}, {"DTEND;VALUE=DATE", "20071124"}},
         false},
        {"unknown fields are ignored",
         "event[title]=x&event[location]=room&foo=bar&&=&event[start_at]=20071121T09:00:00",
         {{"SUMMARY", "x"}, {"DTSTART;TZID=Asia/Seoul", "20071121T090000"}},
         false},
        {"end before start",
         "event[title]=x&event[start_at]=20071121T10:00:00&event[end_at]=20071121T09:00:00",
         {{"DTSTART;TZID=Asia/Seoul", "20071121T100000"}, {"DTEND;TZID=Asia/Seoul", "20071121T100000"},
          {"CATEGORY", Calendar()}},
         false},
    };
    for (const auto& c : cases) {
        std::string answer;
        const SExportItem item = CreateEvent(c.body, &answer);
        for (const auto& [key, value] : c.expected)
            EXPECT_EQ(item.Get(key), value) << c.label << ": " << key;
        // The uid as a client reads it from the answer is the exported one.
        EXPECT_FALSE(item.Get("UID").empty()) << c.label;
        EXPECT_EQ(UidOfAnswer(answer), item.Get("UID")) << c.label << ": " << answer;
        EXPECT_EQ(item.Get("LAST-MODIFIED;TZID=Asia/Seoul"), "20071121T120000") << c.label;
        EXPECT_EQ(item.Get("CREATED;TZID=Asia/Seoul"), "20071121T120000") << c.label;
        EXPECT_EQ(item.Get("ORGANIZER"), m_login) << c.label;
        EXPECT_EQ(item.alarm.count("TRIGGER") ? item.alarm.at("TRIGGER") : "", c.alarm ? "-PT900S" : "") << c.label;
        EXPECT_EQ(item.alarm.count("ACTION") ? item.alarm.at("ACTION") : "", c.alarm ? "DISPLAY" : "") << c.label;
    }
}

TEST_F(ItemsTest, EveryRepeatTypeAsTheSyncSendsIt)
{
    struct {
        const char* type;
        const char* freq;
        const char* interval;
        const char* byday;
    } cases[] = {
        {"every100d", "DAILY", "100", ""}, {"daily", "DAILY", "1", ""},
        {"mon_wed_fri", "WEEKLY", "", "MO,WE,FR"}, {"tue_thu", "WEEKLY", "", "TU,TH"},
        {"sat_sun", "WEEKLY", "", "SU,SA"},  {"weekly", "WEEKLY", "1", ""},
        {"monthly", "MONTHLY", "1", ""},     {"yearly", "YEARLY", "1", ""},
    };
    for (const auto& c : cases) {
        for (const bool withEnd : {true, false}) {
            // The alarm fields come twice, as the sync sends them.
            const std::string body = "event[title]=" + std::string(c.type) + "&event[calendar_id]=" + Calendar() +
                                     "&event[start_at]=2007-11-21T09:00:00&event[end_at]=2007-11-21T10:30:00" +
                                     kAlarm900 + "&meta[set_repeat]=true&repeat[setting]=true" +
                                     (withEnd ? "&repeat[until_on]=2008-02-01" : "&pieloop=on") +
                                     "&repeat[type]=" + c.type + kAlarm900;
            const SExportItem item = CreateEvent(body);
            EXPECT_EQ(item.Get("RRULE"), "true") << c.type;
            EXPECT_EQ(item.Get("FREQ"), c.freq) << c.type;
            EXPECT_EQ(item.Get("INTERVAL"), c.interval) << c.type;
            EXPECT_EQ(item.Get("BYDAY"), c.byday) << c.type;
            EXPECT_EQ(item.Get("UNTIL"), withEnd ? "20080201" : "") << c.type;
            EXPECT_EQ(item.Get("DTEND;TZID=Asia/Seoul"), "20071121T103000") << c.type;
            EXPECT_EQ(item.alarm.count("TRIGGER") ? item.alarm.at("TRIGGER") : "", "-PT900S") << c.type;
        }
    }
}

TEST_F(ItemsTest, ChangesKeepWhatTheyDoNotName)
{
    std::string answer;
    const SExportItem created = CreateEvent(
        "event[title]=old&event[start_at]=2007-11-21T09:00:00&event[end_at]=2007-11-21T10:00:00"
        "&meta[set_repeat]=true&repeat[setting]=true&pieloop=on&repeat[type]=weekly" + kAlarm900,
        &answer);
    const std::int64_t id = IdOfAnswer(answer);
    h.Service().Clock().Advance(60);

    const auto changed = h.PostForm("/events/" + std::to_string(id), "event[title]=" + Encode("새 제목") + "&_method=put");
    ASSERT_EQ(changed.status, 200u) << changed.body;
    EXPECT_EQ(UidOfAnswer(changed.body), created.Get("UID"));
    SExportItem item = FindEvent(id);
    EXPECT_EQ(item.Get("SUMMARY"), "새 제목");
    EXPECT_EQ(item.Get("DTSTART;TZID=Asia/Seoul"), "20071121T090000");
    EXPECT_EQ(item.Get("FREQ"), "WEEKLY");
    EXPECT_EQ(item.Get("SEQ"), "1");
    EXPECT_EQ(item.Get("LAST-MODIFIED;TZID=Asia/Seoul"), "20071121T120100");
    EXPECT_EQ(item.Get("CREATED;TZID=Asia/Seoul"), "20071121T120000");

    // A change of the whole series, then the repetition and the alarm switched off.
    ASSERT_EQ(h.PostForm("/events/" + std::to_string(id),
                         "event[title]=x&event[start_at]=2007-11-22T08:00:00&event[end_at]=2007-11-22T08:30:00"
                         "&meta[set_repeat]=true&repeat[setting]=true&repeat[until_on]=2007-12-31&repeat[type]=daily"
                         "&meta_event[modify_type]=all&_method=put")
                  .status,
              200u);
    item = FindEvent(id);
    EXPECT_EQ(item.Get("FREQ"), "DAILY");
    EXPECT_EQ(item.Get("UNTIL"), "20071231");
    EXPECT_EQ(item.Get("DTEND;TZID=Asia/Seoul"), "20071122T083000");
    ASSERT_EQ(h.PostForm("/events/" + std::to_string(id), "meta[set_repeat]=false&meta[set_alarm]=false&_method=put")
                  .status,
              200u);
    item = FindEvent(id);
    EXPECT_EQ(item.Get("RRULE"), "");
    EXPECT_TRUE(item.alarm.empty());
    EXPECT_EQ(item.Get("SEQ"), "3");
}

TEST_F(ItemsTest, TodoPostsAndTheUidHandBack)
{
    const std::string body = "todo[title]=" + Encode("보고서, 초안") + "&todo[uid]=ABCDEF_PCKEY@calendar.tamo" +
                             "&todo[description]=" + Encode("a\\b;c") + "&todo[duedate_on]=2007-11-30" +
                             "&todo[priority]=5" + kAlarm900 + "&todo[completed_at]=2007-11-21";
    const auto answer = h.PostForm("/todos/", body);
    ASSERT_EQ(answer.status, 200u) << answer.body;
    EXPECT_EQ(UidOfAnswer(answer.body), "ABCDEF_PCKEY@calendar.tamo");
    const auto quick = h.PostForm("/todos/", "todo[title]=");  // quick add sends an empty title as it is
    ASSERT_EQ(quick.status, 200u) << quick.body;
    const std::string quickUid = UidOfAnswer(quick.body);
    EXPECT_FALSE(quickUid.empty());

    std::vector<SExportItem> todos = Todos();
    ASSERT_EQ(todos.size(), 2u);
    const SExportItem& full = todos[0];
    EXPECT_EQ(full.Get("SUMMARY"), "보고서, 초안");
    EXPECT_EQ(full.Get("DESCRIPTION"), "a\\b;c");
    EXPECT_EQ(full.Get("DUE;TZID=Asia/Seoul"), "20071130");
    EXPECT_EQ(full.Get("PRIORITY"), "5");
    EXPECT_EQ(full.Get("STATUS"), "COMPLETED");
    EXPECT_EQ(full.Get("COMPLETED;TZID=Asia/Seoul"), "20071121T000000");
    EXPECT_EQ(full.alarm.at("TRIGGER"), "-PT900S");
    EXPECT_EQ(todos[1].Get("PRIORITY"), "3");
    EXPECT_EQ(todos[1].Get("STATUS"), "NEEDS-ACTION");
    EXPECT_EQ(todos[1].Get("DUE;TZID=Asia/Seoul"), "");

    // The sync hands the Outlook-based uid back: only the uid changes.
    h.Service().Clock().Advance(5);
    const std::string xid = todos[1].Get("X-ID");
    ASSERT_EQ(h.PostForm("/todos/" + xid, "todo[uid]=0011AA_KEY@calendar.tamo&_method=put").status, 200u);
    todos = Todos();
    EXPECT_EQ(todos[1].Get("UID"), "0011AA_KEY@calendar.tamo");
    EXPECT_EQ(todos[1].Get("SUMMARY"), "");
    EXPECT_EQ(todos[1].Get("LAST-MODIFIED;TZID=Asia/Seoul"), "20071121T120005");
}

TEST_F(ItemsTest, BadInputIsRefusedAndChangesNothing)
{
    const std::string todo = std::to_string(IdOfAnswer(h.PostForm("/todos/", "todo[title]=t").body));
    const std::string event =
        std::to_string(IdOfAnswer(h.PostForm("/events/", "event[title]=e&event[start_at]=20071121").body));
    const std::string other = h.NewAccount("pw");
    const std::string foreignCalendar =
        std::to_string(h.Service().Database().FindAccount(other)->defaultCalendar);
    const std::string start = "event[title]=x&event[start_at]=20071121T09:00:00";
    struct {
        const char* label;
        std::string path;
        std::string body;
        unsigned status;
    } cases[] = {
        {"event without start", "/events/", "event[title]=x", 400},
        {"impossible date", "/events/", "event[title]=x&event[start_at]=20071340", 400},
        {"impossible time", "/events/", "event[title]=x&event[start_at]=2007-11-21T25:61:00", 400},
        {"unknown repeat type", "/events/", start + "&meta[set_repeat]=true&repeat[type]=hourly", 400},
        {"impossible end of series", "/events/", start + "&repeat[type]=daily&repeat[until_on]=2008-13-01", 400},
        {"no such calendar", "/events/", start + "&event[calendar_id]=999999", 400},
        {"another account's calendar", "/events/", start + "&event[calendar_id]=" + foreignCalendar, 400},
        {"all day neither true nor false", "/events/", start + "&event[allday]=yes", 400},
        {"alarm without seconds", "/events/", start + "&meta[set_alarm]=true&alarm[delta_sec]=abc", 400},
        {"negative alarm", "/events/", start + "&meta[set_alarm]=true&alarm[delta_sec]=-60", 400},
        {"title not UTF-8", "/events/", "event[title]=%FF%FE&event[start_at]=20071121", 400},
        {"title with NUL", "/todos/", "todo[title]=a%00b", 400},
        {"change without record number", "/events/", start + "&_method=put", 400},
        {"record number without put", "/events/" + event, start, 400},
        {"no such event", "/events/999999", start + "&_method=put", 404},
        {"a to-do changed as event", "/events/" + todo, start + "&_method=put", 404},
        {"an event changed as to-do", "/todos/" + event, "todo[title]=x&_method=put", 404},
        {"to-do without title field", "/todos/", "todo[priority]=3", 400},
        {"priority out of range", "/todos/", "todo[title]=x&todo[priority]=9", 400},
        {"impossible due date", "/todos/", "todo[title]=x&todo[duedate_on]=2007-02-30", 400},
        {"no such parent", "/todos/", "todo[title]=x&todo[parent_id]=999999", 400},
        {"malformed form", "/todos/", "%%%&&&===&todo", 400},
        {"body above the limit", "/todos/", "todo[title]=" + std::string(2 * 1024 * 1024, 'a'), 413},
    };
    const std::int64_t before = h.Service().Database().CountItems();
    for (const auto& c : cases) {
        const auto answer = h.PostForm(c.path, c.body);
        ASSERT_TRUE(answer.sent) << c.label;
        EXPECT_EQ(answer.status, c.status) << c.label << ": " << answer.body.substr(0, 200);
        EXPECT_EQ(answer.body.substr(0, 10), "error page") << c.label;
    }
    EXPECT_EQ(h.Service().Database().CountItems(), before);
    // The service still answers.
    EXPECT_EQ(h.GetPath("/sync/server_time").status, 200u);
}

}  // namespace
