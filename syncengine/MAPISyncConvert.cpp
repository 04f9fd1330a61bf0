// Dates of the export text, and the formatting and conversion of Outlook property values.
#include <cstdlib>
#include <cstring>

#include "platform/TextCodec.h"
#include "syncengine/MAPISync.h"
#include "syncengine/OleDate.h"

namespace {

// Decimal integer as the C library's atoi reads it: blanks, a sign, digits; anything else ends it.
int ToInt(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = value * 10 + (text[i].unicode() - u'0');
    return static_cast<int>(negative ? -value : value);
}

QString Hex(ULONG value) { return QStringLiteral("0x%1").arg(value, 0, 16).toUpper().replace(QLatin1String("0X"), QLatin1String("0x")); }

QString TimeSecond(const FILETIME& ft)
{
    return QStringLiteral("Low: 0x%1 High: 0x%2")
        .arg(QString::number(ft.dwLowDateTime, 16).toUpper().rightJustified(8, u'0'),
             QString::number(ft.dwHighDateTime, 16).toUpper().rightJustified(8, u'0'));
}

bool IsTaskDate(ULONG ulTag)
{
    const ULONG id = PROP_ID(ulTag);
    return id == 0x8105 || id == 0x810F;
}

}  // namespace

double CMAPISync::StringtoDate(const QString& strDate, bool /*bUnused*/)
{
    if (strDate.isEmpty())
        return 0;
    const qsizetype t = strDate.indexOf(u'T');
    QString date = t >= 0 ? strDate.left(t) : QString();
    date.remove(u'-');
    std::optional<double> result;
    if (!date.isEmpty()) {
        QString time = strDate.mid(t + 1, 8);
        time.remove(u':');
        const int hour = ToInt(QStringView(time).mid(0, 2));
        const int minute = ToInt(QStringView(time).mid(2, 2));
        const int second = ToInt(QStringView(time).mid(4, 2));
        const int year = ToInt(QStringView(date).mid(0, 4));
        const int month = ToInt(QStringView(date).mid(4, 2));
        const int day = ToInt(QStringView(date).mid(6, 2));
        if (hour < 24) {
            result = oledate::FromDateTime(year, month, day, hour, minute, second);
        } else {
            result = oledate::FromDateTime(year, month, day, hour - 24, minute, second);
            if (result)
                result = oledate::AddDays(*result, 1);
        }
    } else if (t < 0) {
        // The date alone; "-" separators are read as in the date-time form.
        QString plain = strDate;
        plain.remove(u'-');
        result = oledate::FromDateTime(ToInt(QStringView(plain).mid(0, 4)), ToInt(QStringView(plain).mid(4, 2)),
                                       ToInt(QStringView(plain).mid(6, 2)), 0, 0, 0);
    }
    return result.value_or(0);
}

void CMAPISync::FileTimeToString(const FILETIME* pTime, QString& strText, QString* pstrSecond)
{
    if (!pTime)
        return;
    const auto st = oledate::FileTimeToSystemTime(*pTime);
    if (!st)
        return;
    // Asia/Seoul by adding nine to the hour: hours 24 to 32 stand for the next day.
    strText = QString::asprintf("%4d%02d%02dT%02d%02d%02d", st->wYear, st->wMonth, st->wDay, st->wHour + 9,
                                st->wMinute, st->wSecond);
    if (pstrSecond)
        *pstrSecond = TimeSecond(*pTime);
}

void CMAPISync::FileTimeToString2(const FILETIME* pTime, QString& strText, QString* pstrSecond)
{
    if (!pTime)
        return;
    const auto st = oledate::FileTimeToSystemTime(*pTime);
    if (!st)
        return;
    strText = QString::asprintf("%4d-%02d-%02d", st->wYear, st->wMonth, st->wDay);
    if (pstrSecond)
        *pstrSecond = TimeSecond(*pTime);
}

QString CMAPISync::BinToHexString(const SBinary* pBin, bool bPrefix)
{
    if (!pBin)
        return QString();
    if (pBin->cb == 0 || !pBin->lpb)
        return bPrefix ? QStringLiteral("cb: 0 lpb: <NULL>") : QString();
    static const char kDigits[] = "0123456789ABCDEF";
    QString hex(static_cast<qsizetype>(pBin->cb) * 2, Qt::Uninitialized);
    QChar* out = hex.data();
    for (ULONG i = 0; i < pBin->cb; ++i) {
        *out++ = QLatin1Char(kDigits[pBin->lpb[i] >> 4]);
        *out++ = QLatin1Char(kDigits[pBin->lpb[i] & 0x0F]);
    }
    return bPrefix ? QStringLiteral("cb: %1 lpb: %2").arg(pBin->cb).arg(hex) : hex;
}

QString CMAPISync::BinToTextString(const SBinary* pBin, bool bRaw)
{
    if (!pBin || !pBin->lpb)
        return QString();
    QString text(static_cast<qsizetype>(pBin->cb), Qt::Uninitialized);
    for (ULONG i = 0; i < pBin->cb; ++i) {
        const BYTE b = pBin->lpb[i];
        const bool dot = b == 0 || (!bRaw && (b == 8 || b == 9 || b == 10 || b == 13));
        text[i] = dot ? QChar(u'.') : QChar(static_cast<char16_t>(b));
    }
    return text;
}

void CMAPISync::MyHexFromBin(const BYTE* pData, ULONG cb, WCHAR** ppOut)
{
    if (!ppOut)
        return;
    *ppOut = nullptr;
    if (!pData || cb == 0)
        return;
    static const char16_t kDigits[] = u"0123456789ABCDEF";
    WCHAR* out = new WCHAR[2 * static_cast<std::size_t>(cb) + 1];
    for (ULONG i = 0; i < cb; ++i) {
        out[2 * i] = kDigits[pData[i] >> 4];
        out[2 * i + 1] = kDigits[pData[i] & 0x0F];
    }
    out[2 * cb] = 0;
    *ppOut = out;
}

int CMAPISync::HexStringToBinary(const QString& strHex, BYTE* pBuffer, ULONG* pcbSize)
{
    if (!pcbSize || strHex.size() % 2 != 0)
        return 0;
    const ULONG needed = static_cast<ULONG>(strHex.size() / 2);
    if (pBuffer && *pcbSize < needed)
        return 0;
    auto digit = [](QChar c) -> int {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9')
            return u - u'0';
        if (u >= u'A' && u <= u'F')
            return u - u'A' + 10;
        if (u >= u'a' && u <= u'f')
            return u - u'a' + 10;
        return -1;
    };
    // Text that is not hex converts to nothing, rather than to made-up bytes.
    for (QChar c : strHex)
        if (digit(c) < 0)
            return 0;
    if (pBuffer)
        for (ULONG i = 0; i < needed; ++i)
            pBuffer[i] = static_cast<BYTE>(digit(strHex[2 * i]) << 4 | digit(strHex[2 * i + 1]));
    *pcbSize = needed;
    return 1;
}

QString CMAPISync::ReverseHexString(const QString& strHex)
{
    QString out;
    out.reserve(strHex.size());
    for (qsizetype end = strHex.size(); end > 0; end -= 2) {
        const qsizetype start = end >= 2 ? end - 2 : 0;
        out += QStringView(strHex).mid(start, end - start);
    }
    return out;
}

ULONG CMAPISync::HexStringToLong(const QString& strHex)
{
    const QByteArray text = ReverseHexString(strHex).toLatin1();
    // Saturates like a 32-bit strtoul: unsigned long is wider here.
    const unsigned long long value = std::strtoull(text.constData(), nullptr, 16);
    return value > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<ULONG>(value);
}

WCHAR* CMAPISync::CharToWChar(const char* pszText)
{
    if (!pszText)
        return nullptr;
    const QString wide = platform::textcodec::FromAnsi(QByteArrayView(pszText));
    auto* out = static_cast<WCHAR*>(std::malloc((static_cast<std::size_t>(wide.size()) + 1) * sizeof(WCHAR)));
    if (!out)
        return nullptr;
    std::memcpy(out, wide.utf16(), (static_cast<std::size_t>(wide.size()) + 1) * sizeof(WCHAR));
    return out;
}

char* CMAPISync::WCharToChar(const WCHAR* pszText)
{
    if (!pszText)
        return nullptr;
    const QByteArray narrow = ToLogText(QString::fromUtf16(pszText));
    auto* out = static_cast<char*>(std::malloc(static_cast<std::size_t>(narrow.size()) + 1));
    if (!out)
        return nullptr;
    std::memcpy(out, narrow.constData(), static_cast<std::size_t>(narrow.size()) + 1);
    return out;
}

QByteArray CMAPISync::ToLogText(const QString& strText) { return platform::textcodec::FromUnicode(CP_KOREAN, strText); }

void CMAPISync::GetGUID(ULONG, const SPropValue*, QString&, QString*) {}

void CMAPISync::InterpretMVProp(const SPropValue* pProp, ULONG ulIndex, QString& strText, QString* pstrSecond)
{
    strText.clear();
    if (pstrSecond)
        pstrSecond->clear();
    if (!pProp)
        return;
    const ULONG type = PROP_TYPE(pProp->ulPropTag) & ~MV_FLAG;
    const _PV& v = pProp->Value;
    if (ulIndex >= v.MVl.cValues)
        return;
    switch (type) {
    case PT_UNICODE: {
        const WCHAR* s = v.MVszW.lppszW ? v.MVszW.lppszW[ulIndex] : nullptr;
        strText = s && *s ? QString::fromUtf16(s) : QStringLiteral("<NULL String>");
        break;
    }
    case PT_STRING8: {
        const char* s = v.MVszA.lppszA ? v.MVszA.lppszA[ulIndex] : nullptr;
        strText = s && *s ? platform::textcodec::FromAnsi(QByteArrayView(s)) : QStringLiteral("<NULL String>");
        break;
    }
    case PT_BINARY:
        strText = BinToHexString(&v.MVbin.lpbin[ulIndex], true);
        if (pstrSecond)
            *pstrSecond = BinToTextString(&v.MVbin.lpbin[ulIndex], false);
        break;
    case PT_LONG:
        strText = QString::number(static_cast<ULONG>(v.MVl.lpl[ulIndex]));
        if (pstrSecond)
            *pstrSecond = Hex(static_cast<ULONG>(v.MVl.lpl[ulIndex]));
        break;
    case PT_I2:
        strText = QString::number(v.MVi.lpi[ulIndex]);
        if (pstrSecond)
            *pstrSecond = Hex(static_cast<ULONG>(static_cast<LONG>(v.MVi.lpi[ulIndex])));
        break;
    case PT_SYSTIME:
        FileTimeToString(&v.MVft.lpft[ulIndex], strText, pstrSecond);
        break;
    case PT_DOUBLE:
        strText = QString::number(v.MVdbl.lpdbl[ulIndex], 'g', 15);
        break;
    case PT_I8:
        strText = QString::number(v.MVli.lpli[ulIndex].QuadPart);
        break;
    default:
        break;
    }
}

void CMAPISync::InterpretProp(const SPropValue* pProp, QString& strText, QString* pstrSecond, ULONG ulTag)
{
    strText.clear();
    if (pstrSecond)
        pstrSecond->clear();
    if (!pProp)
        return;
    const ULONG type = PROP_TYPE(pProp->ulPropTag);
    const _PV& v = pProp->Value;
    if (type & MV_FLAG) {
        const ULONG base = type & ~MV_FLAG;
        const bool joinSecond = base == PT_LONG || base == PT_SYSTIME || base == PT_BINARY;
        strText = QStringLiteral("%1: ").arg(v.MVl.cValues);
        QString second;
        for (ULONG i = 0; i < v.MVl.cValues; ++i) {
            QString element, elementSecond;
            InterpretMVProp(pProp, i, element, &elementSecond);
            if (i) {
                strText += QLatin1String("; ");
                second += QLatin1String("; ");
            }
            strText += element;
            second += elementSecond;
        }
        if (pstrSecond && joinSecond)
            *pstrSecond = second;
        return;
    }
    switch (type) {
    case PT_I2:
        strText = QString::number(v.i);
        if (pstrSecond)
            *pstrSecond = Hex(static_cast<ULONG>(static_cast<LONG>(v.i)));
        break;
    case PT_LONG:
        strText = QString::number(v.ul);
        if (pstrSecond)
            *pstrSecond = Hex(v.ul);
        break;
    case PT_BOOLEAN:
        strText = v.b ? QStringLiteral("T") : QStringLiteral("F");
        break;
    case PT_OBJECT:
        strText = QStringLiteral("Object");
        break;
    case PT_UNICODE:
        strText = v.lpszW ? QString::fromUtf16(v.lpszW) : QStringLiteral("<Exception>");
        break;
    case PT_STRING8:
        strText = v.lpszA ? platform::textcodec::FromAnsi(QByteArrayView(v.lpszA)) : QStringLiteral("<Exception>");
        break;
    case PT_SYSTIME:
        if (IsTaskDate(ulTag))
            FileTimeToString2(&v.ft, strText, pstrSecond);
        else
            FileTimeToString(&v.ft, strText, pstrSecond);
        break;
    case PT_BINARY:
        strText = BinToHexString(&v.bin, false);
        if (pstrSecond)
            *pstrSecond = BinToTextString(&v.bin, false);
        break;
    case PT_DOUBLE:
    case PT_APPTIME:
        strText = QString::number(v.dbl, 'g', 15);
        break;
    case PT_R4:
        strText = QString::number(static_cast<double>(v.flt), 'g', 7);
        break;
    case PT_I8:
        strText = QString::number(v.li.QuadPart);
        if (pstrSecond)
            *pstrSecond = QStringLiteral("0x") + QString::number(static_cast<qulonglong>(v.li.QuadPart), 16).toUpper();
        break;
    case PT_CLSID:
        if (v.lpguid)
            strText = QString::asprintf("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", v.lpguid->Data1,
                                        v.lpguid->Data2, v.lpguid->Data3, v.lpguid->Data4[0], v.lpguid->Data4[1],
                                        v.lpguid->Data4[2], v.lpguid->Data4[3], v.lpguid->Data4[4],
                                        v.lpguid->Data4[5], v.lpguid->Data4[6], v.lpguid->Data4[7]);
        break;
    default:
        // PT_ERROR and PT_NULL read as nothing.
        break;
    }
}

QString CMAPISync::GetPropVal(IMessage* pMsg, ULONG ulTag, bool bNamed, int nSet) const
{
    QString text;
    CMAPIEx::GetNamedProp(pMsg, ulTag, bNamed, nSet, text);
    return text;
}
