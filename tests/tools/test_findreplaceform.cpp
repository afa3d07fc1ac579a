#include "tools/findreplaceform.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <memory>

// The find form driven through its own widgets on real editors.
class TestFindReplaceForm : public QObject
{
    Q_OBJECT

    std::unique_ptr<FindReplaceForm> mForm;
    std::unique_ptr<QTextEdit> mEdit;

    template <typename T> T *widget(const char *name)
    {
        T *found = mForm->findChild<T *>(QLatin1String(name));
        [&]() { QVERIFY2(found, name); }();
        return found;
    }
    QLineEdit *findText() { return widget<QLineEdit>("textToFind"); }
    QLineEdit *replaceText() { return widget<QLineEdit>("textToReplace"); }
    QString status() { return widget<QLabel>("errorLabel")->text(); }

    void setOptions(bool up, bool regex, bool caseSensitive = false, bool whole = false)
    {
        widget<QRadioButton>(up ? "upRadioButton" : "downRadioButton")->setChecked(true);
        widget<QCheckBox>("regexCheckBox")->setChecked(regex);
        widget<QCheckBox>("caseCheckBox")->setChecked(caseSensitive);
        widget<QCheckBox>("wholeCheckBox")->setChecked(whole);
    }
    int selectionStart() { return mEdit->textCursor().selectionStart(); }
    bool selected() { return mEdit->textCursor().hasSelection(); }

private slots:
    void init()
    {
        mForm = std::make_unique<FindReplaceForm>();
        mEdit = std::make_unique<QTextEdit>();
        mForm->setTextEdit(mEdit.get());
    }

    void cleanup()
    {
        mForm.reset();
        mEdit.reset();
    }

    void buttonsFollowTextAndSelection()
    {
        auto *find = widget<QPushButton>("findButton");
        auto *replace = widget<QPushButton>("replaceButton");
        auto *replaceAll = widget<QPushButton>("replaceAllButton");
        QVERIFY(!find->isEnabled() && !replace->isEnabled() && !replaceAll->isEnabled());
        QVERIFY(widget<QRadioButton>("downRadioButton")->isChecked());
        QTest::keyClick(findText(), Qt::Key_A);
        QVERIFY(find->isEnabled());
        findText()->clear();
        QVERIFY(!find->isEnabled());

        mEdit->setPlainText(QStringLiteral("abc"));
        mEdit->selectAll();
        QVERIFY(replace->isEnabled() && replaceAll->isEnabled());
        mEdit->moveCursor(QTextCursor::End);
        QVERIFY(!replace->isEnabled() && !replaceAll->isEnabled());
        // A newly bound editor sets them from its own selection.
        QTextEdit other;
        other.setPlainText(QStringLiteral("xyz"));
        other.selectAll();
        mForm->setTextEdit(&other);
        QVERIFY(replace->isEnabled());
    }

    void regularExpressionErrors()
    {
        widget<QCheckBox>("regexCheckBox")->setChecked(true);
        QTest::keyClicks(findText(), QStringLiteral("a("));
        QVERIFY2(status().contains(QLatin1String("missing closing parenthesis")),
                 qPrintable(status()));
        QVERIFY(status().contains(QLatin1String("color:#ff0000;")));
        findText()->clear();
        QCOMPARE(status(), QString());
        QTest::keyClicks(findText(), QStringLiteral("a("));
        QVERIFY(!status().isEmpty());
        widget<QCheckBox>("regexCheckBox")->setChecked(false);
        QCOMPARE(status(), QString());
    }

    void findDownAndUp_data()
    {
        QTest::addColumn<bool>("regex");
        QTest::newRow("plain") << false;
        QTest::newRow("regular expression") << true;
    }

    void findDownAndUp()
    {
        QFETCH(bool, regex);
        mEdit->setPlainText(QStringLiteral("one word two"));
        setOptions(false, regex);
        findText()->setText(QStringLiteral("word"));
        widget<QPushButton>("findButton")->click();
        QCOMPARE(selectionStart(), 4);
        mForm->find();
        QVERIFY(status().contains(QLatin1String("no match found")));
        QVERIFY(status().contains(QLatin1String("color:#ff0000;")));
        QCOMPARE(mEdit->textCursor().position(), 0);
        mForm->find();
        QCOMPARE(selectionStart(), 4);
        QCOMPARE(status(), QString());

        // Up, right after new text; once it fails it starts again from the end.
        mEdit->setPlainText(QStringLiteral("ab ab ab"));
        findText()->setText(QStringLiteral("ab"));
        mEdit->moveCursor(QTextCursor::End);
        for (int expected : {6, 3, 0}) {
            mForm->findPrev();
            QCOMPARE(selectionStart(), expected);
        }
        mForm->findPrev();
        QVERIFY(!selected());
        QCOMPARE(mEdit->textCursor().position(), 8);
        mForm->findPrev();
        QCOMPARE(selectionStart(), 6);
    }

    void options_data()
    {
        QTest::addColumn<bool>("regex");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QList<int>>("starts");
        QTest::newRow("plain") << false << false << false << "foo" << QList<int> {0, 4, 11};
        QTest::newRow("plain, case") << false << true << false << "foo" << QList<int> {4, 11};
        QTest::newRow("plain, whole") << false << false << true << "foo" << QList<int> {0, 11};
        QTest::newRow("plain, both") << false << true << true << "foo" << QList<int> {11};
        QTest::newRow("regexp") << true << false << false << "f.o" << QList<int> {0, 4, 11};
        QTest::newRow("regexp, case") << true << true << false << "f.o" << QList<int> {4, 11};
        QTest::newRow("regexp, whole") << true << false << true << "fo+" << QList<int> {0, 11};
    }

    void options()
    {
        QFETCH(bool, regex);
        QFETCH(bool, caseSensitive);
        QFETCH(bool, whole);
        QFETCH(QString, pattern);
        QFETCH(QList<int>, starts);
        mEdit->setPlainText(QStringLiteral("Foo foobar foo"));
        setOptions(false, regex, caseSensitive, whole);
        findText()->setText(pattern);
        QList<int> found;
        for (int i = 0; i < 5; ++i) {
            mForm->findNext();
            if (!selected()) {
                break;
            }
            found.append(selectionStart());
        }
        QCOMPARE(found, starts);
    }

    void replaceAll_data()
    {
        QTest::addColumn<bool>("up");
        QTest::addColumn<bool>("regex");
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("count");
        const QString foo = QStringLiteral("foo x foo y foo");
        QTest::newRow("down") << false << false << "foo"
                              << "bar" << foo << "bar x bar y bar" << 3;
        // Up, a replacement that still matches must not be found again.
        QTest::newRow("up, a to A") << true << false << "a"
                                    << "A"
                                    << "a b a"
                                    << "A b A" << 2;
        QTest::newRow("up, grows") << true << false << "foo"
                                   << "foobar" << foo << "foobar x foobar y foobar" << 3;
        QTest::newRow("up, regexp grows") << true << true << "fo+"
                                          << "foobar" << foo << "foobar x foobar y foobar" << 3;
        QTest::newRow("down, grows") << false << false << "foo"
                                     << "foobar" << foo << "foobar x foobar y foobar" << 3;
        QTest::newRow("down, regexp") << false << true << "f.o"
                                      << "z" << foo << "z x z y z" << 3;
    }

    void replaceAll()
    {
        QFETCH(bool, up);
        QFETCH(bool, regex);
        QFETCH(QString, find);
        QFETCH(QString, replacement);
        QFETCH(QString, text);
        QFETCH(QString, result);
        QFETCH(int, count);
        mEdit->setPlainText(text);
        setOptions(up, regex);
        findText()->setText(find);
        replaceText()->setText(replacement);
        mEdit->moveCursor(up ? QTextCursor::End : QTextCursor::Start);
        // Nothing selected: nothing replaced (the button itself is disabled then).
        QVERIFY(!widget<QPushButton>("replaceAllButton")->isEnabled());
        mForm->replaceAll();
        QVERIFY(status().contains(QLatin1String("Replaced 0 occurrence(s)")));
        QCOMPARE(mEdit->toPlainText(), text);

        mForm->find();
        QVERIFY(selected());
        mForm->replaceAll();
        QCOMPARE(mEdit->toPlainText(), result);
        QVERIFY2(status().contains(QStringLiteral("Replaced %1 occurrence(s)").arg(count)),
                 qPrintable(status()));
        QVERIFY(status().contains(QLatin1String("color:green;")));
    }

    void replaceOneThenFindTheNext()
    {
        mEdit->setPlainText(QStringLiteral("ab ab ab"));
        setOptions(true, false);
        findText()->setText(QStringLiteral("ab"));
        replaceText()->setText(QStringLiteral("abab"));
        mEdit->moveCursor(QTextCursor::End);
        mForm->find();
        mForm->replace();
        QCOMPARE(mEdit->toPlainText(), QStringLiteral("ab ab abab"));
        QCOMPARE(selectionStart(), 3);
    }

    // The kept cursor of a regular-expression search belongs to its document.
    void rebindingStartsInTheNewDocument()
    {
        mEdit->setPlainText(QStringLiteral("xx k"));
        setOptions(false, true);
        findText()->setText(QStringLiteral("k"));
        mForm->find();
        QCOMPARE(selectionStart(), 3);
        QTextEdit other;
        other.setPlainText(QStringLiteral("k k k"));
        mForm->setTextEdit(&other);
        mForm->find();
        QVERIFY(other.textCursor().hasSelection());
        QCOMPARE(other.textCursor().selectionStart(), 0);
    }

    void settingsRoundTrip()
    {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("find.ini")), QSettings::IniFormat);
        // Absent keys give the defaults.
        findText()->setText(QStringLiteral("old"));
        setOptions(true, true, true, true);
        mForm->readSettings(settings, QStringLiteral("find"));
        QCOMPARE(findText()->text(), QString());
        QVERIFY(widget<QRadioButton>("downRadioButton")->isChecked());
        QVERIFY(!widget<QCheckBox>("regexCheckBox")->isChecked());
        QVERIFY(!widget<QCheckBox>("caseCheckBox")->isChecked());
        QVERIFY(!widget<QCheckBox>("wholeCheckBox")->isChecked());

        findText()->setText(QStringLiteral("needle"));
        replaceText()->setText(QStringLiteral("pin"));
        setOptions(true, true, false, true);
        mForm->writeSettings(settings, QStringLiteral("find"));
        QCOMPARE(settings.value(QStringLiteral("find/upRadio")).toBool(), true);
        QCOMPARE(settings.value(QStringLiteral("find/textToReplace")).toString(),
                 QStringLiteral("pin"));

        FindReplaceForm fresh;
        fresh.readSettings(settings, QStringLiteral("find"));
        QCOMPARE(fresh.findChild<QLineEdit *>(QStringLiteral("textToFind"))->text(),
                 QStringLiteral("needle"));
        QVERIFY(fresh.findChild<QRadioButton *>(QStringLiteral("upRadioButton"))->isChecked());
        QVERIFY(fresh.findChild<QCheckBox *>(QStringLiteral("regexCheckBox"))->isChecked());
        QVERIFY(!fresh.findChild<QCheckBox *>(QStringLiteral("caseCheckBox"))->isChecked());
        QVERIFY(fresh.findChild<QCheckBox *>(QStringLiteral("wholeCheckBox"))->isChecked());
    }
};

QTEST_MAIN(TestFindReplaceForm)
#include "test_findreplaceform.moc"
