#include "syncengine/TestCheckpoint.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

namespace testcheckpoint {

namespace {

struct Target {
    std::string name;
    long after = 1;
    bool armed = false;
};

const Target& TargetFromEnvironment()
{
    static const Target target = [] {
        Target t;
        const char* value = std::getenv("TAMO_TEST_KILL_AFTER");
        if (!value || !*value)
            return t;
        t.name = value;
        if (const size_t colon = t.name.find(':'); colon != std::string::npos) {
            t.after = std::max(1L, std::atol(t.name.c_str() + colon + 1));
            t.name.resize(colon);
        }
        t.armed = true;
        return t;
    }();
    return target;
}

std::atomic<long> g_reached{0};

}  // namespace

void Reached(const char* name)
{
    const Target& target = TargetFromEnvironment();
    if (!target.armed || target.name != name)
        return;
    if (++g_reached >= target.after)
        std::raise(SIGKILL);
}

}  // namespace testcheckpoint
