#include "syncui/DlgConflict.h"

#include "base/ui/ImageExt.h"

using namespace tamoui;

namespace {
constexpr int kWidth = 420;
constexpr int kHeight = 392;
constexpr QRect kListRect(22, 151, 373, 190);
constexpr int kHeaderTop = 132;
}  // namespace

CDlgConflict::CDlgConflict(QWidget* parent) : CTamoDlg(IDD, parent)
{
    resize(kWidth, kHeight);
    AddControl(&m_stBackground, IDC_BACKGROUND, QRect(5, 28, kWidth - 10, kHeight - 33));
    m_stHeading.SetWindowText(QStringLiteral("충돌한 데이터 중 싱크할 데이터를 선택하세요"));
    AddControl(&m_stHeading, IDC_HEADING, QRect(22, 38, 376, 16));
    m_stExplain.SetWindowText(QStringLiteral("아래 항목은 Tamo 캘린더와 아웃룩 모두에서 데이터가 변경되어\r\n충돌한 항목입니다. "
                                             "어떤것으로 싱크할 지 선택해 주세요.\r\n(최신 데이터로 미리 선택되어 있으며 "
                                             "체크 해제시 싱크하지 않음)"));
    AddControl(&m_stExplain, IDC_EXPLAIN, QRect(22, 58, 376, 50));
    m_btnAll.setText(QStringLiteral("전체"));
    m_btnEvent.setText(QStringLiteral("일정"));
    m_btnTodo.setText(QStringLiteral("할일"));
    m_stSep1.SetWindowText(QStringLiteral("|"));
    m_stSep2.SetWindowText(QStringLiteral("|"));
    AddControl(&m_btnAll, IDC_TAB_ALL, QRect(22, 112, 30, 16));
    AddControl(&m_stSep1, IDC_SEP1, QRect(56, 112, 6, 16));
    AddControl(&m_btnEvent, IDC_TAB_EVENT, QRect(66, 112, 30, 16));
    AddControl(&m_stSep2, IDC_SEP2, QRect(100, 112, 6, 16));
    AddControl(&m_btnTodo, IDC_TAB_TODO, QRect(110, 112, 30, 16));
    AddControl(&m_stHeader, IDC_HEADER, QRect(kListRect.left(), kHeaderTop, 1, 19));
    m_chkService.setText(QStringLiteral(" Tamo 캘린더"));
    m_chkOutlook.setText(QStringLiteral(" 아웃룩"));
    AddControl(&m_chkService, IDC_CHECK_SERVICE, QRect(kListRect.left() + 53, kHeaderTop + 2, 100, 15));
    AddControl(&m_chkOutlook, IDC_CHECK_OUTLOOK, QRect(kListRect.left() + 53 + 135, kHeaderTop + 2, 100, 15));
    AddControl(&m_list, IDC_LIST, kListRect);
    m_btnOK.setText(QStringLiteral("싱크"));
    m_btnCancel.setText(QStringLiteral("모두 싱크하지 않기"));
    AddControl(&m_btnOK, IDOK, QRect(118, kHeight - 32, 70, 22));
    AddControl(&m_btnCancel, IDCANCEL, QRect(193, kHeight - 32, 120, 22));

    MapCommand(IDC_TAB_ALL, [this] { SelectTab(IDC_TAB_ALL); });
    MapCommand(IDC_TAB_EVENT, [this] { SelectTab(IDC_TAB_EVENT); });
    MapCommand(IDC_TAB_TODO, [this] { SelectTab(IDC_TAB_TODO); });
    MapCommand(IDC_CHECK_SERVICE, [this] { TickColumn(COL_SERVICE, m_chkService.GetCheck()); });
    MapCommand(IDC_CHECK_OUTLOOK, [this] { TickColumn(COL_OUTLOOK, m_chkOutlook.GetCheck()); });
    MapCommand(IDCLOSE_TITLE, [this] { EndDialog(IDCANCEL); });
}

CDlgConflict::~CDlgConflict() = default;

void CDlgConflict::AddData(const QString& strUID, const QString& strService, const QString& strOutlook, bool bTodo,
                           bool bServiceNewer)
{
    m_listData.push_back({bTodo ? 1 : 2, bServiceNewer, strService, strOutlook, strUID});
}

bool CDlgConflict::OnInitDialog()
{
    m_btnOK.SetDrawNormal();
    m_btnCancel.SetDrawNormal();
    m_stBackground.SetDrawPopupBkgnd(0);
    for (CTamoButton* tab : {&m_btnEvent, &m_btnTodo, &m_btnAll}) {
        tab->SetDrawLink(nullptr, 0x888888, 0xFFFFFFFF);
        tab->SizeToContent();
    }
    m_btnAll.setEnabled(false);
    InitHelper(0, QStringLiteral("아웃룩 싱크"), 1);

    m_list.SetExtendedStyle(CXListCtrl::LVS_EX_GRIDLINES | CXListCtrl::LVS_EX_FULLROWSELECT);
    m_scroll.Initialize(&m_list, 3023);
    m_scroll.CSB_SetSize(CCustScrollBar::SB_VERT, 12, 12);
    m_scroll.SetMinThumbSize(CCustScrollBar::SB_VERT, 18);
    m_scroll.CSB_ShowScrollBar(CCustScrollBar::SB_VERT, true);
    m_scroll.CSB_ShowScrollBar(CCustScrollBar::SB_HORZ, false);
    InitListCtrl(m_list);
    FillListCtrl(m_list, FILTER_ALL);

    m_header.LoadBitmapW(3020, 1);
    m_stHeader.m_pPicture = &m_header;
    m_stHeader.m_bPicture = 0;
    m_stHeader.resize(width() - 47, 19);
    m_stHeader.lower();
    m_stBackground.lower();

    m_checkImages.Create(10, 10);
    m_checkImages.Add(CImageExt::LoadResource(3022));
    m_checkImages.Add(CImageExt::LoadResource(3021));
    for (CButtonExt* box : {&m_chkService, &m_chkOutlook}) {
        box->SetImageList(&m_checkImages);
        box->SetIcons(0, 1, 0, 0, 0);
        box->SetButtonStyle(CButtonExt::KindCheck | CButtonExt::StyleText | CButtonExt::StyleIcon);
        box->SetWindowStyle(CButtonExt::BS_LEFT | CButtonExt::BS_VCENTER);
        box->SetEnableHot(false);
        box->SizeToContent();
        box->raise();
    }

    m_stHeading.SetFont(QStringLiteral("돋움"), 12, 0x0281FB, 1);
    for (CTamoStatic* text : {&m_stExplain, &m_stSep1, &m_stSep2})
        text->SetFont(QStringLiteral("돋움"), 12, 0x888888, 0);
    return true;
}

void CDlgConflict::InitListCtrl(CXListCtrl& list)
{
    list.InsertColumn(COL_KIND, QString(), CXListCtrl::LVCFMT_CENTER, 50);
    list.InsertColumn(COL_SERVICE, QString(), CXListCtrl::LVCFMT_LEFT, 135);
    list.InsertColumn(COL_OUTLOOK, QString(), CXListCtrl::LVCFMT_LEFT, 175);
    list.InsertColumn(COL_UID, QString(), CXListCtrl::LVCFMT_LEFT, 0);
}

void CDlgConflict::FillListCtrl(CXListCtrl& list, int nFilter)
{
    list.DeleteAllItems();
    int row = 0;
    for (const ListData& data : m_listData) {
        if ((nFilter == FILTER_TODO && data.nKind != 1) || (nFilter == FILTER_EVENT && data.nKind != 2))
            continue;
        list.InsertItem(row, data.nKind == 1 ? QStringLiteral("할일") : QStringLiteral("일정"));
        list.SetItemText(row, COL_SERVICE, data.strService);
        list.SetItemText(row, COL_OUTLOOK, data.strOutlook);
        list.SetItemText(row, COL_UID, data.strUID);
        list.SetCheckbox(row, COL_SERVICE, data.bServiceNewer ? 1 : 0);
        list.SetCheckbox(row, COL_OUTLOOK, data.bServiceNewer ? 0 : 1);
        ++row;
    }
}

void CDlgConflict::SelectTab(int nTab)
{
    m_btnAll.setEnabled(nTab != IDC_TAB_ALL);
    m_btnEvent.setEnabled(nTab != IDC_TAB_EVENT);
    m_btnTodo.setEnabled(nTab != IDC_TAB_TODO);
    FillListCtrl(m_list, nTab == IDC_TAB_ALL ? FILTER_ALL : nTab == IDC_TAB_EVENT ? FILTER_EVENT : FILTER_TODO);
    m_list.viewport()->update();
}

void CDlgConflict::TickColumn(int nColumn, int nState)
{
    for (int row = 0; row < m_list.GetItemCount(); ++row)
        m_list.SetCheckbox(row, nColumn, nState == 1 ? 1 : 0);
    m_list.viewport()->update();
}

bool CDlgConflict::event(QEvent* e)
{
    if (e->type() == static_cast<QEvent::Type>(WM_XLISTCTRL_CHECKBOX_CLICKED)) {
        const auto* click = static_cast<CXListCtrlEvent*>(e);
        OnCheckbox(click->Item(), click->SubItem());
        return true;
    }
    return CTamoDlg::event(e);
}

int CDlgConflict::OnCheckbox(int nItem, int nSubItem)
{
    if (nSubItem < 0)
        return 0;
    // A cell the list marks as modified is flagged; an ordinary tick leaves the texts as they
    // are, so the user still reads what the choice is about.
    if (m_list.GetModified(nItem, nSubItem)) {
        std::uint32_t crText = 0, crBack = 0;
        m_list.GetItemColors(nItem, nSubItem, crText, crBack);
        m_list.SetItemText(nItem, nSubItem, nSubItem == 0 ? QStringLiteral("*") : QStringLiteral("Error"), kRed,
                           crBack);
        setWindowTitle(QStringLiteral("아웃룩 싱크 *"));
        update();
    }
    return 0;
}

void CDlgConflict::OnOK()
{
    m_outData.clear();
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        const bool service = m_list.GetItemCheckedState(row, COL_SERVICE) == 1;
        const bool outlook = m_list.GetItemCheckedState(row, COL_OUTLOOK) == 1;
        OutData out;
        out.nDirection = service && outlook ? 0 : service ? 1 : outlook ? 2 : -1;
        const QString kind = m_list.GetItemText(row, COL_KIND);
        out.nKind = kind == QStringLiteral("할일") ? 1 : 0;
        out.strUID = m_list.GetItemText(row, COL_UID);
        m_outData.push_back(out);
    }
    EndDialog(IDOK);
}
