#include "updater/MainDlg.h"

#include <cstdlib>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimerEvent>

#include "base/HttpClient.h"
#include "base/MarkupSTL.h"
#include "platform/TextCodec.h"
// For the name of the control id property only: TamoUI itself is not linked.
#include "tamoui/TamoToolkit.h"

namespace {

const QString kCaption = QStringLiteral("에러");
const QString kMsgDescription = QStringLiteral("updater.xml 버전정보를 읽기 실패하였습니다.");
const QString kMsgNoVersionUrl = QStringLiteral("version URL 정보가 없어 실패하였습니다.");
const QString kMsgParameter = QStringLiteral("파라미터 정보가 올바르지 않습니다.");
const QString kMsgVersion = QStringLiteral("버전정보를 읽기 실패하였습니다.");
const QString kMsgTempFolder = QStringLiteral("임시 폴더를 찾을 수 없습니다.");
const QString kMsgDigest = QStringLiteral("받은 업데이트 파일이 올바르지 않아 실행하지 않았습니다.");
const QString kDefaultFileName = QStringLiteral("tamo_update.exe");
constexpr int kMaxTempPath = 1024;

// The text of a child of the current element, looked up by name from the first child.
bool ReadChild(CMarkupSTL& xml, const char* szName, QString& value)
{
    xml.ResetChildPos();
    if (!xml.FindChildElem(szName))
        return false;
    value = platform::textcodec::FromAnsi(xml.GetChildData());
    return true;
}

QString Attrib(const CMarkupSTL& xml, const char* szName, bool child)
{
    return platform::textcodec::FromAnsi(child ? xml.GetChildAttrib(szName) : xml.GetAttrib(szName));
}

// A version address written as a path ("/update/version.xml") is on the update service that
// the service configuration names, so one description serves every installation.
QString ResolveVersionUrl(const QString& url)
{
    if (!url.startsWith(QLatin1Char('/')))
        return url;
    QString config = qEnvironmentVariable("TAMO_SERVICE_CONFIG");
    if (config.isEmpty())
        config = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("service.ini"));
    QFile file(config);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QString section;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']')))
            section = line.mid(1, line.size() - 2).trimmed();
        else if (section == QLatin1String("services") && line.startsWith(QLatin1String("update")) &&
                 line.mid(6).trimmed().startsWith(QLatin1Char('=')))
            return line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed() + url;
    }
    return QString();
}

// Icon 201: a down arrow on the orange accent.
QPixmap ResourceIcon(int nSize)
{
    QPixmap pixmap(nSize, nSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(251, 129, 2));
    p.drawRoundedRect(QRectF(0, 0, nSize, nSize), nSize / 6.0, nSize / 6.0);
    p.setBrush(Qt::white);
    const qreal s = nSize / 16.0;
    p.drawRect(QRectF(6.5 * s, 3 * s, 3 * s, 5 * s));
    const QPointF arrow[] = {{3.5 * s, 8 * s}, {12.5 * s, 8 * s}, {8 * s, 13 * s}};
    p.drawPolygon(arrow, 3);
    return pixmap;
}

}  // namespace

int ChooseUpdateEntry(const QList<SUpdateEntry>& entries, const QString& strVersion)
{
    for (int i = 0; i < entries.size(); ++i) {
        if (QString::compare(entries[i].strMinVersion, strVersion, Qt::CaseSensitive) <= 0 &&
            QString::compare(strVersion, entries[i].strMaxVersion, Qt::CaseSensitive) <= 0)
            return i;
    }
    return -1;
}

bool IsPlainFileName(const QString& strName)
{
    return !strName.isEmpty() && !strName.contains(QLatin1Char('/')) && !strName.contains(QLatin1Char('\\')) &&
           !strName.contains(QLatin1String("..")) && !strName.contains(QChar(0));
}

CMainDlg::CMainDlg(const QString& strDescriptionPath, const QStringList& arguments, QWidget* parent)
    : QDialog(parent), m_strDescriptionPath(strDescriptionPath), m_arguments(arguments)
{
    setWindowTitle(QStringLiteral("Tamo 자동 업데이트"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    // Template 129: the bar over the cancel button.
    setFixedSize(320, 80);
    m_pProgress = new QProgressBar(this);
    m_pProgress->setProperty(tamoui::kControlIdProperty, int(IDC_PROGRESS));
    m_pProgress->setGeometry(10, 14, 300, 18);
    m_pProgress->setTextVisible(true);
    m_pPicture = new QLabel(this);
    m_pPicture->setProperty(tamoui::kControlIdProperty, int(IDC_PICTURE));
    m_pPicture->hide();
    m_pCancel = new QPushButton(QStringLiteral("취소"), this);
    m_pCancel->setProperty(tamoui::kControlIdProperty, int(IDCANCEL));
    m_pCancel->setGeometry(125, 44, 70, 24);
    // The cancel command, whatever its notification.
    connect(m_pCancel, &QPushButton::clicked, this, [this] { OnCancel(); });

    m_fnMessage = [this](const QString& text) {
        // The test hook: no box; the message goes to the error output.
        if (qEnvironmentVariableIsSet("TAMO_TEST_ANSWER")) {
            fprintf(stderr, "%s: %s\n", qUtf8Printable(kCaption), qUtf8Printable(text));
            return;
        }
        QMessageBox::critical(isVisible() ? this : nullptr, kCaption, text);
    };
}

CMainDlg::~CMainDlg()
{
    // Every end waits for the worker; this covers an owner that never ran the window.
    m_job.Cancel();
    m_thread.Join(CThread::kWaitForever);
}

int CMainDlg::DoModal()
{
    if (!OnInitDialog())
        return m_nResult;
    return exec() == 0 && m_nResult == 0 ? -1 : m_nResult;
}

void CMainDlg::EndDialog(int nResult)
{
    m_nResult = nResult;
    m_bEnded = true;
    if (isVisible())
        done(nResult);
}

bool CMainDlg::Fail(const QString& strMessage)
{
    if (!strMessage.isEmpty() && m_fnMessage)
        m_fnMessage(strMessage);
    EndDialog(1);
    return false;
}

void CMainDlg::LoadIcons(const QString& strIconFile)
{
    QPixmap large, small;
    if (!strIconFile.isEmpty()) {
        const int nLarge = style()->pixelMetric(QStyle::PM_LargeIconSize);
        const int nSmall = style()->pixelMetric(QStyle::PM_SmallIconSize);
        QPixmap loaded;
        if (loaded.load(strIconFile)) {
            large = loaded.scaled(nLarge, nLarge, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            small = loaded.scaled(nSmall, nSmall, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
    }
    if (large.isNull() && small.isNull()) {
        large = ResourceIcon(style()->pixelMetric(QStyle::PM_LargeIconSize));
        small = ResourceIcon(style()->pixelMetric(QStyle::PM_SmallIconSize));
    }
    m_icon = QIcon();
    m_icon.addPixmap(large.isNull() ? small : large);
    m_icon.addPixmap(small.isNull() ? large : small);
    setWindowIcon(m_icon);
}

void CMainDlg::ShowImage(const QPixmap& image)
{
    const int W = image.width(), H = image.height();
    m_pPicture->setPixmap(image);
    m_pPicture->setGeometry(0, 0, W, H);
    m_pPicture->show();
    const int P = m_pProgress->height();
    m_pProgress->setGeometry(10, H + 10, W - 20, P);
    const QSize button = m_pCancel->size();
    m_pCancel->move((W - button.width()) / 2, H + P + 20);
    setFixedSize(W, H + P + 20 + button.height() + 10);
}

bool CMainDlg::OnInitDialog()
{
    // 1. The description beside the program.
    CMarkupSTL xml;
    if (!xml.Load(QFile::encodeName(m_strDescriptionPath).constData()))
        return Fail(kMsgDescription);
    // 2. The version address.
    xml.ResetPos();
    xml.FindElem();
    QString strVersionUrl;
    if (!ReadChild(xml, "versionurl", strVersionUrl))
        return Fail(kMsgNoVersionUrl);
    // 3. File name and title. A name that reaches out of the download folder is refused.
    QString strFileName = kDefaultFileName, strTitle, strIcon, strImage;
    if (ReadChild(xml, "filename", strFileName) && !IsPlainFileName(strFileName))
        return Fail(kMsgDescription);
    if (ReadChild(xml, "title", strTitle))
        setWindowTitle(strTitle);
    // 4. Icons, from the named file or our own.
    ReadChild(xml, "icon", strIcon);
    LoadIcons(strIcon);
    // 5.
    m_pProgress->setRange(0, kProgressMax);
    m_pProgress->setValue(0);
    // 6. The picture above the bar, when it loads.
    if (ReadChild(xml, "image", strImage) && m_image.load(strImage))
        ShowImage(m_image);
    // 7.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    // 8. The caller's version.
    if (m_arguments.isEmpty())
        return Fail(kMsgParameter);
    const QString strVersion = m_arguments.last();

    // 9. The version document. Without "current" it cannot say whether an update applies.
    CHttpClient client;
    const QString strUrl = ResolveVersionUrl(strVersionUrl);
    if (strUrl.isEmpty() || !client.Open(QStringLiteral("GET"), strUrl) || !client.Send(QString(), 0, nullptr, 0))
        return Fail(kMsgVersion);
    const QByteArray doc = platform::textcodec::ToAnsi(client.ReadAll(CP_ACP, 0));
    client.Close();
    CMarkupSTL version;
    version.SetDoc(std::string_view(doc.constData(), size_t(doc.size())));
    version.ResetPos();
    if (!version.FindElem("version"))
        return Fail(kMsgVersion);
    const QString strCurrent = Attrib(version, "current", false);
    if (strCurrent.isEmpty())
        return Fail(kMsgVersion);
    // 10.
    if (QString::compare(strCurrent, strVersion, Qt::CaseInsensitive) == 0)
        return Fail(QString());
    // 11.
    QList<SUpdateEntry> entries;
    while (version.FindChildElem("update")) {
        entries.append({Attrib(version, "minVersion", true), Attrib(version, "maxVersion", true),
                        Attrib(version, "url", true), QByteArray::fromStdString(version.GetChildAttrib("sha256"))});
    }
    const int nEntry = ChooseUpdateEntry(entries, strVersion);
    if (nEntry < 0 || entries[nEntry].strUrl.isEmpty())
        return Fail(QString());
    // 12. A folder of our own in the temporary folder: nobody else can put a file where ours goes.
    const QString strTemp = QDir::tempPath();
    if (strTemp.isEmpty() || strTemp.size() > kMaxTempPath)
        return Fail(kMsgTempFolder);
    QByteArray pattern = QFile::encodeName(QDir(strTemp).filePath(QStringLiteral("TamoSup-XXXXXX")));
    if (!mkdtemp(pattern.data()))
        return Fail(kMsgTempFolder);
    m_strPrivateFolder = QFile::decodeName(pattern);
    // 13.
    m_strLocalFile = QDir(m_strPrivateFolder).filePath(strFileName);
    m_job.Setup(entries[nEntry].strUrl, m_strLocalFile, entries[nEntry].sha256);
    if (!m_thread.Start()) {
        RemoveDownload();
        EndDialog(2);
        return false;
    }
    m_timer.start(1000, this);
    return true;
}

void CMainDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timer.timerId())
        OnTimer(kTimerProgress);
    else
        QDialog::timerEvent(event);
}

void CMainDlg::OnTimer(int nIDEvent)
{
    if (nIDEvent != kTimerProgress || m_bEnded)
        return;
    const CDownloadJob::SProgress progress = m_job.GetProgress();
    switch (progress.nState) {
    case CDownloadJob::STATE_DOWNLOADING:
        if (progress.nTotal != 0)
            m_pProgress->setValue(int(double(progress.nReceived) * kProgressMax / progress.nTotal));
        break;
    case CDownloadJob::STATE_DONE: {
        m_pProgress->setValue(kProgressMax);
        m_timer.stop();
        m_thread.Join(CThread::kWaitForever);
        // The installer runs as a program of its own; its folder goes at TamoSync's next start.
        QFile::setPermissions(m_strLocalFile, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcess installer;
        installer.setProgram(m_strLocalFile);
        installer.setWorkingDirectory(m_strPrivateFolder);
        // Its output goes nowhere: this program ends at once, and a closed pipe would end it too.
        installer.setStandardOutputFile(QProcess::nullDevice());
        installer.setStandardErrorFile(QProcess::nullDevice());
        installer.startDetached();
        EndDialog(1);
        break;
    }
    case CDownloadJob::STATE_FAILED:
        m_timer.stop();
        m_thread.Join(CThread::kWaitForever);
        RemoveDownload();
        if (m_job.DigestMismatch() && m_fnMessage)
            m_fnMessage(kMsgDigest);
        EndDialog(2);
        break;
    default:
        break;
    }
}

void CMainDlg::OnCancel()
{
    if (m_bEnded)
        return;
    m_job.Cancel();
    m_thread.Join(CThread::kWaitForever);
    m_timer.stop();
    RemoveDownload();
    EndDialog(2);
}

void CMainDlg::RemoveDownload()
{
    if (!m_strLocalFile.isEmpty())
        QFile::remove(m_strLocalFile);
    if (!m_strPrivateFolder.isEmpty())
        QDir().rmdir(m_strPrivateFolder);
}
