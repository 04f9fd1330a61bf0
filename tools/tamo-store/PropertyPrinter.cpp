#include "PropertyPrinter.h"

#include "syncengine/MAPISync.h"
#include "syncengine/MapiPtr.h"

namespace {

QString SetName(const GUID& g)
{
    if (g == PSETID_Appointment) return "PSETID_Appointment";
    if (g == PSETID_Task) return "PSETID_Task";
    if (g == PSETID_Common) return "PSETID_Common";
    if (g == PSETID_Meeting) return "PSETID_Meeting";
    if (g == PS_PUBLIC_STRINGS) return "PS_PUBLIC_STRINGS";
    return QString::asprintf("{%08X-%04X-%04X-...}", g.Data1, g.Data2, g.Data3);
}

}  // namespace

QString TagName(ULONG tag)
{
    static const QHash<ULONG, QString> kNames = {
        {PROP_ID(PR_IMPORTANCE), "PR_IMPORTANCE"},
        {PROP_ID(PR_MESSAGE_CLASS_W), "PR_MESSAGE_CLASS"},
        {PROP_ID(PR_SUBJECT_W), "PR_SUBJECT"},
        {PROP_ID(PR_MESSAGE_FLAGS), "PR_MESSAGE_FLAGS"},
        {PROP_ID(PR_PARENT_ENTRYID), "PR_PARENT_ENTRYID"},
        {PROP_ID(PR_INSTANCE_KEY), "PR_INSTANCE_KEY"},
        {PROP_ID(PR_RECORD_KEY), "PR_RECORD_KEY"},
        {PROP_ID(PR_STORE_ENTRYID), "PR_STORE_ENTRYID"},
        {PROP_ID(PR_OBJECT_TYPE), "PR_OBJECT_TYPE"},
        {PROP_ID(PR_ENTRYID), "PR_ENTRYID"},
        {PROP_ID(PR_BODY_W), "PR_BODY"},
        {PROP_ID(PR_DISPLAY_NAME_W), "PR_DISPLAY_NAME"},
        {PROP_ID(PR_CREATION_TIME), "PR_CREATION_TIME"},
        {PROP_ID(PR_LAST_MODIFICATION_TIME), "PR_LAST_MODIFICATION_TIME"},
    };
    return kNames.value(PROP_ID(tag), QStringLiteral("0x%1").arg(tag, 8, 16, QLatin1Char('0')).toUpper().replace("0X", "0x"));
}

void PrintProperties(IMessage* msg, QTextStream& out)
{
    ULONG count = 0;
    LPSPropValue raw = nullptr;
    if (FAILED(msg->GetProps(nullptr, MAPI_UNICODE, &count, &raw))) {
        out << "(properties can't be read)\n";
        return;
    }
    MapiBuffer<SPropValue> values(raw);
    for (ULONG i = 0; i < count; ++i) {
        const SPropValue& v = values.get()[i];
        QString name = TagName(v.ulPropTag);
        if (PROP_ID(v.ulPropTag) >= MAPI_NAMED_PROP_FIRST) {
            SizedSPropTagArray(1, one) = {1, {v.ulPropTag}};
            LPSPropTagArray tags = reinterpret_cast<LPSPropTagArray>(&one);
            ULONG n = 0;
            LPMAPINAMEID* names = nullptr;
            if (SUCCEEDED(msg->GetNamesFromIDs(&tags, nullptr, 0, &n, &names)) && n == 1 && names[0]) {
                const MAPINAMEID* id = names[0];
                name = SetName(*id->lpguid) + "/" +
                       (id->ulKind == MNID_ID ? QStringLiteral("0x%1").arg(id->Kind.lID, 4, 16, QLatin1Char('0'))
                                              : QString::fromUtf16(id->Kind.lpwstrName));
            }
            MAPIFreeBuffer(names);
        }
        QString text, second;
        // Task dates show in the engine's date form; everything else as the engine reads it.
        CMAPISync::InterpretProp(&v, text, &second, v.ulPropTag);
        out << QStringLiteral("0x%1").arg(v.ulPropTag, 8, 16, QLatin1Char('0')).toUpper().replace("0X", "0x") << "  "
            << name.leftJustified(28) << "  " << text;
        if (PROP_TYPE(v.ulPropTag) == PT_BINARY && !second.isEmpty())
            out << "  [" << second << "]";
        out << "\n";
    }
}
