// Form bodies and queries as they reach the service, and every value read as a date-time and
// written back into the export text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "service/ExportWriter.h"
#include "service/FormFields.h"
#include "service/RepeatRule.h"
#include "service/ServiceTime.h"

using namespace tamo::service;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const CFormFields form = CFormFields::Parse(input);
    (void)CFormFields::FromTarget(input);
    for (const auto& [name, value] : form.All()) {
        (void)IsCleanUtf8(value);
        if (const auto time = ParseWallTime(value)) {
            // What was accepted must write and read back to the same time.
            const std::string stamp = FormatStamp(*time);
            const auto again = ParseStamp(stamp);
            if (!again || FormatStamp(*again) != stamp)
                __builtin_trap();
            (void)NextOccurrence(name, time->date, QDate(), time->date.addDays(3));
        }
        std::string out;
        CExportWriter::AppendEscaped(out, value);
        if (out.find('\n') != std::string::npos || out.find('\r') != std::string::npos)
            __builtin_trap();  // a value must never break an export line
    }
    return 0;
}
