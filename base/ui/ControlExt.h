#pragma once

class CDrawHelper;
class QPainter;
class QWidget;

// Links a control to the drawing helper that describes its look.
class CControlExt {
public:
    CControlExt() = default;
    virtual ~CControlExt();
    CControlExt(const CControlExt&) = delete;
    CControlExt& operator=(const CControlExt&) = delete;

    // With bOwned the helper is deleted with the control.
    void SetDrawHelper(CDrawHelper* pHelper, bool bOwned = false);
    CDrawHelper* GetDrawHelper() const { return m_pDrawHelper; }

    // The parent's picture behind the control. Qt already paints a widget without its own
    // background over its parent and the siblings below it, so nothing is left to copy.
    static void PaintBk(QWidget* pControl, QPainter* pDC);

protected:
    CDrawHelper* m_pDrawHelper = nullptr;
    bool m_bOwnHelper = false;
};
