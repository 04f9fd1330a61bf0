#include "syncui/OptionDlg.h"

#include <QMessageBox>
#include <QPainter>

#include "base/ui/GdiConvert.h"
#include "syncui/OutlookOptionDlg.h"

using namespace tamoui;

namespace syncui {

QPixmap TabPicture(const QString& text, bool bChosen)
{
    QPixmap pm(104, 23);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(tamo::ColorFromRef(bChosen ? 0x0281FB : 0xA7A7A7));
    p.setBrush(bChosen ? QColor(Qt::white) : tamo::ColorFromRef(0xE4E4E4));
    p.drawRoundedRect(QRectF(0.5, 0.5, 103, 26), 4, 4);
    QFont f(QStringLiteral("돋움"));
    f.setPixelSize(12);
    f.setBold(bChosen);
    p.setFont(f);
    p.setPen(tamo::ColorFromRef(bChosen ? 0x0281FB : 0x555555));
    p.drawText(pm.rect(), Qt::AlignCenter, text);
    return pm;
}

void SetUpTab(CButtonExt& tab, CImageList& images, const QString& text)
{
    images.Create(104, 23);
    images.Add(TabPicture(text, false));
    images.Add(TabPicture(text, true));
    tab.SetImageList(&images);
    tab.SetIcons(0, 1, 0, 0, 0);
    tab.SetEnableHot(false);
    tab.SetButtonStyle(tab.GetButtonStyle() | CButtonExt::StyleIcon);
    tab.SizeToContent();
}

COptionDlg::COptionDlg(QWidget* parent) : CTamoDlg(IDD, parent)
{
    resize(kWidth, kHeight);
    m_btnOK.setText(QStringLiteral("확인"));
    m_btnCancel.setText(QStringLiteral("취소"));
    AddControl(&m_btnTab, IDC_TAB, QRect(10, 30, 104, 23));
    AddControl(&m_btnOK, IDOK, QRect(kWidth / 2 - 65, kHeight - 32, 60, 22));
    AddControl(&m_btnCancel, IDCANCEL, QRect(kWidth / 2 + 5, kHeight - 32, 60, 22));
    MapCommand(IDCLOSE_TITLE, [this] { EndDialog(IDCANCEL); });
    // The single tab only stays chosen.
    MapCommand(IDC_TAB, [this] { m_btnTab.SetCheck(1); });
    m_fnNewPage = [](QWidget* parent) { return new COutlookOptionDlg(parent); };
    m_fnMessage = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };
}

COptionDlg::~COptionDlg() = default;

bool COptionDlg::OnInitDialog()
{
    m_btnOK.SetDrawNormal();
    m_btnCancel.SetDrawNormal();
    SetUpTab(m_btnTab, m_tabImages, QStringLiteral("싱크 설정"));
    InitHelper(1, QStringLiteral("환경설정"), 1);
    m_btnTab.SetCheck(1);
    SetTimer(TIMER_PAGE, 100);
    return true;
}

void COptionDlg::OnTimer(int nIDEvent)
{
    if (nIDEvent != TIMER_PAGE)
        return;
    KillTimer(TIMER_PAGE);
    CreatePage();
}

void COptionDlg::CreatePage()
{
    COutlookOptionDlg* page = m_fnNewPage ? m_fnNewPage(this) : nullptr;
    if (!page) {
        m_fnMessage(QStringLiteral("Error Creating Dialog Object"));
        return;
    }
    if (!page->Create(this)) {
        delete page;
        m_fnMessage(QStringLiteral("Error createing Dialog"));
        return;
    }
    page->move(10, 53);
    page->show();
    m_pPage = page;
}

void COptionDlg::OnOK()
{
    // Before the page exists there is nothing to send.
    if (m_pPage)
        m_pPage->PutEnv();
    EndDialog(IDOK);
}

bool COptionDlg::OnEraseBkgnd(QPainter* pDC)
{
    DrawHelper(pDC, GetClientRect());
    return true;
}

}  // namespace syncui
