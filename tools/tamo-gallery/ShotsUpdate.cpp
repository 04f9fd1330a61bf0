// The update: TamoSync's offer, and TamoSup's window before, during and at the end of a
// download, with the template's layout and with a picture from the description.
#include <QPainter>
#include <QProgressBar>

#include "Gallery.h"
#include "syncui/HelpDlg.h"
#include "updater/MainDlg.h"

TAMO_GALLERY_SHOTS(Update)
{
    {
        CHelpDlg dlg;
        dlg.SetMode(0, 1);
        dlg.m_strTitle = QStringLiteral("Pello 업데이트");
        dlg.m_strHeading = QStringLiteral("버그를 수정한 버전으로 업데이트 되었습니다.\r\n확인버튼을 클릭해주세요.");
        g.AddWidget(QStringLiteral("update_offer"), &dlg);
    }
    {
        CHelpDlg dlg;
        dlg.SetMode(0, 1);
        dlg.m_strTitle = QStringLiteral("에러");
        dlg.m_strHeading = QStringLiteral("버전 정보를 읽을 수 없습니다.\n Error NO(1004)");
        g.AddWidget(QStringLiteral("update_error_1004"), &dlg);
    }

    // A picture as a description's "image" would give it.
    QPixmap image(360, 120);
    image.fill(QColor(251, 129, 2));
    {
        QPainter p(&image);
        p.setPen(Qt::white);
        QFont font(QStringLiteral("돋움"));
        font.setPixelSize(22);
        font.setBold(true);
        p.setFont(font);
        p.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("Tamo 캘린더 새 버전"));
    }
    const struct {
        const char* name;
        int value;
        bool picture;
    } windows[] = {
        {"tamosup_0", 0, false},       {"tamosup_midway", 4200, false}, {"tamosup_done", 10000, false},
        {"tamosup_image_0", 0, true},  {"tamosup_image_midway", 6700, true}, {"tamosup_image_done", 10000, true},
    };
    for (const auto& w : windows) {
        CMainDlg dlg(QString(), {});
        dlg.ProgressBar()->setRange(0, CMainDlg::kProgressMax);
        dlg.ProgressBar()->setValue(w.value);
        if (w.picture)
            dlg.ShowImage(image);
        g.AddWidget(QString::fromLatin1(w.name), &dlg);
    }
}
