#pragma once

class QOpenGLFunctions_3_2_Core;

namespace internal {

// The 3.2 core entry points of the current context; null without one.
QOpenGLFunctions_3_2_Core *glCore();

} // namespace internal
