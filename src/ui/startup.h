#pragma once

#include <functional>

class MainApplication;

// Seams a test may use to run the real start-up in-process.
struct StartupHooks
{
    // Runs after the services exist and before the fatal-error check.
    std::function<void(MainApplication &)> afterInit;
    // Replaces the event loop; answers its exit code.
    std::function<int(MainApplication &)> runEventLoop;
};

// The program's whole start-up, event loop and shut-down; answers the exit code.
int runHullscope(int &argc, char **argv, const StartupHooks &hooks = {});
