#include "syncui/OutlookOptionDlg.h"

#include <algorithm>

#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QStyledItemDelegate>

#include "base/MarkupSTL.h"
#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "base/ui/GdiConvert.h"
#include "platform/TextCodec.h"
#include "syncengine/EngineHttp.h"
#include "syncui/HelpDlg.h"
#include "syncui/PCDlg.h"

using namespace tamoui;

namespace {

constexpr std::uint32_t kGreyText = 0x888888;
constexpr std::uint32_t kLabelText = 0x555555;

const QString kTodoHeading = QStringLiteral("할일 싱크");
const QString kTodoText = QStringLiteral(
    "할일은 아웃룩 특성상 1대의 PC에서만 정상적인 싱크가 가능합니다. \r\n즉, 이 PC와 할일을 싱크하다가 타 PC에서도 싱크를 하면\r\n"
    "동일한 할일이 두개씩 중복으로 쌓일 수도 있습니다.\r\n\r\n"
    "-----------------------------------------------------------------\r\n"
    "현재(2007/11/21) 할일 싱크 시 동일한 데이터임에도 불구하고\r\n충돌된 데이터로 표시될 수 있습니다.\r\n"
    "추후 수정 예정이며 기능상 문제는 없으니 그대로 사용하시면 됩니다.\r\n"
    "-----------------------------------------------------------------\r\n");
const QString kAdvancedHeading = QStringLiteral("고급 싱크 설정");
const QString kAdvancedText = QStringLiteral(
    "이 옵션은 일반적인 싱크 상황에서는 사용하지 마세요!\r\n"
    "즉, PC 1대에서만 아웃룩을 쓰는 사용자나 PC 1대와 PDA 1대에서만 아웃룩을 싱크하는 사용자는 옵션을 켤 필요가 없습니다.\r\n"
    "다만, 집-회사 등 PC 2대에 PDA까지 다중 싱크를 사용하는 분은 이 옵션을 사용해야 하며, 이와 별개로 타 회사의 아웃룩 싱크 "
    "프로그램을 함께 사용하는 분께도 적용됩니다.\r\n\r\n"
    "고급 싱크는 속도가 매우 느려질 수 있으며 고유한 ID값의 비교가 아닌, 제목과 텍스트 등 몇가지  비교를 통해 싱크하는 "
    "방식으로서 경우에 따라정확한 싱크가 이루어지지 않을 수도 있습니다.\r\n");
const QString kSubTodoHeading = QStringLiteral("작은 할일");
const QString kSubTodoText = QStringLiteral(
    "Tamo캘린더의 할일은 일반적인‘할일’과‘작은 할일’로 구분됩니다.\r\n\n"
    "‘작은 할일’이란 일반 할일 아래에 추가할 수 있는 종속적인 할일 이랍니다.\r\n\n"
    "그런데, 아웃룩에서는 ‘작은 할일’을 지원하지 않기 때문에\r\n일반적인 할일과 같이 동일하게 싱크됩니다.");
const QString kAllCategories = QStringLiteral("모든 범주");

// Days of the range combo's items.
constexpr int kRangeDays[] = {0, 7, 14, 30, 60};

// The document of a GET on the calendar service, positioned at its root; false for a failed
// request, an empty answer or a refused document.
bool GetDocument(const QString& path, CMarkupSTL& xml)
{
    const enginehttp::Answer answer = enginehttp::Get(enginehttp::CalendarUrl(path));
    if (!answer.Ok())
        return false;
    const QByteArray bytes = platform::textcodec::ToAnsi(answer.text);
    return xml.SetDoc(std::string_view(bytes.constData(), size_t(bytes.size()))) && xml.FindElem();
}

bool HasError(CMarkupSTL& xml)
{
    xml.ResetChildPos();
    const bool error = xml.FindChildElem("ERROR");
    xml.ResetChildPos();
    return error;
}

QString ChildText(const CMarkupSTL& xml) { return platform::textcodec::FromAnsi(QByteArrayView(xml.GetChildData())); }

QString Flag(bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); }

void Select(QComboBox* combo, int index)
{
    combo->setCurrentIndex(index);
}

// A small drawn picture for the page's picture buttons.
QPixmap ButtonPicture(const QString& text, int width)
{
    QPixmap pm(width, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(tamo::ColorFromRef(0x0281FB));
    p.drawRoundedRect(QRectF(0.5, 0.5, width - 1, 15), 7, 7);
    p.setPen(Qt::white);
    QFont f(QStringLiteral("돋움"));
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.drawText(pm.rect(), Qt::AlignCenter, text);
    return pm;
}

// Draws each calendar of the open list in its colour, the name in white.
class CCategoryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (index.data(Qt::UserRole).toLongLong() == -1)
            return;
        const QRect rc = option.rect;
        p->fillRect(rc, index.data(CCategoryCombo::kColorRole).value<QColor>());
        p->setPen((option.state & QStyle::State_Selected) ? Qt::black : Qt::white);
        p->drawRect(rc.adjusted(0, 0, -1, -1));
        p->setPen(Qt::white);
        p->drawText(rc, Qt::AlignCenter | Qt::TextSingleLine, index.data(Qt::DisplayRole).toString());
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index).expandedTo(QSize(0, 18));
    }
};

}  // namespace

CCategoryCombo::CCategoryCombo(QWidget* parent) : QComboBox(parent)
{
    setItemDelegate(new CCategoryDelegate(this));
}

void CCategoryCombo::AddCalendar(const _comboItem& item)
{
    const int keep = currentIndex();
    addItem(item.strName, QVariant::fromValue(qlonglong(item.strId.toLong())));
    setItemData(count() - 1, tamo::ColorFromRef(item.crColor), kColorRole);
    // Adding never selects: the preferences choose the item.
    setCurrentIndex(keep);
}

long CCategoryCombo::SelectedId() const
{
    return currentIndex() < 0 ? -1 : long(currentData().toLongLong());
}

void CCategoryCombo::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect rc = rect();
    p.fillRect(rc, isEnabled() ? Qt::white : QColor(0xF0, 0xF0, 0xF0));
    p.setPen(tamo::ColorFromRef(0xA7A7A7));
    p.drawRect(rc.adjusted(0, 0, -1, -1));
    if (currentIndex() >= 0 && currentData().toLongLong() != -1) {
        const QRect inner = rc.adjusted(2, 2, -16, -2);
        p.fillRect(inner, currentData(kColorRole).value<QColor>());
        p.setPen(Qt::white);
        p.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine,
                   fontMetrics().elidedText(currentText(), Qt::ElideRight, inner.width() - 4));
    }
    // The arrow says that the box opens a list.
    const QPoint c(rc.right() - 8, rc.center().y());
    p.setPen(Qt::NoPen);
    p.setBrush(isEnabled() ? tamo::ColorFromRef(0x555555) : tamo::ColorFromRef(0xA7A7A7));
    const QPoint arrow[] = {QPoint(c.x() - 4, c.y() - 2), QPoint(c.x() + 4, c.y() - 2), QPoint(c.x(), c.y() + 2)};
    p.drawPolygon(arrow, 3);
}

COutlookOptionDlg::COutlookOptionDlg(QWidget* parent) : CTamoDlg(IDD, parent)
{
    resize(kWidth, kHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, tamo::ColorFromRef(kGreyText));
    pal.setColor(QPalette::ButtonText, tamo::ColorFromRef(kGreyText));
    setPalette(pal);

    AddControl(&m_stBackground, IDC_BACKGROUND, QRect(0, 0, kWidth, kHeight));

    auto label = [this](const QString& text, const QRect& rc) {
        auto* l = new QLabel(text, this);
        l->setGeometry(rc);
        return l;
    };
    auto check = [this](int nID, const QString& text, const QRect& rc) {
        auto* b = new QCheckBox(text, this);
        AddControl(b, nID, rc);
        return b;
    };
    auto combo = [this](QComboBox* c, int nID, const QStringList& items, const QRect& rc) {
        c->addItems(items);
        c->setCurrentIndex(-1);  // the template selects nothing
        AddControl(c, nID, rc);
        return c;
    };

    // Range.
    AddControl(&m_stRange, IDC_LABEL_RANGE, QRect(15, 12, 120, 18));
    m_stRange.SetWindowText(QStringLiteral("싱크 범위"));
    label(QStringLiteral("지난"), QRect(25, 36, 30, 20));
    m_pRange = combo(new QComboBox(this), IDC_RANGE,
                     {QStringLiteral("전체"), QStringLiteral("1주"), QStringLiteral("2주"), QStringLiteral("1개월"),
                      QStringLiteral("2개월")},
                     QRect(58, 34, 80, 22));
    label(QStringLiteral("일정부터 최신 일정을 싱크 합니다."), QRect(145, 36, 240, 20));

    // Events.
    AddControl(&m_stEvent, IDC_LABEL_EVENT, QRect(15, 66, 60, 18));
    m_stEvent.SetWindowText(QStringLiteral("일정"));
    m_pEvent = check(IDC_EVENT, QStringLiteral("일정"), QRect(25, 88, 60, 20));
    label(QStringLiteral("싱크할 Tamo캘린더 카테고리"), QRect(90, 88, 160, 20));
    m_pCategory = new CCategoryCombo(this);
    combo(m_pCategory, IDC_CATEGORY, {}, QRect(255, 86, 130, 22));
    auto* outlookLabel = label(QStringLiteral("싱크할 아웃룩 범주"), QRect(90, 112, 160, 20));
    outlookLabel->hide();
    m_pOutlookCategory = combo(new QComboBox(this), IDC_OUTLOOK_CATEGORY, {kAllCategories}, QRect(255, 110, 130, 22));
    m_pOutlookCategory->hide();

    // To-dos.
    AddControl(&m_stTodo, IDC_LABEL_TODO, QRect(15, 122, 60, 18));
    m_stTodo.SetWindowText(QStringLiteral("할일"));
    m_pTodo = check(IDC_TODO, QStringLiteral("할일"), QRect(25, 144, 60, 20));
    m_pTodoRange = combo(new QComboBox(this), IDC_TODO_RANGE,
                         {QStringLiteral("진행중인 할일만 싱크하기"), QStringLiteral("모든 할일 싱크하기")},
                         QRect(90, 142, 170, 22));
    m_pTodoSub = check(IDC_TODO_SUB, QStringLiteral("작은 할일"), QRect(270, 144, 80, 20));
    AddControl(&m_btnHelp, IDC_HELP, QRect(352, 146, 16, 16));

    // Conflicts.
    AddControl(&m_stConflict, IDC_LABEL_CONFLICT, QRect(15, 178, 140, 18));
    m_stConflict.SetWindowText(QStringLiteral("충돌 시 우선권"));
    m_pNewerWins = new QRadioButton(QStringLiteral("최신 변경한 데이터로 덮어쓰기"), this);
    AddControl(m_pNewerWins, IDC_NEWER_WINS, QRect(25, 200, 300, 20));
    m_pUserChooses = new QRadioButton(QStringLiteral("충돌한 데이터를 보여주고 선택하게 하기"), this);
    AddControl(m_pUserChooses, IDC_USER_CHOOSES, QRect(25, 222, 300, 20));

    m_pAdvanced = check(IDC_ADVANCED, QStringLiteral("고급 싱크 (PC 2대 + PDA 싱크등)"), QRect(25, 250, 260, 20));
    m_pAdvanced->hide();
    AddControl(&m_btnPcCertify, IDC_PC_CERTIFY, QRect(290, 250, 80, 16));
    m_btnPcCertify.hide();

    // Nothing can be changed before the page has loaded.
    for (QWidget* w : std::initializer_list<QWidget*>{m_pEvent, m_pRange, m_pTodo, m_pNewerWins, m_pUserChooses, m_pAdvanced})
        w->setEnabled(false);
    EnableEvent();
    EnableTodo();

    MapCommand(IDC_EVENT, [this] { OnEventClicked(); });
    MapCommand(IDC_TODO, [this] { OnTodoClicked(); });
    MapCommand(IDC_ADVANCED, [this] { OnAdvancedClicked(); });
    MapCommand(IDC_HELP, [this] { OnHelpClicked(); });
    MapCommand(IDC_PC_CERTIFY, [this] { OnPcCertify(); });
}

COutlookOptionDlg::~COutlookOptionDlg() = default;

bool COutlookOptionDlg::OnInitDialog()
{
    m_stBackground.SetDrawPopupBkgnd(1);
    m_stBackground.lower();
    m_btnHelp.SetImageList({ButtonPicture(QStringLiteral("?"), 16)});
    m_btnHelp.SetButtonStyle(CTamoButton::BS_ICON);
    m_btnHelp.SizeToContent();
    m_btnPcCertify.SetImageList({ButtonPicture(QStringLiteral("PC 인증"), 60)});
    m_btnPcCertify.SetButtonStyle(CTamoButton::BS_ICON);
    m_btnPcCertify.SizeToContent();
    for (CTamoStatic* st : {&m_stRange, &m_stConflict, &m_stEvent, &m_stTodo}) {
        st->SetFont(QStringLiteral("돋움"), 11, kLabelText, 1);
        st->SetBkColor(0xFFFFFF);
    }
    SetMove(false);
    SetTimer(TIMER_LOAD, 100);
    return true;
}

void COutlookOptionDlg::OnTimer(int nIDEvent)
{
    if (nIDEvent != TIMER_LOAD)
        return;
    KillTimer(TIMER_LOAD);
    Load();
}

void COutlookOptionDlg::Load()
{
    m_bCalendarsLoaded = GetTamoCategory() != 0;
    const bool prefs = GetEnv() != 0;
    if (!prefs) {
        m_pNewerWins->setChecked(true);
        for (QComboBox* c : {m_pRange, static_cast<QComboBox*>(m_pCategory), m_pOutlookCategory, m_pTodoRange})
            Select(c, c->count() > 0 ? 0 : -1);
    } else {
        Select(m_pOutlookCategory, 0);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{m_pEvent, m_pRange, m_pTodo, m_pNewerWins, m_pUserChooses, m_pAdvanced})
        w->setEnabled(true);
    m_bLoaded = prefs && m_bCalendarsLoaded;
    m_bLoadDone = true;
}

void COutlookOptionDlg::EnableEvent()
{
    const bool on = m_pEvent->isChecked();
    m_pCategory->setEnabled(on);
    m_pOutlookCategory->setEnabled(on);
}

void COutlookOptionDlg::EnableTodo()
{
    const bool on = m_pTodo->isChecked();
    m_pTodoRange->setEnabled(on);
    m_pTodoSub->setEnabled(on);
}

bool COutlookOptionDlg::ParseColor(const QString& text, std::uint32_t& crColor)
{
    // "#RRGGBB" (longer texts use their first six digits) or "#RGB" with each digit doubled;
    // anything else is refused rather than read past its end.
    if (!text.startsWith(QLatin1Char('#')))
        return false;
    QString digits = text.mid(1);
    if (digits.size() == 3)
        digits = QString(2, digits[0]) + QString(2, digits[1]) + QString(2, digits[2]);
    if (digits.size() < 6)
        return false;
    bool ok = false;
    const unsigned rgb = digits.left(6).toUInt(&ok, 16);
    if (!ok)
        return false;
    const unsigned red = (rgb >> 16) & 0xFF, green = (rgb >> 8) & 0xFF, blue = rgb & 0xFF;
    crColor = red | green << 8 | blue << 16;
    return true;
}

int COutlookOptionDlg::GetTamoCategory()
{
    CMarkupSTL xml;
    if (!GetDocument(endpoints::kCalendarList, xml) || HasError(xml))
        return 0;
    m_list.clear();
    m_pCategory->clear();
    while (xml.FindChildElem("calendar")) {
        xml.IntoElem();
        // Each calendar is read whole and checked before anything of it is offered.
        auto text = [&xml](const char* name, bool& present) {
            xml.ResetChildPos();
            present = xml.FindChildElem(name);
            return present ? ChildText(xml) : QString();
        };
        bool present = false;
        const QString type = text("service-type", present);
        const bool offered = !present || (!type.isEmpty() && type != QLatin1String("1"));
        _comboItem item;
        bool hasName = false, hasId = false, hasColor = false;
        item.strName = text("name", hasName);
        item.strId = text("id", hasId);
        const QString color = text("color", hasColor);
        bool idOk = false;
        item.strId.toLong(&idOk);
        xml.OutOfElem();
        if (!offered || item.strName.isEmpty() || !idOk || !ParseColor(color, item.crColor))
            continue;
        m_pCategory->AddCalendar(item);
        m_list.push_back(item);
    }
    return 1;
}

void COutlookOptionDlg::SelectCategory(long nId)
{
    for (int i = 0; i < m_pCategory->count(); ++i)
        if (m_pCategory->itemData(i).toLongLong() == nId)
            m_pCategory->setCurrentIndex(i);
}

int COutlookOptionDlg::GetEnv()
{
    CMarkupSTL xml;
    if (!GetDocument(endpoints::kPreference, xml) || HasError(xml))
        return 0;
    // Each element is looked for from the first child, so the document's order does not matter.
    // A present element without text stops the load; a missing one changes nothing.
    bool empty = false;
    auto find = [&](const char* name, QString& value) {
        xml.ResetChildPos();
        if (!xml.FindChildElem(name))
            return false;
        value = ChildText(xml);
        empty = value.isEmpty();
        return true;
    };
    auto isTrue = [](const QString& v) { return v != QLatin1String("false"); };
    QString v;
    if (find("sync-range", v)) {
        if (empty)
            return 0;
        const int days = v.toInt();
        const auto* it = std::find(std::begin(kRangeDays), std::end(kRangeDays), days);
        if (it != std::end(kRangeDays))
            Select(m_pRange, int(it - std::begin(kRangeDays)));
    }
    if (find("sync-event-check", v)) {
        if (empty)
            return 0;
        m_pEvent->setChecked(isTrue(v));
        EnableEvent();
    }
    if (find("sync-todo-check", v)) {
        if (empty)
            return 0;
        m_pTodo->setChecked(isTrue(v));
        EnableTodo();
    }
    if (find("sync-todo-complete", v)) {
        if (empty)
            return 0;
        Select(m_pTodoRange, isTrue(v) ? 1 : 0);
        EnableTodo();
    }
    if (find("sync-todo-sub", v)) {
        if (empty)
            return 0;
        m_pTodoSub->setChecked(isTrue(v));
    }
    if (find("sync-conflict", v)) {
        if (empty)
            return 0;
        (isTrue(v) ? m_pUserChooses : m_pNewerWins)->setChecked(true);
    }
    if (find("sync-category-id", v)) {
        long id = 0;
        if (!empty) {
            id = v.toLong();
            if (!IsCategory(id))
                id = GetDefaultCategory();
        } else {
            id = GetDefaultCategory();
        }
        SelectCategory(id);
    }
    if (find("sync-event-adv-check", v)) {
        if (empty)
            return 0;
        m_pAdvanced->setChecked(isTrue(v));
    }
    return 1;
}

QString COutlookOptionDlg::MakePutEnvBody() const
{
    QString days;
    switch (m_pRange->currentIndex()) {
    case 0: days = QStringLiteral("0"); break;
    case 1: days = QStringLiteral("7"); break;
    case 2: days = QStringLiteral("14"); break;
    case 4: days = QStringLiteral("60"); break;
    default: days = QStringLiteral("30"); break;
    }
    QString body = QStringLiteral("preference[sync_range]=") + days;
    body += QStringLiteral("&preference[sync_category_id]=");
    body = QStringLiteral("%1%2&").arg(body).arg(m_pCategory->SelectedId());
    body += QStringLiteral("&preference[sync_event_check]=") + Flag(m_pEvent->isChecked());
    body += QStringLiteral("&preference[sync_todo_check]=") + Flag(m_pTodo->isChecked());
    body += QStringLiteral("&preference[sync_todo_complete]=") + Flag(m_pTodoRange->currentIndex() != 0);
    body += QStringLiteral("&preference[sync_todo_sub]=") + Flag(m_pTodoSub->isChecked());
    body += QStringLiteral("&preference[sync_conflict]=") + Flag(m_pUserChooses->isChecked());
    body += QStringLiteral("&preference[sync_event_adv_check]=") + Flag(m_pAdvanced->isChecked());
    return body;
}

int COutlookOptionDlg::PutEnv()
{
    if (!m_bLoaded)
        return 0;
    const enginehttp::Answer answer =
        enginehttp::PostForm(enginehttp::CalendarUrl(endpoints::kUpdateSync), MakePutEnvBody());
    return answer.Ok() ? 1 : 0;
}

int COutlookOptionDlg::IsCategory(long nId)
{
    CMarkupSTL xml;
    const QString path = QStringLiteral("%1/%2.xml").arg(endpoints::kCalendarPrefix).arg(nId);
    return GetDocument(path, xml) && !HasError(xml) ? 1 : 0;
}

int COutlookOptionDlg::GetDefaultCategory()
{
    CMarkupSTL xml;
    if (!GetDocument(endpoints::kDefaultCalendar, xml) || HasError(xml) || !xml.FindChildElem("id"))
        return -1;
    const QString text = ChildText(xml);
    return text.isEmpty() ? -1 : int(text.toLong());
}

int COutlookOptionDlg::GetPCKey()
{
    CMarkupSTL xml;
    // An error answer keeps the key this computer already has.
    if (!GetDocument(endpoints::kPcKey, xml) || HasError(xml))
        return 0;
    const QString key = xml.FindChildElem("sync-pc-key") ? ChildText(xml) : QString();
    WriteSettingString(settings::PcKey, key);
    return 1;
}

int COutlookOptionDlg::SetOutlookCategory()
{
    WriteSettingString(settings::Outlook, kAllCategories);
    return 0;
}

int COutlookOptionDlg::Help(int nMode, const QString& heading, const QString& body)
{
    if (m_fnHelp)
        return m_fnHelp(nMode, heading, body);
    CHelpDlg dlg(this);
    if (nMode >= 0)  // below 0: the box's own default
        dlg.SetMode(nMode, 0);
    dlg.m_strHeading = heading;
    dlg.m_strBody = body;
    return dlg.DoModal();
}

void COutlookOptionDlg::OnEventClicked()
{
    EnableEvent();
}

void COutlookOptionDlg::OnTodoClicked()
{
    EnableTodo();
    if (m_pTodo->isChecked())
        Help(0, kTodoHeading, kTodoText);
}

void COutlookOptionDlg::OnAdvancedClicked()
{
    if (!m_pAdvanced->isChecked())
        return;
    if (Help(1, kAdvancedHeading, kAdvancedText) != IDOK)
        m_pAdvanced->setChecked(false);
}

void COutlookOptionDlg::OnHelpClicked()
{
    Help(-1, kSubTodoHeading, kSubTodoText);
}

void COutlookOptionDlg::OnPcCertify()
{
    CPCDlg dlg(this);
    if (dlg.DoModal() == IDOK)
        GetPCKey();
}
