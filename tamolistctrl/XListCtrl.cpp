#include "tamolistctrl/XListCtrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

const int WM_XLISTCTRL_CHECKBOX_CLICKED = QEvent::registerEventType();

namespace {

enum Role { RoleCheck = Qt::UserRole + 1, RoleText, RoleBack, RoleModified };

constexpr std::uint32_t kDefaultText = 0x000000;
constexpr std::uint32_t kDefaultBack = 0xFFFFFF;
constexpr int kBoxLeft = 3;
constexpr int kTextGap = 4;

QColor FromRef(std::uint32_t cr) { return QColor(int(cr & 0xFF), int((cr >> 8) & 0xFF), int((cr >> 16) & 0xFF)); }

QRect BoxIn(const QRect& cell)
{
    return QRect(cell.left() + kBoxLeft, cell.top() + (cell.height() - CXListCtrl::kBoxSize) / 2, CXListCtrl::kBoxSize,
                 CXListCtrl::kBoxSize);
}

// Draws each cell itself: its colours, its box, its text; selection only tints the row.
class CXListDelegate : public QStyledItemDelegate {
public:
    CXListDelegate(const QVector<int>* formats, QObject* parent) : QStyledItemDelegate(parent), m_formats(formats) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QRect rc = option.rect;
        const QVariant back = index.data(RoleBack);
        QColor background = back.isValid() ? FromRef(back.toUInt()) : FromRef(kDefaultBack);
        if (option.state & QStyle::State_Selected)
            background = background.darker(108);
        p->fillRect(rc, background);
        QRect textRect = rc.adjusted(kTextGap, 0, -kTextGap, 0);
        const QVariant check = index.data(RoleCheck);
        if (check.isValid()) {
            const QRect box = BoxIn(rc);
            p->setPen(FromRef(0x888888));
            p->setBrush(Qt::white);
            p->drawRect(box.adjusted(0, 0, -1, -1));
            if (check.toInt() == 1) {
                QPen pen(FromRef(0x0281FB), 2);
                p->setPen(pen);
                p->setRenderHint(QPainter::Antialiasing);
                p->drawPolyline(QPolygonF({QPointF(box.left() + 2.5, box.center().y()),
                                           QPointF(box.left() + 5.5, box.bottom() - 3.0),
                                           QPointF(box.right() - 2.0, box.top() + 3.0)}));
                p->setRenderHint(QPainter::Antialiasing, false);
            }
            textRect.setLeft(box.right() + kTextGap);
        }
        const QVariant text = index.data(RoleText);
        p->setPen(text.isValid() ? FromRef(text.toUInt()) : FromRef(kDefaultText));
        p->setFont(option.font);
        Qt::Alignment align = Qt::AlignLeft;
        if (index.column() < m_formats->size()) {
            const int format = (*m_formats)[index.column()];
            align = format == CXListCtrl::LVCFMT_CENTER ? Qt::AlignHCenter
                    : format == CXListCtrl::LVCFMT_RIGHT ? Qt::AlignRight
                                                         : Qt::AlignLeft;
        }
        const QString shown = option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight,
                                                            textRect.width());
        p->drawText(textRect, int(align | Qt::AlignVCenter) | Qt::TextSingleLine, shown);
    }

private:
    const QVector<int>* m_formats;
};

}  // namespace

CXListCtrl::CXListCtrl(QWidget* parent) : QTableWidget(parent)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(19);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setMinimumSectionSize(0);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setShowGrid(false);
    setWordWrap(false);
    setItemDelegate(new CXListDelegate(&m_formats, this));
    setFrameShape(QFrame::Box);
    setStyleSheet(QStringLiteral("QTableWidget { gridline-color: #E4E4E4; border: 1px solid #A7A7A7; }"));
}

CXListCtrl::~CXListCtrl() = default;

void CXListCtrl::SetExtendedStyle(unsigned nStyle)
{
    m_nExStyle = nStyle;
    setShowGrid((nStyle & LVS_EX_GRIDLINES) != 0);
    setSelectionBehavior((nStyle & LVS_EX_FULLROWSELECT) ? QAbstractItemView::SelectRows
                                                        : QAbstractItemView::SelectItems);
}

int CXListCtrl::InsertColumn(int nCol, const QString& heading, int nFormat, int nWidth)
{
    if (nCol < 0 || nCol > columnCount())
        nCol = columnCount();
    insertColumn(nCol);
    setHorizontalHeaderItem(nCol, new QTableWidgetItem(heading));
    m_formats.insert(nCol, nFormat);
    if (nWidth >= 0) {
        setColumnWidth(nCol, nWidth);
        // A zero-wide column holds data the user never sees.
        setColumnHidden(nCol, nWidth == 0);
    }
    return nCol;
}

int CXListCtrl::DeleteAllItems()
{
    clearContents();
    setRowCount(0);
    return 1;
}

int CXListCtrl::InsertItem(int nItem, const QString& text)
{
    if (nItem < 0 || nItem > rowCount())
        nItem = rowCount();
    insertRow(nItem);
    for (int c = 0; c < columnCount(); ++c)
        setItem(nItem, c, new QTableWidgetItem());
    if (columnCount() > 0)
        item(nItem, 0)->setText(text);
    return nItem;
}

QTableWidgetItem* CXListCtrl::Cell(int nItem, int nSubItem, bool bCreate)
{
    if (nItem < 0 || nItem >= rowCount() || nSubItem < 0 || nSubItem >= columnCount())
        return nullptr;
    QTableWidgetItem* cell = item(nItem, nSubItem);
    if (!cell && bCreate) {
        cell = new QTableWidgetItem();
        setItem(nItem, nSubItem, cell);
    }
    return cell;
}

int CXListCtrl::SetItemText(int nItem, int nSubItem, const QString& text)
{
    QTableWidgetItem* cell = Cell(nItem, nSubItem, true);
    if (!cell)
        return 0;
    cell->setText(text);
    return 1;
}

int CXListCtrl::SetItemText(int nItem, int nSubItem, const QString& text, std::uint32_t crText,
                            std::uint32_t crBackground)
{
    QTableWidgetItem* cell = Cell(nItem, nSubItem, true);
    if (!cell)
        return 0;
    cell->setText(text);
    cell->setData(RoleText, crText == kDefaultColor ? QVariant() : QVariant(uint(crText)));
    cell->setData(RoleBack, crBackground == kDefaultColor ? QVariant() : QVariant(uint(crBackground)));
    return 1;
}

QString CXListCtrl::GetItemText(int nItem, int nSubItem) const
{
    const QTableWidgetItem* cell = (nItem >= 0 && nSubItem >= 0) ? item(nItem, nSubItem) : nullptr;
    return cell ? cell->text() : QString();
}

int CXListCtrl::SetCheckbox(int nItem, int nSubItem, int nCheckedState)
{
    QTableWidgetItem* cell = Cell(nItem, nSubItem, true);
    if (!cell)
        return 0;
    cell->setData(RoleCheck, nCheckedState == 1 ? 1 : 0);
    return 1;
}

int CXListCtrl::GetItemCheckedState(int nItem, int nSubItem) const
{
    const QTableWidgetItem* cell = (nItem >= 0 && nSubItem >= 0) ? item(nItem, nSubItem) : nullptr;
    if (!cell || !cell->data(RoleCheck).isValid())
        return -1;
    return cell->data(RoleCheck).toInt();
}

int CXListCtrl::GetItemColors(int nItem, int nSubItem, std::uint32_t& crText, std::uint32_t& crBackground) const
{
    const QTableWidgetItem* cell = (nItem >= 0 && nSubItem >= 0) ? item(nItem, nSubItem) : nullptr;
    if (!cell)
        return 0;
    const QVariant text = cell->data(RoleText), back = cell->data(RoleBack);
    crText = text.isValid() ? text.toUInt() : kDefaultText;
    crBackground = back.isValid() ? back.toUInt() : kDefaultBack;
    return 1;
}

int CXListCtrl::GetModified(int nItem, int nSubItem) const
{
    const QTableWidgetItem* cell = (nItem >= 0 && nSubItem >= 0) ? item(nItem, nSubItem) : nullptr;
    return cell && cell->data(RoleModified).toBool() ? 1 : 0;
}

int CXListCtrl::SetModified(int nItem, int nSubItem, bool bModified)
{
    QTableWidgetItem* cell = Cell(nItem, nSubItem, true);
    if (!cell)
        return 0;
    cell->setData(RoleModified, bModified ? QVariant(true) : QVariant());
    return 1;
}

QRect CXListCtrl::CheckboxRect(int nItem, int nSubItem) const
{
    if (GetItemCheckedState(nItem, nSubItem) < 0)
        return {};
    return BoxIn(visualRect(model()->index(nItem, nSubItem)));
}

void CXListCtrl::Toggle(int nItem, int nSubItem)
{
    SetCheckbox(nItem, nSubItem, GetItemCheckedState(nItem, nSubItem) == 1 ? 0 : 1);
    // The parent hears of it after the box changed, as the control toggles the box itself.
    if (QWidget* parent = parentWidget()) {
        CXListCtrlEvent event(nItem, nSubItem);
        QApplication::sendEvent(parent, &event);
    }
    emit CheckboxClicked(nItem, nSubItem);
}

bool CXListCtrl::ToggleAt(const QPoint& pt)
{
    const QModelIndex index = indexAt(pt);
    if (!index.isValid())
        return false;
    const QRect box = CheckboxRect(index.row(), index.column());
    // A little slack around the box: it is small.
    if (box.isEmpty() || !box.adjusted(-2, -3, 2, 3).contains(pt))
        return false;
    Toggle(index.row(), index.column());
    return true;
}

void CXListCtrl::mousePressEvent(QMouseEvent* e)
{
    QTableWidget::mousePressEvent(e);
    if (e->button() == Qt::LeftButton)
        ToggleAt(e->position().toPoint());
}

void CXListCtrl::mouseDoubleClickEvent(QMouseEvent* e)
{
    // The second click of a double click toggles again, as two single clicks would.
    QTableWidget::mouseDoubleClickEvent(e);
    if (e->button() == Qt::LeftButton)
        ToggleAt(e->position().toPoint());
}

void CXListCtrl::keyPressEvent(QKeyEvent* e)
{
    // Space ticks the box of the current cell.
    if (e->key() == Qt::Key_Space && currentIndex().isValid() &&
        GetItemCheckedState(currentRow(), currentColumn()) >= 0) {
        Toggle(currentRow(), currentColumn());
        return;
    }
    QTableWidget::keyPressEvent(e);
}
