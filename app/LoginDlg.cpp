#include "app/LoginDlg.h"

#include <QDateTime>
#include <QKeyEvent>

#include "app/Account.h"
#include "app/AppArt.h"
#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "base/ui/FPSMiniCalendarCtrl.h"

using namespace tamoui;

namespace {

constexpr std::uint32_t kGreyText = 0x888888;
constexpr std::uint32_t kAccent = 0x0281FB;

QFont LinkFont()
{
    QFont font(QStringLiteral("돋움"));
    font.setPixelSize(11);
    return font;
}

void SetLink(CTamoButton& button, const QString& text)
{
    button.setText(text);
    const QFont font = LinkFont();
    button.SetDrawLink(&font, kGreyText);
    button.setCursor(Qt::PointingHandCursor);
}

// A link as wide as its text, so that what follows it stands right after it.
void FitLink(CTamoButton& button)
{
    button.resize(QFontMetrics(LinkFont()).horizontalAdvance(button.text()) + 6, button.height());
}

// A button that is its picture alone, without the push button's frame.
void SetPicture(CTamoButton& button, CAppPicture* picture)
{
    button.m_pPicture = picture;
    button.setCursor(Qt::PointingHandCursor);
}

QString AccountPage(const QString& path)
{
    return CServiceConfig::Current().Url(Service::Account, path);
}

}  // namespace

CLoginDlg::CLoginDlg(ISignInHost* host, QWidget* parent) : CTamoDlg(IDD, parent), m_pHost(host)
{
    resize(CDlgBG::kRect.size());
    SetMove(false);
    m_cbId.setEditable(true);
    m_cbId.setInsertPolicy(QComboBox::NoInsert);
    m_cbId.lineEdit()->setMaxLength(kTextLimit);
    m_cbId.lineEdit()->setPlaceholderText(QStringLiteral("아이디"));
    m_edPassword.setEchoMode(QLineEdit::Password);
    m_edPassword.setMaxLength(kTextLimit);
    m_edPassword.setPlaceholderText(QStringLiteral("비밀번호"));
    m_chkSavePW.setText(QStringLiteral("비밀번호 저장"));
    m_chkAutoLogin.setText(QStringLiteral("다음 접속 시 자동 로그인"));
    SetLink(m_btnJoin, QStringLiteral("회원가입"));
    SetLink(m_btnFindId, QStringLiteral("아이디/비밀번호 찾기"));
    m_stBar.SetWindowText(QStringLiteral("|"));

    AddControl(&m_cbId, IDC_ID, QRect(24, 70, 150, 22));
    AddControl(&m_edPassword, IDC_PASSWORD, QRect(24, 98, 150, 22));
    AddControl(&m_btnLogin, IDC_LOGIN, QRect(180, 70, 48, 50));
    AddControl(&m_chkSavePW, IDC_SAVE_PW, QRect(24, 128, 200, 18));
    AddControl(&m_chkAutoLogin, IDC_AUTO_LOGIN, QRect(24, 148, 200, 18));
    AddControl(&m_btnJoin, IDC_JOIN, QRect(24, 184, 48, 16));
    FitLink(m_btnJoin);
    AddControl(&m_stBar, IDC_BAR, QRect(m_btnJoin.geometry().right() + 5, 184, 6, 16));
    AddControl(&m_btnFindId, IDC_FIND_ID, QRect(m_stBar.geometry().right() + 4, 184, 120, 16));
    FitLink(m_btnFindId);
    SetPicture(m_btnLogin, &m_loginPicture);

    // Only the user's own choosing or typing of an ID empties the password, not the panel's
    // own writes.
    connect(&m_cbId, &QComboBox::activated, this, [this] { m_edPassword.clear(); });
    connect(m_cbId.lineEdit(), &QLineEdit::textEdited, this, [this] { m_edPassword.clear(); });
    connect(m_cbId.lineEdit(), &QLineEdit::returnPressed, this, [this] { SignIn(false); });
    connect(&m_edPassword, &QLineEdit::returnPressed, this, [this] { SignIn(false); });

    MapCommand(IDC_LOGIN, [this] { SignIn(false); });
    MapCommand(IDC_JOIN, [this] { m_pHost->OpenServicePage(AccountPage(endpoints::kJoin)); });
    MapCommand(IDC_FIND_ID, [this] { m_pHost->OpenServicePage(AccountPage(endpoints::kFindId)); });
}

bool CLoginDlg::OnInitDialog()
{
    m_stBar.SetFont(QStringLiteral("돋움"), 11, kGreyText, 0);
    m_stBar.SetBkColor(0xFFFFFF);
    m_pCalendar = new CFPSMiniCalendarCtrl(this);
    m_pCalendar->Create(0, QRect(QPoint(230, 70), QPoint(395, 200)), this, IDC_CALENDAR);
    m_pCalendar->SetSpecialDaysCallback(m_pCalendar->NearTodayRule());
    m_pCalendar->SetFirstDayOfWeek(1);  // Sunday first, as on the calendar pages
    m_pCalendar->SetCurrentDate(QDate());

    LoadSavedAccount();
    if (ReadSetting(settings::SavePW) != 0) {
        m_chkSavePW.setChecked(true);
        m_chkAutoLogin.setChecked(ReadSetting(settings::AutoLogin) != 0);
    } else {
        m_chkSavePW.setChecked(false);
        m_chkAutoLogin.setChecked(false);
        m_cbId.setEditText(QString());
        m_edPassword.clear();
    }
    return true;
}

void CLoginDlg::LoadSavedAccount()
{
    m_cbId.clear();
    const account::SSaved saved = account::Load();
    if (!saved.found)
        return;
    m_chkSavePW.setChecked(saved.saveId);
    m_cbId.addItems(saved.ids);
    m_cbId.setEditText(saved.id);
    m_edPassword.setText(saved.saveId ? saved.password : QString());
}

void CLoginDlg::SignIn(bool bSilent)
{
    QString id = m_cbId.currentText();
    const QString password = m_edPassword.text();
    if (id.isEmpty() || password.isEmpty())
        return;
    id = id.toLower();
    m_cbId.setEditText(id);
    if (id.trimmed().isEmpty()) {
        m_cbId.setFocus();
        return;
    }
    const signin::Result result = signin::Check(id, password);
    // A result the window could not take (a page still loading) leaves the settings alone.
    if (!m_pHost->OnSignInResult(result.ok, bSilent, result) || !result.ok)
        return;
    Remember(id, password);
}

void CLoginDlg::Remember(const QString& id, const QString& password)
{
    if (m_chkSavePW.isChecked()) {
        WriteSettingFlag(settings::SavePW, 1);
        account::Store(id, password, true, quint32(QDateTime::currentSecsSinceEpoch()));
        WriteSettingFlag(settings::AutoLogin, m_chkAutoLogin.isChecked() ? 1 : 0);
        return;
    }
    WriteSettingFlag(settings::SavePW, 0);
    WriteSettingFlag(settings::AutoLogin, 0);
    // Not remembering means the password leaves the disk too.
    account::ForgetPassword();
    m_cbId.setEditText(QString());
    m_edPassword.clear();
}

void CLoginDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();  // the panel never closes
        return;
    }
    CTamoDlg::keyPressEvent(event);
}

CErrorDlg::CErrorDlg(ISignInHost* host, QWidget* parent) : CTamoDlg(IDD, parent), m_pHost(host)
{
    resize(CDlgBG::kRect.size());
    SetMove(false);
    m_stTitle.SetWindowText(QStringLiteral("로그인 실패"));
    m_stText.SetWindowText(QStringLiteral("로그인에 실패하였습니다.\n아이디와 비밀번호를 다시 입력해주세요."));
    SetLink(m_btnFindId, QStringLiteral("아이디/비밀번호 찾기"));
    AddControl(&m_stTitle, IDC_TITLE, QRect(24, 56, 300, 20));
    AddControl(&m_stText, IDC_TEXT, QRect(24, 84, 360, 40));
    AddControl(&m_btnBack, IDC_BACK, QRect(24, 136, 90, 24));
    AddControl(&m_btnFindId, IDC_FIND_ID, QRect(24, 184, 120, 16));
    FitLink(m_btnFindId);
    SetPicture(m_btnBack, &m_backPicture);
    MapCommand(IDC_BACK, [this] { emit BackToLogin(); });
    MapCommand(IDC_FIND_ID, [this] {
        m_pHost->OpenServicePage(CServiceConfig::Current().Url(Service::Account, endpoints::kFindId));
    });
}

bool CErrorDlg::OnInitDialog()
{
    m_stTitle.SetFont(QStringLiteral("돋움"), 14, kAccent, 1);
    m_stText.SetFont(QStringLiteral("돋움"), 12, kGreyText, 0);
    for (CTamoStatic* st : {&m_stTitle, &m_stText})
        st->SetBkColor(0xFFFFFF);
    return true;
}

CDlgBG::CDlgBG(ISignInHost* host, QWidget* parent) : CTamoDlg(IDD, parent), m_pHost(host)
{
    resize(kRect.size());
    SetMove(false);
    AddControl(&m_stBackground, IDC_BACKGROUND, QRect(QPoint(0, 0), kRect.size()));
}

bool CDlgBG::OnInitDialog()
{
    m_stBackground.SetDrawPopupBkgnd(0);
    m_pLogin = new CLoginDlg(m_pHost, this);
    m_pLogin->Create(this);
    m_pLogin->move(0, 0);
    m_pLogin->show();
    return true;
}

void CDlgBG::ShowLogin()
{
    if (m_pError)
        m_pError->hide();
    m_pLogin->show();
}

void CDlgBG::ShowError()
{
    if (!m_pError) {
        m_pError = new CErrorDlg(m_pHost, this);
        m_pError->Create(this);
        m_pError->move(0, 0);
        connect(m_pError, &CErrorDlg::BackToLogin, this, &CDlgBG::ShowLogin);
    }
    m_pLogin->hide();
    m_pError->show();
}
