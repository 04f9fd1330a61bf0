// The skin library: dialog frames in each mode, buttons and statics in each state.
#include "Gallery.h"

#include "tamoui/CTamoButton.h"
#include "tamoui/CTamoDlg.h"
#include "tamoui/CTamoStatic.h"

namespace {

class CFrameDlg : public CTamoDlg {
public:
    CFrameDlg(int nMode, const QString& caption, QSize size) : CTamoDlg(0), m_nMode(nMode), m_strCaption(caption)
    {
        resize(size);
    }

protected:
    bool OnInitDialog() override
    {
        InitHelper(m_nMode, m_strCaption, 1);
        return true;
    }

private:
    int m_nMode;
    QString m_strCaption;
};

struct StateShot {
    const char* name;
    std::function<void(CTamoButton&)> set;
};

const StateShot kStates[] = {
    {"normal", [](CTamoButton&) {}},
    {"hot", [](CTamoButton& b) { CGallery::Hover(&b); }},
    {"pressed", [](CTamoButton& b) { b.setDown(true); }},
    {"disabled", [](CTamoButton& b) { b.setEnabled(false); }},
    {"checked", [](CTamoButton& b) { b.SetCheck(1); }},
    {"default", [](CTamoButton& b) { b.SetDefaulted(true); }},
};

}  // namespace

TAMO_GALLERY_SHOTS(TamoUI)
{
    {
        CFrameDlg popup(0, QStringLiteral("아웃룩 싱크"), QSize(300, 160));
        g.AddWidget(QStringLiteral("dialog_mode0_popup"), &popup);
        CFrameDlg options(1, QStringLiteral("환경설정"), QSize(300, 160));
        g.AddWidget(QStringLiteral("dialog_mode1_options"), &options);
    }
    const struct {
        const char* name;
        int display;
        bool loggedIn;
        QSize size;
    } mains[] = {
        {"dialog_mode2_signed_out", 0, false, {420, 287}},
        {"dialog_mode2_expanded", 1, true, {548, 412}},
        {"dialog_mode2_mini", 2, true, {375, 225}},
    };
    for (const auto& m : mains) {
        CFrameDlg main(2, QString(), m.size);
        main.show();
        main.SetMode(m.display, m.loggedIn);
        g.AddWidget(QString::fromUtf8(m.name), &main);
    }
    {
        // The title-strip buttons, hot.
        CFrameDlg main(2, QString(), QSize(200, 40));
        main.show();
        main.SetMode(1, true);
        for (int id : {50100, 50120, 50130, 50160}) {
            QWidget* b = main.GetDlgItem(id);
            CGallery::Hover(b, QPoint(8, 8));
            g.Add(QStringLiteral("title_button_%1_hot").arg(id), CGallery::OnWhite(CGallery::Grab(b), 4));
        }
    }
    for (const StateShot& s : kStates) {
        CTamoButton push(QStringLiteral("확인"));
        push.resize(60, 22);
        push.SetDrawNormal();
        s.set(push);
        g.AddControl(QStringLiteral("button_push_%1").arg(QLatin1String(s.name)), &push);

        CTamoButton link(QStringLiteral("일정"));
        link.SetDrawLink(nullptr, 0x888888, 0xFFFFFFFF);
        link.SizeToContent();
        s.set(link);
        g.AddControl(QStringLiteral("button_link_%1").arg(QLatin1String(s.name)), &link);
    }
    {
        CTamoStatic popup;
        popup.resize(240, 90);
        popup.SetDrawPopupBkgnd(0);
        g.AddControl(QStringLiteral("static_popup0"), &popup);
        CTamoStatic text(QStringLiteral("날짜 표시줄 12월 10일 (목)"), 1024, QRect(0, 0, 240, 20), nullptr);
        text.SetFont(QStringLiteral("돋움"), 11, 0x888888, 0);
        g.AddControl(QStringLiteral("static_text_grey"), &text);
        CTamoStatic bold(QStringLiteral("굵은 글씨 안내문"), 1025, QRect(0, 0, 240, 20), nullptr);
        bold.SetFont(QStringLiteral("돋움"), 11, 0x555555, 1);
        g.AddControl(QStringLiteral("static_text_bold"), &bold);
    }
}
