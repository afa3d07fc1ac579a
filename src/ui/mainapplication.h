#pragma once

#include <QApplication>

// The application object: creates the process-wide services in their fixed
// order and destroys them in reverse.
class MainApplication : public QApplication
{
    Q_OBJECT

public:
    MainApplication(int &argc, char **argv);
    ~MainApplication() override;

    void init();

    bool initialised = false;

private:
    Q_DISABLE_COPY(MainApplication)
};
