#include "tools/visualeditwidget.h"

#include "tools/findreplaceform.h"
#include "tools/xmlhighlighter.h"

#include "tank/tankloader.h"

#include "render/mesh.h"
#include "render/visual.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/messagestrings.h"
#include "core/savefile.h"
#include "core/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>

VisualEditWidget::VisualEditWidget(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
    ui.setupUi(this);
    mFindReplaceForm = new FindReplaceForm(this);

    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(10);
    for (int pane = 0; pane < 4; ++pane) {
        editor(pane)->setFont(font);
    }

    for (QToolButton *save : {ui.chassisSaveButton, ui.chassisSaveButton_3, ui.chassisSaveButton_4,
                              ui.chassisSaveButton_5}) {
        connect(save, &QToolButton::clicked, this, &VisualEditWidget::saveVisual);
    }
    connect(ui.chassisFindButton, &QToolButton::clicked, this, &VisualEditWidget::findChassis);
    connect(ui.hullFindButton, &QToolButton::clicked, this, &VisualEditWidget::findHull);
    connect(ui.turretFindButton, &QToolButton::clicked, this, &VisualEditWidget::findTurret);
    connect(ui.gunFindButton, &QToolButton::clicked, this, &VisualEditWidget::findGun);
    setWindowFlags(Qt::Window);
}

QTextEdit *VisualEditWidget::editor(int pane) const
{
    switch (pane) {
    case 0: return ui.chassisTextEdit;
    case 1: return ui.hullTextEdit;
    case 2: return ui.turretTextEdit;
    case 3: return ui.gunTextEdit;
    default: return nullptr;
    }
}

void VisualEditWidget::showText(int pane, const QString &text)
{
    if (QTextEdit *edit = editor(pane)) {
        edit->setPlainText(text);
    }
}

void VisualEditWidget::createHighlighters()
{
    for (int pane = 0; pane < 4; ++pane) {
        QTextDocument *document = editor(pane)->document();
        if (!document->findChild<XmlHighlighter *>()) {
            new XmlHighlighter(document);
        }
    }
}

void VisualEditWidget::showFind(QTextEdit *editor)
{
    mFindReplaceForm->setTextEdit(editor);
    mFindReplaceForm->show();
}

void VisualEditWidget::findChassis()
{
    showFind(ui.chassisTextEdit);
}

void VisualEditWidget::findHull()
{
    showFind(ui.hullTextEdit);
}

void VisualEditWidget::findGun()
{
    showFind(ui.gunTextEdit);
}

void VisualEditWidget::findTurret()
{
    showFind(ui.turretTextEdit);
}

void VisualEditWidget::saveVisual()
{
    const TankLoader *loader = TankLoader::instance();
    if (!loader || !loader->loaded) {
        return;
    }
    const Settings *settings = Settings::instance();
    if (!settings || settings->modPath.isEmpty()) {
        const MessageStrings *strings = MessageStrings::instance();
        showWarning(this, APP_NAME,
                    strings ? strings->selectModFolder
                            : tr("You must select a mod folder in the application preferences."),
                    QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }

    const int part = ui.visualTab->currentIndex();
    const Mesh *mesh = loader->partMesh(quint32(part), loader->tankModel);
    const QString gamePath = mesh && mesh->visual ? mesh->visual->fileName : QString();
    const QString text = editor(part)->toPlainText();

    // Game paths come from the tank's files: one with ".." must not write elsewhere.
    const QString cleanTarget = targetInsideFolder(settings->modPath, gamePath);
    const QString target = QDir::toNativeSeparators(
        cleanTarget.isEmpty() ? settings->modPath + QLatin1Char('/') + gamePath : cleanTarget);
    const auto openFailed = [this, &target]() {
        showWarning(this, APP_NAME, tr("Failed to open file for writing: ") + target,
                    QMessageBox::Ok, QMessageBox::NoButton);
        logLine(QStringLiteral("Failed to open file for writing: ") + target, Warning);
    };
    if (cleanTarget.isEmpty()) {
        openFailed();
        return;
    }

    FileManager *files = FileManager::instance();
    const QString folder =
        files ? files->absoluteDirOf(cleanTarget) : QFileInfo(cleanTarget).absolutePath();
    if (!QDir(folder).exists() && !makeFolderInside(settings->modPath, folder)) {
        const MessageStrings *strings = MessageStrings::instance();
        const QString failed =
            strings ? strings->createDirectoryFailed : tr("Failed to create directory");
        showWarning(this, APP_NAME, failed + QStringLiteral(": ") + folder, QMessageBox::Ok,
                    QMessageBox::NoButton);
        return;
    }

    logLine(QStringLiteral("Saving: ") + gamePath, Info);
    // The game's tools expect CR LF; text mode on Linux would write LF.
    QByteArray bytes = text.toUtf8();
    bytes.replace('\n', QByteArrayLiteral("\r\n"));
    if (!saveFileBytes(cleanTarget, bytes)) {
        openFailed();
        return;
    }
    showInformation(this, APP_NAME, tr("Visual file saved ok."), QMessageBox::Ok);
}
