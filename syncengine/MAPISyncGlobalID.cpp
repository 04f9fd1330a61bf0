// The appointment global object id that carries the service UID inside Outlook.
#include "platform/TextCodec.h"
#include "syncengine/MAPISync.h"
#include "syncengine/SyncLog.h"

namespace {
// The Outlook class id and the first 40 hex digits of every global object id.
const QString kGlobalIdPrefix = QStringLiteral("040000008200E00074C5B7101A82E00800000000");
// Class id, zero instance date, zero creation time, 8 reserved bytes, the size word 0x40, "vCal-Uid", 1.
const QString kVCalTemplate = QStringLiteral(
    "040000008200E00074C5B7101A82E0080000000000000000000000000000000000000000400000007643616C2D55696401000000");
constexpr ULONG kGlobalObjectId = 0x0003;
}  // namespace

int CMAPISync::PutAppointGlobalID(const QString& strEntryID, const QString& strUID)
{
    if (!m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID) || !m_outlook.GetContents()) {
        SYNCLOG(synclog::kError, "PutAppointGlobalID pFolder Error GetContents \n");
        return -1;
    }
    ULONG size = 0;
    if (!HexStringToBinary(strEntryID, nullptr, &size) || size == 0)
        return -1;
    QByteArray entry(static_cast<qsizetype>(size), '\0');
    HexStringToBinary(strEntryID, reinterpret_cast<BYTE*>(entry.data()), &size);
    CMAPIMessage message;
    if (!m_outlook.OpenMessage(SBinary{size, reinterpret_cast<LPBYTE>(entry.data())}, 0, message))
        return -1;

    QString identity = strUID;
    if (identity.isEmpty() && m_pParser)
        identity = m_pParser->Text(CSyncParser::ServiceEvents, u"UID");

    QByteArray blob;
    if (identity.size() == 112 && identity.startsWith(kGlobalIdPrefix)) {
        ULONG n = 56;
        blob.resize(56);
        if (!HexStringToBinary(identity, reinterpret_cast<BYTE*>(blob.data()), &n))
            blob.clear();
    }
    if (blob.isEmpty()) {
        ULONG n = 52;
        blob.resize(52);
        HexStringToBinary(kVCalTemplate, reinterpret_cast<BYTE*>(blob.data()), &n);
        // The UID's bytes in the ANSI code page and a terminating zero; the size word stays 0x40
        // whatever the length, as Outlook's readers of this form expect.
        blob += platform::textcodec::ToAnsi(identity);
        blob += '\0';
    }
    CMAPIEx::SetNamedProp(message.GetMessageW(), PROPSET_MEETING, kGlobalObjectId,
                          reinterpret_cast<const BYTE*>(blob.constData()), static_cast<ULONG>(blob.size()));
    message.GetMessageW()->SaveChanges(KEEP_OPEN_READWRITE);
    message.Close();
    return 1;
}
