#pragma once

#include <QString>

#include <functional>

using GLenum = unsigned int;

// The GL name of an error code; "UNKOWN GL ERROR." for codes GL does not define.
[[nodiscard]] QString glErrorName(GLenum code);

// Drains the pending errors of the current context into the log, one Error line
// each, "OpenGL error. Caller: <caller> gl err: <name>". Does nothing without a
// current context. GL errors are never fatal.
void checkGlError(const QString &caller);

// The loop behind checkGlError, with the error source given; stops after 32 errors,
// since a driver without a current context may answer an error forever.
// Answers the number of errors written.
int reportGlErrors(const QString &caller, const std::function<GLenum()> &getError);
