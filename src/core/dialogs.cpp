#include "core/dialogs.h"

#include "core/settings.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QIcon>
#include <QObject>

namespace {

MessageBoxHandler &messageBoxHandler()
{
    static MessageBoxHandler handler;
    return handler;
}

FileChooserHandler &fileChooserHandler()
{
    static FileChooserHandler handler;
    return handler;
}

ColorChooserHandler &colorChooserHandler()
{
    static ColorChooserHandler handler;
    return handler;
}

// Set from the settings once they exist; the platform dialog until then.
bool nativeFileDialogSetting();

void translateButtons(QMessageBox &box)
{
    const struct
    {
        QMessageBox::StandardButton button;
        const char *text;
    } names[] = {
        {QMessageBox::Ok, QT_TRANSLATE_NOOP("QObject", "Ok")},
        {QMessageBox::No, QT_TRANSLATE_NOOP("QObject", "No")},
        {QMessageBox::Cancel, QT_TRANSLATE_NOOP("QObject", "Cancel")},
        {QMessageBox::Abort, QT_TRANSLATE_NOOP("QObject", "Abort")},
        {QMessageBox::Yes, QT_TRANSLATE_NOOP("QObject", "Yes")},
    };
    for (const auto &name : names) {
        if (QAbstractButton *button = box.button(name.button)) {
            button->setText(QObject::tr(name.text));
        }
    }
}

QString runFileChooser(const FileChooserRequest &request)
{
    if (fileChooserHandler()) {
        return fileChooserHandler()(request);
    }

    QString result;
    if (request.native) {
        switch (request.kind) {
        case FileChooserKind::Directory:
            result = QFileDialog::getExistingDirectory(request.parent, request.caption, request.dir,
                                                       QFileDialog::ShowDirsOnly);
            break;
        case FileChooserKind::OpenFile:
            result = QFileDialog::getOpenFileName(request.parent, request.caption, request.dir,
                                                  request.filter);
            break;
        case FileChooserKind::SaveFile:
            result = QFileDialog::getSaveFileName(request.parent, request.caption, request.dir,
                                                  request.filter);
            break;
        }
    } else {
        QFileDialog dialog(request.parent, request.caption, request.dir);
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        if (request.kind == FileChooserKind::Directory) {
            dialog.setFileMode(QFileDialog::Directory);
            dialog.setOption(QFileDialog::ShowDirsOnly, true);
        } else {
            dialog.setNameFilter(request.filter);
            dialog.setAcceptMode(request.kind == FileChooserKind::SaveFile
                                     ? QFileDialog::AcceptSave
                                     : QFileDialog::AcceptOpen);
            if (request.kind == FileChooserKind::OpenFile) {
                dialog.setFileMode(QFileDialog::ExistingFile);
            }
        }
        dialog.setHistory(request.history);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            result = dialog.selectedFiles().constFirst();
        }
    }
    return QDir::toNativeSeparators(result);
}

QString chooseEx(FileChooserKind kind, bool native, QWidget *parent, const QString &caption,
                 const QString &dir, const QString &filter, const QStringList &history)
{
    FileChooserRequest request;
    request.kind = kind;
    request.native = native;
    request.parent = parent;
    request.caption = caption;
    request.dir = dir;
    request.filter = filter;
    request.history = history;
    return runFileChooser(request);
}

} // namespace

void setMessageBoxHandler(MessageBoxHandler handler)
{
    messageBoxHandler() = std::move(handler);
}

void setFileChooserHandler(FileChooserHandler handler)
{
    fileChooserHandler() = std::move(handler);
}

void setColorChooserHandler(ColorChooserHandler handler)
{
    colorChooserHandler() = std::move(handler);
}

QColor chooseColor(QWidget *parent, const QColor &initial, const QString &title,
                   QColorDialog::ColorDialogOptions options)
{
    ColorChooserRequest request;
    request.parent = parent;
    request.initial = initial;
    request.title = title;
    request.options = options;
    if (colorChooserHandler()) {
        return colorChooserHandler()(request);
    }
    return QColorDialog::getColor(initial, parent, title, options);
}

int runMessageBox(const MessageBoxRequest &request)
{
    if (messageBoxHandler()) {
        return messageBoxHandler()(request);
    }
    QMessageBox box(request.icon, request.title, request.text, request.buttons, request.parent,
                    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    if (request.defaultButton != QMessageBox::NoButton) {
        box.setDefaultButton(request.defaultButton);
    }
    if (!request.windowIcon.isEmpty()) {
        box.setWindowIcon(QIcon(request.windowIcon));
    }
    translateButtons(box);
    box.exec();
    // exec() answers an opaque value for custom-text buttons; ask the box instead.
    return box.standardButton(box.clickedButton());
}

int showCritical(const QString &title, const QString &text, QMessageBox::StandardButtons buttons)
{
    MessageBoxRequest request;
    request.icon = QMessageBox::Critical;
    request.title = title;
    request.text = text;
    request.buttons = buttons;
    return runMessageBox(request);
}

int showInformation(QWidget *parent, const QString &title, const QString &text,
                    QMessageBox::StandardButtons buttons)
{
    MessageBoxRequest request;
    request.parent = parent;
    request.icon = QMessageBox::Information;
    request.title = title;
    request.text = text;
    request.buttons = buttons;
    return runMessageBox(request);
}

int showWarning(QWidget *parent, const QString &title, const QString &text,
                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    MessageBoxRequest request;
    request.parent = parent;
    request.icon = QMessageBox::Warning;
    request.title = title;
    request.text = text;
    request.buttons = buttons;
    request.defaultButton = defaultButton;
    return runMessageBox(request);
}

QString chooseDirectoryEx(bool native, QWidget *parent, const QString &caption, const QString &dir,
                          const QStringList &history)
{
    return chooseEx(FileChooserKind::Directory, native, parent, caption, dir, QString(), history);
}

QString chooseOpenFileEx(bool native, QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter, const QStringList &history)
{
    return chooseEx(FileChooserKind::OpenFile, native, parent, caption, dir, filter, history);
}

QString chooseSaveFileEx(bool native, QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter, const QStringList &history)
{
    return chooseEx(FileChooserKind::SaveFile, native, parent, caption, dir, filter, history);
}

QString chooseDirectory(QWidget *parent, const QString &caption, const QString &dir,
                        const QStringList &history)
{
    return chooseDirectoryEx(nativeFileDialogSetting(), parent, caption, dir, history);
}

QString chooseOpenFile(QWidget *parent, const QString &caption, const QString &dir,
                       const QString &filter, const QStringList &history)
{
    return chooseOpenFileEx(nativeFileDialogSetting(), parent, caption, dir, filter, history);
}

QString chooseSaveFile(QWidget *parent, const QString &caption, const QString &dir,
                       const QString &filter, const QStringList &history)
{
    return chooseSaveFileEx(nativeFileDialogSetting(), parent, caption, dir, filter, history);
}

namespace {
bool nativeFileDialogSetting()
{
    return Settings::instance() ? Settings::instance()->nativeFileDialog : true;
}
} // namespace
