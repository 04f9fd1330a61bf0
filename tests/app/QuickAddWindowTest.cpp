// The quick-add windows as the main window opens them, with real Chromium in its view against
// tamo-service: the menu entries are greyed while one is open, a save counts its usage event and
// the page shows the new item; a cancel does neither.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>

#include "app/CalToolTip.h"
#include "app/QuickAddDlg.h"
#include "app/TamoSyncDlg.h"
#include "base/EventWait.h"
#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "base/WindowMessage.h"
#include "support/PageScript.h"
#include "support/TestEnvironment.h"
#include "tests/service/ServiceHarness.h"

namespace {

using tamo::test::CServiceHarness;
using tamo::test::ScopedEnv;

template <typename Pred>
bool WaitFor(Pred pred, int ms = 15000)
{
    return WaitUntil(pred, ms);
}

QVariant Eval(QWebEnginePage* page, const QString& script)
{
    const QVariant value = tamo::test::EvalScript(page, script);
    EXPECT_TRUE(value.isValid()) << script.toStdString();
    return value;
}

class QuickAddWindowTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(CServiceHarness::Get().Configure());
    }

    void SetUp() override
    {
        ASSERT_TRUE(m_settings.isValid());
        m_config = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", m_settings.path().toLocal8Bit());
        WriteSettingFlag(settings::TaskBar, 0);
        m_dlg = std::make_unique<CTamoSyncDlg>();
        m_dlg->m_fnAsk = [](const QString&, const QString&) { return int(tamoui::IDOK); };
        m_dlg->show();
        ASSERT_TRUE(WaitFor([&] { return m_dlg->Background() != nullptr; }));
        CLoginDlg* login = m_dlg->Background()->Login();
        login->IdBox()->setEditText(QStringLiteral("demo"));
        login->PasswordBox()->setText(QStringLiteral("tamo1234"));
        login->SignIn(false);
        ASSERT_TRUE(m_dlg->IsLoggedIn());
        ASSERT_TRUE(WaitFor([&] { return m_dlg->Explorer()->HasDocument() && !m_dlg->Explorer()->IsNavigationPending(); }));
    }

    void TearDown() override
    {
        m_dlg->hide();
        m_dlg.reset();
        WaitFor([] { return false; }, 50);
    }

    // Starts a quick-add window by trigger (the menu, a page link, the pop-up's command); act
    // gets the window while it is open. True when the window came and went.
    template <typename Dlg>
    bool Run(const std::function<void()>& trigger, const std::function<void(Dlg&)>& act)
    {
        bool seen = false;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* quickAdd = qobject_cast<Dlg*>(QApplication::activeModalWidget());
            if (!quickAdd || seen)
                return;
            seen = true;
            poll.stop();
            EXPECT_FALSE(m_dlg->MenuItem(CTamoSyncDlg::ID_ADD_EVENT)->isEnabled());
            EXPECT_FALSE(m_dlg->MenuItem(CTamoSyncDlg::ID_ADD_TODO)->isEnabled());
            act(*quickAdd);
            if (quickAdd->isVisible())
                quickAdd->SendCommand(tamoui::IDCLOSE_TITLE);
        });
        poll.start();
        trigger();
        WaitFor([&] { return seen && !QApplication::activeModalWidget(); }, 10000);
        EXPECT_TRUE(m_dlg->MenuItem(CTamoSyncDlg::ID_ADD_EVENT)->isEnabled());
        EXPECT_TRUE(m_dlg->MenuItem(CTamoSyncDlg::ID_ADD_TODO)->isEnabled());
        return seen;
    }

    template <typename Dlg>
    bool RunFromMenu(int nMenuId, const std::function<void(Dlg&)>& act)
    {
        return Run<Dlg>([&] { m_dlg->MenuItem(nMenuId)->trigger(); }, act);
    }

    // The usage events the statistics service received, once done holds for them (or after
    // a while).
    std::string Statistics(std::function<bool(const std::string&)> done = {})
    {
        m_dlg->Logger().Flush();
        std::string body;
        WaitFor([&] {
            body = CServiceHarness::Get().GetPath("/_test/statistics").body;
            return done && done(body);
        }, done ? 5000 : 300);
        return body;
    }

    bool PageShows(const QString& text)
    {
        const QString script = QStringLiteral("document.body.innerText.indexOf('%1') >= 0").arg(text);
        return WaitFor([&] { return Eval(m_dlg->Explorer()->View()->page(), script).toBool(); }, 10000);
    }

    QTemporaryDir m_settings;
    std::unique_ptr<ScopedEnv> m_config;
    std::unique_ptr<CTamoSyncDlg> m_dlg;
};

TEST_F(QuickAddWindowTest, SavedToDoCountsAndShowsOnThePage)
{
    const QString title = QStringLiteral("창에서 쓴 할일");
    const bool seen = RunFromMenu<CSetTodoDlg>(CTamoSyncDlg::ID_ADD_TODO, [&](CSetTodoDlg& dlg) {
        qobject_cast<QLineEdit*>(dlg.GetDlgItem(CSetTodoDlg::IDC_TITLE))->setText(title);
        dlg.SendCommand(CSetTodoDlg::IDC_SAVE);
    });
    ASSERT_TRUE(seen);
    EXPECT_TRUE(PageShows(title));
    const auto written = [](const std::string& text) { return text.find("cate[]=write") != std::string::npos; };
    EXPECT_TRUE(written(Statistics(written)));
}

TEST_F(QuickAddWindowTest, SavedEventCountsAndACancelDoesNot)
{
    const std::string before = Statistics();
    const auto inputs = [](const std::string& text) {
        size_t n = 0;
        for (size_t at = text.find("cate[]=input"); at != std::string::npos; at = text.find("cate[]=input", at + 1))
            ++n;
        return n;
    };
    ASSERT_TRUE(RunFromMenu<CSetAppointmentDlg>(CTamoSyncDlg::ID_ADD_EVENT, [](CSetAppointmentDlg& dlg) {
        dlg.SendCommand(CSetAppointmentDlg::IDC_CANCEL);
    }));
    EXPECT_EQ(inputs(Statistics()), inputs(before));

    ASSERT_TRUE(RunFromMenu<CSetAppointmentDlg>(CTamoSyncDlg::ID_ADD_EVENT, [](CSetAppointmentDlg& dlg) {
        dlg.m_fnMessage = [](const QString& title, const QString& text) {
            ADD_FAILURE() << title.toStdString() << ": " << text.toStdString();
        };
        qobject_cast<QLineEdit*>(dlg.GetDlgItem(CSetAppointmentDlg::IDC_TITLE))->setText(QStringLiteral("창에서 넣은 일정"));
        dlg.SendCommand(CSetAppointmentDlg::IDC_SAVE);
        EXPECT_FALSE(dlg.isVisible());
    }));
    EXPECT_EQ(inputs(Statistics([&](const std::string& text) { return inputs(text) > inputs(before); })),
              inputs(before) + 1);
    const auto items = tamo::test::ParseXml(CServiceHarness::Get().GetPath("/_test/items?kind=event").body);
    ASSERT_TRUE(items);
    bool stored = false;
    for (const auto* item : items->Children("item"))
        stored = stored || item->ChildText("title") == "창에서 넣은 일정";
    EXPECT_TRUE(stored);
}

TEST_F(QuickAddWindowTest, PageLinksAndThePopUpOpenTheWindows)
{
    // The page's own "add" links.
    QWebEnginePage* page = m_dlg->Explorer()->View()->page();
    EXPECT_TRUE(Run<CSetTodoDlg>([&] { page->runJavaScript(QStringLiteral("document.querySelector('#todo a.add').click();")); },
                                 [](CSetTodoDlg&) {}));
    EXPECT_TRUE(Run<CSetAppointmentDlg>(
        [&] { page->runJavaScript(QStringLiteral("document.querySelector('a.add[href*=\"event/new\"]').click();")); },
        [](CSetAppointmentDlg&) {}));
    // The detail pop-up posts the command to the window.
    EXPECT_TRUE(Run<CSetAppointmentDlg>(
        [&] { PostWindowMessage(m_dlg.get(), WM_COMMAND, CTamoSyncDlg::ID_ADD_EVENT, 0); },
        [](CSetAppointmentDlg&) {}));
}

}  // namespace
