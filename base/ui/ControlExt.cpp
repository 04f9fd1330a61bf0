#include "base/ui/ControlExt.h"

#include "base/ui/DrawHelper.h"

CControlExt::~CControlExt()
{
    if (m_bOwnHelper)
        delete m_pDrawHelper;
}

void CControlExt::SetDrawHelper(CDrawHelper* pHelper, bool bOwned)
{
    if (m_bOwnHelper && m_pDrawHelper != pHelper)
        delete m_pDrawHelper;
    m_pDrawHelper = pHelper;
    m_bOwnHelper = bOwned && pHelper;
}

void CControlExt::PaintBk(QWidget*, QPainter*) {}
