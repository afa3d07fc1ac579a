#pragma once

#include <QDialog>
#include <QPointer>
#include <QTextCursor>

class QSettings;
class QTextEdit;
class Ui_FindReplaceForm;

// A small non-modal form that finds and replaces text in one QTextEdit at a time:
// plain text or a regular expression, down or up, optionally case-sensitive and
// whole-word. Results and errors go to its status line, never to boxes.
class FindReplaceForm : public QDialog
{
    Q_OBJECT

public:
    explicit FindReplaceForm(QWidget *parent = nullptr);
    ~FindReplaceForm() override;

    // Binds the form to an editor (not owned): Replace and Replace All follow its
    // selection from now on.
    void setTextEdit(QTextEdit *textEdit);

    // The form's texts, direction and options under group prefix of settings.
    virtual void writeSettings(QSettings &settings, const QString &prefix);
    virtual void readSettings(QSettings &settings, const QString &prefix);

public slots:
    // Searches from the editor's cursor and selects the match; does nothing unbound.
    void find(bool down);
    void find();
    void findNext();
    void findPrev();
    void replace();
    void replaceAll();

protected slots:
    void textToFindChanged();
    void validateRegExp(const QString &text);
    void regexpSelected(bool on);

protected:
    void changeEvent(QEvent *event) override;

private:
    void showError(const QString &message);
    void showMessage(const QString &message);
    // Replaces the editor's selection; searching up, the cursors go to the start of
    // what was put in, so that the next search does not find the replacement again.
    void replaceSelection(bool down);
    bool searchingDown() const;

    Ui_FindReplaceForm *ui = nullptr;
    // The regular-expression search's own cursor; kept between searches.
    QTextCursor mTextCursor;
    QPointer<QTextEdit> mTextEdit;

    Q_DISABLE_COPY(FindReplaceForm)
};
