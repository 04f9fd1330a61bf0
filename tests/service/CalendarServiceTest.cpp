// Calendars, preferences, PC key, service clock and the alarm list.
#include <regex>

#include <gtest/gtest.h>

#include "ServiceHarness.h"

using tamo::test::CServiceHarness;
using tamo::test::Encode;
using tamo::test::ParseXml;
using tamo::test::SXmlNode;

namespace {

class CalendarServiceTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(h.SignInDemo()); }
    void TearDown() override { h.Service().Clock().Reset(); }

    SXmlNode Xml(const std::string& path)
    {
        const auto answer = h.GetPath(path);
        EXPECT_EQ(answer.status, 200u) << path << ": " << answer.body;
        auto xml = ParseXml(answer.body);
        EXPECT_TRUE(xml) << path << ": " << answer.body;
        return xml.value_or(SXmlNode());
    }

    CServiceHarness& h = CServiceHarness::Get();
};

TEST_F(CalendarServiceTest, CalendarList)
{
    const SXmlNode root = Xml("/calendars/?format=xml");
    const auto calendars = root.Children("calendar");
    ASSERT_EQ(calendars.size(), 4u);
    int otherService = 0;
    const std::regex color("#([0-9A-Fa-f]{3}|[0-9A-Fa-f]{6})");
    for (const SXmlNode* calendar : calendars) {
        EXPECT_EQ(calendar->ChildNames(), (std::vector<std::string>{"service-type", "name", "id", "color"}));
        EXPECT_FALSE(calendar->ChildText("service-type").empty());
        EXPECT_FALSE(calendar->ChildText("name").empty());
        EXPECT_TRUE(std::regex_match(calendar->ChildText("color"), color)) << calendar->ChildText("color");
        otherService += calendar->ChildText("service-type") == "1";
    }
    EXPECT_EQ(otherService, 1);
    EXPECT_EQ(calendars[0]->ChildText("name"), "내 캘린더");
}

TEST_F(CalendarServiceTest, DefaultAndSingleCalendar)
{
    const std::string first = std::to_string(h.DemoCalendars().front());
    EXPECT_EQ(Xml("/calendar/show_default").ChildText("id"), first);

    const SXmlNode one = Xml("/calendars/" + first + ".xml");
    EXPECT_FALSE(one.Child("ERROR"));
    ASSERT_EQ(one.Children("calendar").size(), 1u);
    EXPECT_EQ(one.Children("calendar")[0]->ChildText("id"), first);

    // Unknown and foreign calendars answer the error form.
    const std::string other = h.NewAccount("pw");
    const auto foreign = h.Service().Database().ListCalendars(h.Service().Database().FindAccount(other)->id);
    for (const std::string& id : {std::string("999999"), std::to_string(foreign.front().id), std::string("-1")}) {
        const auto answer = h.GetPath("/calendars/" + id + ".xml");
        const auto xml = ParseXml(answer.body);
        ASSERT_TRUE(xml) << id;
        EXPECT_TRUE(xml->Child("ERROR")) << id;
    }
}

TEST_F(CalendarServiceTest, PreferencesDocumentAndUpdate)
{
    EXPECT_EQ(Xml("/preference/?format=xml").ChildNames(),
              (std::vector<std::string>{"sync-range", "sync-event-check", "sync-todo-check", "sync-todo-complete",
                                        "sync-todo-sub", "sync-conflict", "sync-category-id", "sync-event-adv-check",
                                        "sync-event2-check"}));

    // The body as the options page builds it, with two ampersands after the id.
    const std::string id = std::to_string(h.DemoCalendars()[1]);
    const std::string body = "preference[sync_range]=14&preference[sync_category_id]=" + id +
                             "&&preference[sync_event_check]=false&preference[sync_todo_check]=true"
                             "&preference[sync_todo_complete]=true&preference[sync_todo_sub]=false"
                             "&preference[sync_conflict]=false&preference[sync_event_adv_check]=true";
    const auto answer = h.PostForm("/preference/update_sync?", body);
    EXPECT_EQ(answer.status, 200u);
    EXPECT_FALSE(answer.body.empty());
    SXmlNode p = Xml("/preference/?format=xml");
    const std::pair<const char*, std::string> expected[] = {
        {"sync-range", "14"},          {"sync-event-check", "false"},   {"sync-todo-check", "true"},
        {"sync-todo-complete", "true"}, {"sync-todo-sub", "false"},     {"sync-conflict", "false"},
        {"sync-category-id", id},       {"sync-event-adv-check", "true"}, {"sync-event2-check", "false"},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(p.ChildText(name), value) << name;

    // Values the page never sends are refused and change nothing.
    for (const std::string bad : {"preference[sync_range]=abc", "preference[sync_range]=-7",
                                  "preference[sync_category_id]=999999", "preference[sync_conflict]=False",
                                  "preference[sync_range]=7&preference[sync_todo_sub]=yes"}) {
        const auto refused = h.PostForm("/preference/update_sync?", bad);
        EXPECT_EQ(refused.status, 400u) << bad;
        EXPECT_EQ(refused.body.substr(0, 10), "error page") << bad;
    }
    p = Xml("/preference/?format=xml");
    EXPECT_EQ(p.ChildText("sync-range"), "14");
    EXPECT_EQ(p.ChildText("sync-todo-sub"), "false");

    // No calendar chosen: the page sends -1.
    EXPECT_EQ(h.PostForm("/preference/update_sync?", "preference[sync_category_id]=-1&").status, 200u);
    EXPECT_EQ(Xml("/preference/?format=xml").ChildText("sync-category-id"), "-1");
    // Back to the demo's state for the other tests.
    EXPECT_EQ(h.PostForm("/preference/update_sync?",
                         "preference[sync_range]=30&preference[sync_category_id]=" +
                             std::to_string(h.DemoCalendars()[0]) +
                             "&&preference[sync_event_check]=true&preference[sync_todo_check]=true"
                             "&preference[sync_todo_complete]=false&preference[sync_conflict]=true"
                             "&preference[sync_event_adv_check]=false")
                  .status,
              200u);
}

TEST_F(CalendarServiceTest, PcKeyIsGivenOnceAndKept)
{
    const std::string key = Xml("/preference/pc_key").ChildText("sync-pc-key");
    EXPECT_EQ(key.size(), 16u);
    EXPECT_NE(key, "0");
    EXPECT_EQ(Xml("/preference/pc_key").ChildText("sync-pc-key"), key);
}

TEST_F(CalendarServiceTest, ServerTimeIsTheServiceClock)
{
    // Moving the clock by more than the idle time ends the session: sign in on the new time.
    h.Service().Clock().Freeze({QDate(2007, 11, 21), 9 * 3600 + 30 * 60, true});
    ASSERT_TRUE(h.SignInDemo());
    const std::string time = Xml("/sync/server_time").ChildText("time");
    ASSERT_EQ(time.size(), 15u) << time;
    EXPECT_EQ(time.substr(0, 13), "20071121T0930");
    h.Service().Clock().Freeze({QDate(2007, 12, 31), 23 * 3600 + 58 * 60, true});
    ASSERT_TRUE(h.SignInDemo());
    h.Service().Clock().Advance(300);
    EXPECT_EQ(Xml("/sync/server_time").ChildText("time").substr(0, 11), "20080101T00");
}

TEST_F(CalendarServiceTest, AlarmListShowsWhatIsPending)
{
    const std::string login = h.NewAccount("pw");
    ASSERT_TRUE(h.SignIn(login, "pw"));
    h.Service().Clock().Freeze({QDate(2007, 11, 21), 9 * 3600, true});  // a Wednesday
    const std::string alarm = "&meta[set_alarm]=true&alarm[delta_sec]=600&alarm[program]=1";
    struct {
        const char* body;
        bool listed;
    } posts[] = {
        {"event[title]=%ED%9A%8C%EC%9D%98&event[allday]=false&event[start_at]=20071121T10:00:00&event[end_at]="
         "20071121T11:00:00",
         true},
        {"event[title]=past&event[allday]=false&event[start_at]=20071121T08:00:00", false},
        {"event[title]=daily&event[start_at]=2007-11-01T08:30:00&meta[set_repeat]=true&repeat[setting]=true&pieloop="
         "on&repeat[type]=daily",
         true},
        {"event[title]=ended&event[start_at]=2007-11-01T10:00:00&meta[set_repeat]=true&repeat[until_on]=2007-11-10&"
         "repeat[type]=daily",
         false},
        {"event[title]=far&event[start_at]=20080301T10:00:00", false},
    };
    std::map<std::string, bool> expected;
    for (const auto& post : posts) {
        const auto answer = h.PostForm("/events/", std::string(post.body) + alarm);
        ASSERT_EQ(answer.status, 200u) << post.body << ": " << answer.body;
    }
    ASSERT_EQ(h.PostForm("/todos/", "todo[title]=todo&todo[duedate_on]=2007-11-22" + alarm).status, 200u);
    ASSERT_EQ(h.PostForm("/todos/", "todo[title]=done&todo[duedate_on]=2007-11-22&todo[completed_at]=2007-11-20" + alarm)
                  .status,
              200u);
    ASSERT_EQ(h.PostForm("/todos/", "todo[title]=&todo[duedate_on]=2007-11-22" + alarm).status, 200u);

    const SXmlNode root = Xml("/alarm/simple_list?alarm_type=2");
    std::vector<std::string> seen;
    for (const SXmlNode* a : root.Children("alarm")) {
        EXPECT_EQ(a->ChildNames(),
                  (std::vector<std::string>{"alarmable_id", "alarm_at", "alarmable_type", "alarmable_title"}));
        seen.push_back(a->ChildText("alarmable_title") + "|" + a->ChildText("alarmable_type") + "|" +
                       a->ChildText("alarm_at"));
    }
    // The series rings for its next occurrence (tomorrow 08:30), the to-do at midnight of its day;
    // the untitled to-do still has a title to show.
    EXPECT_EQ(seen, (std::vector<std::string>{"회의|Event|20071121T095000", "todo|Todo|20071121T235000",
                                              "(제목 없음)|Todo|20071121T235000", "daily|Event|20071122T082000"}));
}

}  // namespace
