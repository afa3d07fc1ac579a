#pragma once

#include <sys/resource.h>

// Minor page faults of the process so far. Fresh pages cost a fault each, and on a
// virtual machine that shows in the time of anything that touches new memory.
inline long minorFaults()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}
