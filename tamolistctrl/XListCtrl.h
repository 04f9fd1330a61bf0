#pragma once

#include <QEvent>
#include <QTableWidget>

#include <cstdint>

#if defined(TAMOLISTCTRL_LIBRARY)
#define TAMOLISTCTRL_EXPORT Q_DECL_EXPORT
#else
#define TAMOLISTCTRL_EXPORT Q_DECL_IMPORT
#endif

// The message number a check-box click is sent under (registered once per process).
TAMOLISTCTRL_EXPORT extern const int WM_XLISTCTRL_CHECKBOX_CLICKED;

// What the parent receives for a click on a cell's check box.
class TAMOLISTCTRL_EXPORT CXListCtrlEvent : public QEvent {
public:
    CXListCtrlEvent(int nItem, int nSubItem)
        : QEvent(static_cast<QEvent::Type>(WM_XLISTCTRL_CHECKBOX_CLICKED)), m_nItem(nItem), m_nSubItem(nSubItem)
    {
    }
    int Item() const { return m_nItem; }
    int SubItem() const { return m_nSubItem; }

private:
    int m_nItem;
    int m_nSubItem;
};

// A list of rows with check-box cells and per-cell colours. Colours are 0x00BBGGRR values;
// 0xFFFFFFFF means the list's default.
class TAMOLISTCTRL_EXPORT CXListCtrl : public QTableWidget {
    Q_OBJECT
public:
    enum : unsigned { LVS_EX_GRIDLINES = 0x01, LVS_EX_FULLROWSELECT = 0x20 };
    enum { LVCFMT_LEFT = 0, LVCFMT_RIGHT = 1, LVCFMT_CENTER = 2 };
    static constexpr std::uint32_t kDefaultColor = 0xFFFFFFFF;
    static constexpr int kBoxSize = 13;

    explicit CXListCtrl(QWidget* parent = nullptr);
    ~CXListCtrl() override;

    void SetExtendedStyle(unsigned nStyle);
    unsigned GetExtendedStyle() const { return m_nExStyle; }
    int InsertColumn(int nCol, const QString& heading, int nFormat = LVCFMT_LEFT, int nWidth = -1);
    int GetItemCount() const { return rowCount(); }

    int DeleteAllItems();
    int InsertItem(int nItem, const QString& text);
    int SetItemText(int nItem, int nSubItem, const QString& text);
    int SetItemText(int nItem, int nSubItem, const QString& text, std::uint32_t crText, std::uint32_t crBackground);
    QString GetItemText(int nItem, int nSubItem) const;
    // Gives the cell a check box in that state (0 or 1).
    int SetCheckbox(int nItem, int nSubItem, int nCheckedState);
    // 1 when ticked, 0 when not, -1 when the cell has no box.
    int GetItemCheckedState(int nItem, int nSubItem) const;
    int GetItemColors(int nItem, int nSubItem, std::uint32_t& crText, std::uint32_t& crBackground) const;
    int GetModified(int nItem, int nSubItem) const;
    int SetModified(int nItem, int nSubItem, bool bModified);

    // Where a cell's box lies, in viewport coordinates (empty when it has none).
    QRect CheckboxRect(int nItem, int nSubItem) const;

signals:
    void CheckboxClicked(int nItem, int nSubItem);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    bool ToggleAt(const QPoint& pt);
    void Toggle(int nItem, int nSubItem);
    QTableWidgetItem* Cell(int nItem, int nSubItem, bool bCreate);

    unsigned m_nExStyle = 0;
    QVector<int> m_formats;
};
