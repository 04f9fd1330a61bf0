// The main window against tamo-service on loopback, with real Chromium in its view: the login
// panels, signing in and out, the layouts, the menu's quit rules, the silent sign-in after
// sleep, a second copy of the program, and the remembered account.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWebEngineView>
#include <QtEndian>

#include "app/Account.h"
#include "app/TamoSyncDlg.h"
#include "base/HttpClient.h"
#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "base/TextCipher.h"
#include "platform/SingleInstance.h"
#include "support/LoopbackServer.h"
#include "support/PageScript.h"
#include "support/TestEnvironment.h"
#include "tests/service/ServiceHarness.h"

namespace {

using tamo::test::CServiceHarness;
using tamo::test::ScopedEnv;
using tamo::test::WaitFor;

QVariant Eval(QWebEnginePage* page, const QString& script)
{
    const QVariant value = tamo::test::EvalScript(page, script);
    EXPECT_TRUE(value.isValid()) << script.toStdString();
    return value;
}

class MainWindowTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(CServiceHarness::Get().Configure());
    }

    // Every test starts with settings of its own: a first start.
    void SetUp() override
    {
        ASSERT_TRUE(m_settings.isValid());
        m_config = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", m_settings.path().toLocal8Bit());
        WriteSettingFlag(settings::TaskBar, 0);  // a plain window, shown and hidden by the test
    }

    void TearDown() override
    {
        if (m_dlg) {
            m_dlg->m_fnAsk = [](const QString&, const QString&) { return int(tamoui::IDOK); };
            m_dlg->hide();
            m_dlg.reset();
        }
        ProcessEventsFor(50);
    }

    CTamoSyncDlg& Open()
    {
        m_dlg = std::make_unique<CTamoSyncDlg>();
        m_dlg->m_fnAsk = [this](const QString& title, const QString& text) {
            m_questions << title + QLatin1Char('|') + text;
            return m_answer;
        };
        m_dlg->show();
        EXPECT_TRUE(WaitFor([&] { return m_dlg->Background() != nullptr; }));
        return *m_dlg;
    }

    void SignIn(const QString& id, const QString& password)
    {
        CLoginDlg* login = m_dlg->Background()->Login();
        login->IdBox()->setEditText(id);
        login->PasswordBox()->setText(password);
        login->SignIn(false);
    }

    // Waits until the view's page stands.
    bool PageLoaded()
    {
        return WaitFor([&] { return m_dlg->Explorer()->HasDocument() && !m_dlg->Explorer()->IsNavigationPending(); });
    }

    QString PageUrl() const { return m_dlg->Explorer()->View()->url().toString(); }

    QTemporaryDir m_settings;
    std::unique_ptr<ScopedEnv> m_config;
    std::unique_ptr<CTamoSyncDlg> m_dlg;
    QStringList m_questions;
    int m_answer = tamoui::IDOK;
};

TEST_F(MainWindowTest, FirstStartShowsTheLoginPanelAndCountsTheInstall)
{
    CTamoSyncDlg& dlg = Open();
    EXPECT_EQ(dlg.size(), QSize(420, 287));
    EXPECT_EQ(dlg.GetDisplayMode(), CTamoSyncDlg::MODE_SIGNED_OUT);
    EXPECT_TRUE(dlg.Background()->isVisible());
    EXPECT_TRUE(dlg.Background()->Login()->isVisible());
    EXPECT_EQ(dlg.GetTrayIcon(), CTamoSyncDlg::kTrayIconSignedOut);
    EXPECT_EQ(dlg.windowTitle(), "Tamo Pello");
    EXPECT_EQ(dlg.TrayIcon()->toolTip(), "Tamo캘린더");
    for (int id : {CTamoSyncDlg::ID_LOGOUT, CTamoSyncDlg::ID_ADD_EVENT, CTamoSyncDlg::ID_ADD_TODO})
        EXPECT_FALSE(dlg.MenuItem(id)->isEnabled()) << id;
    EXPECT_FALSE(dlg.GetDlgItem(CTamoSyncDlg::IDC_SYNC)->isVisible());
    EXPECT_TRUE(dlg.GetDlgItemText(CTamoSyncDlg::IDC_DATE_LINE).contains(QStringLiteral("년")));
    EXPECT_EQ(ReadSetting(settings::Install), 1u);
    EXPECT_EQ(ReadSetting(settings::AutoStart), 0u);  // nothing registered: the truth is written
    // Every menu text as the user reads it.
    const QStringList texts = [&] {
        QStringList t;
        for (QAction* a : dlg.Menu()->actions())
            if (!a->isSeparator())
                t << a->text();
        return t;
    }();
    EXPECT_EQ(texts, QStringList({"로그 아웃", "항상 위 (&A)", "환경설정 (&C)", "아웃룩 싱크 (&O)", "미니모드 (&M)",
                                  "웹 Tamo캘린더 (&W)", "일정등록하기 (&S)", "할일등록하기 (&T)", "캘린더 공식블로그 (&B)",
                                  "도움말/문의 (&Q)", "프로그램 정보 (&F)", "프로그램 숨기기 (&H)", "프로그램 종료 (&X)"}));
}

TEST_F(MainWindowTest, WrongPasswordShowsTheFailurePanelRightOneTheCalendar)
{
    CTamoSyncDlg& dlg = Open();
    SignIn("demo", "wrong");
    EXPECT_FALSE(dlg.IsLoggedIn());
    ASSERT_NE(dlg.Background()->Error(), nullptr);
    EXPECT_TRUE(dlg.Background()->Error()->isVisible());
    EXPECT_FALSE(dlg.Background()->Login()->isVisible());
    EXPECT_EQ(dlg.Background()->Error()->GetDlgItemText(CErrorDlg::IDC_TEXT),
              "로그인에 실패하였습니다.\n아이디와 비밀번호를 다시 입력해주세요.");
    EXPECT_FALSE(dlg.MenuItem(CTamoSyncDlg::ID_LOGOUT)->isEnabled());
    EXPECT_EQ(dlg.GetTrayIcon(), CTamoSyncDlg::kTrayIconSignedOut);
    // Back, and the right password; the ID in capitals is kept in lower case.
    dlg.Background()->Error()->SendCommand(CErrorDlg::IDC_BACK);
    EXPECT_TRUE(dlg.Background()->Login()->isVisible());
    SignIn("DEMO", "tamo1234");
    ASSERT_TRUE(dlg.IsLoggedIn());
    EXPECT_EQ(dlg.Background()->Login()->IdBox()->currentText(), "demo");
    EXPECT_EQ(dlg.size(), QSize(548, 412));
    EXPECT_EQ(dlg.GetDisplayMode(), CTamoSyncDlg::MODE_EXPANDED);
    EXPECT_EQ(dlg.Explorer()->geometry(), QRect(5, 52, 538, 355));
    EXPECT_EQ(dlg.GetTrayIcon(), CTamoSyncDlg::kTrayIconSignedIn);
    EXPECT_FALSE(dlg.Background()->isVisible());
    EXPECT_TRUE(dlg.MenuItem(CTamoSyncDlg::ID_LOGOUT)->isEnabled());
    EXPECT_TRUE(dlg.GetCookie().contains("HM_CU="));
    ASSERT_TRUE(PageLoaded());
    EXPECT_TRUE(PageUrl().endsWith(endpoints::kMessengerTodo)) << PageUrl().toStdString();
    EXPECT_TRUE(Eval(dlg.Explorer()->View()->page(), "document.body.innerText.indexOf('보고서 작성') >= 0").toBool());
    // Remembered, with automatic sign-in.
    EXPECT_EQ(ReadRegString(settings::kKeyPath, settings::kUserID, {}), "demo");
    EXPECT_EQ(ReadSetting(settings::AutoLogin), 1u);
}

TEST_F(MainWindowTest, DisplayModesTakeTheirSizeViewAndPage)
{
    struct SCase {
        bool hideTodo;
        QSize expanded;
        QSize mini;
        int shift;
        QRect miniView;
        const QString& expandedPath;
        const QString& miniPath;
    };
    const SCase cases[] = {
        {false, {548, 412}, {375, 225}, 0, {5, 27, 365, 195}, endpoints::kMessengerTodo, endpoints::kMessengerSmallTodo},
        {true, {548, 272}, {190, 225}, 190, {2, 27, 185, 195}, endpoints::kMessengerNoTodo, endpoints::kMessengerSmallNoTodo},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.hideTodo);
        WriteSettingFlag(settings::HideTodo, c.hideTodo);
        WriteSettingFlag(settings::AutoLogin, 0);  // the first round saved the account
        CTamoSyncDlg& dlg = Open();
        // Signed out, the mode commands do nothing.
        dlg.MiniMode();
        EXPECT_EQ(dlg.GetDisplayMode(), CTamoSyncDlg::MODE_SIGNED_OUT);
        SignIn("demo", "tamo1234");
        ASSERT_TRUE(PageLoaded());
        EXPECT_EQ(dlg.size(), c.expanded);
        EXPECT_TRUE(PageUrl().endsWith(c.expandedPath)) << PageUrl().toStdString();
        const QPoint home = dlg.pos();

        dlg.MiniMode();
        EXPECT_EQ(dlg.GetDisplayMode(), CTamoSyncDlg::MODE_MINI);
        EXPECT_EQ(dlg.size(), c.mini);
        EXPECT_EQ(dlg.pos(), home + QPoint(c.shift, 0));
        EXPECT_EQ(dlg.Explorer()->geometry(), c.miniView);
        EXPECT_FALSE(dlg.GetDlgItem(CTamoSyncDlg::IDC_DATE_LINE)->isVisible());
        EXPECT_EQ(dlg.MenuItem(CTamoSyncDlg::ID_MODE)->text(), "확대모드 (&M)");
        ASSERT_TRUE(PageLoaded());
        EXPECT_TRUE(PageUrl().endsWith(c.miniPath)) << PageUrl().toStdString();

        dlg.ExpandMode();
        EXPECT_EQ(dlg.size(), c.expanded);
        EXPECT_EQ(dlg.pos(), home);  // back where it stood, every round trip
        EXPECT_EQ(dlg.MenuItem(CTamoSyncDlg::ID_MODE)->text(), "미니모드 (&M)");
        ASSERT_TRUE(PageLoaded());
        m_dlg.reset();
    }
}

TEST_F(MainWindowTest, ModeChangesWhilePageLoadsAndPageModeLinks)
{
    CTamoSyncDlg& dlg = Open();
    SignIn("demo", "tamo1234");
    ASSERT_TRUE(PageLoaded());
    // A page link hides the right half: the window narrows, the view with it.
    const QPoint home = dlg.pos();
    const SNavigationRule* leftHide = MatchNavigation(MainViewRules(), "/messenger/?mode=lefthide");
    dlg.OnPageAction(*leftHide, "/messenger/?mode=lefthide");
    EXPECT_EQ(dlg.size(), QSize(190, 225));
    EXPECT_EQ(dlg.pos(), home + QPoint(190, 0));
    EXPECT_EQ(dlg.Explorer()->geometry(), QRect(2, 27, 185, 195));

    // While a page loads, a sign-in result and mode switches change nothing.
    dlg.Explorer()->Navigate(CServiceHarness::Get().Url("/messenger/?todo_visible=0"));
    ASSERT_TRUE(dlg.Explorer()->IsNavigationPending());
    signin::Result failed;
    EXPECT_FALSE(dlg.OnSignInResult(false, false, failed));
    EXPECT_TRUE(dlg.IsLoggedIn());
    dlg.MiniMode();
    EXPECT_EQ(dlg.GetDisplayMode(), CTamoSyncDlg::MODE_EXPANDED);
    ASSERT_TRUE(PageLoaded());
}

TEST_F(MainWindowTest, SignOutEndsEverythingOfTheSession)
{
    CTamoSyncDlg& dlg = Open();
    SignIn("demo", "tamo1234");
    ASSERT_TRUE(PageLoaded());
    dlg.MenuItem(CTamoSyncDlg::ID_LOGOUT)->trigger();
    EXPECT_FALSE(dlg.IsLoggedIn());
    EXPECT_EQ(dlg.GetDisplayMode(), CTamoSyncDlg::MODE_SIGNED_OUT);
    EXPECT_EQ(dlg.size(), QSize(420, 287));
    EXPECT_TRUE(dlg.Background()->Login()->isVisible());
    EXPECT_EQ(dlg.Background()->Login()->IdBox()->currentText(), "demo");  // the saved account again
    EXPECT_FALSE(dlg.Explorer()->isVisible());
    for (int id : {CTamoSyncDlg::TIMER_ALARMS, CTamoSyncDlg::TIMER_SESSION, CTamoSyncDlg::TIMER_RELOAD})
        EXPECT_FALSE(dlg.HasTimer(id)) << id;
    for (int id : {CTamoSyncDlg::ID_LOGOUT, CTamoSyncDlg::ID_ADD_EVENT, CTamoSyncDlg::ID_ADD_TODO})
        EXPECT_FALSE(dlg.MenuItem(id)->isEnabled()) << id;
    EXPECT_FALSE(dlg.GetDlgItem(CTamoSyncDlg::IDC_SYNC)->isVisible());
    EXPECT_EQ(dlg.GetTrayIcon(), CTamoSyncDlg::kTrayIconSignedOut);
    EXPECT_TRUE(dlg.GetCookie().isEmpty());
    // The session's cookies are gone from the HTTP client too: the service no longer knows us.
    EXPECT_FALSE(CHttpClient::GetCookie(CServiceHarness::Get().Url("/")).contains("HM_CU="));
    EXPECT_EQ(CServiceHarness::Get().GetPath("/preference/?format=xml").body.find("<ERROR") != std::string::npos, true);
}

TEST_F(MainWindowTest, QuitAsksFromTheWindowMenuNotFromTheTray)
{
    CTamoSyncDlg& dlg = Open();
    dlg.move(120, 80);
    // From the tray menu: no question, the position is kept.
    dlg.MenuItem(CTamoSyncDlg::ID_QUIT)->trigger();
    EXPECT_TRUE(m_questions.isEmpty());
    EXPECT_EQ(dlg.result(), tamoui::IDOK);
    unsigned char position[8];
    ASSERT_TRUE(ReadWindowPosition(position));
    EXPECT_EQ(qFromLittleEndian<qint32>(position), 120);
    EXPECT_EQ(qFromLittleEndian<qint32>(position + 4), 80);

    // From the window's own menu button: the question; cancel keeps the program.
    CTamoSyncDlg& again = Open();
    EXPECT_EQ(again.pos(), QPoint(120, 80));  // restored
    m_answer = tamoui::IDCANCEL;
    QTimer::singleShot(200, &again, [&again] {
        again.MenuItem(CTamoSyncDlg::ID_QUIT)->trigger();
        again.Menu()->close();
    });
    again.SendCommand(CTamoSyncDlg::IDC_MENU);
    ASSERT_EQ(m_questions.size(), 1);
    EXPECT_EQ(m_questions.front(), "경고|Pello를 종료하시겠습니까?");
    EXPECT_TRUE(again.isVisible());

    // The close button hides when ExitHide is set (the default), and the menu then offers to open.
    again.SendCommand(CTamoDlg::IDC_TITLE_CLOSE);
    EXPECT_FALSE(again.isVisible());
    EXPECT_EQ(again.MenuItem(CTamoSyncDlg::ID_SHOW_HIDE)->text(), "프로그램 열기 (&H)");
    // Hidden, quit ends without a question.
    again.MenuItem(CTamoSyncDlg::ID_QUIT)->trigger();
    EXPECT_EQ(m_questions.size(), 1);
}

TEST_F(MainWindowTest, ASecondCopyBringsTheFirstForward)
{
    CTamoSyncDlg& dlg = Open();
    platform::CSingleInstance instance;
    ASSERT_TRUE(instance.CheckSingleInstance());
    QObject::connect(&instance, &platform::CSingleInstance::activateRequested, &dlg, &CTamoSyncDlg::BringForward);
    dlg.SendCommand(CTamoDlg::IDC_TITLE_CLOSE);  // hidden to the tray
    ASSERT_FALSE(dlg.isVisible());

    QProcess second;
    second.start(tamo::test::BinaryDir() + "/bin/TamoSync", QStringList());
    ASSERT_TRUE(second.waitForStarted());
    ASSERT_TRUE(WaitFor([&] { return second.state() == QProcess::NotRunning; }, 30000));
    EXPECT_TRUE(WaitFor([&] { return dlg.isVisible(); }));
    EXPECT_EQ(dlg.MenuItem(CTamoSyncDlg::ID_SHOW_HIDE)->text(), "프로그램 숨기기 (&H)");
}

TEST_F(MainWindowTest, TheUpdatersRequestEndsARunningCopy)
{
    // The whole program as a process of its own, so that its own start-up wires the request.
    QProcess program;
    program.start(tamo::test::BinaryDir() + "/bin/TamoSync", QStringList());
    ASSERT_TRUE(program.waitForStarted());
    // One request, as soon as the program listens: most often while it still checks its version,
    // before its window exists.
    ASSERT_TRUE(WaitFor([] {
        if (platform::CSingleInstance::SendTerminate())
            return true;
        QThread::msleep(10);
        return false;
    }, 30000));
    const bool ended = WaitFor([&] { return program.state() == QProcess::NotRunning; }, 30000);
    if (!ended) {
        program.kill();
        program.waitForFinished();
    }
    EXPECT_TRUE(ended);
}

TEST_F(MainWindowTest, ResumeWithTheServiceDownTriesFiveTimesThenShowsTheLogin)
{
    CTamoSyncDlg& dlg = Open();
    SignIn("demo", "tamo1234");
    ASSERT_TRUE(PageLoaded());
    dlg.OnSuspend();
    EXPECT_FALSE(dlg.IsLoggedIn());

    // Waking with the service gone: nothing listens where the configuration points.
    std::array<QString, size_t(Service::Count)> bases;
    bases.fill(QString::fromStdString("http://127.0.0.1:" + std::to_string(tamo::test::UnusedLoopbackPort())));
    const QString config = qEnvironmentVariable("TAMO_SERVICE_CONFIG");
    ASSERT_TRUE(CServiceConfig::Write(config, bases, QByteArray(16, 'k'), QByteArray(8, 'v'), "calendar.tamo"));
    ASSERT_TRUE(CServiceConfig::Reload());

    QElapsedTimer clock;
    clock.start();
    dlg.OnResume();
    std::vector<qint64> tries;  // when each failed try was counted
    ASSERT_TRUE(WaitFor(
        [&] {
            while (int(tries.size()) < dlg.GetSilentTries())
                tries.push_back(clock.elapsed());
            return !dlg.HasTimer(CTamoSyncDlg::TIMER_RESIGN_IN) && dlg.Background()->Login()->isVisible();
        },
        20000));
    const qint64 end = clock.elapsed();
    // Tries at 1, 3, 5, 7 and 9 s; the fifth gives up.
    ASSERT_EQ(tries.size(), 5u);
    for (size_t k = 0; k < tries.size(); ++k) {
        EXPECT_GE(tries[k], qint64(1000 + 2000 * k) - 100) << k;
        EXPECT_LT(tries[k], qint64(1000 + 2000 * k) + 1500) << k;
    }
    EXPECT_GE(end, 8900);
    EXPECT_FALSE(dlg.IsLoggedIn());
    EXPECT_TRUE(dlg.Background()->Login()->isVisible());

    ASSERT_TRUE(CServiceHarness::Get().Configure());
}

TEST_F(MainWindowTest, RememberBoxKeepsOrForgetsThePassword)
{
    CTamoSyncDlg& dlg = Open();
    CLoginDlg* login = dlg.Background()->Login();
    login->SavePasswordBox()->setChecked(true);
    login->AutoLoginBox()->setChecked(false);
    SignIn("demo", "tamo1234");
    ASSERT_TRUE(PageLoaded());
    EXPECT_EQ(account::Load().password, "tamo1234");
    EXPECT_EQ(ReadSetting(settings::AutoLogin), 0u);
    dlg.SignOut();
    ASSERT_TRUE(WaitFor([&] { return !dlg.Explorer()->IsNavigationPending(); }));

    // Unticked: nothing of the password stays, and the fields are empty.
    login->SavePasswordBox()->setChecked(false);
    SignIn("demo", "tamo1234");
    ASSERT_TRUE(PageLoaded());
    EXPECT_EQ(ReadSetting(settings::SavePW), 0u);
    EXPECT_TRUE(ReadRegString(settings::kKeyPath, settings::kUserPW, {}).isEmpty());
    EXPECT_EQ(ReadRegDword(settings::kKeyPath, settings::kLastLogin, 0), 0u);
    EXPECT_FALSE(account::Load().found);
    EXPECT_TRUE(login->IdBox()->currentText().isEmpty());
    EXPECT_TRUE(login->PasswordBox()->text().isEmpty());
    dlg.SignOut();  // the saved account is read again: no password comes back
    EXPECT_TRUE(login->PasswordBox()->text().isEmpty());
}

TEST(AccountTest, IdListKeepsTheFiveNewestAndTheLastLoginKey)
{
    QTemporaryDir settingsDir;
    ScopedEnv config("XDG_CONFIG_HOME", settingsDir.path().toLocal8Bit());
    struct SStep {
        const char* id;
        QStringList expected;  // the list after storing
    };
    const SStep steps[] = {
        {"a", {"a"}},
        {"b", {"b", "a"}},
        {"b", {"b", "a"}},  // the last ID again: the list stays
        {"a", {"a", "b"}},  // an earlier ID moves to the head
        {"c", {"c", "a", "b"}},
        {"b", {"b", "c", "a"}},
        {"d", {"d", "b", "c", "a"}},
        {"e", {"e", "d", "b", "c", "a"}},
        {"f", {"f", "e", "d", "b", "c"}},  // the sixth pushes the oldest out
    };
    quint32 now = 1700000000;
    for (const SStep& step : steps) {
        account::Store(step.id, QStringLiteral("pw-") + step.id, true, ++now);
        const account::SSaved saved = account::Load();
        EXPECT_EQ(saved.ids, step.expected) << step.id;
        EXPECT_EQ(saved.id, step.id);
        EXPECT_EQ(saved.password, QStringLiteral("pw-") + step.id);
    }
    // A password stored before the sign-in time was kept is read with the ID alone as its key.
    WriteRegDword(settings::kKeyPath, settings::kLastLogin, 0);
    WriteRegString(settings::kKeyPath, settings::kUserPW, EncryptToHex(QStringLiteral("f"), QStringLiteral("old")));
    EXPECT_EQ(account::Load().password, "old");
    EXPECT_EQ(account::PasswordKey("kim", 42), "kim5A7C19E2-0D3B-4f61-A2E8-7B40C93D15F642");
}

}  // namespace
