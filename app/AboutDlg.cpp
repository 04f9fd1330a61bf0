#include "app/AboutDlg.h"

#include "app/AppArt.h"

using namespace tamoui;

CAboutDlg::CAboutDlg(QWidget* parent) : CTamoDlg(IDD, parent)
{
    resize(300, 200);
    AddControl(&m_stBackground, IDC_BACKGROUND, QRect(5, 28, 290, 132));
    AddControl(&m_stPicture1, IDC_PICTURE1, QRect(20, 44, 48, 48));
    AddControl(&m_stPicture2, IDC_PICTURE2, QRect(76, 44, 150, 48));
    AddControl(&m_stVersion, IDC_VERSION, QRect(24, 96, 250, 14));
    AddControl(&m_stDate, IDC_DATE, QRect(24, 111, 250, 14));
    AddControl(&m_stMaker1, IDC_MAKER1, QRect(24, 126, 250, 14));
    AddControl(&m_stMaker2, IDC_MAKER2, QRect(24, 141, 250, 14));
    m_stVersion.SetWindowText(QStringLiteral("버전 1.0"));
    m_stDate.SetWindowText(QStringLiteral("제작일 : 2007.11.21"));
    m_stMaker1.SetWindowText(QStringLiteral("Tamo캘린더 데스크톱 팀"));
    m_stMaker2.SetWindowText(QStringLiteral("Copyright (C) Tamo. All rights reserved."));
    m_btnOK.setText(QStringLiteral("확인"));
    AddControl(&m_btnOK, IDOK, QRect(120, 168, 60, 22));
    MapCommand(IDCLOSE_TITLE, [this] { EndDialog(IDCANCEL); });
}

bool CAboutDlg::OnInitDialog()
{
    InitHelper(1, QStringLiteral("Tamo캘린더 프로그램 정보"), 1);
    m_stBackground.SetDrawPopupBkgnd(0);
    m_btnOK.SetDrawNormal();
    m_stPicture1.m_pPicture = &m_picture1;
    m_stPicture2.m_pPicture = &m_picture2;
    for (CTamoStatic* st : {&m_stVersion, &m_stDate, &m_stMaker1, &m_stMaker2}) {
        st->SetFont(QStringLiteral("돋움"), 11, 0x888888, 0);
        st->SetBkColor(0xFFFFFF);
    }
    return true;
}
