// The engine's to-do requests as the service receives them: export queries and form bodies.
#include <gtest/gtest.h>

#include <mutex>

#include "base/ServiceEndpoints.h"
#include "platform/mapi/MapiStoreFile.h"
#include "support/LoopbackServer.h"
#include "support/TestEnvironment.h"
#include "syncengine/MAPISync.h"

using namespace tamo::test;

namespace {

class TodoRequests : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.Server().Get("/sync/export_todo", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex);
            targets.push_back(req.target);
            res.set_content("BEGIN:VTODO\r\nUID:a\r\nSUMMARY:x\r\nEND:VTODO\r\n", "text/plain");
        });
        server.Server().Post(R"(/todos/(\d*))", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex);
            targets.push_back(req.target);
            bodies.push_back(req.body);
            res.set_content("{\"id\": 1}", "text/plain");
        });
        server.Start();
        std::array<QString, size_t(Service::Count)> urls;
        urls.fill(QString::fromStdString(server.Url("")));
        ASSERT_TRUE(CServiceConfig::Write(env.ServiceConfig(), urls, QByteArray(16, 'S'), QByteArray(8, 'I'),
                                          QStringLiteral("mail.test")));
        ASSERT_TRUE(CServiceConfig::Reload());
        ASSERT_TRUE(tamo::mapi::CreateStoreFile(tamo::mapi::DefaultStorePath()));
        ASSERT_EQ(engine.InitMapi(), 1);
    }

    IsolatedEnvironment env;
    LoopbackServer server;
    std::mutex mutex;
    std::vector<std::string> targets, bodies;
    CMAPISync engine;
};

}  // namespace

TEST_F(TodoRequests, ExportQueryForEachCombination)
{
    struct Case {
        bool completed, sub;
        const char* target;
    };
    const Case cases[] = {{true, true, "/sync/export_todo"},
                          {true, false, "/sync/export_todo?sub=false"},
                          {false, true, "/sync/export_todo?complete=false"},
                          {false, false, "/sync/export_todo?complete=false&sub=false"}};
    for (const Case& c : cases) {
        ASSERT_EQ(engine.ReadTodo(c.completed, c.sub), 1);
        EXPECT_EQ(engine.m_bWithCompleted, c.completed);
    }
    ASSERT_EQ(targets.size(), 4u);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(targets[i], cases[i].target);
    EXPECT_EQ(engine.GetParserCount(true), 4u);
}

TEST_F(TodoRequests, FormBodiesKeepTheFieldOrder)
{
    engine.m_strPCKey = QStringLiteral("PCK");
    CSyncParser& store = *engine.Parser();
    CSyncItem& item = store.NewItem(CSyncParser::OutlookTodos);
    item.SetValue(u"SUMMARY", QStringLiteral("보고서 & 회의"));
    item.SetValue(u"UID", CMAPISync::TodoIdentity(QStringLiteral("00AB"), engine.m_strPCKey));
    item.SetValue(u"DESCRIPTION", QStringLiteral("a b"));
    item.SetValue(u"DUE;TZID=Asia/Seoul", QStringLiteral("2007-11-21"));
    item.SetValue(u"PRIORITY", QStringLiteral("5"));
    item.SetValue(u"COMPLETED;TZID=Asia/Seoul", QStringLiteral("2007-11-20"));
    item.SetAlarmValue(u"ACTION", QStringLiteral("DISPLAY"));
    item.SetAlarmValue(u"TRIGGER", QStringLiteral("900"));
    store.AppendCurrent(CSyncParser::OutlookTodos);

    ASSERT_EQ(engine.SaveTamoTodo(), 1);
    ASSERT_EQ(engine.ModifyTamoTodo(QStringLiteral("42")), 0);
    const std::string fields =
        "todo[title]=%eb%b3%b4%ea%b3%a0%ec%84%9c+%26+%ed%9a%8c%ec%9d%98&todo[uid]=00AB_PCK@mail.test"
        "&todo[description]=a+b&todo[duedate_on]=2007-11-21&todo[priority]=5"
        "&meta[set_alarm]=true&alarm[delta_sec]=900&alarm[program]=1&todo[completed_at]=2007-11-20";
    ASSERT_EQ(bodies.size(), 2u);
    EXPECT_EQ(targets[0], "/todos/");
    EXPECT_EQ(bodies[0], fields);
    EXPECT_EQ(targets[1], "/todos/42");
    EXPECT_EQ(bodies[1], fields + "&_method=put");

    // Without a PC key nothing is sent.
    engine.m_strPCKey.clear();
    EXPECT_EQ(engine.SaveTamoTodo(), -1);
    EXPECT_EQ(bodies.size(), 2u);
}

TEST(TodoPriority, ServicePriorityToOutlookImportance)
{
    const std::pair<const char*, ULONG> cases[] = {{"1", 0}, {"2", 0}, {"3", 1}, {"4", 2}, {"5", 2}, {"", 1}, {"9", 1}};
    for (const auto& [text, importance] : cases)
        EXPECT_EQ(CMAPISync::StringtoOlPriority(QString::fromLatin1(text)), importance) << text;
}
