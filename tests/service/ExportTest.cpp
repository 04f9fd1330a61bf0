// The exports: their text form, the to-do filters and the event range.
#include <set>

#include <gtest/gtest.h>

#include "ServiceHarness.h"

using tamo::test::CServiceHarness;
using tamo::test::IdOfAnswer;
using tamo::test::ReadEventExport;
using tamo::test::ReadTodoExport;
using tamo::test::SExportItem;

namespace {

class ExportTest : public testing::Test {
protected:
    void SetUp() override
    {
        h.Service().Clock().Freeze({QDate(2007, 11, 21), 12 * 3600, true});
        const std::string login = h.NewAccount("pw");
        ASSERT_TRUE(h.SignIn(login, "pw"));
        m_calendar = std::to_string(h.Service().Database().FindAccount(login)->defaultCalendar);
    }
    void TearDown() override { h.Service().Clock().Reset(); }

    std::int64_t Post(const std::string& path, const std::string& body)
    {
        const auto answer = h.PostForm(path, body);
        EXPECT_EQ(answer.status, 200u) << body << ": " << answer.body;
        return IdOfAnswer(answer.body);
    }
    static std::set<std::string> Titles(const std::vector<SExportItem>& items)
    {
        std::set<std::string> titles;
        for (const SExportItem& item : items)
            titles.insert(item.Get("SUMMARY"));
        return titles;
    }

    CServiceHarness& h = CServiceHarness::Get();
    std::string m_calendar;
};

TEST_F(ExportTest, TextForm)
{
    Post("/todos/", "todo[title]=a%0D%0Ab&todo[description]=c%0Ad&todo[uid]=u%2C1");
    Post("/events/", "event[title]=e&event[description]=x%3By&event[start_at]=20071121");
    for (const std::string& path : {std::string("/sync/export_todo"), "/sync/export_event?calendar=" + m_calendar}) {
        const std::string text = h.GetPath(path).body;
        // CR LF lines only, inside a calendar wrapper.
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << path << " at " << i;
            }
        }
        EXPECT_EQ(text.substr(0, 17), "BEGIN:VCALENDAR\r\n") << path;
        EXPECT_EQ(text.substr(text.size() - 15), "END:VCALENDAR\r\n") << path;
        // A title, body or uid runs on until the next property name: each is followed by one.
        const std::set<std::string> runOn = {"SUMMARY", "DESCRIPTION", "UID"};
        std::vector<std::string> names;
        for (size_t start = 0; start < text.size();) {
            const size_t end = text.find("\r\n", start);
            const std::string line = text.substr(start, end - start);
            names.push_back(line.substr(0, line.find(':')));
            start = end + 2;
        }
        for (size_t i = 0; i + 1 < names.size(); ++i) {
            if (runOn.count(names[i])) {
                EXPECT_TRUE(names[i + 1] != "BEGIN" && names[i + 1] != "END" && names[i + 1].find('-') != 0)
                    << path << ": " << names[i] << " followed by " << names[i + 1];
            }
        }
    }
    const auto todos = ReadTodoExport(h.GetPath("/sync/export_todo").body);
    ASSERT_EQ(todos.size(), 1u);
    EXPECT_EQ(todos[0].Get("SUMMARY"), "a\r\nb");
    EXPECT_EQ(todos[0].Get("DESCRIPTION"), "c\r\nd");
    EXPECT_EQ(todos[0].Get("UID"), "u,1");
    const auto events = ReadEventExport(h.GetPath("/sync/export_event?calendar=" + m_calendar).body);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Get("DESCRIPTION"), "x;y");
}

TEST_F(ExportTest, TodoFiltersAsTheSyncAsksForThem)
{
    const std::int64_t parent = Post("/todos/", "todo[title]=open");
    Post("/todos/", "todo[title]=done&todo[completed_at]=2007-11-20");
    Post("/todos/", "todo[title]=sub&todo[parent_id]=" + std::to_string(parent));
    struct {
        const char* query;
        std::set<std::string> titles;
    } cases[] = {
        {"", {"open", "done", "sub"}},
        {"?sub=false", {"open", "done"}},
        {"?complete=false", {"open", "sub"}},
        {"?complete=false&sub=false", {"open"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Titles(ReadTodoExport(h.GetPath(std::string("/sync/export_todo") + c.query).body)), c.titles)
            << c.query;
    const auto all = ReadTodoExport(h.GetPath("/sync/export_todo").body);
    EXPECT_EQ(all.size(), 3u);
}

TEST_F(ExportTest, EventRangeAndCalendar)
{
    const std::string on = "&event[calendar_id]=" + m_calendar;
    Post("/events/", "event[title]=old" + on + "&event[start_at]=20071001T09:00:00&event[end_at]=20071001T10:00:00");
    Post("/events/", "event[title]=ends-on-from" + on + "&event[start_at]=20071020&event[end_at]=20071022T09:00:00");
    Post("/events/", "event[title]=new" + on + "&event[start_at]=20071121T09:00:00");
    Post("/events/", "event[title]=open-series" + on +
                         "&event[start_at]=20070101T09:00:00&meta[set_repeat]=true&pieloop=on&repeat[type]=weekly");
    Post("/events/", "event[title]=ended-series" + on +
                         "&event[start_at]=20070101T09:00:00&meta[set_repeat]=true&repeat[until_on]=2007-10-01&"
                         "repeat[type]=daily");
    Post("/events/", "event[title]=running-series" + on +
                         "&event[start_at]=20070101T09:00:00&meta[set_repeat]=true&repeat[until_on]=2007-12-01&"
                         "repeat[type]=monthly");
    const std::string base = "/sync/export_event?calendar=" + m_calendar;
    EXPECT_EQ(Titles(ReadEventExport(h.GetPath(base).body)),
              (std::set<std::string>{"old", "ends-on-from", "new", "open-series", "ended-series", "running-series"}));
    const auto ranged = ReadEventExport(h.GetPath(base + "&from=20071022").body);
    EXPECT_EQ(Titles(ranged), (std::set<std::string>{"ends-on-from", "new", "open-series", "running-series"}));
    EXPECT_EQ(ranged.size(), 4u);  // a series comes once, not per occurrence

    // Another calendar of the account holds nothing of these; unknown calendars and bad dates are refused.
    struct {
        std::string query;
        unsigned status;
    } refused[] = {{"/sync/export_event", 400},
                   {"/sync/export_event?calendar=abc", 400},
                   {"/sync/export_event?calendar=999999", 404},
                   {base + "&from=2007-10-22", 400},
                   {base + "&from=20071340", 400}};
    for (const auto& r : refused) {
        const auto answer = h.GetPath(r.query);
        EXPECT_EQ(answer.status, r.status) << r.query;
        EXPECT_NE(answer.body.find("error page"), std::string::npos) << r.query;
    }
}

TEST_F(ExportTest, DemoHoldsEveryKindOfItem)
{
    ASSERT_TRUE(h.SignInDemo());
    std::set<std::string> freqs;
    bool allDay = false, timed = false, alarm = false;
    for (const std::int64_t calendar : h.DemoCalendars()) {
        for (const SExportItem& e :
             ReadEventExport(h.GetPath("/sync/export_event?calendar=" + std::to_string(calendar)).body)) {
            if (e.Get("RRULE") == "true")
                freqs.insert(e.Get("FREQ") + "/" + e.Get("INTERVAL") + e.Get("BYDAY"));
            allDay |= e.Get("ALLDAY") == "true";
            timed |= !e.Get("DTSTART;TZID=Asia/Seoul").empty();
            alarm |= e.alarm.count("TRIGGER") > 0;
        }
    }
    EXPECT_EQ(freqs, (std::set<std::string>{"DAILY/100", "DAILY/1", "WEEKLY/MO,WE,FR", "WEEKLY/TU,TH",
                                            "WEEKLY/SU,SA", "WEEKLY/1", "MONTHLY/1", "YEARLY/1"}));
    EXPECT_TRUE(allDay && timed && alarm);
    const auto todos = ReadTodoExport(h.GetPath("/sync/export_todo").body);
    std::set<std::string> priorities, statuses;
    bool due = false, noDue = false, todoAlarm = false;
    for (const SExportItem& t : todos) {
        priorities.insert(t.Get("PRIORITY"));
        statuses.insert(t.Get("STATUS"));
        (t.Get("DUE;TZID=Asia/Seoul").empty() ? noDue : due) = true;
        todoAlarm |= t.alarm.count("TRIGGER") > 0;
    }
    EXPECT_GE(priorities.size(), 4u);
    EXPECT_EQ(statuses, (std::set<std::string>{"NEEDS-ACTION", "COMPLETED"}));
    EXPECT_TRUE(due && noDue && todoAlarm);
    EXPECT_LT(ReadTodoExport(h.GetPath("/sync/export_todo?complete=false&sub=false").body).size(), todos.size() - 1);
}

}  // namespace
