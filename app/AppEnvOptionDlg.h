#pragma once

#include <functional>

#include <QString>

#include "base/ui/ButtonExt.h"
#include "base/ui/ImageList.h"
#include "tamoui/CTamoButton.h"
#include "tamoui/CTamoDlg.h"
#include "tamoui/CTamoStatic.h"

class QCheckBox;
class QRadioButton;
class COutlookOptionDlg;

// The sync library has an option window of the same name; each lives in its own namespace.
namespace tamosync {

// The basic options page (131): the program's own settings, read when the page is made and
// written by Save.
class COptionDlg : public CTamoDlg {
    Q_OBJECT
public:
    enum {
        IDD = 131,
        IDC_AUTO_START = 1010,
        IDC_HIDE_IN_TRAY = 1012,
        IDC_MINI_MODE = 1013,
        IDC_HIDE_TODO = 1014,
        IDC_ALARM_POPUP = 1015,
        IDC_ALARM_ALERT = 1016,
        IDC_NO_ALARM_FULLSCREEN = 1017,
        IDC_ALARM_SOUND = 1018,
        IDC_SOUND_SETTINGS = 1019,
        IDC_TASKBAR = 1020,
        IDC_GROUP_BASIC = 1064,
        IDC_GROUP_ALARM = 1065,
        IDC_EXIT_HIDE = 1071,
    };
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 300;

    explicit COptionDlg(QWidget* parent = nullptr);

    // Writes the nine settings, keeps the auto-start entry in step and reports the two choices.
    void Save();

    // Opens the sound dialog. Tests replace it.
    std::function<void()> m_fnSoundDlg;

protected:
    void OnOK() override {}
    void OnCancel() override {}

private:
    void EnableHideInTray();
    QCheckBox* Check(int nID, const QString& text, const QRect& rc);
    bool IsChecked(int nID) const;

    CTamoStatic m_stBasic;
    CTamoStatic m_stAlarm;
    CTamoButton m_btnSound;
    QRadioButton* m_pPopup = nullptr;
    QRadioButton* m_pAlert = nullptr;
};

// The options report to the statistics service: "notimode=%ld&minimode=%ld". True on an answer.
bool ReportOptionChoices(long nNotiMode, long nMiniMode);

}  // namespace tamosync

// The options dialog (144, "환경설정"): the basic page and, while signed in, the sync options
// page, chosen by the tabs 1000 and 1001. OK sends the sync page, saves the basic page and
// closes with 1; cancel and the title strip's close answer 2.
class CAppEnvOptionDlg : public CTamoDlg {
    Q_OBJECT
public:
    enum { IDD = 144, IDC_TAB_BASIC = 1000, IDC_TAB_SYNC = 1001 };
    enum { TIMER_BASIC_PAGE = 1, TIMER_SYNC_PAGE = 2 };
    static constexpr int kWidth = 420;
    static constexpr int kHeight = 390;

    CAppEnvOptionDlg(int nFirstPage, bool bLoggedIn, QWidget* parent = nullptr);
    ~CAppEnvOptionDlg() override;

    tamosync::COptionDlg* BasicPage() const { return m_pBasic; }
    COutlookOptionDlg* SyncPage() const { return m_pSync; }
    int GetCurrentPage() const { return m_nCurrentPage; }
    void ShowPage(int nPage);

    // The framework's message box. Tests replace it.
    std::function<void(const QString& text)> m_fnMessage;
    // Make the page objects; null when one cannot be made. Tests replace them.
    std::function<tamosync::COptionDlg*(QWidget* parent)> m_fnNewBasicPage;
    std::function<COutlookOptionDlg*(QWidget* parent)> m_fnNewSyncPage;

protected:
    bool OnInitDialog() override;
    void OnTimer(int nIDEvent) override;
    void OnOK() override;
    bool OnEraseBkgnd(QPainter* pDC) override;

private:
    bool CreatePage(CTamoDlg* page);
    void CheckTab(int nPage);

    int m_nFirstPage;
    int m_nCurrentPage = 0;
    bool m_bLoggedIn;
    tamosync::COptionDlg* m_pBasic = nullptr;
    COutlookOptionDlg* m_pSync = nullptr;
    CTamoButton m_btnOK;
    CTamoButton m_btnCancel;
    CImageList m_basicImages{104, 23};
    CImageList m_syncImages{104, 23};
    CButtonExt m_btnTabBasic;
    CButtonExt m_btnTabSync;
};
