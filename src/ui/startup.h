#pragma once

#include <functional>

class MainApplication;
class MainWindow;

// Seams a test may use to run the real start-up in-process.
struct StartupHooks
{
    // Runs after the services exist and before the fatal-error check.
    std::function<void(MainApplication &)> afterInit;
    // Runs once the main window is built and shown, before the fatal-error check;
    // not when errors queued before it kept it from being built.
    std::function<void(MainApplication &, MainWindow &)> afterWindow;
    // Replaces the event loop; answers its exit code.
    std::function<int(MainApplication &)> runEventLoop;
};

// The program's whole start-up, event loop and shut-down; answers the exit code.
int runHullscope(int &argc, char **argv, const StartupHooks &hooks = {});
