#include "tamoui/CTamoDlg.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "tamoui/CTamoButton.h"
#include "tamoui/TamoSkin.h"

using namespace tamoui;

namespace {
constexpr const char* kRoutedProperty = "tamoRouted";
constexpr int kTitleButtonSize = 17;
constexpr int kTitleButtonGap = 1;
constexpr int kTitleButtonRight = 5;

qint64 CommandKey(int nID, int nCode) { return (qint64(nID) << 32) | quint32(nCode); }

// The dialog whose controls w belongs to: the nearest dialog above it.
const QWidget* OwningDialog(const QWidget* w)
{
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        if (qobject_cast<const CTamoDlg*>(p))
            return p;
    }
    return nullptr;
}
}  // namespace

CTamoDlg::CTamoDlg(int nIDTemplate, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_nIDTemplate(nIDTemplate)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    QFont f(QStringLiteral("돋움"));
    f.setPixelSize(12);
    setFont(f);
}

CTamoDlg::~CTamoDlg() = default;

int CTamoDlg::DoModal()
{
    EnsureInit();
    return exec();
}

bool CTamoDlg::Create(QWidget* parent)
{
    setParent(parent, Qt::Widget);
    EnsureInit();
    show();
    return true;
}

void CTamoDlg::EndDialog(int nResult)
{
    done(nResult);
}

void CTamoDlg::EnsureInit()
{
    if (m_bInit)
        return;
    m_bInit = true;
    OnInitDialog();
    ConnectControls();
}

void CTamoDlg::showEvent(QShowEvent* e)
{
    EnsureInit();
    QDialog::showEvent(e);
}

CTamoButton* CTamoDlg::AddTitleButton(int nID, const QString& image, const QString& tip)
{
    auto* b = new CTamoButton(this);
    SetControlId(b, nID);
    b->SetDrawStrip(image, 4);
    b->setToolTip(tip);
    b->setFocusPolicy(Qt::NoFocus);
    b->resize(kTitleButtonSize, kTitleButtonSize);
    ConnectControl(b);
    m_titleButtons.push_back(b);
    return b;
}

void CTamoDlg::InitHelper(int nMode, const QString& strCaption, int)
{
    qDeleteAll(m_titleButtons);
    m_titleButtons.clear();
    m_nMode = nMode;
    setWindowTitle(strCaption);
    AddTitleButton(IDC_TITLE_CLOSE, QStringLiteral("title_close"), QStringLiteral("닫기"));
    if (nMode == 2) {
        AddTitleButton(IDC_TITLE_MINIMIZE, QStringLiteral("title_minimize"), QStringLiteral("최소화"));
        AddTitleButton(IDC_TITLE_MINI, QStringLiteral("title_mini"), QStringLiteral("미니모드"));
        AddTitleButton(IDC_TITLE_EXPAND, QStringLiteral("title_expand"), QStringLiteral("확대모드"));
        AddTitleButton(IDC_TITLE_REFRESH, QStringLiteral("title_refresh"), QStringLiteral("새로고침"));
        // 50110 is part of the strip but has no role.
        AddTitleButton(IDC_TITLE_SPARE, QStringLiteral("title_minimize"), QString())->hide();
    }
    SetMode(m_nDisplayMode, m_bLoggedIn);
}

void CTamoDlg::SetMode(int nDisplayMode, bool bLoggedIn)
{
    m_nDisplayMode = nDisplayMode;
    m_bLoggedIn = bLoggedIn;
    const bool signedIn = bLoggedIn && nDisplayMode != 0;
    for (CTamoButton* b : m_titleButtons) {
        bool visible = true;
        if (m_nMode == 2) {
            switch (GetControlId(b)) {
            case IDC_TITLE_MINI: visible = signedIn && nDisplayMode == 1; break;
            case IDC_TITLE_EXPAND: visible = signedIn && nDisplayMode == 2; break;
            case IDC_TITLE_REFRESH: visible = signedIn; break;
            case IDC_TITLE_SPARE: visible = false; break;
            default: break;
            }
        }
        b->setVisible(visible);
    }
    LayoutTitleButtons();
    update();
}

void CTamoDlg::SetDialogSize(const QRect& rc, int nDisplayMode)
{
    if (rc.isValid() && rc.size() != size())
        resize(rc.size());
    SetMode(nDisplayMode, m_bLoggedIn);
}

void CTamoDlg::LayoutTitleButtons()
{
    // Right to left in the order they were added: close, minimise, mini, expanded, refresh.
    int x = width() - kTitleButtonRight;
    const int y = (kTitleHeight - kTitleButtonSize) / 2 + 1;
    for (CTamoButton* b : m_titleButtons) {
        if (b->isHidden())
            continue;
        x -= kTitleButtonSize;
        b->move(x, y);
        b->raise();
        x -= kTitleButtonGap;
    }
}

void CTamoDlg::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    LayoutTitleButtons();
}

void CTamoDlg::OnLButtonDown(unsigned, const QPoint& point)
{
    if (!m_bMove || !isWindow())
        return;
    m_bDragging = true;
    m_ptDragOffset = mapToGlobal(point) - pos();
}

void CTamoDlg::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        OnLButtonDown(unsigned(e->modifiers()), e->position().toPoint());
    QDialog::mousePressEvent(e);
}

void CTamoDlg::mouseMoveEvent(QMouseEvent* e)
{
    if (m_bDragging && (e->buttons() & Qt::LeftButton))
        move(e->globalPosition().toPoint() - m_ptDragOffset);
    QDialog::mouseMoveEvent(e);
}

void CTamoDlg::mouseReleaseEvent(QMouseEvent* e)
{
    m_bDragging = false;
    QDialog::mouseReleaseEvent(e);
}

void CTamoDlg::keyPressEvent(QKeyEvent* e)
{
    if (!isWindow()) {
        // A page or panel leaves Enter and Escape to the window that holds it.
        e->ignore();
        return;
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        SendCommand(IDOK);
        return;
    }
    QDialog::keyPressEvent(e);  // Escape reaches reject()
}

void CTamoDlg::reject()
{
    SendCommand(IDCANCEL);
}

void CTamoDlg::accept()
{
    SendCommand(IDOK);
}

void CTamoDlg::DrawHelper(QPainter* pDC, const QRect& rc)
{
    pDC->fillRect(rc, Qt::white);
    if (m_nMode >= 0 && isWindow()) {
        const QImage& strip = skin::Image(QStringLiteral("titlestrip"));
        const QRect title(rc.left(), rc.top(), rc.width(), kTitleHeight);
        skin::DrawNine(pDC, title, strip, strip.rect(), QMargins(4, 3, 4, 3));
        if (!windowTitle().isEmpty()) {
            QFont f(font());
            f.setPixelSize(12);
            f.setBold(m_nMode == 1);
            pDC->setFont(f);
            pDC->setPen(skin::Ref(skin::kDarkText));
            const int right = m_titleButtons.isEmpty() ? title.right() : m_titleButtons.last()->x() - 4;
            pDC->drawText(QRect(title.left() + 10, title.top() + 1, right - title.left() - 10, title.height()),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, windowTitle());
        }
    }
    if (isWindow()) {
        pDC->setPen(skin::Ref(skin::kFrame));
        pDC->setBrush(Qt::NoBrush);
        pDC->drawRect(rc.adjusted(0, 0, -1, -1));
    }
}

bool CTamoDlg::OnEraseBkgnd(QPainter* pDC)
{
    DrawHelper(pDC, GetClientRect());
    return true;
}

void CTamoDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    OnEraseBkgnd(&p);
}

void CTamoDlg::AttachControl(QWidget* pControl, int nID, const QRect& rc)
{
    if (!pControl)
        return;
    if (pControl->parentWidget() != this)
        pControl->setParent(this);
    SetControlId(pControl, nID);
    if (rc.isValid())
        pControl->setGeometry(rc);
    ConnectControl(pControl);
    if (isVisible())
        pControl->show();
}

void CTamoDlg::ConnectControls()
{
    for (QWidget* w : findChildren<QWidget*>()) {
        if (GetControlId(w) != 0 && OwningDialog(w) == this)
            ConnectControl(w);
    }
}

void CTamoDlg::ConnectControl(QWidget* w)
{
    if (w->property(kRoutedProperty).toBool())
        return;
    w->setProperty(kRoutedProperty, true);
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        connect(b, &QAbstractButton::clicked, this, [this, b] { SendCommand(GetControlId(b), BN_CLICKED); });
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        connect(e, &QLineEdit::textChanged, this, [this, e] { SendCommand(GetControlId(e), EN_CHANGE); });
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        connect(c, &QComboBox::currentIndexChanged, this, [this, c] { SendCommand(GetControlId(c), CBN_SELCHANGE); });
    }
    // Controls of other libraries announce themselves with Command(int,int) or Notify(int,int).
    const QMetaObject* mo = w->metaObject();
    const int cmd = mo->indexOfSignal("Command(int,int)");
    if (cmd >= 0)
        connect(w, mo->method(cmd), this, metaObject()->method(metaObject()->indexOfSlot("RouteCommand(int,int)")));
    const int ntf = mo->indexOfSignal("Notify(int,int)");
    if (ntf >= 0)
        connect(w, mo->method(ntf), this, metaObject()->method(metaObject()->indexOfSlot("RouteNotify(int,int)")));
}

void CTamoDlg::SetDlgItemText(int nID, const QString& text)
{
    QWidget* w = GetDlgItem(nID);
    if (!w)
        return;
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setText(text);
    else if (auto* e = qobject_cast<QLineEdit*>(w))
        e->setText(text);
    else if (!QMetaObject::invokeMethod(w, "SetWindowText", Q_ARG(QString, text)))
        w->setWindowTitle(text);
    w->update();
}

QString CTamoDlg::GetDlgItemText(int nID) const
{
    QWidget* w = GetDlgItem(nID);
    if (!w)
        return {};
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    QString text;
    if (QMetaObject::invokeMethod(w, "GetWindowText", Q_RETURN_ARG(QString, text)))
        return text;
    return w->windowTitle();
}

void CTamoDlg::SendCommand(int nID, int nCode)
{
    OnCommand(nID, nCode);
}

void CTamoDlg::SendNotify(int nID, int nCode)
{
    OnNotify(nID, nCode);
}

void CTamoDlg::MapCommand(int nID, std::function<void()> fn, int nCode)
{
    m_commands.insert(CommandKey(nID, nCode), std::move(fn));
}

bool CTamoDlg::OnCommand(int nID, int nCode)
{
    auto it = m_commands.constFind(CommandKey(nID, nCode));
    if (it != m_commands.constEnd()) {
        // Copy: the handler may remap or destroy the table entry.
        auto fn = it.value();
        fn();
        return true;
    }
    if (nCode != BN_CLICKED)
        return false;
    if (nID == IDOK) {
        OnOK();
        return true;
    }
    if (nID == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

bool CTamoDlg::OnNotify(int nID, int nCode)
{
    // Notifications share the command table under their own code.
    auto it = m_commands.constFind(CommandKey(nID, nCode));
    if (it == m_commands.constEnd())
        return false;
    auto fn = it.value();
    fn();
    return true;
}

void CTamoDlg::SetTimer(int nIDEvent, int nElapse)
{
    QTimer*& t = m_timers[nIDEvent];
    if (!t) {
        t = new QTimer(this);
        t->setTimerType(Qt::PreciseTimer);
        connect(t, &QTimer::timeout, this, [this, nIDEvent] { OnTimer(nIDEvent); });
    }
    t->start(std::max(0, nElapse));
}

void CTamoDlg::KillTimer(int nIDEvent)
{
    if (QTimer* t = m_timers.take(nIDEvent)) {
        t->stop();
        t->deleteLater();
    }
}
