#pragma once

#include "ui_preferences.h"

#include <QDialog>
#include <QStringList>

class QListWidgetItem;

// The modal dialog in which the user edits the persistent settings. The constructor
// shows the values of Settings; the dialog changes nothing itself: the main window
// reads the widgets after an accepted run and applies them. The mod folders chosen
// here are remembered in historyModPath.list in the data folder, written whenever the
// dialog goes away, accepted or not.
class Preferences : public QDialog
{
    Q_OBJECT

public:
    explicit Preferences(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~Preferences() override;

    // The history file's full path, native separators.
    [[nodiscard]] static QString modPathHistoryFile();
    const QStringList &modPathHistory() const { return mModPathHistory; }

    Ui_PreferencesDialog ui;

public slots:
    void openBrastelPath();
    void openModPath();
    void openEditorPath();
    void openScreenshotPath();
    // Shows the page of current's row, or of previous's when current is null.
    void changePage(QListWidgetItem *current, QListWidgetItem *previous);

private:
    void loadSettings();
    void loadModPathHistory();
    void saveModPathHistory();

    QStringList mModPathHistory;

    Q_DISABLE_COPY(Preferences)
};
