#pragma once

#include <QColor>
#include <QColorDialog>
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Every modal box and file chooser of the program goes through these helpers, so
// one seam serves the tests: a test installs a handler that records the request
// and answers, and no headless run ever blocks on a dialog.

struct MessageBoxRequest
{
    QWidget *parent = nullptr;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QString windowIcon; // resource path, empty for none
};

enum class FileChooserKind { Directory, OpenFile, SaveFile };

struct FileChooserRequest
{
    FileChooserKind kind = FileChooserKind::OpenFile;
    bool native = true;
    QWidget *parent = nullptr;
    QString caption;
    QString dir;
    QString filter;
    QStringList history;
};

struct ColorChooserRequest
{
    QWidget *parent = nullptr;
    QColor initial;
    QString title;
    QColorDialog::ColorDialogOptions options;
};

// Answers with the standard button that "closed" the box.
using MessageBoxHandler = std::function<int(const MessageBoxRequest &)>;
// Answers with the chosen path, empty for a cancelled chooser.
using FileChooserHandler = std::function<QString(const FileChooserRequest &)>;
// Answers with the chosen colour, an invalid one for a cancelled chooser.
using ColorChooserHandler = std::function<QColor(const ColorChooserRequest &)>;

// An empty handler restores the real dialogs.
void setMessageBoxHandler(MessageBoxHandler handler);
void setFileChooserHandler(FileChooserHandler handler);
void setColorChooserHandler(ColorChooserHandler handler);

// Shows the box (or hands it to the installed handler) and returns the button.
int runMessageBox(const MessageBoxRequest &request);

int showCritical(const QString &title, const QString &text, QMessageBox::StandardButtons buttons);
int showInformation(QWidget *parent, const QString &title, const QString &text,
                    QMessageBox::StandardButtons buttons);
int showWarning(QWidget *parent, const QString &title, const QString &text,
                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton);

// The choosers return the chosen path in native separators, empty when cancelled.
// The plain variants take the platform-or-toolkit choice from the settings.
QString chooseDirectory(QWidget *parent, const QString &caption, const QString &dir,
                        const QStringList &history);
QString chooseOpenFile(QWidget *parent, const QString &caption, const QString &dir,
                       const QString &filter, const QStringList &history);
QString chooseSaveFile(QWidget *parent, const QString &caption, const QString &dir,
                       const QString &filter, const QStringList &history);

QString chooseDirectoryEx(bool native, QWidget *parent, const QString &caption, const QString &dir,
                          const QStringList &history);
QString chooseOpenFileEx(bool native, QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter, const QStringList &history);
QString chooseSaveFileEx(bool native, QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter, const QStringList &history);

// The colour chooser, modal on parent, starting at initial; an invalid colour when
// cancelled. The options pass through (ShowAlphaChannel for colours with alpha).
QColor chooseColor(QWidget *parent, const QColor &initial, const QString &title,
                   QColorDialog::ColorDialogOptions options = {});
