#include "platform/platform.h"

#include <QOpenGLContext>
#include <QThread>

#include <chrono>
#include <cstdint>

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
