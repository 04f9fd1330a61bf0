#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace tamo::service {

// What goes wrong on purpose for one path (test hooks): answers that arrive late, carry another
// status, stop in the middle of the body, hold malformed XML, are the service's error page, or
// never come although the request took effect.
struct SFault {
    int status = 0;         // 0: keep the handler's status
    int delayMs = 0;
    long cutAfter = -1;     // send this many body bytes, then drop the connection; -1: whole body
    bool malformed = false; // replace the body with broken XML
    bool errorPage = false; // answer the error page instead of running the handler
    bool drop = false;      // run the handler, then close the connection without a byte of answer
    int remaining = -1;     // requests still affected; -1: until cleared
};

class CFaultTable {
public:
    void Set(const std::string& path, const SFault& fault);
    void Clear(const std::string& path);
    void ClearAll();
    // The fault for a request to the path, counting it as used.
    std::optional<SFault> Take(const std::string& path);

private:
    std::mutex m_mutex;
    std::map<std::string, SFault> m_faults;
};

}  // namespace tamo::service
