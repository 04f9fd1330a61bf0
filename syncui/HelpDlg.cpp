#include "syncui/HelpDlg.h"

using namespace tamoui;

namespace {
constexpr QSize kButton(60, 22);
}

CHelpDlg::CHelpDlg(QWidget* parent) : CTamoDlg(IDD, parent)
{
    resize(kWidth, kHeight);
    AddControl(&m_stBackground, IDC_BACKGROUND, QRect(5, 28, 400, kHeight - 28 - 40));
    AddControl(&m_stHeading, IDC_HEADING, QRect(30, 50, 350, 24));
    AddControl(&m_stBody, IDC_BODY, QRect(30, 80, 350, kHeight - 80 - 50));
    m_btnOK.setText(QStringLiteral("확인"));
    m_btnCancel.setText(QStringLiteral("취소"));
    AddControl(&m_btnOK, IDOK, QRect(QPoint(0, 0), kButton));
    AddControl(&m_btnCancel, IDC_CANCEL, QRect(QPoint(0, 0), kButton));
    MapCommand(IDC_CANCEL, [this] { EndDialog(IDCANCEL); });
    MapCommand(IDCLOSE_TITLE, [this] { EndDialog(IDCANCEL); });
}

int CHelpDlg::SetMode(int nMode, int nCompact)
{
    m_nMode = nMode;
    m_nCompact = nCompact;
    return 0;
}

bool CHelpDlg::OnInitDialog()
{
    if (m_nCompact == 1) {
        resize(kWidth, kCompactHeight);
        m_stBackground.resize(400, 65);
    }
    m_stBackground.SetDrawPopupBkgnd(0);
    InitHelper(0, m_strTitle, 1);
    m_btnOK.SetDrawNormal();
    m_btnCancel.SetDrawNormal();

    m_stHeading.SetFont(QStringLiteral("돋움"), 12, 0x0281FB, 1);
    m_stBody.SetFont(QStringLiteral("돋움"), 12, 0x888888, 0);
    m_stHeading.SetWindowText(m_strHeading);
    m_stBody.SetWindowText(m_strBody);

    const QSize button = m_btnOK.size();
    const int W = width(), H = height();
    if (m_nMode != 0) {
        m_btnOK.move(110, H - 30);
        m_btnCancel.setGeometry(110 + button.width() + 5, H - 30, button.width(), button.height());
        m_btnCancel.show();
        return true;
    }
    m_stHeading.setGeometry(30, 50, W - 30, H - 40);
    m_btnOK.move(m_nCompact == 1 ? 140 : W / 2 - button.width() / 2, H - 30);
    m_btnCancel.hide();
    return true;
}
