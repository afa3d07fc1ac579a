#pragma once

#include <QString>

// Fatal-error reporting has two routes. Before the event loop runs, start-up
// failures are queued and shown together in one box by the start-up code; any
// other failure that cannot go on calls fatalError(), which shows its box at once.

extern bool eventLoopRunning;
extern bool fatalErrorPending;
extern QString pendingFatalError;

// The queued route: appends the text (no separator) while the event loop does
// not run; drops it once the loop runs (the caller has logged it already).
void queueFatalError(const QString &text);

// Returns the queued texts and clears them.
QString takePendingFatalError();

// Writes the message to the log as an Error line, shows a critical box with it and
// "\nApplication will now close.", then asks the program to end. Returns to the
// caller, which carries on. Once a box was shown, later calls only log and quit.
void fatalError(const QString &message);

// True once fatalError() ran before the event loop started: Qt's quit() does
// nothing then, so start-up checks this flag instead of entering the loop.
bool fatalErrorQuitRequested();

// Back to the state at process start; for tests that run start-up repeatedly.
void resetFatalErrorState();
