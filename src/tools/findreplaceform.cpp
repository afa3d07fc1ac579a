#include "tools/findreplaceform.h"

#include "ui_findreplaceform.h"

#include <QDebug>
#include <QEvent>
#include <QRegularExpression>
#include <QSettings>
#include <QTextDocument>
#include <QTextEdit>

FindReplaceForm::FindReplaceForm(QWidget *parent)
    // Title and system menu; X11 shows no close button unless asked for it as well.
    : QDialog(parent, Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , ui(new Ui_FindReplaceForm)
{
    ui->setupUi(this);
    showError(QString());
    connect(ui->textToFind, &QLineEdit::textChanged, this, &FindReplaceForm::textToFindChanged);
    connect(ui->textToFind, &QLineEdit::textChanged, this, &FindReplaceForm::validateRegExp);
    connect(ui->regexCheckBox, &QCheckBox::toggled, this, &FindReplaceForm::regexpSelected);
    // clicked(bool) would reach find(bool) with false: up.
    connect(ui->findButton, &QPushButton::clicked, this, qOverload<>(&FindReplaceForm::find));
    connect(ui->closeButton, &QPushButton::clicked, this, &FindReplaceForm::close);
    connect(ui->replaceButton, &QPushButton::clicked, this, &FindReplaceForm::replace);
    connect(ui->replaceAllButton, &QPushButton::clicked, this, &FindReplaceForm::replaceAll);
}

FindReplaceForm::~FindReplaceForm()
{
    delete ui;
}

void FindReplaceForm::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
    }
}

void FindReplaceForm::setTextEdit(QTextEdit *textEdit)
{
    mTextEdit = textEdit;
    if (!textEdit) {
        return;
    }
    connect(textEdit, &QTextEdit::copyAvailable, ui->replaceButton, &QPushButton::setEnabled);
    connect(textEdit, &QTextEdit::copyAvailable, ui->replaceAllButton, &QPushButton::setEnabled);
    const bool selection = textEdit->textCursor().hasSelection();
    ui->replaceButton->setEnabled(selection);
    ui->replaceAllButton->setEnabled(selection);
}

bool FindReplaceForm::searchingDown() const
{
    return ui->downRadioButton->isChecked();
}

void FindReplaceForm::find()
{
    find(searchingDown());
}

void FindReplaceForm::findNext()
{
    find(true);
}

void FindReplaceForm::findPrev()
{
    find(false);
}

void FindReplaceForm::find(bool down)
{
    if (!mTextEdit) {
        return;
    }
    const QString toSearch = ui->textToFind->text();
    const bool caseSensitive = ui->caseCheckBox->isChecked();
    QTextDocument::FindFlags flags;
    if (!down) {
        flags |= QTextDocument::FindBackward;
    }
    if (caseSensitive) {
        flags |= QTextDocument::FindCaseSensitively;
    }
    if (ui->wholeCheckBox->isChecked()) {
        flags |= QTextDocument::FindWholeWords;
    }

    QTextDocument *document = mTextEdit->document();
    bool found = false;
    if (ui->regexCheckBox->isChecked()) {
        // The document's regular-expression search ignores FindCaseSensitively.
        const QRegularExpression expression(
            toSearch, caseSensitive ? QRegularExpression::NoPatternOption
                                    : QRegularExpression::CaseInsensitiveOption);
        qDebug() << "searching for regexp: " + expression.pattern();
        // A cursor of another editor's document would start at a stranger's offset.
        QTextCursor from = mTextCursor;
        if (from.isNull() || from.document() != document) {
            from = QTextCursor(document);
            if (!down) {
                from.movePosition(QTextCursor::End);
            }
        }
        mTextCursor = document->find(expression, from, flags);
        found = !mTextCursor.isNull();
        if (found) {
            mTextEdit->setTextCursor(mTextCursor);
        }
    } else {
        qDebug() << "searching for: " + toSearch;
        found = mTextEdit->find(toSearch, flags);
    }

    if (found) {
        showError(QString());
        return;
    }
    showError(tr("no match found"));
    // The next search starts over from the end it runs towards the other of; up
    // from the top would never find anything again.
    QTextCursor restart(document);
    if (!down) {
        restart.movePosition(QTextCursor::End);
    }
    mTextCursor = restart;
    mTextEdit->setTextCursor(restart);
}

void FindReplaceForm::replaceSelection(bool down)
{
    QTextCursor cursor = mTextEdit->textCursor();
    const int start = cursor.selectionStart();
    cursor.insertText(ui->textToReplace->text());
    if (!down) {
        cursor.setPosition(start);
        mTextEdit->setTextCursor(cursor);
        if (!mTextCursor.isNull() && mTextCursor.document() == mTextEdit->document()) {
            mTextCursor = cursor;
        }
    }
}

void FindReplaceForm::replace()
{
    if (!mTextEdit) {
        return;
    }
    const bool down = searchingDown();
    if (mTextEdit->textCursor().hasSelection()) {
        replaceSelection(down);
    }
    find(down);
}

void FindReplaceForm::replaceAll()
{
    if (!mTextEdit) {
        return;
    }
    const bool down = searchingDown();
    int count = 0;
    while (mTextEdit->textCursor().hasSelection()) {
        replaceSelection(down);
        find(down);
        ++count;
    }
    showMessage(tr("Replaced %n occurrence(s)", nullptr, count));
}

void FindReplaceForm::textToFindChanged()
{
    ui->findButton->setEnabled(!ui->textToFind->text().isEmpty());
}

void FindReplaceForm::validateRegExp(const QString &text)
{
    if (!ui->regexCheckBox->isChecked() || text.isEmpty()) {
        showError(QString());
        return;
    }
    const QRegularExpression expression(text, ui->caseCheckBox->isChecked()
                                                  ? QRegularExpression::NoPatternOption
                                                  : QRegularExpression::CaseInsensitiveOption);
    showError(expression.isValid() ? QString() : expression.errorString());
}

void FindReplaceForm::regexpSelected(bool on)
{
    validateRegExp(on ? ui->textToFind->text() : QString());
}

void FindReplaceForm::showError(const QString &message)
{
    if (message.isEmpty()) {
        ui->errorLabel->clear();
        return;
    }
    ui->errorLabel->setText(QStringLiteral("<span style=\" font-weight:600; color:#ff0000;\">")
                            + message + QStringLiteral("</span>"));
}

void FindReplaceForm::showMessage(const QString &message)
{
    if (message.isEmpty()) {
        ui->errorLabel->clear();
        return;
    }
    ui->errorLabel->setText(QStringLiteral("<span style=\" font-weight:600; color:green;\">")
                            + message + QStringLiteral("</span>"));
}

void FindReplaceForm::writeSettings(QSettings &settings, const QString &prefix)
{
    settings.beginGroup(prefix);
    settings.setValue(QStringLiteral("textToFind"), ui->textToFind->text());
    settings.setValue(QStringLiteral("textToReplace"), ui->textToReplace->text());
    settings.setValue(QStringLiteral("downRadio"), ui->downRadioButton->isChecked());
    settings.setValue(QStringLiteral("upRadio"), ui->upRadioButton->isChecked());
    settings.setValue(QStringLiteral("caseCheck"), ui->caseCheckBox->isChecked());
    settings.setValue(QStringLiteral("wholeCheck"), ui->wholeCheckBox->isChecked());
    settings.setValue(QStringLiteral("regexpCheck"), ui->regexCheckBox->isChecked());
    settings.endGroup();
}

void FindReplaceForm::readSettings(QSettings &settings, const QString &prefix)
{
    settings.beginGroup(prefix);
    ui->textToFind->setText(settings.value(QStringLiteral("textToFind"), QString()).toString());
    ui->textToReplace->setText(
        settings.value(QStringLiteral("textToReplace"), QString()).toString());
    ui->downRadioButton->setChecked(settings.value(QStringLiteral("downRadio"), true).toBool());
    ui->upRadioButton->setChecked(settings.value(QStringLiteral("upRadio"), false).toBool());
    ui->caseCheckBox->setChecked(settings.value(QStringLiteral("caseCheck"), false).toBool());
    ui->wholeCheckBox->setChecked(settings.value(QStringLiteral("wholeCheck"), false).toBool());
    ui->regexCheckBox->setChecked(settings.value(QStringLiteral("regexpCheck"), false).toBool());
    settings.endGroup();
}
