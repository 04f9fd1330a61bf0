// The conflict dialog: alone with offered conflicts, and inside a sync window run with to-do and
// event conflicts where each decision must reach its own item on both sides.
#include <gtest/gtest.h>

#include <QTest>
#include <QUrl>

#include "SyncTestSupport.h"
#include "TodoSyncWorld.h"
#include "base/EventWait.h"
#include "base/MarkupSTL.h"
#include "base/ServiceClock.h"
#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "syncengine/MAPIEx.h"
#include "syncengine/MAPIMessage.h"
#include "syncui/DlgConflict.h"
#include "syncui/Syncing.h"
#include "tamoui/TamoToolkit.h"

using namespace tamo::test;

namespace {

void ClickBox(CXListCtrl& list, int row, int column)
{
    const QRect box = list.CheckboxRect(row, column);
    ASSERT_FALSE(box.isEmpty()) << row << "," << column;
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, box.center());
}

void Click(CTamoDlg& dlg, int id) { QTest::mouseClick(dlg.GetDlgItem(id), Qt::LeftButton); }

// (kind text, service ticked, Outlook ticked) of each row.
struct Row {
    QString kind;
    int service, outlook;
    QString uid;
    bool operator==(const Row&) const = default;
};
void PrintTo(const Row& r, std::ostream* os)
{
    *os << r.kind.toStdString() << " " << r.service << r.outlook << " " << r.uid.toStdString();
}
std::vector<Row> Rows(CXListCtrl& list)
{
    std::vector<Row> rows;
    for (int i = 0; i < list.GetItemCount(); ++i)
        rows.push_back({list.GetItemText(i, 0), list.GetItemCheckedState(i, 1), list.GetItemCheckedState(i, 2),
                        list.GetItemText(i, 3)});
    return rows;
}

class ConflictDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        dlg.AddData("todo-a", "서비스 A", "아웃룩 A", true, true);
        dlg.AddData("todo-b", "서비스 B", "아웃룩 B", true, false);
        dlg.AddData("event-c", "서비스 C", "아웃룩 C", false, true);
        dlg.AddData("event-d", "서비스 D", "아웃룩 D", false, false);
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    }
    CDlgConflict dlg;
    const QString todo = QStringLiteral("할일"), event = QStringLiteral("일정");
};

}  // namespace

TEST_F(ConflictDialog, RowsPreselectTheNewerSideAndTabsRebuildThem)
{
    CXListCtrl& list = dlg.List();
    const std::vector<Row> all = {{todo, 1, 0, "todo-a"}, {todo, 0, 1, "todo-b"}, {event, 1, 0, "event-c"},
                                  {event, 0, 1, "event-d"}};
    EXPECT_EQ(Rows(list), all);
    EXPECT_EQ(list.GetItemText(0, 1), QStringLiteral("서비스 A"));
    EXPECT_EQ(list.GetItemText(0, 2), QStringLiteral("아웃룩 A"));
    EXPECT_TRUE(list.isColumnHidden(3));
    EXPECT_EQ(list.GetExtendedStyle(), 0x21u);
    EXPECT_FALSE(dlg.GetDlgItem(CDlgConflict::IDC_TAB_ALL)->isEnabled());
    EXPECT_TRUE(dlg.ScrollBar().IsScrollEnabled());

    // A tick is the user's until the tab changes: the rows are rebuilt from the offers.
    ClickBox(list, 0, 2);
    EXPECT_EQ(list.GetItemCheckedState(0, 2), 1);
    EXPECT_EQ(list.GetItemText(0, 2), QStringLiteral("아웃룩 A")) << "a tick leaves the text readable";
    EXPECT_EQ(list.GetModified(0, 2), 0);

    struct Tab {
        int id;
        std::vector<Row> rows;
    };
    for (const Tab& tab : {Tab{CDlgConflict::IDC_TAB_EVENT, {all[2], all[3]}},
                           Tab{CDlgConflict::IDC_TAB_TODO, {all[0], all[1]}}, Tab{CDlgConflict::IDC_TAB_ALL, all}}) {
        SCOPED_TRACE(tab.id);
        Click(dlg, tab.id);
        EXPECT_EQ(Rows(list), tab.rows);
        for (int id : {CDlgConflict::IDC_TAB_EVENT, CDlgConflict::IDC_TAB_TODO, CDlgConflict::IDC_TAB_ALL})
            EXPECT_EQ(dlg.GetDlgItem(id)->isEnabled(), id != tab.id);
    }
}

TEST_F(ConflictDialog, HeaderBoxesTickWholeColumnsAndOkGivesADecisionPerRow)
{
    CXListCtrl& list = dlg.List();
    Click(dlg, CDlgConflict::IDC_CHECK_OUTLOOK);  // every Outlook box ticked
    for (const Row& r : Rows(list))
        EXPECT_EQ(r.outlook, 1);
    Click(dlg, CDlgConflict::IDC_CHECK_OUTLOOK);  // and unticked again
    for (const Row& r : Rows(list))
        EXPECT_EQ(r.outlook, 0);
    Click(dlg, CDlgConflict::IDC_CHECK_SERVICE);
    for (const Row& r : Rows(list))
        EXPECT_EQ(r.service, 1);
    // Rows: both, service only, Outlook only, neither.
    ClickBox(list, 0, 2);
    ClickBox(list, 2, 1);
    ClickBox(list, 2, 2);
    ClickBox(list, 3, 1);
    Click(dlg, tamoui::IDOK);
    EXPECT_EQ(dlg.result(), tamoui::IDOK);
    struct Want {
        int kind, direction;
        const char* uid;
    };
    const Want want[] = {{1, 0, "todo-a"}, {1, 1, "todo-b"}, {0, 2, "event-c"}, {0, -1, "event-d"}};
    ASSERT_EQ(dlg.GetOutData().size(), std::size(want));
    for (size_t i = 0; i < std::size(want); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(dlg.GetOutData()[i].nKind, want[i].kind);
        EXPECT_EQ(dlg.GetOutData()[i].nDirection, want[i].direction);
        EXPECT_EQ(dlg.GetOutData()[i].strUID, QString::fromLatin1(want[i].uid));
    }
}

TEST_F(ConflictDialog, OkOnTheEventTabDecidesOnlyEvents)
{
    Click(dlg, CDlgConflict::IDC_TAB_EVENT);
    Click(dlg, tamoui::IDOK);
    ASSERT_EQ(dlg.GetOutData().size(), 2u);
    for (const auto& out : dlg.GetOutData())
        EXPECT_EQ(out.nKind, 0);
    EXPECT_EQ(dlg.GetOutData()[0].nDirection, 1);
    EXPECT_EQ(dlg.GetOutData()[1].nDirection, 2);
}

TEST_F(ConflictDialog, ModifiedCellsAreFlaggedOnTheirClick)
{
    CXListCtrl& list = dlg.List();
    list.SetModified(1, 1, true);
    ClickBox(list, 1, 1);
    EXPECT_EQ(list.GetItemText(1, 1), QStringLiteral("Error"));
    std::uint32_t text = 0, back = 0;
    list.GetItemColors(1, 1, text, back);
    EXPECT_EQ(text, CDlgConflict::kRed);
    EXPECT_TRUE(dlg.windowTitle().endsWith(QStringLiteral(" *")));
}

TEST(ConflictDialogClose, EveryWayButSyncAnswersCancel)
{
    const std::pair<const char*, std::function<void(CDlgConflict&)>> ways[] = {
        {"모두 싱크하지 않기", [](CDlgConflict& d) { Click(d, tamoui::IDCANCEL); }},
        {"Escape", [](CDlgConflict& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"close button", [](CDlgConflict& d) { Click(d, tamoui::IDCLOSE_TITLE); }},
    };
    for (const auto& [name, way] : ways) {
        SCOPED_TRACE(name);
        CDlgConflict dlg;
        dlg.AddData("u", "s", "o", true, true);
        QTimer::singleShot(50, [&dlg, &way] { way(dlg); });
        EXPECT_EQ(dlg.DoModal(), tamoui::IDCANCEL);
        EXPECT_TRUE(dlg.GetOutData().empty());
    }
}

namespace {

struct ServiceEvent {
    long long id = 0;
    QString title;
};
std::vector<ServiceEvent> ServiceEvents(TodoSyncWorld& world)
{
    std::vector<ServiceEvent> out;
    const QByteArray text = world.Get(QStringLiteral("/_test/items?kind=event&account=demo")).toUtf8();
    CMarkupSTL xml;
    if (!xml.SetDoc(std::string_view(text.constData(), size_t(text.size()))) || !xml.FindElem())
        return out;
    while (xml.FindChildElem("item")) {
        xml.IntoElem();
        ServiceEvent e;
        xml.ResetChildPos();
        if (xml.FindChildElem("id"))
            e.id = std::atoll(xml.GetChildData().c_str());
        xml.ResetChildPos();
        if (xml.FindChildElem("title"))
            e.title = QString::fromStdString(xml.GetChildData());
        xml.OutOfElem();
        out.push_back(e);
    }
    return out;
}

// Subject to entry id of the Outlook appointments.
std::map<QString, QString> OutlookAppointments()
{
    std::map<QString, QString> out;
    CMAPISync engine;
    if (engine.InitMapi() != 1 || !engine.m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID) ||
        !engine.m_outlook.GetContents())
        return out;
    CMAPIMessage message;
    while (engine.m_outlook.GetNextMessage(message))
        out[engine.GetPropVal(message.GetMessageW(), PR_SUBJECT_W, false, PROPSET_NONE)] =
            CMAPISync::BinToHexString(message.GetEntryID(), false);
    return out;
}

std::map<QString, QString> OutlookTaskIds(TodoSyncWorld& world)
{
    std::map<QString, QString> out;
    for (const auto& t : world.OutlookTasks())
        out[t.subject] = t.entryId;
    return out;
}

QStringList Sorted(QStringList list)
{
    list.sort();
    return list;
}

class ConflictRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(world.ok());
        ASSERT_TRUE(world.SetPreferences(true, true, false, false, true));
        const int calendar = CSyncRun::GetDefaultCategory();
        ASSERT_GT(calendar, 0);
        for (const char* name : {"A", "B"})
            ASSERT_GT(world.AddServiceTodo(QStringLiteral("todo[title]=todo%1").arg(name)), 0);
        const QString day = tamo::clock::NowSeoul().addDays(3).toString("yyyy-MM-dd");
        for (const char* name : {"C", "D"})
            ASSERT_FALSE(world.Post(QStringLiteral("/events/"),
                                    QStringLiteral("event[calendar_id]=%1&event[title]=event%2&event[start_at]=%3T09:00:00"
                                                   "&event[end_at]=%3T10:00:00")
                                        .arg(calendar)
                                        .arg(name, day))
                             .isEmpty());
        // A first run pairs everything; no conflicts yet.
        BoxRecorder boxes;
        CSyncing first;
        ASSERT_EQ(first.DoModal(), tamoui::IDOK);
        syncDate = ReadSettingString(settings::SyncDate);
        ASSERT_FALSE(syncDate.isEmpty());

        // Both sides change every item after that run; A and C newer on the service.
        const auto tasks = OutlookTaskIds(world);
        const auto appointments = OutlookAppointments();
        auto stamp = [](int seconds) { return tamo::clock::NowSeoul().addSecs(seconds).toString("yyyyMMddTHHmmss"); };
        auto change = [&](const QString& name, bool serviceNewer, bool isTodo) {
            const int serviceSecs = serviceNewer ? 120 : 60, outlookSecs = serviceNewer ? 60 : 120;
            const QString original = (isTodo ? "todo" : "event") + name;
            long long id = 0;
            if (isTodo) {
                for (const auto& t : world.ServiceTodos())
                    id = t.title == original ? t.id : id;
            } else {
                for (const auto& e : ServiceEvents(world))
                    id = e.title == original ? e.id : id;
            }
            ASSERT_GT(id, 0) << original.toStdString();
            const QString field = isTodo ? "todo[title]=" : "event[title]=";
            const QString path = (isTodo ? endpoints::kTodos : QStringLiteral("/events/")) + QString::number(id);
            ASSERT_FALSE(world.Post(path, field + QString::fromUtf8(QUrl::toPercentEncoding("svc" + name)) +
                                              "&test[last_modified]=" + stamp(serviceSecs) + "&_method=put")
                             .isEmpty());
            const auto& ids = isTodo ? tasks : appointments;
            const auto found = ids.find(original);
            ASSERT_NE(found, ids.end()) << original.toStdString();
            ASSERT_TRUE(world.SetOutlookSubject(found->second, "olk" + name, OleNowUtcPlus(outlookSecs)));
        };
        change("A", true, true);
        change("B", false, true);
        change("C", true, false);
        change("D", false, false);
    }

    QStringList ServiceTitles(bool todos)
    {
        QStringList out;
        if (todos) {
            for (const auto& t : world.ServiceTodos())
                if (t.title.startsWith("svc") || t.title.startsWith("olk"))
                    out << t.title;
        } else {
            for (const auto& e : ServiceEvents(world))
                if (e.title.startsWith("svc") || e.title.startsWith("olk"))
                    out << e.title;
        }
        return Sorted(out);
    }
    QStringList OutlookSubjects(bool todos)
    {
        QStringList out;
        for (const auto& [subject, id] : todos ? OutlookTaskIds(world) : OutlookAppointments())
            if (subject.startsWith("svc") || subject.startsWith("olk"))
                out << subject;
        return Sorted(out);
    }

    TodoSyncWorld world;
    QString syncDate;
};

}  // namespace

TEST_F(ConflictRun, EachDecisionReachesItsOwnItemOnBothSides)
{
    BoxRecorder boxes;
    std::vector<Row> offered;
    ModalWatcher watcher([&](QWidget* w) {
        auto* conflict = qobject_cast<CDlgConflict*>(w);
        if (!conflict)
            return;
        QTimer::singleShot(0, [&offered, conflict] {
            CXListCtrl& list = conflict->List();
            offered = Rows(list);
            // Swap the preselection of the to-dos; the event C: neither; D: the service.
            for (int row = 0; row < list.GetItemCount(); ++row) {
                const QString service = list.GetItemText(row, 1);
                if (service == "svcA" || service == "svcB") {
                    ClickBox(list, row, 1);
                    ClickBox(list, row, 2);
                } else if (service == "svcC") {
                    ClickBox(list, row, 1);
                } else if (service == "svcD") {
                    ClickBox(list, row, 1);
                    ClickBox(list, row, 2);
                }
            }
            Click(*conflict, tamoui::IDOK);
        });
    });
    CSyncing dlg;
    EXPECT_EQ(dlg.DoModal(), tamoui::IDOK);
    EXPECT_EQ(dlg.GetStatus(), syncstatus::kDone);
    EXPECT_TRUE(boxes.boxes.empty());

    // The offers: to-dos first, the newer side ticked.
    ASSERT_EQ(offered.size(), 4u);
    int todos = 0;
    for (const Row& r : offered)
        todos += r.kind == QStringLiteral("할일");
    EXPECT_EQ(todos, 2);
    EXPECT_EQ(offered[0].kind, QStringLiteral("할일"));
    EXPECT_EQ(offered[3].kind, QStringLiteral("일정"));

    // A: Outlook won; B: the service won; C: untouched; D: the service won.
    EXPECT_EQ(ServiceTitles(true), QStringList({"olkA", "svcB"}));
    EXPECT_EQ(OutlookSubjects(true), QStringList({"olkA", "svcB"}));
    EXPECT_EQ(ServiceTitles(false), QStringList({"svcC", "svcD"}));
    EXPECT_EQ(OutlookSubjects(false), QStringList({"olkC", "svcD"}));
}

TEST_F(ConflictRun, PreselectionFollowsTheNewerSide)
{
    BoxRecorder boxes;
    std::vector<std::pair<QString, std::pair<int, int>>> ticks;
    ModalWatcher watcher([&](QWidget* w) {
        if (auto* conflict = qobject_cast<CDlgConflict*>(w))
            QTimer::singleShot(0, [&ticks, conflict] {
                CXListCtrl& list = conflict->List();
                for (int row = 0; row < list.GetItemCount(); ++row)
                    ticks.push_back({list.GetItemText(row, 1),
                                     {list.GetItemCheckedState(row, 1), list.GetItemCheckedState(row, 2)}});
                Click(*conflict, tamoui::IDCANCEL);
            });
    });
    CSyncing dlg;
    // "모두 싱크하지 않기": the run ends with 1014, nothing written, no sync time recorded.
    EXPECT_EQ(dlg.DoModal(), tamoui::IDCANCEL);
    EXPECT_EQ(dlg.GetStatus(), syncstatus::kConflictsDeclined);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(ReadSettingString(settings::SyncDate), syncDate);
    std::map<QString, std::pair<int, int>> byText(ticks.begin(), ticks.end());
    EXPECT_EQ(byText["svcA"], std::make_pair(1, 0));
    EXPECT_EQ(byText["svcB"], std::make_pair(0, 1));
    EXPECT_EQ(byText["svcC"], std::make_pair(1, 0));
    EXPECT_EQ(byText["svcD"], std::make_pair(0, 1));
    EXPECT_EQ(ServiceTitles(true), QStringList({"svcA", "svcB"}));
    EXPECT_EQ(OutlookSubjects(true), QStringList({"olkA", "olkB"}));
    EXPECT_EQ(ServiceTitles(false), QStringList({"svcC", "svcD"}));
    EXPECT_EQ(OutlookSubjects(false), QStringList({"olkC", "olkD"}));
}

TEST_F(ConflictRun, StoppingTheWindowWakesTheWaitingWorker)
{
    BoxRecorder boxes;
    CSyncing dlg;
    bool stopped = false;
    ModalWatcher watcher([&](QWidget* w) {
        if (auto* conflict = qobject_cast<CDlgConflict*>(w))
            QTimer::singleShot(0, [&, conflict] {
                // The progress window is closed while its worker waits for the decisions.
                dlg.close();
                stopped = WaitUntil([&] { return dlg.GetStatus() != 0; }, 5000);
                Click(*conflict, tamoui::IDOK);
            });
    });
    EXPECT_EQ(dlg.DoModal(), tamoui::IDCANCEL);
    EXPECT_TRUE(stopped) << "the worker ended while the conflict dialog was still up";
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(ReadSettingString(settings::SyncDate), syncDate);
    EXPECT_EQ(ServiceTitles(true), QStringList({"svcA", "svcB"}));
    EXPECT_EQ(OutlookSubjects(true), QStringList({"olkA", "olkB"}));
}

TEST(XListCtrl, CellsBoxesColoursAndTheClickMessage)
{
    QWidget parent;
    struct Receiver : QObject {
        std::vector<std::pair<int, int>> clicks;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == static_cast<QEvent::Type>(WM_XLISTCTRL_CHECKBOX_CLICKED)) {
                const auto* click = static_cast<CXListCtrlEvent*>(e);
                clicks.emplace_back(click->Item(), click->SubItem());
                return true;
            }
            return false;
        }
    } receiver;
    parent.installEventFilter(&receiver);
    auto* list = new CXListCtrl(&parent);
    list->setGeometry(0, 0, 300, 200);
    list->InsertColumn(0, QString(), CXListCtrl::LVCFMT_CENTER, 60);
    list->InsertColumn(1, QString(), CXListCtrl::LVCFMT_LEFT, 200);
    EXPECT_EQ(list->InsertItem(0, "a"), 0);
    EXPECT_EQ(list->InsertItem(5, "b"), 1);  // past the end: appended
    EXPECT_EQ(list->SetItemText(1, 1, "text", 0x0000FF, 0xEEEEEE), 1);
    EXPECT_EQ(list->SetItemText(2, 1, "none"), 0);
    std::uint32_t text = 0, back = 0;
    ASSERT_EQ(list->GetItemColors(1, 1, text, back), 1);
    EXPECT_EQ(text, 0x0000FFu);
    EXPECT_EQ(back, 0xEEEEEEu);
    ASSERT_EQ(list->GetItemColors(0, 0, text, back), 1);
    EXPECT_EQ(text, 0x000000u);
    EXPECT_EQ(back, 0xFFFFFFu);
    EXPECT_EQ(list->GetItemCheckedState(0, 1), -1);
    EXPECT_TRUE(list->CheckboxRect(0, 1).isEmpty());
    list->SetCheckbox(0, 1, 1);
    EXPECT_EQ(list->GetItemCheckedState(0, 1), 1);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    // A click beside the box only selects; one on the box toggles it and tells the parent.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 1)).center() + QPoint(60, 0));
    EXPECT_EQ(list->GetItemCheckedState(0, 1), 1);
    ClickBox(*list, 0, 1);
    EXPECT_EQ(list->GetItemCheckedState(0, 1), 0);
    EXPECT_EQ(list->GetModified(0, 1), 0);
    EXPECT_EQ(receiver.clicks, (std::vector<std::pair<int, int>>{{0, 1}}));
    EXPECT_EQ(list->DeleteAllItems(), 1);
    EXPECT_EQ(list->GetItemCount(), 0);
}

TEST(ConflictDialogScroll, ManyRowsScrollWithTheSkinnedBar)
{
    CDlgConflict dlg;
    for (int i = 0; i < 40; ++i)
        dlg.AddData(QString::number(i), QStringLiteral("서비스 %1").arg(i), QStringLiteral("아웃룩 %1").arg(i), i % 2, true);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    CCustScrollBarWidget* bar = dlg.ScrollBar().GetBarWidget(CCustScrollBar::SB_VERT);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->width(), 12);
    EXPECT_TRUE(bar->GetLayout().bThumb);
    EXPECT_GE(bar->GetLayout().nThumbLength, 18);
    CCustScrollBarWidget* horz = dlg.ScrollBar().GetBarWidget(CCustScrollBar::SB_HORZ);
    EXPECT_TRUE(!horz || !horz->isVisible());
    const int before = dlg.List().verticalScrollBar()->value();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(6, bar->height() - 4));  // the down arrow
    EXPECT_GT(dlg.List().verticalScrollBar()->value(), before);
}
