#include "app/UpdateCheck.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "base/HttpClient.h"
#include "base/MarkupSTL.h"
#include "base/ServiceEndpoints.h"
#include "platform/TextCodec.h"
#include "syncui/HelpDlg.h"

namespace {

const QString kErrorCaption = QStringLiteral("에러");
const QString kOfferCaption = QStringLiteral("Pello 업데이트");
const QString kOfferText = QStringLiteral("버그를 수정한 버전으로 업데이트 되었습니다.\r\n확인버튼을 클릭해주세요.");

QString g_strLocalVersion;

bool LoadCopy(CMarkupSTL& xml, const QString& path)
{
    return xml.Load(platform::textcodec::ToAnsi(path).constData());
}

// The text of the root's child of that name; false when there is no such child.
bool ReadRootChild(CMarkupSTL& xml, const char* szName, QString& value)
{
    xml.ResetPos();
    if (!xml.FindElem())
        return false;
    xml.ResetChildPos();
    if (!xml.FindChildElem(szName))
        return false;
    value = platform::textcodec::FromAnsi(xml.GetChildData());
    return true;
}

bool IsPlainFileName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           !name.contains(QLatin1String(".."));
}

}  // namespace

CUpdateCheck::CUpdateCheck()
{
    m_strDocumentsCopy = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                             .filePath(QStringLiteral("Tamo/updater.xml"));
    m_strProgramFolder = QCoreApplication::applicationDirPath();
    m_fnMessage = [](const QString& caption, const QString& text) {
        if (qEnvironmentVariableIsSet("TAMO_TEST_ANSWER")) {
            fprintf(stderr, "%s: %s\n", qUtf8Printable(caption), qUtf8Printable(text));
            return qEnvironmentVariableIntValue("TAMO_TEST_ANSWER");
        }
        CHelpDlg dlg;
        dlg.SetMode(0, 1);
        dlg.m_strTitle = caption;
        dlg.m_strHeading = text;
        return dlg.DoModal();
    };
}

QString CUpdateCheck::ErrorText(int nError)
{
    return QStringLiteral("버전 정보를 읽을 수 없습니다.\n Error NO(%1)").arg(nError);
}

int CUpdateCheck::Message(const QString& strCaption, const QString& strText)
{
    return m_fnMessage ? m_fnMessage(strCaption, strText) : 2;
}

QString CUpdateCheck::ReadUpdaterElement(const QString& strName)
{
    // Error numbers: documents copy without it, program copy without it, no copy at all.
    const bool bVersion = strName == QLatin1String("version");
    const int nErrors[3] = {bVersion ? 1002 : 1004, bVersion ? 1003 : 1005, bVersion ? 1004 : 1006};
    const QByteArray name = strName.toLatin1();
    QString value;
    CMarkupSTL xml;
    int nError = nErrors[2];
    if (LoadCopy(xml, m_strDocumentsCopy)) {
        if (ReadRootChild(xml, name.constData(), value))
            return value;
        nError = nErrors[0];
    } else if (LoadCopy(xml, QDir(m_strProgramFolder).filePath(QStringLiteral("updater.xml")))) {
        if (ReadRootChild(xml, name.constData(), value))
            return value;
        nError = nErrors[1];
    }
    Message(kErrorCaption, ErrorText(nError));
    return QString();
}

int CUpdateCheck::CheckVersion()
{
    // 1, 2. The installed version.
    const QString strVersion = ReadUpdaterElement(QStringLiteral("version"));
    if (strVersion.isEmpty())
        return RESULT_END;
    m_strLocalVersion = strVersion;
    update::SetLocalVersion(strVersion);

    // 3, 4. The version address, only from the copy beside the program.
    CMarkupSTL xml;
    if (!LoadCopy(xml, QDir(m_strProgramFolder).filePath(QStringLiteral("updater.xml"))))
        return RESULT_NO_DESCRIPTION;
    QString strUrl;
    if (!ReadRootChild(xml, "versionurl", strUrl)) {
        Message(kErrorCaption, ErrorText(1000));
        return RESULT_END;
    }
    if (strUrl.startsWith(QLatin1Char('/')))
        strUrl = CServiceConfig::Current().Url(Service::Update, strUrl);

    // 5. The version document. One without "current" cannot be compared: without this it
    // would offer the update at every start.
    CHttpClient client;
    QString strCurrent;
    bool bRead = !strUrl.isEmpty() && client.Open(QStringLiteral("GET"), strUrl) && client.Send(QString(), 0, nullptr, 0);
    if (bRead) {
        const QByteArray doc = platform::textcodec::ToAnsi(client.ReadAll(CP_ACP, 0));
        CMarkupSTL version;
        version.SetDoc(std::string_view(doc.constData(), size_t(doc.size())));
        version.ResetPos();
        bRead = version.FindElem("version");
        if (bRead) {
            strCurrent = platform::textcodec::FromAnsi(version.GetAttrib("current"));
            bRead = !strCurrent.isEmpty();
            m_entries.clear();
            while (version.FindChildElem("update")) {
                m_entries.append({platform::textcodec::FromAnsi(version.GetChildAttrib("minVersion")),
                                  platform::textcodec::FromAnsi(version.GetChildAttrib("maxVersion")),
                                  platform::textcodec::FromAnsi(version.GetChildAttrib("url"))});
            }
        }
    }
    if (!bRead) {
        Message(kErrorCaption, ErrorText(1001));
        return RESULT_END;
    }

    // 6, 7. Any difference offers the update, an older announced version too.
    if (QString::localeAwareCompare(strCurrent.toCaseFolded(), m_strLocalVersion.toCaseFolded()) == 0)
        return RESULT_UP_TO_DATE;
    return Message(kOfferCaption, kOfferText) == 1 ? RESULT_ACCEPTED : RESULT_UP_TO_DATE;
}

bool CUpdateCheck::StartUpdater()
{
    const QString strUpdater = ReadUpdaterElement(QStringLiteral("updater"));
    // Only a program in the program's folder, never a path elsewhere.
    if (!IsPlainFileName(strUpdater))
        return false;
    // Its output goes nowhere: this program ends at once, and a closed pipe would end it too.
    QProcess updater;
    updater.setProgram(QDir(m_strProgramFolder).filePath(strUpdater));
    updater.setArguments({m_strLocalVersion});
    updater.setStandardOutputFile(QProcess::nullDevice());
    updater.setStandardErrorFile(QProcess::nullDevice());
    return updater.startDetached();
}

namespace update {

QString LocalVersion() { return g_strLocalVersion; }

void SetLocalVersion(const QString& strVersion) { g_strLocalVersion = strVersion; }

void RemoveUpdaterLeftovers()
{
    const QDir temp(QDir::tempPath());
    const QFileInfoList folders =
        temp.entryInfoList({QStringLiteral("TamoSup-??????")}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo& folder : folders) {
        if (folder.isSymLink() || folder.ownerId() != ::getuid())
            continue;
        QDir(folder.absoluteFilePath()).removeRecursively();
    }
}

}  // namespace update
