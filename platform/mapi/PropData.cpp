#include "platform/mapi/PropData.h"

#include <chrono>
#include <cstring>
#include <vector>

#include <QString>

#include "platform/mapi/Mapi.h"

// Encoding of PropData::bytes:
//   PT_I2, PT_LONG, PT_BOOLEAN        4 bytes, little-endian signed 32-bit
//   PT_R4                             4 bytes, float
//   PT_DOUBLE, PT_APPTIME             8 bytes, double
//   PT_I8, PT_CURRENCY, PT_SYSTIME    8 bytes, little-endian 64-bit
//   PT_UNICODE                        UTF-16LE code units, no terminator
//   PT_BINARY                         the bytes
//   PT_CLSID                          the 16 bytes of the GUID
//   multi-valued                      4-byte count, then per element a 4-byte length and the bytes
//                                     of the element encoded as its single-valued type

namespace tamo::mapi {

namespace {

void PutU32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void PutU64(std::string& out, std::uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint32_t GetU32(const char* p)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    return v;
}

std::uint64_t GetU64(const char* p)
{
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    return v;
}

std::string Utf16Bytes(const char16_t* s, std::size_t n)
{
    std::string out;
    out.reserve(n * 2);
    for (std::size_t i = 0; i < n; ++i) {
        out.push_back(static_cast<char>(s[i] & 0xFF));
        out.push_back(static_cast<char>(s[i] >> 8));
    }
    return out;
}

std::string WideBytes(LPCWSTR s)
{
    return Utf16Bytes(s, std::char_traits<char16_t>::length(s));
}

std::string NarrowBytes(LPCSTR s)
{
    const QString text = QString::fromUtf8(s);
    return Utf16Bytes(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
}

// Single-valued element encoding; false for a type that has no element form.
bool EncodeScalar(ULONG type, const _PV& v, std::string& out, SCODE* error)
{
    switch (type) {
    case PT_I2:
        PutU32(out, static_cast<std::uint32_t>(static_cast<LONG>(v.i)));
        return true;
    case PT_LONG:
        PutU32(out, static_cast<std::uint32_t>(v.l));
        return true;
    case PT_BOOLEAN:
        PutU32(out, v.b ? 1u : 0u);
        return true;
    case PT_R4: {
        std::uint32_t bits;
        std::memcpy(&bits, &v.flt, 4);
        PutU32(out, bits);
        return true;
    }
    case PT_DOUBLE:
    case PT_APPTIME: {
        std::uint64_t bits;
        std::memcpy(&bits, &v.dbl, 8);
        PutU64(out, bits);
        return true;
    }
    case PT_I8:
        PutU64(out, static_cast<std::uint64_t>(v.li.QuadPart));
        return true;
    case PT_CURRENCY:
        PutU64(out, static_cast<std::uint64_t>(v.cur.int64));
        return true;
    case PT_SYSTIME:
        PutU64(out, (static_cast<std::uint64_t>(v.ft.dwHighDateTime) << 32) | v.ft.dwLowDateTime);
        return true;
    case PT_UNICODE:
        if (!v.lpszW)
            break;
        out += WideBytes(v.lpszW);
        return true;
    case PT_STRING8:
        if (!v.lpszA)
            break;
        out += NarrowBytes(v.lpszA);
        return true;
    case PT_BINARY:
        if (v.bin.cb && !v.bin.lpb)
            break;
        out.append(reinterpret_cast<const char*>(v.bin.lpb), v.bin.cb);
        return true;
    case PT_CLSID:
        if (!v.lpguid)
            break;
        out.append(reinterpret_cast<const char*>(v.lpguid), sizeof(GUID));
        return true;
    default:
        *error = MAPI_E_INVALID_TYPE;
        return false;
    }
    *error = MAPI_E_INVALID_PARAMETER;
    return false;
}

// Wraps one element of a multi-valued value as a single-valued _PV.
bool ElementOf(ULONG baseType, const _PV& mv, ULONG index, _PV& element)
{
    switch (baseType) {
    case PT_I2: element.i = mv.MVi.lpi[index]; return true;
    case PT_LONG: element.l = mv.MVl.lpl[index]; return true;
    case PT_DOUBLE: element.dbl = mv.MVdbl.lpdbl[index]; return true;
    case PT_I8: element.li = mv.MVli.lpli[index]; return true;
    case PT_SYSTIME: element.ft = mv.MVft.lpft[index]; return true;
    case PT_UNICODE: element.lpszW = mv.MVszW.lppszW[index]; return true;
    case PT_STRING8: element.lpszA = mv.MVszA.lppszA[index]; return true;
    case PT_BINARY: element.bin = mv.MVbin.lpbin[index]; return true;
    case PT_CLSID: element.lpguid = &mv.MVguid.lpguid[index]; return true;
    default: return false;
    }
}

const void* MvArray(ULONG baseType, const _PV& mv)
{
    switch (baseType) {
    case PT_I2: return mv.MVi.lpi;
    case PT_LONG: return mv.MVl.lpl;
    case PT_DOUBLE: return mv.MVdbl.lpdbl;
    case PT_I8: return mv.MVli.lpli;
    case PT_SYSTIME: return mv.MVft.lpft;
    case PT_UNICODE: return mv.MVszW.lppszW;
    case PT_STRING8: return mv.MVszA.lppszA;
    case PT_BINARY: return mv.MVbin.lpbin;
    case PT_CLSID: return mv.MVguid.lpguid;
    default: return nullptr;
    }
}

void* More(std::size_t size, void* parent)
{
    void* p = nullptr;
    if (MAPIAllocateMore(static_cast<ULONG>(size), parent, &p) != S_OK)
        return nullptr;
    return p;
}

LPWSTR WideCopy(const char* bytes, std::size_t n, void* parent)
{
    const std::size_t units = n / 2;
    auto* s = static_cast<LPWSTR>(More((units + 1) * sizeof(WCHAR), parent));
    if (!s)
        return nullptr;
    for (std::size_t i = 0; i < units; ++i)
        s[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    s[units] = 0;
    return s;
}

std::u16string Utf16From(const char* bytes, std::size_t n)
{
    std::u16string s(n / 2, u'\0');
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return s;
}

LPSTR NarrowCopy(const char* bytes, std::size_t n, void* parent)
{
    const std::u16string wide = Utf16From(bytes, n);
    const QByteArray utf8 = QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size())).toUtf8();
    auto* s = static_cast<LPSTR>(More(static_cast<std::size_t>(utf8.size()) + 1, parent));
    if (!s)
        return nullptr;
    std::memcpy(s, utf8.constData(), static_cast<std::size_t>(utf8.size()) + 1);
    return s;
}

std::size_t FixedSize(ULONG baseType)
{
    switch (baseType) {
    case PT_I2: case PT_LONG: case PT_BOOLEAN: case PT_R4: return 4;
    case PT_DOUBLE: case PT_APPTIME: case PT_I8: case PT_CURRENCY: case PT_SYSTIME: return 8;
    case PT_CLSID: return sizeof(GUID);
    default: return 0;  // variable
    }
}

// Decodes one element (bytes of its single-valued encoding) into v.
bool DecodeScalar(ULONG type, bool wantWide, const char* p, std::size_t n, _PV& v, void* parent)
{
    const std::size_t fixed = FixedSize(type);
    if (fixed && n != fixed)
        return false;
    switch (type) {
    case PT_I2: v.i = static_cast<short>(static_cast<LONG>(GetU32(p))); return true;
    case PT_LONG: v.l = static_cast<LONG>(GetU32(p)); return true;
    case PT_BOOLEAN: v.b = GetU32(p) ? 1 : 0; return true;
    case PT_R4: { std::uint32_t bits = GetU32(p); std::memcpy(&v.flt, &bits, 4); return true; }
    case PT_DOUBLE: case PT_APPTIME: { std::uint64_t bits = GetU64(p); std::memcpy(&v.dbl, &bits, 8); return true; }
    case PT_I8: v.li.QuadPart = static_cast<std::int64_t>(GetU64(p)); return true;
    case PT_CURRENCY: v.cur.int64 = static_cast<std::int64_t>(GetU64(p)); return true;
    case PT_SYSTIME: {
        const std::uint64_t t = GetU64(p);
        v.ft.dwLowDateTime = static_cast<DWORD>(t & 0xFFFFFFFFu);
        v.ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
        return true;
    }
    case PT_UNICODE:
        if (wantWide) {
            v.lpszW = WideCopy(p, n, parent);
            return v.lpszW != nullptr;
        }
        v.lpszA = NarrowCopy(p, n, parent);
        return v.lpszA != nullptr;
    case PT_BINARY: {
        v.bin.cb = static_cast<ULONG>(n);
        v.bin.lpb = nullptr;
        if (n) {
            v.bin.lpb = static_cast<LPBYTE>(More(n, parent));
            if (!v.bin.lpb)
                return false;
            std::memcpy(v.bin.lpb, p, n);
        }
        return true;
    }
    case PT_CLSID:
        v.lpguid = static_cast<LPGUID>(More(sizeof(GUID), parent));
        if (!v.lpguid)
            return false;
        std::memcpy(v.lpguid, p, sizeof(GUID));
        return true;
    default:
        return false;
    }
}

// Splits a multi-valued encoding into its elements; false when it is malformed.
bool SplitElements(const std::string& bytes, std::vector<std::pair<const char*, std::size_t>>& parts)
{
    if (bytes.size() < 4)
        return false;
    const std::uint32_t count = GetU32(bytes.data());
    std::size_t at = 4;
    parts.clear();
    for (std::uint32_t i = 0; i < count; ++i) {
        if (bytes.size() - at < 4)
            return false;
        const std::uint32_t len = GetU32(bytes.data() + at);
        at += 4;
        if (bytes.size() - at < len)
            return false;
        parts.emplace_back(bytes.data() + at, len);
        at += len;
    }
    return at == bytes.size();
}

ULONG KeptType(ULONG type)
{
    const ULONG base = type & ~MV_FLAG;
    const ULONG mv = type & MV_FLAG;
    return (base == PT_STRING8 ? PT_UNICODE : base) | mv;
}

bool IsKeptBaseType(ULONG base, bool multi)
{
    switch (base) {
    case PT_I2: case PT_LONG: case PT_DOUBLE: case PT_I8: case PT_SYSTIME: case PT_UNICODE:
    case PT_STRING8: case PT_BINARY: case PT_CLSID:
        return true;
    case PT_BOOLEAN: case PT_R4: case PT_APPTIME: case PT_CURRENCY:
        return !multi;
    default:
        return false;
    }
}

}  // namespace

bool EncodeProp(const SPropValue& value, PropData& out, SCODE* error)
{
    SCODE dummy = S_OK;
    if (!error)
        error = &dummy;
    const ULONG type = PROP_TYPE(value.ulPropTag);
    const ULONG base = type & ~MV_FLAG;
    const bool multi = (type & MV_FLAG) != 0;
    if (!IsKeptBaseType(base, multi)) {
        *error = MAPI_E_INVALID_TYPE;
        return false;
    }
    out.type = KeptType(type);
    out.bytes.clear();
    if (!multi)
        return EncodeScalar(base, value.Value, out.bytes, error);
    const ULONG count = value.Value.MVl.cValues;  // every MV array starts with its count
    if (count && !MvArray(base, value.Value)) {
        *error = MAPI_E_INVALID_PARAMETER;
        return false;
    }
    PutU32(out.bytes, count);
    for (ULONG i = 0; i < count; ++i) {
        _PV element{};
        ElementOf(base, value.Value, i, element);
        std::string bytes;
        if (!EncodeScalar(base, element, bytes, error))
            return false;
        PutU32(out.bytes, static_cast<std::uint32_t>(bytes.size()));
        out.bytes += bytes;
    }
    return true;
}

bool DecodeProp(ULONG requestedTag, bool unicode, const PropData& data, SPropValue& dst, void* parent)
{
    ULONG type = PROP_TYPE(requestedTag);
    const ULONG keptBase = data.type & ~MV_FLAG;
    const bool multi = (data.type & MV_FLAG) != 0;
    if (type == PT_UNSPECIFIED)
        type = (keptBase == PT_UNICODE && !unicode) ? ((PT_STRING8) | (data.type & MV_FLAG)) : data.type;
    if (KeptType(type) != data.type)
        return false;
    const ULONG reqBase = type & ~MV_FLAG;
    const bool wide = reqBase == PT_UNICODE;
    dst.ulPropTag = PROP_TAG(type, PROP_ID(requestedTag));
    dst.dwAlignPad = 0;
    if (!multi)
        return DecodeScalar(keptBase, wide, data.bytes.data(), data.bytes.size(), dst.Value, parent);

    std::vector<std::pair<const char*, std::size_t>> parts;
    if (!SplitElements(data.bytes, parts))
        return false;
    const ULONG count = static_cast<ULONG>(parts.size());
    std::size_t elementSize = 0;
    switch (reqBase) {
    case PT_I2: elementSize = sizeof(short); break;
    case PT_LONG: elementSize = sizeof(LONG); break;
    case PT_DOUBLE: elementSize = sizeof(double); break;
    case PT_I8: elementSize = sizeof(LARGE_INTEGER); break;
    case PT_SYSTIME: elementSize = sizeof(FILETIME); break;
    case PT_UNICODE: elementSize = sizeof(LPWSTR); break;
    case PT_STRING8: elementSize = sizeof(LPSTR); break;
    case PT_BINARY: elementSize = sizeof(SBinary); break;
    case PT_CLSID: elementSize = sizeof(GUID); break;
    default: return false;
    }
    void* array = count ? More(elementSize * count, parent) : nullptr;
    if (count && !array)
        return false;
    dst.Value.MVl.cValues = count;
    for (ULONG i = 0; i < count; ++i) {
        _PV element{};
        if (!DecodeScalar(keptBase, wide, parts[i].first, parts[i].second, element, parent))
            return false;
        switch (reqBase) {
        case PT_I2: static_cast<short*>(array)[i] = element.i; break;
        case PT_LONG: static_cast<LONG*>(array)[i] = element.l; break;
        case PT_DOUBLE: static_cast<double*>(array)[i] = element.dbl; break;
        case PT_I8: static_cast<LARGE_INTEGER*>(array)[i] = element.li; break;
        case PT_SYSTIME: static_cast<FILETIME*>(array)[i] = element.ft; break;
        case PT_UNICODE: static_cast<LPWSTR*>(array)[i] = element.lpszW; break;
        case PT_STRING8: static_cast<LPSTR*>(array)[i] = element.lpszA; break;
        case PT_BINARY: static_cast<SBinary*>(array)[i] = element.bin; break;
        case PT_CLSID: static_cast<GUID*>(array)[i] = *element.lpguid; break;
        }
    }
    switch (reqBase) {
    case PT_I2: dst.Value.MVi.lpi = static_cast<short*>(array); break;
    case PT_LONG: dst.Value.MVl.lpl = static_cast<LONG*>(array); break;
    case PT_DOUBLE: dst.Value.MVdbl.lpdbl = static_cast<double*>(array); break;
    case PT_I8: dst.Value.MVli.lpli = static_cast<LARGE_INTEGER*>(array); break;
    case PT_SYSTIME: dst.Value.MVft.lpft = static_cast<FILETIME*>(array); break;
    case PT_UNICODE: dst.Value.MVszW.lppszW = static_cast<LPWSTR*>(array); break;
    case PT_STRING8: dst.Value.MVszA.lppszA = static_cast<LPSTR*>(array); break;
    case PT_BINARY: dst.Value.MVbin.lpbin = static_cast<SBinary*>(array); break;
    case PT_CLSID: dst.Value.MVguid.lpguid = static_cast<GUID*>(array); break;
    }
    return true;
}

void ErrorProp(ULONG tag, SCODE code, SPropValue& dst)
{
    dst.ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(tag));
    dst.dwAlignPad = 0;
    dst.Value.err = code;
}

PropData MakeLong(LONG value)
{
    PropData d{PT_LONG, {}};
    PutU32(d.bytes, static_cast<std::uint32_t>(value));
    return d;
}

PropData MakeBool(bool value)
{
    PropData d{PT_BOOLEAN, {}};
    PutU32(d.bytes, value ? 1u : 0u);
    return d;
}

PropData MakeBinary(const std::string& bytes) { return PropData{PT_BINARY, bytes}; }

PropData MakeUnicode(const std::u16string& text) { return PropData{PT_UNICODE, Utf16Bytes(text.data(), text.size())}; }

PropData MakeTime(const FILETIME& ft)
{
    PropData d{PT_SYSTIME, {}};
    PutU64(d.bytes, (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
    return d;
}

bool ReadLong(const PropData& data, LONG& value)
{
    if ((data.type != PT_LONG && data.type != PT_BOOLEAN && data.type != PT_I2) || data.bytes.size() != 4)
        return false;
    value = static_cast<LONG>(GetU32(data.bytes.data()));
    return true;
}

bool ReadBinary(const PropData& data, std::string& bytes)
{
    if (data.type != PT_BINARY)
        return false;
    bytes = data.bytes;
    return true;
}

bool ReadUnicode(const PropData& data, std::u16string& text)
{
    if (data.type != PT_UNICODE)
        return false;
    text = Utf16From(data.bytes.data(), data.bytes.size());
    return true;
}

FILETIME NowAsFileTime()
{
    using namespace std::chrono;
    // 100-ns intervals between 1601-01-01 and 1970-01-01.
    constexpr std::int64_t kEpochDelta = 116444736000000000LL;
    const std::int64_t ticks =
        duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count() / 100 + kEpochDelta;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32);
    return ft;
}

}  // namespace tamo::mapi
