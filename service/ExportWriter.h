#pragma once

#include <string>
#include <string_view>

#include "service/ServiceRecords.h"

namespace tamo::service {

// Writes the export text of to-dos and events: CRLF lines inside a calendar wrapper, one block
// per item. Multi-line values (title, description, uid) are always followed by a property line,
// because readers let those values run on until the next known property name.
class CExportWriter {
public:
    // organizer: the account's login; stamp: the service clock now ("YYYYMMDDTHHMMSS").
    CExportWriter(std::string& out, std::string organizer, std::string stamp);

    void Begin();
    void End();
    // parentUid: the uid of the to-do a sub-to-do belongs to, or empty.
    void AppendTodo(const SItem& todo, std::string_view parentUid = {});
    void AppendEvent(const SItem& event);

    // Escapes line breaks (CRLF, LF or CR alone become "\n"), ";", "\" and ",".
    static void AppendEscaped(std::string& out, std::string_view value);

private:
    void Line(std::string_view name, std::string_view value);
    void EscapedLine(std::string_view name, std::string_view value);
    void Alarm(const SItem& item);

    std::string& m_out;
    std::string m_organizer;
    std::string m_stamp;
};

}  // namespace tamo::service
