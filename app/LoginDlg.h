#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "app/AppArt.h"
#include "base/SignInCheck.h"
#include "tamoui/CTamoButton.h"
#include "tamoui/CTamoDlg.h"
#include "tamoui/CTamoStatic.h"

class CFPSMiniCalendarCtrl;

// The main window as the login panels see it.
class ISignInHost {
public:
    virtual ~ISignInHost() = default;
    // Applies a sign-in's result; false when it was dropped because a page is still loading.
    virtual bool OnSignInResult(bool bSuccess, bool bSilent, const signin::Result& result) = 0;
    // Opens a page of the services in a browser window.
    virtual void OpenServicePage(const QString& url) = 0;
};

// The login panel (130): ID with the list of recent IDs, password, the two remember boxes, the
// sign-in button, the sign-up and find-ID links and a month calendar.
class CLoginDlg : public CTamoDlg {
    Q_OBJECT
public:
    enum {
        IDD = 130,
        IDC_ID = 1003,
        IDC_PASSWORD = 1004,
        IDC_SAVE_PW = 1006,
        IDC_AUTO_LOGIN = 1007,
        IDC_LOGIN = 1002,
        IDC_JOIN = 1048,
        IDC_FIND_ID = 1047,
        IDC_BAR = 1050,
        IDC_CALENDAR = 32999,
    };
    static constexpr int kTextLimit = 33;

    CLoginDlg(ISignInHost* host, QWidget* parent = nullptr);

    // Signs in with what the panel holds; nothing happens while the ID or password is empty.
    void SignIn(bool bSilent);
    // Fills the ID box, its list, the password and the remember box from the settings.
    void LoadSavedAccount();

    QComboBox* IdBox() { return &m_cbId; }
    QLineEdit* PasswordBox() { return &m_edPassword; }
    QCheckBox* SavePasswordBox() { return &m_chkSavePW; }
    QCheckBox* AutoLoginBox() { return &m_chkAutoLogin; }

protected:
    bool OnInitDialog() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Remember(const QString& id, const QString& password);

    ISignInHost* m_pHost;
    QComboBox m_cbId;
    QLineEdit m_edPassword;
    QCheckBox m_chkSavePW;
    QCheckBox m_chkAutoLogin;
    CTamoButton m_btnLogin;
    CAppPicture m_loginPicture{134};
    CTamoButton m_btnJoin;
    CTamoButton m_btnFindId;
    CTamoStatic m_stBar;
    CFPSMiniCalendarCtrl* m_pCalendar = nullptr;
};

// The failure panel (155): its title and text, a button back to the login panel and the
// find-ID link.
class CErrorDlg : public CTamoDlg {
    Q_OBJECT
public:
    enum { IDD = 155, IDC_TITLE = 1044, IDC_TEXT = 1045, IDC_BACK = 1000, IDC_FIND_ID = 1047 };

    CErrorDlg(ISignInHost* host, QWidget* parent = nullptr);

signals:
    void BackToLogin();

protected:
    bool OnInitDialog() override;

private:
    ISignInHost* m_pHost;
    CTamoStatic m_stTitle;
    CTamoStatic m_stText;
    CTamoButton m_btnBack;
    CAppPicture m_backPicture{157};
    CTamoButton m_btnFindId;
};

// The white panel (177) under the title strip that holds the login panel and, once a sign-in
// failed, the failure panel. It does not move the window.
class CDlgBG : public CTamoDlg {
    Q_OBJECT
public:
    enum { IDD = 177, IDC_BACKGROUND = 1038 };
    // Where the panel sits in the main window.
    static constexpr QRect kRect{6, 52, 408, 229};

    CDlgBG(ISignInHost* host, QWidget* parent = nullptr);

    CLoginDlg* Login() { return m_pLogin; }
    CErrorDlg* Error() { return m_pError; }
    // The login panel, the failure panel hidden.
    void ShowLogin();
    // The failure panel (made on first use), the login panel hidden.
    void ShowError();

protected:
    bool OnInitDialog() override;

private:
    ISignInHost* m_pHost;
    CTamoStatic m_stBackground;
    CLoginDlg* m_pLogin = nullptr;
    CErrorDlg* m_pError = nullptr;
};
