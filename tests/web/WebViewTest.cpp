// The calendar web view in real Chromium against tamo-service on loopback: the page, its links
// and what the program makes of them, window.external, page script, the browser windows, the
// hand-over and the cookies shared with the HTTP client.
#include <atomic>
#include <mutex>

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QTest>
#include <QWebEngineView>

#include "app/CalToolTip.h"
#include "app/Explorer.h"
#include "app/ServicePage.h"
#include "app/WebBrowser.h"
#include "app/WebPage.h"
#include "app/WebProfile.h"
#include "base/HttpClient.h"
#include "base/ServiceEndpoints.h"
#include "base/URLEncoder.h"
#include "base/WindowMessage.h"
#include "support/LoopbackServer.h"
#include "support/PageScript.h"
#include "support/TestEnvironment.h"
#include "tests/service/ServiceHarness.h"

namespace {

using tamo::test::CServiceHarness;
using tamo::test::LoopbackServer;
using tamo::test::WaitFor;
using tamo::test::WaitScript;

QVariant Eval(QWebEnginePage* page, const QString& script)
{
    const QVariant value = tamo::test::EvalScript(page, script);
    EXPECT_TRUE(value.isValid()) << script.toStdString();
    return value;
}

// Records what the view hands to its owner.
struct SRecorder : IExplorerHost {
    struct SAction {
        ENavAction action;
        QString contains;
        QString url;
    };
    std::vector<SAction> actions;
    void OnPageAction(const SNavigationRule& rule, const QString& url) override
    {
        actions.push_back({rule.action, QString::fromLatin1(rule.contains), url});
    }
};

// A window that stands for the main window: it collects posted commands.
class COwner : public QWidget {
public:
    std::vector<quintptr> commands;

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() == CWindowMessageEvent::EventType()) {
            auto* message = static_cast<CWindowMessageEvent*>(event);
            if (message->Message() == WM_COMMAND)
                commands.push_back(message->WParam());
        }
    }
};

class WebViewTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        CServiceHarness& harness = CServiceHarness::Get();
        ASSERT_TRUE(harness.Configure());
        ASSERT_TRUE(harness.SignInDemo());
    }

    static QString Url(const std::string& path) { return CServiceHarness::Get().Url(path); }

    // A view hosted in a plain widget, with the calendar page of the given variant loaded.
    void Load(const QString& path, QSize size = {365, 195})
    {
        m_host.resize(size);
        m_explorer = std::make_unique<CExplorer>(&m_recorder, MainViewRules(), &m_host);
        m_explorer->resize(size);
        m_explorer->show();
        m_host.show();
        bool complete = false;
        QObject::connect(m_explorer.get(), &CExplorer::DocumentComplete, [&](const QString&, bool ok) { complete = ok; });
        m_explorer->Navigate(Url(path.toStdString()));
        ASSERT_TRUE(WaitFor([&] { return complete; }));
        EXPECT_FALSE(m_explorer->IsNavigationPending());
    }

    QWebEnginePage* Page() const { return m_explorer->View()->page(); }

    // Clicks in the page as the user would (trusted events) until the condition holds: input
    // reaches the page once it has drawn a frame, and a click that arrives while the compositor
    // is still busy can be lost, so it is given again (at most three times).
    template <typename Pred>
    bool ClickUntil(const QPoint& at, Qt::MouseButton button, Pred done)
    {
        QWidget* target = m_explorer->View()->focusProxy();
        if (!target)
            return false;
        WaitScript(Page(), "window.tamoFramed = false; requestAnimationFrame(function(){"
                           "requestAnimationFrame(function(){ window.tamoFramed = true; }); }); true");
        WaitScript(Page(), "window.tamoFramed === true");
        for (int attempt = 0; attempt < 3; ++attempt) {
            QTest::mouseClick(target, button, {}, at);
            if (button == Qt::RightButton) {
                QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
                QApplication::sendEvent(target, &event);
            }
            if (WaitFor(done, 4000))
                return true;
        }
        return false;
    }

    // Clicks the first link matching the selector; the view hands exactly one action over
    // (the navigation is cancelled, so a repeated click changes nothing).
    void ClickLink(const QString& selector)
    {
        const size_t before = m_recorder.actions.size();
        const QVariantList box = Eval(Page(), QStringLiteral(
            "(function(){var a=document.querySelector('%1'); if(!a) return null; a.scrollIntoView();"
            "var r=a.getBoundingClientRect(); return [r.left+Math.min(4,r.width/2), r.top+r.height/2];})()").arg(selector)).toList();
        ASSERT_EQ(box.size(), 2) << selector.toStdString();
        ASSERT_TRUE(ClickUntil(QPoint(box[0].toInt(), box[1].toInt()), Qt::LeftButton,
                               [&] { return m_recorder.actions.size() > before; }))
            << selector.toStdString();
        EXPECT_EQ(m_recorder.actions.size(), before + 1) << selector.toStdString();
    }

    QWidget m_host;
    SRecorder m_recorder;
    std::unique_ptr<CExplorer> m_explorer;
};

TEST_F(WebViewTest, CalendarPageShowsTheSignedInUsersItems)
{
    Load(endpoints::kMessengerTodo);
    EXPECT_TRUE(Eval(Page(), "document.body.innerText.indexOf('팀 주간 회의') >= 0").toBool());
    EXPECT_TRUE(Eval(Page(), "document.body.innerText.indexOf('보고서 작성') >= 0").toBool());
    EXPECT_TRUE(Eval(Page(), "!!document.querySelector('table.month')").toBool());
    // Without the to-do list, and compact.
    Load(endpoints::kMessengerSmallNoTodo, {185, 195});
    EXPECT_FALSE(Eval(Page(), "!!document.getElementById('todo')").toBool());
    EXPECT_TRUE(Eval(Page(), "document.body.classList.contains('small')").toBool());
}

TEST_F(WebViewTest, LinksOfThePageAreHandedToTheOwnerAndCancelled)
{
    Load(endpoints::kMessengerTodo);
    const QString page = Page()->url().toString();
    struct SCase {
        const char* selector;
        ENavAction action;
        const char* contains;
    };
    const SCase cases[] = {
        {"a.add[href*=\"event/new\"]", ENavAction::QuickAddEvent, "event/new"},
        {"#todo a.add", ENavAction::QuickAddTodo, "todo/new"},
        {"li.event a", ENavAction::ToolTip, "?cursor="},
        {"a[href*=\"mode=lefthide\"]", ENavAction::Mode, "mode=lefthide"},
        {"a[href*=\"mode=righthide\"]", ENavAction::Mode, "mode=righthide"},
        {"a[href=\"/#today_schedule\"]", ENavAction::ServicePage, "#today_schedule"},
        {"a[href=\"/#receive_invitation\"]", ENavAction::ServicePage, "#receive_invitation"},
        {"a[href=\"/#todo_view\"]", ENavAction::ServicePage, "#todo_view"},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.selector);
        ClickLink(QString::fromLatin1(c.selector));
        EXPECT_EQ(m_recorder.actions.back().action, c.action);
        EXPECT_EQ(m_recorder.actions.back().contains, QLatin1String(c.contains));
    }
    // Every one was cancelled: the page never left, and nothing is pending.
    QTest::qWait(200);
    EXPECT_EQ(Page()->url().toString(), page);
    EXPECT_FALSE(m_explorer->IsNavigationPending());
    EXPECT_EQ(m_recorder.actions.size(), std::size(cases));

    // The small page: its to-do link asks for the full size too, and counts as a to-do; its
    // controls widen the window either way.
    Load(endpoints::kMessengerSmallTodo, {185, 195});
    const size_t before = m_recorder.actions.size();
    ClickLink("#todo a.add");
    ClickLink("a[href*=\"mode=leftshow\"]");
    ClickLink("a[href*=\"mode=max\"]");
    ASSERT_EQ(m_recorder.actions.size(), before + 3);
    EXPECT_EQ(m_recorder.actions[before].action, ENavAction::QuickAddTodo);
    EXPECT_TRUE(m_recorder.actions[before].url.contains("mode=max"));
    EXPECT_EQ(m_recorder.actions[before + 1].contains, "mode=leftshow");
    EXPECT_EQ(m_recorder.actions[before + 2].contains, "mode=max");
}

TEST(NavigationRulesTest, FirstMatchingRuleWinsWithTheGeometryOfItsMode)
{
    struct SCase {
        const char* url;
        const char* expected;  // null: loaded
    };
    const SCase cases[] = {
        {"http://x/todo/new?mode=max", "todo/new"},
        {"http://x/event/new?cursor=3", "event/new"},
        {"http://x/messenger/item?cursor=3&u=todo/new", "?cursor="},
        {"http://x/messenger/?mode=maximum", "mode=max"},
        {"http://x/#todo_view", "#todo_view"},
        {"http://x/messenger/?todo_visible=1", nullptr},
        {"http://x/events/new", nullptr},
    };
    for (const SCase& c : cases) {
        const SNavigationRule* rule = MatchNavigation(MainViewRules(), QString::fromLatin1(c.url));
        if (!c.expected) {
            EXPECT_EQ(rule, nullptr) << c.url;
            continue;
        }
        ASSERT_NE(rule, nullptr) << c.url;
        EXPECT_STREQ(rule->contains, c.expected) << c.url;
    }
    const SNavigationRule* leftHide = MatchNavigation(MainViewRules(), "?mode=lefthide");
    EXPECT_EQ(leftHide->mode.window, QSize(190, 225));
    EXPECT_EQ(leftHide->mode.moveX, 190);
    EXPECT_EQ(leftHide->mode.browser, QRect(2, 27, 185, 195));
    const SNavigationRule* leftShow = MatchNavigation(MainViewRules(), "?mode=leftshow");
    EXPECT_EQ(leftShow->mode.moveX, -190);
    EXPECT_EQ(leftShow->mode.browser, QRect(5, 27, 365, 195));
    // The pop-up's view takes over adding an event alone.
    EXPECT_EQ(MatchNavigation(ToolTipRules(), "http://x/todo/new"), nullptr);
    EXPECT_NE(MatchNavigation(ToolTipRules(), "http://x/event/new"), nullptr);
}

TEST_F(WebViewTest, ExternalObjectAnswersXxyNamesInEveryFrame)
{
    Load(endpoints::kMessengerTodo);
    EXPECT_EQ(Eval(Page(), "window.external.xxyyzz").toString(), "Wibble");
    EXPECT_EQ(Eval(Page(), "window.external['xxy']").toString(), "Wibble");
    EXPECT_EQ(Eval(Page(), "window.external['\uFF58\uFF58\uFF59\uFF41']").toString(), "Wibble");  // full width
    EXPECT_EQ(Eval(Page(), "typeof window.external.XXYzz").toString(), "undefined");
    EXPECT_EQ(Eval(Page(), "typeof window.external.xx").toString(), "undefined");
    EXPECT_EQ(Eval(Page(), "typeof window.external.abc").toString(), "undefined");
    // Calls and writes do nothing, and the page cannot replace the object.
    EXPECT_EQ(Eval(Page(), "window.external.xxyq = 5; window.external = null; window.external.xxyq").toString(), "Wibble");
    // A frame gets its own.
    Eval(Page(), "var f=document.createElement('iframe'); f.id='probe'; f.src='/blank.html'; document.body.appendChild(f); 1");
    ASSERT_TRUE(WaitScript(Page(), "(function(){var f=document.getElementById('probe');"
                                   "return !!(f && f.contentDocument && f.contentDocument.readyState=='complete' &&"
                                   " f.contentWindow.location.pathname=='/blank.html');})()"));
    EXPECT_EQ(Eval(Page(), "document.getElementById('probe').contentWindow.external.xxyAbc").toString(), "Wibble");
    // The frame's load does not hold the main view's pending flag.
    EXPECT_FALSE(m_explorer->IsNavigationPending());
}

TEST_F(WebViewTest, PageScriptRunsInThePageAndReloadsItsParts)
{
    Load(endpoints::kMessengerTodo);
    const auto answer = CServiceHarness::Get().PostForm(
        "/todos/", "todo[title]=%ec%83%88+%ed%95%a0+%ec%9d%bc+%ed%99%95%ec%9d%b8&todo[priority]=1");
    ASSERT_TRUE(answer.sent);
    ASSERT_EQ(answer.status, 200u) << answer.body;
    EXPECT_FALSE(Eval(Page(), "document.getElementById('todo').innerText.indexOf('새 할 일 확인') >= 0").toBool());
    m_explorer->RunPageScript("todo_reload();");
    EXPECT_TRUE(WaitScript(Page(), "document.getElementById('todo').innerText.indexOf('새 할 일 확인') >= 0"));
    m_explorer->RunPageScript("miniLoading();");
    EXPECT_TRUE(WaitScript(Page(), "document.body.classList.contains('loading')"));
    m_explorer->RunPageScript("event_reload();");
    EXPECT_TRUE(WaitScript(Page(), "!document.body.classList.contains('loading')"));

    // Nothing without a page.
    CExplorer empty(&m_recorder, MainViewRules());
    empty.RunPageScript("window.ran = 1;");
    EXPECT_FALSE(empty.HasDocument());
}

// The view and its page are made when first needed, also when the view was shown before:
// never a page of the view's own on another profile (no external object, no shared cookies),
// and only once.
TEST_F(WebViewTest, ViewMadeBeforeAnyLoadIsOnTheProgramsProfile)
{
    QWidget host;
    CExplorer fresh(&m_recorder, MainViewRules(), &host);
    host.show();
    QTest::qWait(50);
    QWebEnginePage* page = fresh.View()->page();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->profile(), TamoWebProfile());
    fresh.EnsurePage();
    EXPECT_EQ(fresh.View()->page(), page);
    EXPECT_EQ(fresh.findChildren<QWebEnginePage*>().size(), 1);
}

TEST_F(WebViewTest, RightClickShowsNoMenuButReachesThePage)
{
    Load(endpoints::kMessengerTodo);
    Eval(Page(), "window.menus = 0; document.addEventListener('contextmenu', function(){ window.menus++; }); 1");
    ASSERT_TRUE(ClickUntil(QPoint(60, 60), Qt::RightButton,
                           [&] { return Eval(Page(), "window.menus > 0").toBool(); }));
    QTest::qWait(100);
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<QMenu*>(w) && w->isVisible());
}

TEST_F(WebViewTest, PendingFlagFollowsTheMainFrameAndClearsHoweverTheLoadEnds)
{
    LoopbackServer server;
    server.Server().Get("/nothing", [](const httplib::Request&, httplib::Response& res) { res.status = 204; });
    server.Server().Get("/file", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Content-Disposition", "attachment; filename=\"a.bin\"");
        res.set_content(std::string(100, 'x'), "application/octet-stream");
    });
    server.Server().Get("/missing", [](const httplib::Request&, httplib::Response& res) {
        res.status = 404;
        res.set_content("no", "text/plain");
    });
    server.Start();
    Load(endpoints::kMessengerTodo);

    for (const std::string path : {"/nothing", "/file", "/missing"}) {
        SCOPED_TRACE(path);
        m_explorer->Navigate(QString::fromStdString(server.Url(path)));
        EXPECT_TRUE(WaitFor([&] { return !m_explorer->IsNavigationPending(); }));
    }
    // A server that never answers: stopping the load ends it.
    m_explorer->Navigate(QString::fromStdString("http://127.0.0.1:" + std::to_string(tamo::test::UnusedLoopbackPort()) + "/"));
    EXPECT_TRUE(WaitFor([&] { return !m_explorer->IsNavigationPending(); }));

    Load(endpoints::kMessengerTodo);
    // A move inside the document sets nothing.
    Eval(Page(), "location.hash = 'top'; 1");
    QTest::qWait(100);
    EXPECT_FALSE(m_explorer->IsNavigationPending());
    // A real navigation sets it until its document is complete.
    bool complete = false;
    QObject::connect(m_explorer.get(), &CExplorer::DocumentComplete, [&] { complete = true; });
    m_explorer->Navigate(Url("/messenger/?todo_visible=0"));
    EXPECT_TRUE(m_explorer->IsNavigationPending());
    ASSERT_TRUE(WaitFor([&] { return complete; }));
    EXPECT_FALSE(m_explorer->IsNavigationPending());
}

TEST_F(WebViewTest, ToolTipShowsTheDetailAtTheCursorAndClosesWhenLeft)
{
    COwner owner;
    owner.resize(375, 225);
    owner.show();
    QWidget other;
    other.resize(100, 100);
    other.show();

    const QString url = Url("/messenger/item?cursor=1");
    CCalToolTip* tip = CCalToolTip::Show(&owner, url, QPoint(200, 300));
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->pos(), QPoint(200, 270));
    EXPECT_EQ(tip->size(), CCalToolTip::Bitmap().size());
    EXPECT_EQ(tip->Explorer()->objectName(), "CalToolTipWeb");
    EXPECT_EQ(tip->Explorer()->geometry(), tip->rect().adjusted(10, 6, -6, -6));
    // Shaped: the magenta corners are not part of the window.
    EXPECT_FALSE(tip->mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(tip->mask().contains(tip->rect().center()));
    QWebEnginePage* page = tip->Explorer()->View()->page();
    ASSERT_TRUE(WaitFor([&] { return tip->Explorer()->HasDocument(); }));
    EXPECT_TRUE(WaitScript(page, "!!document.querySelector('#detail .title')"));

    // Its "add event" link goes to the owner as command 32786, and the pop-up stays.
    Eval(page, "document.querySelector('a.add').click(); 1");
    ASSERT_TRUE(WaitFor([&] { return !owner.commands.empty(); }));
    EXPECT_EQ(owner.commands.front(), ID_ADD_EVENT);
    EXPECT_EQ(page->url().toString(), url);

    // One at a time.
    QPointer<CCalToolTip> first(tip);
    ASSERT_TRUE(WaitFor([&] { return tip->isActiveWindow(); }));
    tip = CCalToolTip::Show(&owner, url, QPoint(10, 40));
    EXPECT_TRUE(WaitFor([&] { return first.isNull(); }));
    EXPECT_EQ(CCalToolTip::Current(), tip);

    // Another window becomes active: the pop-up goes.
    QPointer<CCalToolTip> second(tip);
    ASSERT_TRUE(WaitFor([&] { return tip->isActiveWindow(); }));
    other.activateWindow();
    EXPECT_TRUE(WaitFor([&] { return second.isNull(); }));
}

// A browser that records its events and may cancel navigations to a text.
class CRecordingBrowser : public CWebBrowser {
public:
    QStringList events;
    QString cancelContaining;
    long lastError = 0;

protected:
    void OnBeforeNavigate2(const QString& url, DWORD, const QString&, const QByteArray&, const QString&, bool& cancel) override
    {
        events << "before " + url;
        cancel = !cancelContaining.isEmpty() && url.contains(cancelContaining);
    }
    void OnDocumentComplete(const QString& url) override { events << "complete " + url; }
    void OnNavigateError(const QString& url, const QString&, long status, bool&) override
    {
        lastError = status;
        events << "error " + url;
    }
    void OnTitleChange(const QString& title) override { events << "title " + title; }
    void OnQuit() override
    {
        events << "quit";
        CWebBrowser::OnQuit();
    }
};

TEST_F(WebViewTest, BrowserWindowNavigatesReportsAndQuits)
{
    LoopbackServer server;
    std::mutex lock;
    std::string body;
    server.Server().Post("/form", [&](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard guard(lock);
        body = req.body;
        res.set_content("<title>받음</title>ok", "text/html; charset=utf-8");
    });
    server.Server().Get("/missing", [](const httplib::Request&, httplib::Response& res) {
        res.status = 404;
        res.set_content("<title>없음</title>", "text/html");
    });
    server.Server().Get("/page", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<title>페이지</title><a id=next href=\"/blocked\">x</a>", "text/html; charset=utf-8");
    });
    server.Start();

    CRecordingBrowser browser;
    EXPECT_FALSE(browser.IsAttached());
    ASSERT_TRUE(browser.LaunchBrowser(QString::fromStdString(server.Url("/page"))));
    QWidget* window = browser.GetBrowserWnd();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    // Already attached: nothing new opens.
    const int windows = QApplication::topLevelWidgets().size();
    EXPECT_TRUE(browser.LaunchBrowser(QString::fromStdString(server.Url("/other"))));
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windows);
    ASSERT_TRUE(WaitFor([&] { return browser.events.contains("complete " + QString::fromStdString(server.Url("/page"))); }));
    EXPECT_TRUE(browser.events.contains("title 페이지"));
    EXPECT_EQ(browser.GetLocationName(), "페이지");

    // A handler that cancels keeps the page where it is.
    browser.cancelContaining = "/blocked";
    Eval(browser.GetBrowser()->page(), "document.getElementById('next').click(); 1");
    ASSERT_TRUE(WaitFor([&] { return browser.events.filter("/blocked").size() > 0; }));
    QTest::qWait(200);
    EXPECT_EQ(browser.GetLocationURL(), QString::fromStdString(server.Url("/page")));

    // Post data given as UTF-16 text with length 0: all of it, as UTF-8.
    const std::u16string text = u"title=%ED%95%9C&memo=hello world";
    browser.Navigate(QString::fromStdString(server.Url("/form")), 0, {}, "Content-Type: application/x-www-form-urlencoded\r\n",
                     text.c_str(), 0);
    const QString formUrl = QString::fromStdString(server.Url("/form"));
    ASSERT_TRUE(WaitFor([&] { return browser.events.contains("title 받음") && browser.events.contains("complete " + formUrl); }));
    {
        std::lock_guard guard(lock);
        EXPECT_EQ(body, "title=%ED%95%9C&memo=hello world");
    }

    browser.Navigate(QString::fromStdString(server.Url("/missing")));
    ASSERT_TRUE(WaitFor([&] { return browser.lastError != 0; }));
    EXPECT_EQ(browser.lastError, 404);

    // The user closes the window: the browser quits and lets go.
    window->close();
    ASSERT_TRUE(WaitFor([&] { return !browser.IsAttached(); }));
    EXPECT_TRUE(browser.events.contains("quit"));
}

TEST_F(WebViewTest, ServicePageOpensSignedInThroughTheHandOver)
{
    CServiceHarness& harness = CServiceHarness::Get();
    // The login service stands in front of the real one and keeps what it was sent.
    LoopbackServer login;
    std::mutex lock;
    std::string handOverBody, handOverType;
    login.Server().Post("/Mail-bin/uin_open2.cgi", [&](const httplib::Request& req, httplib::Response& res) {
        {
            std::lock_guard guard(lock);
            handOverBody = req.body;
            handOverType = req.get_header_value("Content-Type");
        }
        httplib::Client real("127.0.0.1", harness.Service().Port());
        const auto answer = real.Post("/Mail-bin/uin_open2.cgi", req.body, "application/x-www-form-urlencoded");
        ASSERT_TRUE(answer);
        res.status = answer->status;
        for (const auto& [name, value] : answer->headers)
            if (name == "Set-Cookie")
                res.headers.emplace(name, value);
        res.set_header("Location", answer->get_header_value("Location"));
    });
    login.Start();
    std::array<QString, size_t(Service::Count)> bases;
    bases.fill(Url(""));
    bases[size_t(Service::Login)] = QString::fromStdString(login.Url(""));
    const QString config = qEnvironmentVariable("TAMO_SERVICE_CONFIG");
    ASSERT_TRUE(CServiceConfig::Write(config, bases, QByteArray(16, 'k'), QByteArray(8, 'v'), "calendar.tamo"));
    ASSERT_TRUE(CServiceConfig::Reload());

    // The kept cookie of the sign-in; the web profile has no session of its own yet.
    const QString kept = CHttpClient::GetCookie(Url("/"));
    ASSERT_TRUE(kept.contains("HM_CU="));
    CCookie cookie;
    cookie.Parse(kept);
    const QByteArray expected = HandOverBody(Url("/#today_schedule"), kept);
    EXPECT_TRUE(expected.startsWith("url=http%3a%2f%2f127.0.0.1%3a")) << expected.toStdString();
    EXPECT_TRUE(expected.contains("&HM_CU=" + CURLEncoder::EncodeUTF8(cookie.Get("HM_CU"), true).toUtf8()));
    // The five cookies in their order, each escaped, empty and absent ones left out.
    EXPECT_EQ(HandOverBody("http://h/a b", "HIP=1.2.3.4; TS=; HM_CU=a&b; HTS=x/y"),
              "url=http%3a%2f%2fh%2fa+b&HM_CU=a%26b&HTS=x%2fy&HIP=1.2.3.4");

    const int before = QApplication::topLevelWidgets().size();
    ASSERT_TRUE(OpenServicePage(Url("/#today_schedule"), true, kept));
    QWebEngineView* view = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* v = w->findChild<QWebEngineView*>(); v && w->isVisible() && v->url().path() == "/" && !v->page()->isLoading())
                view = v;
        return view != nullptr;
    }));
    EXPECT_GT(QApplication::topLevelWidgets().size(), before);
    {
        std::lock_guard guard(lock);
        EXPECT_EQ(handOverBody, expected.toStdString());
        EXPECT_EQ(handOverType, "application/x-www-form-urlencoded");
    }
    EXPECT_EQ(view->url().fragment(), "today_schedule");
    // Signed in: the calendar, not the sign-in page.
    EXPECT_TRUE(WaitScript(view->page(), "!document.getElementById('signin') && document.body.innerText.length > 0"));
    view->window()->close();

    ASSERT_TRUE(harness.Configure());
}

TEST_F(WebViewTest, CookiesSetByAPageAreSentByTheHttpClient)
{
    Load(endpoints::kMessengerTodo);
    Eval(Page(), "document.cookie = 'pagecookie=from-the-page; path=/'; 1");
    LoopbackServer server;
    std::mutex lock;
    std::string seen;
    server.Server().Get("/echo", [&](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard guard(lock);
        seen = req.get_header_value("Cookie");
        res.set_content("ok", "text/plain");
    });
    server.Start();
    // What the HTTP client sends now (cookies belong to the host, whatever the port).
    auto sent = [&] {
        CHttpClient http;
        if (!http.Open("GET", QString::fromStdString(server.Url("/echo"))) || !http.Send({}, 0, nullptr, 0))
            return std::string();
        (void)http.ReadAll(CP_UTF8, -1);
        std::lock_guard guard(lock);
        return seen;
    };
    ASSERT_TRUE(WaitFor([&] { return sent().find("pagecookie=from-the-page") != std::string::npos; }));
    // A cookie the page deletes is no longer sent either.
    Eval(Page(), "document.cookie = 'pagecookie=; path=/; expires=Thu, 01 Jan 1970 00:00:00 GMT'; 1");
    EXPECT_TRUE(WaitFor([&] {
        const std::string cookies = sent();
        return cookies.find("pagecookie") == std::string::npos && cookies.find("HM_CU=") != std::string::npos;
    }));
    // The session cookie reached the page from the HTTP client's sign-in.
    EXPECT_TRUE(Eval(Page(), "document.cookie.indexOf('TS=') >= 0 || document.cookie.indexOf('HM_CU=') >= 0").toBool());
}

}  // namespace
