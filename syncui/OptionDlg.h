#pragma once

#include <functional>

#include <QString>

#include "base/ui/ButtonExt.h"
#include "base/ui/ImageList.h"
#include "tamoui/CTamoButton.h"
#include "tamoui/CTamoDlg.h"

class COutlookOptionDlg;

// The desktop program has a basic options page of the same name; each lives in its own namespace.
namespace syncui {

// The sync option window (3030): the sync options page under one tab, sent on OK.
// DoModal answers 1 after OK (preferences sent), 2 otherwise.
class COptionDlg : public CTamoDlg {
    Q_OBJECT
public:
    enum { IDD = 3030, IDC_TAB = 3041 };
    enum { TIMER_PAGE = 1 };
    static constexpr int kWidth = 420;
    static constexpr int kHeight = 390;

    explicit COptionDlg(QWidget* parent = nullptr);
    ~COptionDlg() override;

    COutlookOptionDlg* Page() const { return m_pPage; }

    // Makes the page object; null when it cannot be made. Tests replace it.
    std::function<COutlookOptionDlg*(QWidget* parent)> m_fnNewPage;
    // The framework's message box. Tests replace it.
    std::function<void(const QString& text)> m_fnMessage;

protected:
    bool OnInitDialog() override;
    void OnTimer(int nIDEvent) override;
    void OnOK() override;
    bool OnEraseBkgnd(QPainter* pDC) override;

private:
    void CreatePage();

    COutlookOptionDlg* m_pPage = nullptr;  // owned through the widget tree
    CTamoButton m_btnOK;
    CTamoButton m_btnCancel;
    CImageList m_tabImages{104, 23};
    CButtonExt m_btnTab;
};

// The tab pictures (104 x 23): normal and chosen.
QPixmap TabPicture(const QString& text, bool bChosen);
// Makes a tab button of the two pictures: icons (0, 1, 0, 0, 0), no hot tracking, icon style,
// sized to its content.
void SetUpTab(CButtonExt& tab, CImageList& images, const QString& text);

}  // namespace syncui
