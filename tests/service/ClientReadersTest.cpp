// The service's XML answers read with CMarkupSTL the way the clients walk them.
#include <gtest/gtest.h>

#include "ServiceHarness.h"
#include "base/MarkupSTL.h"
#include "service/DemoSeed.h"

using tamo::test::CServiceHarness;

namespace {

class ClientReadersTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(h.SignInDemo()); }

    CMarkupSTL Document(const std::string& path)
    {
        CMarkupSTL xml;
        const std::string body = h.GetPath(path).body;
        EXPECT_TRUE(xml.SetDoc(body)) << path << ": " << body;
        EXPECT_TRUE(xml.FindElem()) << path;
        return xml;
    }

    CServiceHarness& h = CServiceHarness::Get();
};

TEST_F(ClientReadersTest, SignInAnswer)
{
    const auto signIn = [this](const std::string& password) {
        const QString pw = h.Service().Cipher().EncryptToHex(u"demo", QString::fromStdString(password));
        return Document("/dxm/sb_updatev2.xml?versiontype=&id=demo&pw=" + pw.toStdString());
    };
    CMarkupSTL ok = signIn(tamo::service::kDemoPassword);
    EXPECT_FALSE(ok.FindChildElem("ERROR"));
    ok.ResetChildPos();
    ASSERT_TRUE(ok.FindChildElem("LOGIN"));
    ASSERT_TRUE(ok.IntoElem());
    EXPECT_FALSE(ok.FindChildElem("ERROR"));
    ok.ResetChildPos();
    ASSERT_TRUE(ok.FindChildElem("COOKIE"));
    EXPECT_NE(ok.GetChildData().find("HM_CU="), std::string::npos);
    EXPECT_TRUE(ok.FindChildElem("SNS"));

    CMarkupSTL refused = signIn("wrong");
    ASSERT_TRUE(refused.FindChildElem("LOGIN"));
    ASSERT_TRUE(refused.IntoElem());
    ASSERT_TRUE(refused.FindChildElem("ERROR"));
    EXPECT_EQ(refused.GetChildAttrib("TYPE"), "1002");
    EXPECT_FALSE(refused.GetChildAttrib("URL").empty());
}

TEST_F(ClientReadersTest, ErrorFormWithoutSession)
{
    h.SignOut();
    CMarkupSTL xml = Document("/preference/?format=xml");
    ASSERT_TRUE(xml.FindChildElem("ERROR"));
    EXPECT_EQ(xml.GetChildAttrib("TYPE"), "2001");
}

TEST_F(ClientReadersTest, PreferencesAsTheSyncRunReadsThem)
{
    CMarkupSTL xml = Document("/preference/?format=xml");
    for (const char* name : {"sync-range", "sync-event-check", "sync-todo-check", "sync-todo-complete",
                             "sync-todo-sub", "sync-conflict", "sync-category-id"}) {
        xml.ResetChildPos();
        ASSERT_TRUE(xml.FindChildElem(name)) << name;
        EXPECT_FALSE(xml.GetChildData().empty()) << name;
    }
    // Searched onward from where the category left the child position.
    EXPECT_TRUE(xml.FindChildElem("sync-event2-check"));
}

TEST_F(ClientReadersTest, CalendarsAlarmsAndSmallDocuments)
{
    CMarkupSTL calendars = Document("/calendars/?format=xml");
    int offered = 0, other = 0;
    while (calendars.FindChildElem("calendar")) {
        ASSERT_TRUE(calendars.IntoElem());
        ASSERT_TRUE(calendars.FindChildElem("service-type"));
        const bool otherService = calendars.GetChildData() == "1";
        (otherService ? other : offered)++;
        for (const char* name : {"name", "id", "color"}) {
            ASSERT_TRUE(calendars.FindChildElem(name)) << name;
            EXPECT_FALSE(calendars.GetChildData().empty()) << name;
        }
        ASSERT_TRUE(calendars.OutOfElem());
    }
    EXPECT_EQ(offered, 3);
    EXPECT_EQ(other, 1);

    CMarkupSTL alarms = Document("/alarm/simple_list?alarm_type=2");
    while (alarms.FindChildElem("alarm")) {
        ASSERT_TRUE(alarms.IntoElem());
        for (const char* name : {"alarmable_id", "alarm_at", "alarmable_type", "alarmable_title"}) {
            ASSERT_TRUE(alarms.FindChildElem(name)) << name;
            EXPECT_FALSE(alarms.GetChildData().empty()) << name;
        }
        ASSERT_TRUE(alarms.OutOfElem());
    }

    for (const auto& [path, child] : {std::pair<const char*, const char*>{"/calendar/show_default", "id"},
                                      {"/preference/pc_key", "sync-pc-key"},
                                      {"/sync/server_time", "time"}}) {
        CMarkupSTL xml = Document(path);
        EXPECT_FALSE(xml.FindChildElem("ERROR")) << path;
        xml.ResetChildPos();
        ASSERT_TRUE(xml.FindChildElem(child)) << path;
        EXPECT_FALSE(xml.GetChildData().empty()) << path;
    }
}

}  // namespace
