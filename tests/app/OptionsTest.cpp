// The options: the options dialog with its basic and sync pages, the sync option window and the
// sound dialog, against tamo-service on loopback with the settings table in a fresh folder.
#include <gtest/gtest.h>

#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRadioButton>
#include <QTemporaryDir>

#include "app/AppEnvOptionDlg.h"
#include "app/SoundDlg.h"
#include "base/EventWait.h"
#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "support/TestEnvironment.h"
#include "syncui/OptionDlg.h"
#include "syncui/OutlookOptionDlg.h"
#include "tests/service/ServiceHarness.h"
#ifdef TAMO_OPTIONS_MAIN_WINDOW
#include <QAction>
#include <QApplication>
#include <QTimer>

#include "app/TamoSyncDlg.h"
#endif

namespace {

using tamo::test::CServiceHarness;
using tamo::test::ScopedEnv;
using tamo::service::SPreferences;

template <typename Pred>
bool WaitFor(Pred pred, int ms = 10000)
{
    return WaitUntil(pred, ms);
}

CServiceHarness& Harness() { return CServiceHarness::Get(); }

std::vector<tamo::service::SStatistic> ConfigReports()
{
    std::vector<tamo::service::SStatistic> reports;
    for (const auto& s : Harness().Service().Database().ListStatistics())
        if (s.path == endpoints::kInsertConfig.toStdString())
            reports.push_back(s);
    return reports;
}

class OptionsTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(Harness().Configure());
    }

    void SetUp() override
    {
        ASSERT_TRUE(m_settings.isValid());
        m_config = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", m_settings.path().toLocal8Bit());
        ASSERT_TRUE(Harness().SignInDemo());
        m_account = Harness().DemoAccount();
        m_saved = Harness().Service().Database().GetPreferences(m_account);
    }

    void TearDown() override
    {
        Harness().Service().Faults().ClearAll();
        (void)Harness().Service().Database().SavePreferences(m_account, m_saved);
        (void)Harness().SignInDemo();
    }

    void SetPreferences(const SPreferences& p) { ASSERT_TRUE(Harness().Service().Database().SavePreferences(m_account, p)); }
    SPreferences Preferences() { return Harness().Service().Database().GetPreferences(m_account); }

    // The options dialog, shown, with its pages made and the sync page loaded (when signed in).
    std::unique_ptr<CAppEnvOptionDlg> Open(int nPage, bool bLoggedIn)
    {
        auto dlg = std::make_unique<CAppEnvOptionDlg>(nPage, bLoggedIn);
        dlg->show();
        EXPECT_TRUE(WaitFor([&] { return dlg->BasicPage() != nullptr; }));
        if (bLoggedIn) {
            EXPECT_TRUE(WaitFor([&] { return dlg->SyncPage() && dlg->SyncPage()->IsLoadDone(); }));
        }
        return dlg;
    }

    QTemporaryDir m_settings;
    std::unique_ptr<ScopedEnv> m_config;
    std::int64_t m_account = 0;
    SPreferences m_saved;
};

template <typename T>
T* Item(CTamoDlg* dlg, int nID)
{
    T* w = dlg->GetDlgItemAs<T>(nID);
    EXPECT_NE(w, nullptr) << nID;
    return w;
}

// The sync page shows the service's preferences and OK sends them back in the exact body.
TEST_F(OptionsTest, SyncPageSendsLoadedValuesOnOk)
{
    const std::int64_t calendar = Harness().DemoCalendars().at(0);
    SPreferences p;
    p.syncRange = 14;
    p.categoryId = calendar;
    p.eventCheck = true;
    p.todoCheck = true;
    p.todoComplete = false;
    p.todoSub = true;
    p.conflict = false;
    p.eventAdvCheck = false;
    SetPreferences(p);

    auto dlg = Open(1, true);
    COutlookOptionDlg* page = dlg->SyncPage();
    ASSERT_TRUE(page->IsLoaded());
    EXPECT_EQ(dlg->GetCurrentPage(), 1);
    EXPECT_TRUE(page->isVisible());
    EXPECT_FALSE(dlg->BasicPage()->isVisible());
    EXPECT_EQ(page->MakePutEnvBody().toStdString(),
              "preference[sync_range]=14&preference[sync_category_id]=" + std::to_string(calendar) +
                  "&&preference[sync_event_check]=true&preference[sync_todo_check]=true"
                  "&preference[sync_todo_complete]=false&preference[sync_todo_sub]=true"
                  "&preference[sync_conflict]=false&preference[sync_event_adv_check]=false");
    // The enabling follows the loaded values.
    EXPECT_TRUE(Item<QComboBox>(page, 1012)->isEnabled());
    EXPECT_TRUE(Item<QComboBox>(page, 1014)->isEnabled());
    EXPECT_TRUE(Item<QCheckBox>(page, 1028)->isEnabled());

    // A change the user makes reaches the service with OK.
    Item<QComboBox>(page, 1035)->setCurrentIndex(4);
    Item<QRadioButton>(page, 1030)->setChecked(true);
    dlg->SendCommand(tamoui::IDOK);
    EXPECT_EQ(dlg->result(), tamoui::IDOK);
    const SPreferences after = Preferences();
    EXPECT_EQ(after.syncRange, 60);
    EXPECT_EQ(after.categoryId, calendar);
    EXPECT_TRUE(after.todoCheck);
    EXPECT_TRUE(after.todoSub);
    EXPECT_TRUE(after.conflict);
}

// Values the page cannot show as they are: a range outside the list selects nothing and sends
// 30; a deleted calendar gives way to the default one; none at all sends -1.
TEST_F(OptionsTest, SyncPageOddStoredValues)
{
    struct Case {
        int range;
        std::int64_t category;  // 0: a calendar the account does not have
        int wantRangeIndex;
        const char* wantRange;
    };
    const std::int64_t first = Harness().DemoCalendars().at(0);
    const Case cases[] = {{45, first, -1, "preference[sync_range]=30&"},
                          {0, 0, 0, "preference[sync_range]=0&"},
                          {7, first, 1, "preference[sync_range]=7&"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.range);
        SPreferences p;
        p.syncRange = c.range;
        p.categoryId = c.category ? c.category : 987654;
        SetPreferences(p);
        auto dlg = Open(1, true);
        COutlookOptionDlg* page = dlg->SyncPage();
        ASSERT_TRUE(page->IsLoaded());
        EXPECT_EQ(Item<QComboBox>(page, 1035)->currentIndex(), c.wantRangeIndex);
        EXPECT_TRUE(page->MakePutEnvBody().startsWith(QString::fromLatin1(c.wantRange)));
        const long wantCategory = c.category ? long(c.category) : long(COutlookOptionDlg::GetDefaultCategory());
        EXPECT_TRUE(page->MakePutEnvBody().contains(QStringLiteral("sync_category_id]=%1&&").arg(wantCategory)));
        Item<QComboBox>(page, 1012)->setCurrentIndex(-1);
        EXPECT_TRUE(page->MakePutEnvBody().contains(QStringLiteral("sync_category_id]=-1&&")));
    }
}

// The calendar list: other services' calendars are left out, colours are read from "#RGB" and
// "#RRGGBB" (the first six digits of longer texts), and an unusable entry is left out whole.
TEST_F(OptionsTest, CalendarListFilterAndColours)
{
    const std::string login = Harness().NewAccount("pw123456");
    ASSERT_TRUE(Harness().SignIn(login, "pw123456"));
    auto& db = Harness().Service().Database();
    const std::int64_t account = db.FindAccount(login)->id;
    struct Cal {
        const char* name;
        const char* color;
        int type;
    };
    const Cal cals[] = {{"흰색", "#fff", 0},     {"보라", "#A3F", 0},      {"긴색", "#12345678", 0},
                        {"다른", "#000000", 1},  {"짧은", "#12", 0},       {"이름없음", "", 0}};
    for (const Cal& c : cals)
        ASSERT_TRUE(db.CreateCalendar({0, account, c.name, c.color, c.type}).has_value());

    COutlookOptionDlg page;
    ASSERT_EQ(page.GetTamoCategory(), 1);
    std::vector<std::pair<QString, std::uint32_t>> got;
    for (const _comboItem& item : page.Calendars())
        got.emplace_back(item.strName, item.crColor);
    const std::vector<std::pair<QString, std::uint32_t>> want = {
        {QStringLiteral("기본"), 0x563412}, {QStringLiteral("흰색"), 0xFFFFFF},
        {QStringLiteral("보라"), 0xFF33AA}, {QStringLiteral("긴색"), 0x563412}};
    EXPECT_EQ(got, want);
    auto* combo = Item<QComboBox>(&page, 1012);
    ASSERT_EQ(combo->count(), 4);
    EXPECT_EQ(combo->currentIndex(), -1);
    for (int i = 0; i < combo->count(); ++i)
        EXPECT_EQ(QString::number(combo->itemData(i).toLongLong()), page.Calendars()[size_t(i)].strId);
}

// A load that failed (or never ran) must not overwrite the preferences on the service.
TEST_F(OptionsTest, NothingIsSentWithoutACompleteLoad)
{
    SPreferences p;
    p.syncRange = 14;
    p.todoCheck = true;
    p.categoryId = Harness().DemoCalendars().at(0);
    SetPreferences(p);
    for (const char* path : {"/preference/", "/calendars/"}) {
        SCOPED_TRACE(path);
        tamo::service::SFault fault;
        fault.errorPage = true;
        Harness().Service().Faults().Set(path, fault);
        auto dlg = Open(1, true);
        COutlookOptionDlg* page = dlg->SyncPage();
        EXPECT_FALSE(page->IsLoaded());
        if (std::string(path) == "/preference/") {
            // The fallback state: newest wins, first items chosen.
            EXPECT_TRUE(Item<QRadioButton>(page, 1029)->isChecked());
            EXPECT_EQ(Item<QComboBox>(page, 1035)->currentIndex(), 0);
        }
        EXPECT_EQ(page->PutEnv(), 0);
        dlg->SendCommand(tamoui::IDOK);
        EXPECT_EQ(Preferences().syncRange, 14);
        EXPECT_TRUE(Preferences().todoCheck);
        Harness().Service().Faults().ClearAll();
    }
    // OK before the pages exist closes without touching anything.
    CAppEnvOptionDlg early(1, true);
    early.show();
    early.SendCommand(tamoui::IDOK);
    EXPECT_EQ(early.result(), tamoui::IDOK);
    EXPECT_EQ(Preferences().syncRange, 14);
}

// Help boxes come on the user's clicks only; cancelling the advanced one unticks the box.
TEST_F(OptionsTest, SyncPageHelpBoxesOnClicksOnly)
{
    SPreferences p;
    p.todoCheck = true;
    p.eventAdvCheck = false;
    SetPreferences(p);
    std::vector<std::pair<int, QString>> shown;
    int answer = tamoui::IDCANCEL;
    auto dlg = std::make_unique<CAppEnvOptionDlg>(1, true);
    dlg->m_fnNewSyncPage = [&](QWidget* parent) {
        auto* page = new COutlookOptionDlg(parent);
        page->m_fnHelp = [&](int mode, const QString& heading, const QString&) {
            shown.emplace_back(mode, heading);
            return answer;
        };
        return page;
    };
    dlg->show();
    ASSERT_TRUE(WaitFor([&] { return dlg->SyncPage() && dlg->SyncPage()->IsLoadDone(); }));
    COutlookOptionDlg* page = dlg->SyncPage();
    EXPECT_TRUE(shown.empty());  // loading a ticked to-do box shows nothing

    auto* todo = Item<QCheckBox>(page, 1027);
    todo->click();  // unticks: no message, the to-do controls go grey
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(Item<QComboBox>(page, 1014)->isEnabled());
    todo->click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], std::make_pair(0, QStringLiteral("할일 싱크")));
    EXPECT_TRUE(Item<QComboBox>(page, 1014)->isEnabled());

    auto* advanced = Item<QCheckBox>(page, 3044);
    advanced->click();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], std::make_pair(1, QStringLiteral("고급 싱크 설정")));
    EXPECT_FALSE(advanced->isChecked());
    answer = tamoui::IDOK;
    advanced->click();
    EXPECT_TRUE(advanced->isChecked());
    advanced->click();  // unticking shows nothing
    EXPECT_EQ(shown.size(), 3u);
    EXPECT_FALSE(advanced->isChecked());
}

// The PC key: an answer stores it; an error answer keeps the key the computer has.
TEST_F(OptionsTest, PcKeyKeptOnErrorAnswer)
{
    ASSERT_TRUE(WriteSettingString(settings::PcKey, QStringLiteral("KEEPME")));
    Harness().SignOut();
    EXPECT_EQ(COutlookOptionDlg::GetPCKey(), 0);
    EXPECT_EQ(ReadSettingString(settings::PcKey), QStringLiteral("KEEPME"));
    ASSERT_TRUE(Harness().SignInDemo());
    EXPECT_EQ(COutlookOptionDlg::GetPCKey(), 1);
    const QString key = ReadSettingString(settings::PcKey);
    EXPECT_EQ(key.toStdString(), Harness().Service().Database().GetAccount(m_account)->pcKey);
    EXPECT_NE(key, QStringLiteral("KEEPME"));
}

// The basic page: the settings it shows, the nine values, the auto-start entry and the report.
TEST_F(OptionsTest, BasicPageSavesSettingsAutoStartAndReport)
{
    struct Case {
        bool alert, mini, autoStart;
        const char* report;
    };
    const Case cases[] = {{true, true, false, "notimode=1&minimode=1"},
                          {false, false, true, "notimode=0&minimode=0"},
                          {true, false, true, "notimode=1&minimode=0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        ASSERT_TRUE(WriteSettingFlag(settings::AutoStart, 1));
        ASSERT_TRUE(WriteSettingFlag(settings::HideInTray, 1));
        ASSERT_TRUE(RegisterAutoStart(AutoStartCommand()));
        const size_t reportsBefore = ConfigReports().size();
        const SPreferences before = Preferences();

        auto dlg = Open(0, false);
        tamosync::COptionDlg* page = dlg->BasicPage();
        EXPECT_TRUE(page->isVisible());
        EXPECT_FALSE(Item<QWidget>(page, 1014)->isVisible());
        auto* autoStart = Item<QCheckBox>(page, 1010);
        EXPECT_TRUE(autoStart->isChecked());
        if (!c.autoStart) {
            autoStart->click();
            // Hide-in-tray keeps its value, only greyed.
            EXPECT_FALSE(Item<QCheckBox>(page, 1012)->isEnabled());
            EXPECT_TRUE(Item<QCheckBox>(page, 1012)->isChecked());
        }
        Item<QRadioButton>(page, c.alert ? 1016 : 1015)->setChecked(true);
        Item<QCheckBox>(page, 1013)->setChecked(c.mini);
        Item<QCheckBox>(page, 1020)->setChecked(false);
        // Signed out, the sync tab does nothing.
        dlg->SendCommand(1001);
        EXPECT_EQ(dlg->GetCurrentPage(), 0);
        EXPECT_EQ(dlg->SyncPage(), nullptr);
        dlg->SendCommand(tamoui::IDOK);
        EXPECT_EQ(dlg->result(), tamoui::IDOK);

        EXPECT_EQ(ReadSetting(settings::AutoStart), c.autoStart ? 1u : 0u);
        EXPECT_EQ(IsAutoStartRegistered(), c.autoStart);
        const QString entry = m_settings.path() + QStringLiteral("/autostart/TamoSync.desktop");
        EXPECT_EQ(QFileInfo::exists(entry), c.autoStart);
        EXPECT_EQ(ReadSetting(settings::HideInTray), 1u);
        EXPECT_EQ(ReadSetting(settings::AlarmMode), c.alert ? 1u : 0u);
        EXPECT_EQ(ReadSetting(settings::Mode), c.mini ? 1u : 0u);
        EXPECT_EQ(ReadSetting(settings::TaskBar), 0u);
        const auto reports = ConfigReports();
        ASSERT_EQ(reports.size(), reportsBefore + 1);
        EXPECT_EQ(reports.back().body, c.report);
        // Signed out, nothing of the sync preferences moved.
        EXPECT_EQ(Preferences().syncRange, before.syncRange);
    }
}

// The auto-start entry runs this program by its real path.
TEST_F(OptionsTest, AutoStartEntryNamesTheProgram)
{
    auto dlg = Open(0, false);
    Item<QCheckBox>(dlg->BasicPage(), 1010)->setChecked(true);
    dlg->SendCommand(tamoui::IDOK);
    QFile entry(m_settings.path() + QStringLiteral("/autostart/TamoSync.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    const QString program = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("TamoSync"));
    // Quoted only when the path needs it.
    const bool plain = !program.contains(QLatin1Char(' '));
    EXPECT_TRUE(text.contains(plain ? QStringLiteral("Exec=") + program + QLatin1Char('\n')
                                    : QStringLiteral("Exec=\"") + program + QLatin1Char('"')))
        << text.toStdString();
}

// A page that cannot be made shows the fixed message; the dialog stays usable without it.
TEST_F(OptionsTest, PageCreationFailures)
{
    std::vector<QString> messages;
    CAppEnvOptionDlg dlg(1, true);
    dlg.m_fnMessage = [&](const QString& text) { messages.push_back(text); };
    dlg.m_fnNewSyncPage = [](QWidget*) { return nullptr; };
    dlg.show();
    ASSERT_TRUE(WaitFor([&] { return !messages.empty(); }));
    EXPECT_EQ(messages, std::vector<QString>{QStringLiteral("Error Creating Dialog Object")});
    // Asked for the sync page, the dialog shows the basic one rather than nothing.
    EXPECT_TRUE(dlg.BasicPage()->isVisible());
    dlg.SendCommand(1001);
    EXPECT_EQ(dlg.GetCurrentPage(), 0);
    dlg.SendCommand(tamoui::IDOK);
    EXPECT_EQ(dlg.result(), tamoui::IDOK);

    // Signed out, the same.
    CAppEnvOptionDlg signedOut(1, false);
    signedOut.show();
    EXPECT_TRUE(WaitFor([&] { return signedOut.BasicPage() && signedOut.BasicPage()->isVisible(); }));
    EXPECT_EQ(signedOut.SyncPage(), nullptr);

    syncui::COptionDlg window;
    std::vector<QString> windowMessages;
    window.m_fnMessage = [&](const QString& text) { windowMessages.push_back(text); };
    window.m_fnNewPage = [](QWidget*) { return nullptr; };
    window.show();
    ASSERT_TRUE(WaitFor([&] { return !windowMessages.empty(); }));
    EXPECT_EQ(window.Page(), nullptr);
    window.SendCommand(tamoui::IDOK);
    EXPECT_EQ(window.result(), tamoui::IDOK);
}

// The sync option window sends the page on OK; cancel sends nothing.
TEST_F(OptionsTest, SyncOptionWindowSendsOnOkOnly)
{
    SPreferences p;
    p.syncRange = 7;
    p.categoryId = Harness().DemoCalendars().at(0);
    SetPreferences(p);
    for (int button : {tamoui::IDCANCEL, tamoui::IDOK}) {
        SCOPED_TRACE(button);
        syncui::COptionDlg window;
        window.show();
        ASSERT_TRUE(WaitFor([&] { return window.Page() && window.Page()->IsLoadDone(); }));
        ASSERT_TRUE(window.Page()->IsLoaded());
        Item<QComboBox>(window.Page(), 1035)->setCurrentIndex(2);
        window.SendCommand(button);
        EXPECT_EQ(window.result(), button);
        EXPECT_EQ(Preferences().syncRange, button == tamoui::IDOK ? 14 : 7);
    }
}

// The sound dialog: built-in sounds by full path beside the program, the stored one, browsing.
TEST_F(OptionsTest, SoundDialogChoosesAndPlays)
{
    const QString folder = AlarmSoundFolder();
    const QString first = QDir(folder).filePath(QStringLiteral("alarm_1.wav"));
    const QString second = QDir(folder).filePath(QStringLiteral("alarm_2.wav"));
    EXPECT_TRUE(QFileInfo(first).isFile()) << first.toStdString();
    EXPECT_TRUE(QFileInfo(second).isFile()) << second.toStdString();

    struct Case {
        QString stored;
        int wantIndex;
        int wantCount;
    };
    const Case cases[] = {{QStringLiteral("alarm_1.wav"), 0, 2},
                          {second, 1, 2},
                          {QStringLiteral("/home/user/ring.wav"), 2, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored.toStdString());
        ASSERT_TRUE(WriteSettingString(settings::AlarmSoundFile, c.stored));
        CSoundDlg dlg;
        EXPECT_EQ(dlg.SoundList()->currentIndex(), c.wantIndex);
        EXPECT_EQ(dlg.SoundList()->count(), c.wantCount);
    }

    ASSERT_TRUE(WriteSettingString(settings::AlarmSoundFile, QStringLiteral("/home/user/ring.wav")));
    CSoundDlg dlg;
    QStringList played;
    dlg.m_fnPlay = [&](const QString& path) {
        played << path;
        return PlaySoundFile(path);
    };
    dlg.show();
    // Browsing to a known path (in other case) selects it; a new one is added.
    QString browsed = QStringLiteral("/HOME/USER/RING.WAV");
    dlg.m_fnBrowse = [&] { return browsed; };
    dlg.SendCommand(CSoundDlg::IDC_BROWSE);
    EXPECT_EQ(dlg.SoundList()->count(), 3);
    EXPECT_EQ(dlg.SoundList()->currentIndex(), 2);
    browsed = QStringLiteral("/tmp/other.wav");
    dlg.SendCommand(CSoundDlg::IDC_BROWSE);
    EXPECT_EQ(dlg.SoundList()->count(), 4);
    EXPECT_EQ(dlg.SoundList()->currentText(), QStringLiteral("other.wav"));
    browsed.clear();  // a cancelled chooser changes nothing
    dlg.SendCommand(CSoundDlg::IDC_BROWSE);
    EXPECT_EQ(dlg.SoundList()->count(), 4);

    dlg.SoundList()->setCurrentIndex(0);
    dlg.SendCommand(CSoundDlg::IDC_PLAY);
    EXPECT_EQ(played, QStringList{first});
    dlg.SendCommand(tamoui::IDOK);
    EXPECT_EQ(ReadAlarmSoundFile(), first);
}

#ifdef TAMO_OPTIONS_MAIN_WINDOW
// The main window's menu entry: greyed while the dialog is open; after OK the window takes the
// task-bar setting at once; a cancel leaves it as it was.
TEST_F(OptionsTest, MainWindowOpensOptionsFromTheMenu)
{
    ASSERT_TRUE(WriteSettingFlag(settings::TaskBar, 0));
    CTamoSyncDlg main;
    main.show();
    ASSERT_TRUE(WaitFor([&] { return main.Background() != nullptr; }));
    ASSERT_FALSE(main.windowFlags().testFlag(Qt::Tool));
    QAction* entry = main.MenuItem(CTamoSyncDlg::ID_OPTIONS);
    ASSERT_TRUE(entry->isEnabled());

    for (int button : {tamoui::IDCANCEL, tamoui::IDOK}) {
        SCOPED_TRACE(button);
        bool seen = false;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dlg = qobject_cast<CAppEnvOptionDlg*>(QApplication::activeModalWidget());
            if (!dlg || !dlg->BasicPage() || seen)
                return;
            seen = true;
            poll.stop();
            EXPECT_FALSE(entry->isEnabled());
            EXPECT_EQ(dlg->GetCurrentPage(), 0);
            EXPECT_TRUE(dlg->BasicPage()->isVisible());
            dlg->BasicPage()->GetDlgItemAs<QCheckBox>(1020)->setChecked(true);
            dlg->SendCommand(button);
        });
        poll.start();
        entry->trigger();
        EXPECT_TRUE(seen);
        EXPECT_TRUE(entry->isEnabled());
        EXPECT_EQ(main.windowFlags().testFlag(Qt::Tool), button == tamoui::IDOK);
        EXPECT_TRUE(main.isVisible());
    }
    main.hide();
}
#endif

}  // namespace
