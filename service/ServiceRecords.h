#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tamo::service {

struct SAccount {
    std::int64_t id = 0;
    std::string login;     // lower case
    std::string password;  // plain text: this is a stand-in, never a store of real secrets
    std::string pcKey;     // empty until the first PC certification
    std::int64_t defaultCalendar = 0;
};

struct SCalendar {
    std::int64_t id = 0;
    std::int64_t accountId = 0;
    std::string name;
    std::string color;  // "#RRGGBB" or "#RGB"
    int serviceType = 0;  // 1 = a calendar of another service, not offered by the clients
};

struct SPreferences {
    int syncRange = 30;
    bool eventCheck = true;
    bool todoCheck = false;
    bool todoComplete = false;
    bool todoSub = false;
    bool conflict = true;
    std::int64_t categoryId = -1;
    bool eventAdvCheck = false;
    bool event2Check = false;
};

enum class EItemKind { Event = 0, Todo = 1 };

// One event or to-do. Events and to-dos share one record-number space, so that an id names one
// item whatever its kind (the alarm list is keyed by id alone).
struct SItem {
    std::int64_t id = 0;  // the record number (X-ID)
    std::int64_t accountId = 0;
    EItemKind kind = EItemKind::Event;
    std::string uid;
    std::string title;
    std::string description;
    // Events. Times are "YYYYMMDDTHHMMSS"; an all-day event holds midnight of its first and of
    // its last day (the last day counts).
    std::int64_t calendarId = 0;
    bool allDay = false;
    std::string startAt;
    std::string endAt;
    std::string repeatType;   // empty: no repetition; otherwise a repeat type of the service
    std::string repeatUntil;  // "YYYYMMDD"; empty: no end
    // To-dos.
    std::string due;          // "YYYYMMDD" or empty
    int priority = 3;         // 1 to 5
    std::string completedAt;  // "YYYYMMDDTHHMMSS" or empty
    std::int64_t parentId = 0;  // 0, or the to-do this one is a sub-to-do of
    // Both.
    std::optional<int> alarmSeconds;  // lead time of the alarm
    int alarmProgram = 1;
    std::string created;
    std::string lastModified;
    int sequence = 0;
};

struct SSession {
    std::string token;  // the HM_CU cookie
    std::int64_t accountId = 0;
    std::string ts;
    std::string hts;
    std::int64_t lastSeen = 0;  // service clock, seconds since 1970
};

struct SStatistic {
    std::int64_t id = 0;
    std::string path;
    std::string query;
    std::string body;
    std::string receivedAt;
};

}  // namespace tamo::service
