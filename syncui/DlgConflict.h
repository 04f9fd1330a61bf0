#pragma once

#include <cstdint>
#include <vector>

#include <QString>

#include "base/ui/ButtonExt.h"
#include "base/ui/CustScrollBar.h"
#include "base/ui/DrawHelper.h"
#include "base/ui/ImageList.h"
#include "tamolistctrl/XListCtrl.h"
#include "tamoui/CTamoButton.h"
#include "tamoui/CTamoDlg.h"
#include "tamoui/CTamoStatic.h"

// The items changed on both sides since the last sync, each with the service's and Outlook's
// text in a check-box list, the newer side ticked. "싱크" (OK) turns the rows of the current tab
// into decisions; "모두 싱크하지 않기", Escape and the close button answer cancel.
class CDlgConflict : public CTamoDlg {
    Q_OBJECT
public:
    enum {
        IDD = 3001,
        IDC_LIST = 3000,
        IDC_BACKGROUND = 3001,
        IDC_HEADING = 3019,
        IDC_EXPLAIN = 3020,
        IDC_TAB_EVENT = 3021,
        IDC_TAB_TODO = 3022,
        IDC_SEP1 = 3023,
        IDC_SEP2 = 3024,
        IDC_CHECK_SERVICE = 3028,
        IDC_CHECK_OUTLOOK = 3029,
        IDC_HEADER = 3030,
        IDC_TAB_ALL = 3039,
    };
    enum { FILTER_ALL = 0, FILTER_TODO = 1, FILTER_EVENT = 2 };
    enum { COL_KIND = 0, COL_SERVICE = 1, COL_OUTLOOK = 2, COL_UID = 3 };
    static constexpr std::uint32_t kRed = 0x000000FF;

    // One offered conflict: kind 1 to-do, 2 event.
    struct ListData {
        int nKind = 1;
        bool bServiceNewer = false;
        QString strService;
        QString strOutlook;
        QString strUID;
    };
    // One decision: kind 1 to-do, 0 event; direction 0 both, 1 service, 2 Outlook, -1 neither.
    struct OutData {
        std::uint8_t nKind = 0;
        int nDirection = -1;
        QString strUID;
    };

    explicit CDlgConflict(QWidget* parent = nullptr);
    ~CDlgConflict() override;

    void AddData(const QString& strUID, const QString& strService, const QString& strOutlook, bool bTodo,
                 bool bServiceNewer);
    const std::vector<ListData>& GetListData() const { return m_listData; }
    // After OK: one decision per row of the tab shown, in row order.
    const std::vector<OutData>& GetOutData() const { return m_outData; }

    void InitListCtrl(CXListCtrl& list);
    void FillListCtrl(CXListCtrl& list, int nFilter);

    CXListCtrl& List() { return m_list; }
    CCustScrollBar& ScrollBar() { return m_scroll; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    bool event(QEvent* e) override;

private:
    void SelectTab(int nTab);
    void TickColumn(int nColumn, int nState);
    int OnCheckbox(int nItem, int nSubItem);

    std::vector<ListData> m_listData;
    std::vector<OutData> m_outData;
    CTamoButton m_btnOK;
    CTamoButton m_btnCancel;
    CTamoStatic m_stBackground;
    CTamoStatic m_stHeading;
    CTamoStatic m_stExplain;
    CTamoStatic m_stSep1;
    CTamoStatic m_stSep2;
    CTamoButton m_btnEvent;
    CTamoButton m_btnTodo;
    CTamoButton m_btnAll;
    CXListCtrl m_list;
    CButtonExt m_chkService;
    CButtonExt m_chkOutlook;
    CTamoStatic m_stHeader;
    CDrawHelper m_header;
    CImageList m_checkImages;
    CCustScrollBar m_scroll;
};
