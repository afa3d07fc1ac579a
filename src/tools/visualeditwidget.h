#pragma once

#include "ui_visualeditorwidget.h"

#include <QDialog>

class FindReplaceForm;
class QTextEdit;

// The window with the loaded tank's four .visual texts (chassis, hull, turret, gun;
// the pane numbers 0 to 3), each in an editor with its undo, redo, clipboard, save
// and find buttons. Saving writes the shown part's text into the mod folder at the
// path the file has in the game. Built hidden by the main window.
class VisualEditWidget : public QDialog
{
    Q_OBJECT

public:
    explicit VisualEditWidget(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

    // The editor of pane 0 (chassis) to 3 (gun); null outside that range.
    QTextEdit *editor(int pane) const;
    // Replaces a pane's text, discarding unsaved edits.
    void showText(int pane, const QString &text);
    // One XML highlighter per editor's document, parented to the document; a second
    // call adds none.
    void createHighlighters();
    FindReplaceForm *findReplaceForm() const { return mFindReplaceForm; }

    Ui_VisualEditorWidget ui;

public slots:
    // Writes the current tab's text, UTF-8 with CR LF line ends, to the mod folder at
    // its game path. Nothing without a loaded tank; every outcome is reported in a box
    // and failures in the log, and a failed write leaves an earlier copy whole.
    void saveVisual();
    void findChassis();
    void findHull();
    void findGun();
    void findTurret();

private:
    void showFind(QTextEdit *editor);

    FindReplaceForm *mFindReplaceForm = nullptr;

    Q_DISABLE_COPY(VisualEditWidget)
};
