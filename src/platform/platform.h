#pragma once

#include <QtGlobal>

// Thin stand-ins for the operating-system calls the viewer was designed around.
namespace platform {

// Would pin the calling thread to one processor of the process's affinity mask.
// Deliberately does nothing on Linux: pinning the GUI thread before the GL context
// exists stops Mesa's software renderer from starting its worker threads.
void pinCurrentThreadToOneProcessor();

// Monotonic high-resolution clock, in microseconds since an arbitrary origin.
qint64 performanceCounterMicroseconds();

// Blocks the calling thread for the given time.
void sleepMilliseconds(int milliseconds);

// Keeps memory that the process frees in its heap for the next allocation, instead of
// handing it back to the system. A tank's models take a hundred megabytes or more; given
// back after every tank, the next tank pays a page fault for each of its pages again.
void keepFreedMemoryForReuse();

using GlFunction = void (*)();

// Resolves a GL entry point by name in the current context. Answers null when the
// name is unknown or no context is current; the addresses 1, 2, 3 and -1 that some
// loaders hand out for missing functions are treated as null as well.
GlFunction resolveGlFunction(const char *name);

} // namespace platform
