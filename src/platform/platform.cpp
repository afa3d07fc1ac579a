#include "platform/platform.h"

#include <QOpenGLContext>
#include <QThread>

#include <chrono>
#include <cstdint>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

void pinCurrentThreadToOneProcessor() { }

qint64 performanceCounterMicroseconds()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void sleepMilliseconds(int milliseconds)
{
    QThread::msleep(static_cast<unsigned long>(milliseconds > 0 ? milliseconds : 0));
}

void keepFreedMemoryForReuse()
{
#if defined(__GLIBC__)
    // Blocks up to 32 MiB (glibc's largest mmap threshold; a model's buffers stay below
    // it) come from the heap, and up to 512 MiB of free heap stays mapped.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
#endif
}

GlFunction resolveGlFunction(const char *name)
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    if (!context || !name) {
        return nullptr;
    }
    const QFunctionPointer function = context->getProcAddress(name);
    const auto address = reinterpret_cast<std::intptr_t>(function);
    if (address == 0 || address == 1 || address == 2 || address == 3 || address == -1) {
        return nullptr;
    }
    return reinterpret_cast<GlFunction>(function);
}

} // namespace platform
