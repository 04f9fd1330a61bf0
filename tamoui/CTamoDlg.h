#pragma once

#include <QDialog>
#include <QHash>
#include <QPoint>
#include <QVector>

#include <functional>

#include "tamoui/TamoExport.h"
#include "tamoui/TamoToolkit.h"

class CTamoButton;
class QTimer;

// The skinned dialog every window of the system derives from: a frameless window with a drawn
// frame and title strip, dragging by its body, and the dialog toolkit (controls by id,
// commands as (id, code), numeric timers).
//
// Derived dialogs build their controls in the constructor (AddControl keeps the ids and routes
// their commands), set their initial state in OnInitDialog and answer commands in OnCommand or
// through MapCommand.
class TAMOUI_EXPORT CTamoDlg : public QDialog {
    Q_OBJECT
public:
    // Title-strip buttons.
    enum : int {
        IDC_TITLE_CLOSE = 50100,
        IDC_TITLE_SPARE = 50110,
        IDC_TITLE_MINIMIZE = 50120,
        IDC_TITLE_MINI = 50130,
        IDC_TITLE_EXPAND = 50140,
        IDC_TITLE_REFRESH = 50160,
    };
    static constexpr int kTitleHeight = 23;

    explicit CTamoDlg(int nIDTemplate, QWidget* parent = nullptr);
    ~CTamoDlg() override;

    int GetTemplateId() const { return m_nIDTemplate; }

    // Runs the dialog modally; the result is what EndDialog was given (1 OK, 2 cancel, ...).
    int DoModal();
    // Makes the dialog a modeless child panel or page of parent and shows it.
    bool Create(QWidget* parent);
    void EndDialog(int nResult);

    // Title strip: mode 2 main window, 1 options and sound dialogs, 0 other pop-ups.
    void InitHelper(int nMode, const QString& strCaption, int bFlag);
    // The main window's title-strip buttons follow the display mode (0 signed out,
    // 1 expanded, 2 mini) and whether the user is signed in.
    void SetMode(int nDisplayMode, bool bLoggedIn);
    // Re-lays the frame for a new window rectangle.
    void SetDialogSize(const QRect& rc, int nDisplayMode);
    void SetMove(bool bMove) { m_bMove = bMove; }
    bool GetMove() const { return m_bMove; }
    // Starts dragging the window when the body may move it.
    void OnLButtonDown(unsigned nFlags, const QPoint& point);
    // The skinned background over rc: white surface, title strip, frame.
    void DrawHelper(QPainter* pDC, const QRect& rc);

    int GetHelperMode() const { return m_nMode; }
    int GetDisplayMode() const { return m_nDisplayMode; }
    QRect GetClientRect() const { return rect(); }

    // Controls by id.
    QWidget* GetDlgItem(int nID) const { return tamoui::FindControl(this, nID); }
    template <typename T>
    T* GetDlgItemAs(int nID) const { return qobject_cast<T*>(GetDlgItem(nID)); }
    // Parents the control to the dialog, gives it its id and place, and routes its commands.
    template <typename T>
    T* AddControl(T* pControl, int nID, const QRect& rc)
    {
        AttachControl(pControl, nID, rc);
        return pControl;
    }
    void AttachControl(QWidget* pControl, int nID, const QRect& rc);
    void SetDlgItemText(int nID, const QString& text);
    QString GetDlgItemText(int nID) const;

    // Commands and notifications: (control id, code).
    void SendCommand(int nID, int nCode = tamoui::BN_CLICKED);
    void SendNotify(int nID, int nCode);
    void MapCommand(int nID, std::function<void()> fn, int nCode = tamoui::BN_CLICKED);

    // Timers keep their numeric ids; setting an id again restarts it with the new period.
    void SetTimer(int nIDEvent, int nElapse);
    void KillTimer(int nIDEvent);
    bool HasTimer(int nIDEvent) const { return m_timers.contains(nIDEvent); }

public slots:
    void RouteCommand(int nID, int nCode) { SendCommand(nID, nCode); }
    void RouteNotify(int nID, int nCode) { SendNotify(nID, nCode); }

protected:
    virtual bool OnInitDialog() { return true; }
    // Default: mapped handlers, then OK (1) and cancel (2). True when handled.
    virtual bool OnCommand(int nID, int nCode);
    virtual bool OnNotify(int nID, int nCode);
    virtual void OnTimer(int nIDEvent) { (void)nIDEvent; }
    virtual void OnOK() { EndDialog(tamoui::IDOK); }
    virtual void OnCancel() { EndDialog(tamoui::IDCANCEL); }
    // The background on every paint; returns true when it painted.
    virtual bool OnEraseBkgnd(QPainter* pDC);

    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void reject() override;
    void accept() override;

private:
    void EnsureInit();
    void ConnectControls();
    void ConnectControl(QWidget* w);
    void LayoutTitleButtons();
    CTamoButton* AddTitleButton(int nID, const QString& image, const QString& tip);

    int m_nIDTemplate;
    int m_nMode = -1;
    int m_nDisplayMode = 0;
    bool m_bLoggedIn = false;
    bool m_bMove = true;
    bool m_bInit = false;
    bool m_bDragging = false;
    QPoint m_ptDragOffset;
    QVector<CTamoButton*> m_titleButtons;
    QHash<int, QTimer*> m_timers;
    QHash<qint64, std::function<void()>> m_commands;
};
