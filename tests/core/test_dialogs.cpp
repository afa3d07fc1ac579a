#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/log.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

// Closes the next modal widget through the given action, from inside its loop.
template <typename Action> void whenModalShows(Action action)
{
    auto *timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action]() {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start();
}

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        setMessageBoxHandler({});
        setFileChooserHandler({});
        resetFatalErrorState();
    }

    void seamRecordsTheRequest()
    {
        QList<MessageBoxRequest> seen;
        setMessageBoxHandler([&](const MessageBoxRequest &request) {
            seen.append(request);
            return int(QMessageBox::No);
        });
        QCOMPARE(showWarning(nullptr, QStringLiteral("t"), QStringLiteral("x"),
                             QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes),
                 int(QMessageBox::No));
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen.at(0).icon, QMessageBox::Warning);
        QCOMPARE(seen.at(0).defaultButton, QMessageBox::Yes);
    }

    void fatalErrorBeforeTheLoopIsRemembered()
    {
        QList<MessageBoxRequest> seen;
        setMessageBoxHandler([&](const MessageBoxRequest &request) {
            seen.append(request);
            return int(QMessageBox::Ok);
        });
        QVERIFY(!fatalErrorQuitRequested());
        fatalError(QStringLiteral("Broken."));
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen.at(0).icon, QMessageBox::Critical);
        QCOMPARE(seen.at(0).title, QStringLiteral("Hullscope"));
        QCOMPARE(seen.at(0).text, QStringLiteral("Broken.\nApplication will now close."));
        QCOMPARE(seen.at(0).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(fatalErrorQuitRequested());
    }

    void fatalTextsReachTheLogAndOnlyTheFirstIsShown()
    {
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("bin_x64")));
        const QString oldCurrent = QDir::currentPath();
        QVERIFY(QDir::setCurrent(root.path() + QStringLiteral("/bin_x64")));
        Log log;
        QDir::setCurrent(oldCurrent);
        int boxes = 0;
        setMessageBoxHandler([&](const MessageBoxRequest &) {
            ++boxes;
            // A failure delivered while the box runs is not shown either.
            fatalError(QStringLiteral("While the box runs."));
            return int(QMessageBox::Ok);
        });

        fatalError(QStringLiteral("Error reading data: readIntUnsigned()"));
        // A caller that logged its text already gets no second line for it.
        log.write(QStringLiteral("Failed to open shader: a.vert"), Error);
        fatalError(QStringLiteral("Failed to open shader: a.vert"));
        fatalError(QStringLiteral("Failed to open shader: b.vert"));

        QCOMPARE(boxes, 1);
        QVERIFY(fatalErrorQuitRequested());
        QCOMPARE(log.text(Error),
                 QStringLiteral("[ Error ] Error reading data: readIntUnsigned()\r\n"
                                "[ Error ] While the box runs.\r\n"
                                "[ Error ] Failed to open shader: a.vert\r\n"
                                "[ Error ] Failed to open shader: b.vert\r\n"));

        // A new start-up shows its first failure again.
        resetFatalErrorState();
        setMessageBoxHandler([&](const MessageBoxRequest &) {
            ++boxes;
            return int(QMessageBox::Ok);
        });
        fatalError(QStringLiteral("Again."));
        QCOMPARE(boxes, 2);
    }

    void queuedRoute()
    {
        queueFatalError(QStringLiteral("A"));
        queueFatalError(QStringLiteral("B"));
        QVERIFY(fatalErrorPending);
        QCOMPARE(takePendingFatalError(), QStringLiteral("AB"));
        QVERIFY(!fatalErrorPending);
        QCOMPARE(takePendingFatalError(), QString());

        eventLoopRunning = true;
        queueFatalError(QStringLiteral("dropped"));
        QVERIFY(!fatalErrorPending);
        QCOMPARE(pendingFatalError, QString());
    }

    void realBoxAnswersTheClickedButtonTranslated()
    {
        QTranslator translator;
        QVERIFY(translator.load(QStringLiteral(HULLSCOPE_STAGE_DIR "/languages/Hullscope_de.qm")));
        QCoreApplication::installTranslator(&translator);

        QString yesText;
        whenModalShows([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(box);
            yesText = box->button(QMessageBox::Yes)->text();
            box->button(QMessageBox::No)->click();
        });
        const int answer = showWarning(nullptr, QStringLiteral("t"), QStringLiteral("question"),
                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(answer, int(QMessageBox::No));
        QCOMPARE(yesText, QStringLiteral("Ja"));
    }

    void cancelledChoosersAnswerEmpty()
    {
        // The toolkit's own dialog, with its history list.
        QStringList history;
        whenModalShows([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            history = dialog->history();
            dialog->reject();
        });
        QCOMPARE(chooseDirectoryEx(false, nullptr, QStringLiteral("c"), QDir::tempPath(),
                                   {QStringLiteral("/tmp")}),
                 QString());
        QCOMPARE(history, QStringList {QStringLiteral("/tmp")});

        // The static platform dialog (Qt's own under Xvfb).
        whenModalShows([](QWidget *modal) { qobject_cast<QDialog *>(modal)->reject(); });
        QCOMPARE(chooseOpenFileEx(true, nullptr, QStringLiteral("c"), QDir::tempPath(),
                                  QStringLiteral("*.txt"), {}),
                 QString());
    }

    void chooserSeamAnswersNativePaths()
    {
        setFileChooserHandler([](const FileChooserRequest &request) {
            return request.kind == FileChooserKind::SaveFile ? QStringLiteral("/a/b.png")
                                                             : QString();
        });
        QCOMPARE(chooseSaveFile(nullptr, QString(), QString(), QString(), {}),
                 QStringLiteral("/a/b.png"));
        QCOMPARE(chooseDirectory(nullptr, QString(), QString(), {}), QString());
    }

    void colourChooserAnswersInvalidWhenCancelled()
    {
        // The toolkit's dialog, with the alpha channel asked for.
        bool alphaShown = false;
        whenModalShows([&](QWidget *modal) {
            auto *dialog = qobject_cast<QColorDialog *>(modal);
            QVERIFY(dialog);
            alphaShown = dialog->testOption(QColorDialog::ShowAlphaChannel);
            dialog->reject();
        });
        QVERIFY(!chooseColor(nullptr, Qt::red, QStringLiteral("c"), QColorDialog::ShowAlphaChannel)
                     .isValid());
        QVERIFY(alphaShown);
        whenModalShows([](QWidget *modal) {
            auto *dialog = qobject_cast<QColorDialog *>(modal);
            dialog->setCurrentColor(QColor(1, 2, 3));
            dialog->accept();
        });
        QCOMPARE(chooseColor(nullptr, Qt::red, QString()), QColor(1, 2, 3));

        QList<ColorChooserRequest> requests;
        setColorChooserHandler([&](const ColorChooserRequest &request) {
            requests.append(request);
            return QColor();
        });
        QVERIFY(!chooseColor(nullptr, Qt::blue, QStringLiteral("t"), QColorDialog::ShowAlphaChannel)
                     .isValid());
        setColorChooserHandler({});
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.at(0).initial, QColor(Qt::blue));
        QCOMPARE(requests.at(0).title, QStringLiteral("t"));
        QCOMPARE(requests.at(0).options,
                 QColorDialog::ColorDialogOptions(QColorDialog::ShowAlphaChannel));
    }
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
