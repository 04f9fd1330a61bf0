// The appointment global object id that carries the service UID inside Outlook.
#include <QDateTime>
#include <QUuid>

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

QByteArray CMAPISync::NewAppointGlobalID()
{
    ULONG n = 20;
    QByteArray blob(20, '\0');
    // The class id and a zero instance date: the id of a whole appointment, not of one occurrence.
    HexStringToBinary(kGlobalIdPrefix, reinterpret_cast<BYTE*>(blob.data()), &n);
    // Creation time as a file time (100 ns steps since 1601), little-endian.
    constexpr quint64 kEpochDiff = 116444736000000000ULL;
    quint64 created = quint64(QDateTime::currentMSecsSinceEpoch()) * 10000ULL + kEpochDiff;
    for (int i = 0; i < 8; ++i, created >>= 8)
        blob += char(created & 0xFF);
    blob += QByteArray(8, '\0');
    // The size of the data that follows, then a fresh random id as the data.
    blob += QByteArray::fromHex("10000000");
    blob += QUuid::createUuid().toRfc4122();
    return blob;
}

QByteArray CMAPISync::AppointGlobalIDBlob(const QString& identity)
{
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
    return blob;
}

int CMAPISync::PutAppointGlobalID(const QString& strEntryID, const QString& strUID)
{
    if (!m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID) || !m_outlook.GetContents()) {
        SYNCLOG(synclog::kError, "PutAppointGlobalID pFolder Error GetContents \n");
        return -1;
    }
    ULONG size = 0;
    if (!HexStringToBinary(strEntryID, nullptr, &size) || size == 0)
        return -1;
    QString identity = strUID;
    if (identity.isEmpty() && m_pParser)
        identity = m_pParser->Text(CSyncParser::ServiceEvents, u"UID");
    return SetAppointGlobalID(strEntryID, AppointGlobalIDBlob(identity)) ? 1 : -1;
}
