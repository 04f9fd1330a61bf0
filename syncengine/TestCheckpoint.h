#pragma once

// Named points right after each write a sync makes. Tests that prove a sync survives being
// killed set TAMO_TEST_KILL_AFTER to "name" or "name:N" (the Nth time the point is reached),
// and the process kills itself there with SIGKILL, as a crash or a power cut would. Without the
// variable a point costs one flag test.
namespace testcheckpoint {

void Reached(const char* name);

}  // namespace testcheckpoint
