#include "app/SoundDlg.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPainter>

#include "app/AlarmSound.h"
#include "base/Settings.h"
#include "base/ui/GdiConvert.h"

using namespace tamoui;

namespace {

const QString kBuiltIn[] = {QStringLiteral("alarm_1.wav"), QStringLiteral("alarm_2.wav")};

// The browse and play buttons' pictures: a folder and a play mark.
QPixmap ButtonPicture(bool bPlay)
{
    QPixmap pm(12, 12);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(tamo::ColorFromRef(0x0281FB));
    if (bPlay) {
        const QPointF mark[] = {QPointF(3, 1), QPointF(11, 6), QPointF(3, 11)};
        p.drawPolygon(mark, 3);
    } else {
        p.drawRect(QRectF(0, 3, 12, 8));
        p.drawRect(QRectF(0, 1, 5, 3));
    }
    return pm;
}

}  // namespace

QString AlarmSoundFolder()
{
    return alarmsound::Folder();
}

bool PlaySoundFile(const QString& path)
{
    return alarmsound::Play(path);
}

CSoundDlg::CSoundDlg(QWidget* parent) : CTamoDlg(IDD, parent)
{
    resize(300, 150);
    // A plain text without an id of its own.
    m_stText.setParent(this);
    m_stText.setGeometry(20, 38, 260, 18);
    m_stText.SetWindowText(QStringLiteral("알림이 뜰 때 나오는 소리"));
    m_pList = new QComboBox(this);
    AddControl(m_pList, IDC_SOUNDS, QRect(20, 62, 200, 22));
    AddControl(&m_btnBrowse, IDC_BROWSE, QRect(224, 62, 26, 22));
    AddControl(&m_btnPlay, IDC_PLAY, QRect(252, 62, 26, 22));
    m_btnBrowse.setToolTip(QStringLiteral("찾아보기"));
    m_btnPlay.setToolTip(QStringLiteral("듣기"));
    m_btnOK.setText(QStringLiteral("확인"));
    m_btnCancel.setText(QStringLiteral("취소"));
    AddControl(&m_btnOK, IDOK, QRect(85, 110, 60, 22));
    AddControl(&m_btnCancel, IDCANCEL, QRect(155, 110, 60, 22));
    MapCommand(IDCLOSE_TITLE, [this] { EndDialog(IDCANCEL); });
    MapCommand(IDC_BROWSE, [this] {
        const QString path = m_fnBrowse();
        if (!path.isEmpty())
            AddOrSelect(path);
    });
    MapCommand(IDC_PLAY, [this] { m_fnPlay(SelectedPath()); });
    m_fnBrowse = [this] {
        QFileDialog dlg(this, QString(), QString(), QStringLiteral("사운드 파일 (*.wav)"));
        dlg.setDefaultSuffix(QStringLiteral("wav"));
        dlg.setFileMode(QFileDialog::ExistingFile);
        return dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty() ? dlg.selectedFiles().first()
                                                                                  : QString();
    };
    m_fnPlay = PlaySoundFile;

    const QDir folder(AlarmSoundFolder());
    for (const QString& name : kBuiltIn) {
        m_paths.push_back(folder.filePath(name));
        m_pList->addItem(name);
    }
    // The stored sound: one of ours by name (a bare "alarm_1.wav" too), else its own entry.
    const QString current = ReadAlarmSoundFile();
    if (current.contains(kBuiltIn[0]))
        m_pList->setCurrentIndex(0);
    else if (current.contains(kBuiltIn[1]))
        m_pList->setCurrentIndex(1);
    else if (!current.isEmpty())
        AddOrSelect(current);
    else
        m_pList->setCurrentIndex(-1);
}

bool CSoundDlg::OnInitDialog()
{
    InitHelper(1, QStringLiteral("소리설정"), 1);
    m_stText.SetFont(QStringLiteral("돋움"), 12, 0x555555, 0);
    m_stText.SetBkColor(0xFFFFFF);
    m_btnBrowse.SetImageList({ButtonPicture(false)});
    m_btnBrowse.SetButtonStyle(CTamoButton::BS_ICON);
    m_btnPlay.SetImageList({ButtonPicture(true)});
    m_btnPlay.SetButtonStyle(CTamoButton::BS_ICON);
    m_btnOK.SetDrawNormal();
    m_btnCancel.SetDrawNormal();
    return true;
}

void CSoundDlg::AddOrSelect(const QString& strPath)
{
    for (int i = 0; i < m_paths.size(); ++i)
        if (m_paths[i].compare(strPath, Qt::CaseInsensitive) == 0) {
            m_pList->setCurrentIndex(i);
            return;
        }
    m_paths.push_back(strPath);
    m_pList->addItem(QFileInfo(strPath).fileName());
    m_pList->setCurrentIndex(m_pList->count() - 1);
}

QString CSoundDlg::SelectedPath() const
{
    const int index = m_pList->currentIndex();
    return index >= 0 && index < m_paths.size() ? m_paths[index] : QString();
}

void CSoundDlg::OnOK()
{
    // Nothing chosen keeps the stored sound.
    const QString path = SelectedPath();
    if (!path.isEmpty())
        WriteSettingString(settings::AlarmSoundFile, path);
    EndDialog(IDOK);
}
