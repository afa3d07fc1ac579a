// Writes the window layout the program ships as data/default.layout: the real
// start-up, in a tree with no layout file, so that the window shows its start-up
// arrangement of the docks; that state is saved the way "Save Layout" saves one.
// scripts/make-layout builds and runs it.
#include "ui/mainwindow.h"
#include "ui/startup.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output layout file>\n", argv[0]);
        return 2;
    }
    // Start-up moves the working folder to the program's.
    const QString output = QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1]));
    bool written = false;

    StartupHooks hooks;
    hooks.afterWindow = [&](MainApplication &, MainWindow &window) {
        // No window manager maximises the window under Xvfb.
        window.setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
        QCoreApplication::processEvents();
        QSettings layout(output, QSettings::IniFormat);
        layout.setValue(QStringLiteral("windowState"), window.saveState(0));
        layout.sync();
        written = layout.status() == QSettings::NoError;
    };
    hooks.runEventLoop = [](MainApplication &) { return 0; };

    int qtArgc = 1;
    const int result = runHullscope(qtArgc, argv, hooks);
    if (result != 0 || !written) {
        std::fprintf(stderr, "layoutwriter: no layout written\n");
        return 1;
    }
    return 0;
}
