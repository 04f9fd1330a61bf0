// The drawing helpers' button, the scroll bar, the flat menu and the mini calendar.
#include "Gallery.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QPainter>

#include "base/ui/ButtonExt.h"
#include "base/ui/CustScrollBar.h"
#include "base/ui/DrawHelper.h"
#include "base/ui/FPSMiniCalendarCtrl.h"
#include "base/ui/GdiConvert.h"
#include "base/ui/ImageList.h"
#include "base/ui/MenuXP.h"

namespace {

// A strip of small round icons in the accent colours, for the demonstrations.
QImage IconStrip(int count, int size)
{
    QImage strip(count * size, size, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    const COLORREF colours[] = {0x0281FB, 0x888888, 0x555555, 0xA7A7A7, 0x0078FF};
    for (int i = 0; i < count; ++i) {
        p.setBrush(tamo::ColorFromRef(colours[i % 5]));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(i * size + 2, 2, size - 4, size - 4));
    }
    return strip;
}

void ButtonShots(CGallery& g)
{
    CImageList icons(15, 15);
    icons.Add(IconStrip(4, 15));
    CDrawHelper skin;
    skin.SetMaxState(6);
    skin.SetBackgroundType(CDrawHelper::BackgroundBorder);
    skin.SetBorder(0, 0xA7A7A7, 0xFFFFFF);
    skin.SetBorder(CButtonExt::StateHot, 0x0281FB, 0xFFFFFF);
    skin.SetBorder(CButtonExt::StatePressed, 0x0281FB, 0xE2F0FF);
    skin.SetBorder(CButtonExt::StateDisabled, 0xE4E4E4, 0xF7F7F7);
    skin.SetBorder(CButtonExt::StateDefault, 0x555555, 0xFFFFFF);
    skin.SetTextColor(0, 0x555555);
    skin.SetTextColor(CButtonExt::StateHot, 0x0281FB);
    skin.SetTextColor(CButtonExt::StateDisabled, 0xA7A7A7);
    skin.SetContentMargins(6, 3, 6, 3);
    skin.SetIconEffect(CButtonExt::StateDisabled, 2, 0xFFFFFF);

    const struct {
        const char* name;
        unsigned kind;
        std::function<void(CButtonExt&)> set;
    } states[] = {
        {"normal", CButtonExt::KindPush, [](CButtonExt&) {}},
        {"hot", CButtonExt::KindPush, [](CButtonExt& b) { CGallery::Hover(&b); }},
        {"pressed", CButtonExt::KindPush, [](CButtonExt& b) { b.setDown(true); }},
        {"disabled", CButtonExt::KindPush, [](CButtonExt& b) { b.setEnabled(false); }},
        {"checked", CButtonExt::KindCheck, [](CButtonExt& b) { b.SetCheck(1); }},
        {"default", CButtonExt::KindDefPush, [](CButtonExt&) {}},
    };
    for (const auto& s : states) {
        CButtonExt b;
        b.setText(QStringLiteral("아웃룩 싱크"));
        b.SetButtonStyle(s.kind | CButtonExt::StyleText | CButtonExt::StyleIcon);
        b.SetImageList(&icons);
        b.SetIcons(0, 1, 3, 0, 0);
        b.SetDrawHelper(&skin);
        b.SizeToContent();
        s.set(b);
        g.AddControl(QStringLiteral("buttonext_%1").arg(QLatin1String(s.name)), &b);
    }
    // Icon placement bits.
    const struct {
        const char* name;
        unsigned bits;
    } places[] = {{"icon_left", CButtonExt::IconLeft},
                  {"icon_right", CButtonExt::IconRight},
                  {"icon_top", CButtonExt::IconTop | 0x40},
                  {"icon_bottom", CButtonExt::IconBottom | 0x40}};
    for (const auto& pl : places) {
        CButtonExt b;
        b.setText(QStringLiteral("할일"));
        b.SetButtonStyle(CButtonExt::StyleText | CButtonExt::StyleIcon | pl.bits);
        b.SetImageList(&icons);
        b.SetDrawHelper(&skin);
        b.SizeToContent();
        g.AddControl(QStringLiteral("buttonext_%1").arg(QLatin1String(pl.name)), &b);
    }
}

void ScrollShots(CGallery& g)
{
    const struct {
        const char* name;
        int rows;
        double at;  // 0 top ... 1 bottom
        bool hotThumb;
    } lists[] = {
        {"top", 100, 0, false},   {"middle", 100, 0.5, false}, {"bottom", 100, 1, false},
        {"thumb_hot", 100, 0.3, true}, {"short_list_disabled", 3, 0, false},
    };
    for (const auto& l : lists) {
        QListWidget list;
        for (int i = 0; i < l.rows; ++i)
            list.addItem(QStringLiteral("일정 %1 — 아웃룩 항목").arg(i + 1));
        list.resize(220, 150);
        list.setFrameShape(QFrame::NoFrame);
        CCustScrollBar bar;
        bar.Initialize(&list, 3023);
        bar.CSB_SetSize(CCustScrollBar::SB_VERT, 12, 12);
        bar.SetMinThumbSize(CCustScrollBar::SB_VERT, 18);
        bar.CSB_ShowScrollBar(CCustScrollBar::SB_VERT, true);
        bar.CSB_ShowScrollBar(CCustScrollBar::SB_HORZ, false);
        list.show();
        QApplication::processEvents();
        CCustScrollBarWidget* v = bar.GetBarWidget(CCustScrollBar::SB_VERT);
        v->setValue(int(v->maximum() * l.at + 0.5));
        if (l.hotThumb) {
            const CSB_LAYOUT layout = v->GetLayout();
            CGallery::Hover(v, QPoint(6, layout.nTrackStart + layout.nThumbOffset + layout.nThumbLength / 2));
        }
        g.AddWidget(QStringLiteral("scrollbar_%1").arg(QLatin1String(l.name)), &list);
    }
}

void MenuShots(CGallery& g)
{
    CImageList images(15, 15);
    images.Add(IconStrip(5, 15));
    QWidget wnd;
    CMenuXP::SetXPLookNFeel(&wnd, true);
    QMenu menu;
    auto add = [&](const QString& text, int id) {
        QAction* a = menu.addAction(text);
        a->setData(id);
        return a;
    };
    add(QStringLiteral("로그 아웃"), 32782)->setEnabled(false);
    QAction* top = add(QStringLiteral("항상 위 (&A)"), 32783);
    top->setCheckable(true);
    top->setChecked(true);
    QAction* options = add(QStringLiteral("환경설정 (&C)"), 32784);
    add(QStringLiteral("아웃룩 싱크 (&O)"), 32793);
    add(QStringLiteral("미니모드 (&M)"), 32794);
    menu.addSeparator();
    add(QStringLiteral("웹 Tamo캘린더 (&W)"), 32785);
    add(QStringLiteral("일정등록하기 (&S)"), 32786);
    add(QStringLiteral("할일등록하기 (&T)"), 32787);
    QMenu* help = menu.addMenu(QStringLiteral("도움말"));
    help->addAction(QStringLiteral("캘린더 공식블로그 (&B)"))->setData(32788);
    help->addAction(QStringLiteral("도움말/문의 (&Q)"))->setData(32789);
    menu.addSeparator();
    add(QStringLiteral("새로고침\tF5"), 50160);
    add(QStringLiteral("프로그램 정보 (&F)"), 32790);
    add(QStringLiteral("프로그램 숨기기 (&H)"), 32791);
    add(QStringLiteral("프로그램 종료 (&X)"), 32792);
    CMenuXP::SetXPLookNFeel(&wnd, &menu, true);
    const int ids[] = {32784, 32786, 32787, 32791, 32792};
    for (int i = 0; i < 5; ++i)
        CMenuXP::SetMenuItemImage(&menu, ids[i], &images, i);

    menu.popup(QPoint(0, 0));
    QApplication::processEvents();
    g.Add(QStringLiteral("menu_open"), CGallery::OnWhite(menu.grab().toImage(), 8));
    menu.setActiveAction(options);
    QApplication::processEvents();
    g.Add(QStringLiteral("menu_selected"), CGallery::OnWhite(menu.grab().toImage(), 8));
    menu.setActiveAction(menu.actions().first());
    QApplication::processEvents();
    g.Add(QStringLiteral("menu_selected_disabled"), CGallery::OnWhite(menu.grab().toImage(), 8));
    menu.close();
}

void CalendarShots(CGallery& g)
{
    const QDateTime now(QDate(2026, 12, 10), QTime(14, 30));
    const struct {
        const char* name;
        QSize size;
        QDate selected;
        int firstDay;
        int pages;
    } cals[] = {
        {"login_today_special", {165, 130}, QDate(), 1, 0},
        {"picker_selected", {159, 139}, QDate(2026, 12, 24), 1, 0},
        {"monday_first", {165, 130}, QDate(), 2, 0},
        {"paged_to_january", {165, 130}, QDate(), 1, 1},
    };
    for (const auto& c : cals) {
        CFPSMiniCalendarCtrl cal;
        cal.resize(c.size);
        cal.SetClock([now] { return now; });
        cal.SetSpecialDaysCallback(cal.NearTodayRule());
        cal.SetFirstDayOfWeek(c.firstDay);
        cal.SetCurrentDate(c.selected.isValid() ? c.selected : now.date());
        if (!c.selected.isValid())
            cal.SetCurrentDate(QDate());
        for (int i = 0; i < c.pages; ++i)
            cal.PageForward();
        g.AddControl(QStringLiteral("minicalendar_%1").arg(QLatin1String(c.name)), &cal);
    }
}

void DrawHelperShots(CGallery& g)
{
    // A nine-part skin cell stretched: the corners stay as drawn.
    QImage cell(30, 30, QImage::Format_ARGB32);
    cell.fill(Qt::white);
    {
        QPainter p(&cell);
        p.setPen(tamo::ColorFromRef(0xA7A7A7));
        p.drawRoundedRect(QRectF(0.5, 0.5, 29, 29), 5, 5);
        p.fillRect(QRect(0, 0, 30, 3), tamo::ColorFromRef(0x0281FB));
    }
    CDrawHelper helper;
    helper.SetImage(cell, 1);
    helper.SetResizingMargins(6, 6, 6, 6);
    QImage out(240, 80, QImage::Format_ARGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    helper.DrawBackground(&p, 1, QRect(10, 10, 220, 60));
    helper.DrawTextW(&p, 1, QStringLiteral("늘어난 배경, 그대로인 모서리"), -1, tamo::DT_CENTER | tamo::DT_VCENTER | tamo::DT_SINGLELINE,
                     QRect(10, 10, 220, 60));
    p.end();
    g.Add(QStringLiteral("drawhelper_nine_part"), out);
}

}  // namespace

TAMO_GALLERY_SHOTS(Controls)
{
    ButtonShots(g);
    ScrollShots(g);
    MenuShots(g);
    CalendarShots(g);
    DrawHelperShots(g);
}
