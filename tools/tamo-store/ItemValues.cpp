#include "ItemValues.h"

#include <QDateTime>
#include <QJsonArray>
#include <QTimeZone>

#include "syncengine/MAPIEx.h"
#include "syncengine/MAPISync.h"
#include "syncengine/OleDate.h"

namespace {

std::optional<FILETIME> ParseTime(const QString& text)
{
    QDateTime dt = QDateTime::fromString(text, Qt::ISODate);
    if (!dt.isValid())
        return std::nullopt;
    if (dt.timeSpec() == Qt::LocalTime)  // no zone given: UTC, as Outlook keeps its times
        dt = QDateTime(dt.date(), dt.time(), QTimeZone::utc());
    const std::int64_t ms = dt.toMSecsSinceEpoch();
    const std::uint64_t ticks = static_cast<std::uint64_t>(ms) * 10000 + 116444736000000000ULL;
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

ULONG TypeFromName(const QString& name)
{
    static const QHash<QString, ULONG> kTypes = {
        {"PT_I2", PT_I2},           {"PT_LONG", PT_LONG},         {"PT_BOOLEAN", PT_BOOLEAN},
        {"PT_DOUBLE", PT_DOUBLE},   {"PT_I8", PT_I8},             {"PT_SYSTIME", PT_SYSTIME},
        {"PT_UNICODE", PT_UNICODE}, {"PT_BINARY", PT_BINARY},     {"PT_MV_UNICODE", PT_MV_UNICODE},
        {"PT_MV_LONG", PT_MV_LONG}, {"PT_MV_BINARY", PT_MV_BINARY}};
    return kTypes.value(name, PT_UNSPECIFIED);
}

const GUID* SetFromName(const QString& name)
{
    if (name == "Appointment" || name == "PSETID_Appointment") return &PSETID_Appointment;
    if (name == "Task" || name == "PSETID_Task") return &PSETID_Task;
    if (name == "Common" || name == "PSETID_Common") return &PSETID_Common;
    if (name == "Meeting" || name == "PSETID_Meeting") return &PSETID_Meeting;
    if (name == "PS_PUBLIC_STRINGS") return &PS_PUBLIC_STRINGS;
    return nullptr;
}

ULONG ParseNumber(const QJsonValue& v)
{
    if (v.isDouble())
        return static_cast<ULONG>(v.toInteger());
    bool ok = false;
    const ULONG n = v.toString().toUInt(&ok, 0);
    return ok ? n : 0;
}

// Writes one value of the given tag; the JSON value is read by the tag's type.
bool SetValue(IMessage* msg, ULONG tag, const QJsonValue& value, QString* error)
{
    SPropValue prop{};
    prop.ulPropTag = tag;
    QString text;
    QByteArray bytes;
    std::vector<QString> strings;
    std::vector<LPWSTR> pointers;
    std::vector<LONG> longs;
    switch (PROP_TYPE(tag)) {
    case PT_I2: prop.Value.i = static_cast<short>(value.toInt()); break;
    case PT_LONG: prop.Value.l = value.toInt(); break;
    case PT_BOOLEAN: prop.Value.b = value.toBool() ? 1 : 0; break;
    case PT_DOUBLE: prop.Value.dbl = value.toDouble(); break;
    case PT_I8: prop.Value.li.QuadPart = value.toInteger(); break;
    case PT_SYSTIME: {
        const auto ft = ParseTime(value.toString());
        if (!ft) {
            *error = "not a time: " + value.toString();
            return false;
        }
        prop.Value.ft = *ft;
        break;
    }
    case PT_UNICODE:
        text = value.toString();
        prop.Value.lpszW = const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(text.utf16()));
        break;
    case PT_BINARY: {
        ULONG size = 0;
        const QString hex = value.toString();
        if (!CMAPISync::HexStringToBinary(hex, nullptr, &size)) {
            *error = "not hex: " + hex;
            return false;
        }
        bytes.resize(static_cast<qsizetype>(size));
        CMAPISync::HexStringToBinary(hex, reinterpret_cast<BYTE*>(bytes.data()), &size);
        prop.Value.bin = {size, reinterpret_cast<LPBYTE>(bytes.data())};
        break;
    }
    case PT_MV_UNICODE:
        for (const QJsonValue& v : value.toArray())
            strings.push_back(v.toString());
        for (QString& s : strings)
            pointers.push_back(const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(s.utf16())));
        prop.Value.MVszW = {static_cast<ULONG>(pointers.size()), pointers.data()};
        break;
    case PT_MV_LONG:
        for (const QJsonValue& v : value.toArray())
            longs.push_back(v.toInt());
        prop.Value.MVl = {static_cast<ULONG>(longs.size()), longs.data()};
        break;
    default:
        *error = QStringLiteral("unsupported type 0x%1").arg(PROP_TYPE(tag), 4, 16, QLatin1Char('0'));
        return false;
    }
    LPSPropProblemArray problems = nullptr;
    const HRESULT hr = msg->SetProps(1, &prop, &problems);
    const bool ok = SUCCEEDED(hr) && !problems;
    if (!ok)
        *error = QStringLiteral("the store refused property 0x%1").arg(tag, 8, 16, QLatin1Char('0'));
    MAPIFreeBuffer(problems);
    return ok;
}

ULONG Named(IMessage* msg, const GUID* set, ULONG kind, LONG id, const QString& name, ULONG type)
{
    GUID guid = *set;
    MAPINAMEID n{&guid, kind, {id}};
    if (kind == MNID_STRING)
        n.Kind.lpwstrName = const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(name.utf16()));
    LPMAPINAMEID names[1] = {&n};
    LPSPropTagArray tags = nullptr;
    if (msg->GetIDsFromNames(1, names, MAPI_CREATE, &tags) != S_OK)
        return 0;
    const ULONG tag = PROP_TAG(type, PROP_ID(tags->aulPropTag[0]));
    MAPIFreeBuffer(tags);
    return tag;
}


}  // namespace

bool ApplyItemValues(IMessage* msg, ItemKind kind, const QJsonObject& values, bool isNew, QString* error)
{
    const bool task = kind == ItemKind::Task;
    auto named = [&](int set, ULONG id, ULONG type) {
        return CMAPIEx::ResolveNamedProp(msg, set, id, type);
    };
    struct Simple {
        const char* key;
        std::function<ULONG()> tag;
    };
    const std::vector<Simple> simple = {
        {"subject", [] { return PR_SUBJECT_W; }},
        {"body", [] { return PR_BODY_W; }},
        {"class", [] { return PR_MESSAGE_CLASS_W; }},
        {"importance", [] { return PR_IMPORTANCE; }},
        {"created", [] { return PR_CREATION_TIME; }},
        {"modified", [] { return PR_LAST_MODIFICATION_TIME; }},
        {"due", [&] { return named(PROPSET_TASK, 0x8105, PT_SYSTIME); }},
        {"complete", [&] { return named(PROPSET_TASK, 0x811C, PT_BOOLEAN); }},
        {"completed", [&] { return named(PROPSET_TASK, 0x810F, PT_SYSTIME); }},
        {"start", [&] { return named(PROPSET_APPOINTMENT, 0x820D, PT_SYSTIME); }},
        {"end", [&] { return named(PROPSET_APPOINTMENT, 0x820E, PT_SYSTIME); }},
        {"allDay", [&] { return named(PROPSET_APPOINTMENT, 0x8215, PT_BOOLEAN); }},
        {"recurring", [&] { return named(PROPSET_APPOINTMENT, 0x8223, PT_BOOLEAN); }},
        {"reminderMinutes", [&] { return named(PROPSET_COMMON, 0x8501, PT_LONG); }},
        {"reminder", [&] { return named(PROPSET_COMMON, 0x8502, PT_SYSTIME); }},
    };
    if (isNew && !values.contains("class")) {
        if (!SetValue(msg, PR_MESSAGE_CLASS_W, task ? "IPM.Task" : "IPM.Appointment", error))
            return false;
    }
    for (const Simple& s : simple) {
        if (!values.contains(s.key))
            continue;
        const ULONG tag = s.tag();
        if (!tag || !SetValue(msg, tag, values.value(s.key), error))
            return error->isEmpty() ? (*error = QStringLiteral("can't write ") + s.key, false) : false;
    }
    if (values.contains("reminder") || values.contains("reminderMinutes")) {
        if (!SetValue(msg, named(PROPSET_COMMON, 0x8503, PT_BOOLEAN), true, error))
            return false;
    }
    if (values.contains("start") && values.contains("end")) {
        const auto start = ParseTime(values.value("start").toString());
        const auto end = ParseTime(values.value("end").toString());
        if (start && end) {
            const double minutes = (oledate::FromFileTime(*end) - oledate::FromFileTime(*start)) * 1440.0;
            if (!SetValue(msg, named(PROPSET_APPOINTMENT, 0x8213, PT_LONG), qRound(minutes), error))
                return false;
        }
    }
    // Outlook gives every appointment it creates a global object id; "globalId": false stands
    // for one written by another program, without it.
    const bool newGlobalId = isNew && !task && !values.contains("uid") && values.value("globalId").toBool(true);
    if (values.contains("uid") || newGlobalId) {
        const QByteArray blob = newGlobalId ? CMAPISync::NewAppointGlobalID()
                                            : CMAPISync::AppointGlobalIDBlob(values.value("uid").toString());
        CMAPIEx::SetNamedProp(msg, PROPSET_MEETING, 0x0003, reinterpret_cast<const BYTE*>(blob.constData()),
                              static_cast<ULONG>(blob.size()));
    }
    if (values.contains("keywords")) {
        const ULONG tag = Named(msg, &PS_PUBLIC_STRINGS, MNID_STRING, 0, "Keywords", PT_MV_UNICODE);
        if (!tag || !SetValue(msg, tag, values.value("keywords"), error))
            return false;
    }
    for (const QJsonValue& entry : values.value("props").toArray()) {
        const QJsonObject p = entry.toObject();
        ULONG tag = 0;
        if (p.contains("tag")) {
            tag = ParseNumber(p.value("tag"));
        } else {
            const GUID* set = SetFromName(p.value("set").toString());
            const ULONG type = TypeFromName(p.value("type").toString());
            if (!set || type == PT_UNSPECIFIED) {
                *error = "a named property needs a known \"set\" and \"type\"";
                return false;
            }
            tag = p.contains("name") ? Named(msg, set, MNID_STRING, 0, p.value("name").toString(), type)
                                     : Named(msg, set, MNID_ID, static_cast<LONG>(ParseNumber(p.value("id"))), {}, type);
        }
        if (!tag || !SetValue(msg, tag, p.value("value"), error))
            return false;
    }
    return true;
}
