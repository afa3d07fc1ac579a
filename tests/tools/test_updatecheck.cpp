// The update dialog's reply handler, fed with replies made here: no request is ever
// sent and no network is touched. Boxes are answered through the dialog seam.
#include "tools/updatecheck.h"

#include "core/dialogs.h"

#include <QNetworkReply>
#include <QPointer>
#include <QTimer>
#include <QtTest>

namespace {

// A finished reply with a chosen error, status and body.
class FakeReply : public QNetworkReply
{
public:
    FakeReply(const QByteArray &body, int status, NetworkError error = NoError)
        : mBody(body)
    {
        setError(error, error == NoError ? QString() : QStringLiteral("failed"));
        setAttribute(QNetworkRequest::HttpStatusCodeAttribute, status);
        open(QIODevice::ReadOnly);
        setFinished(true);
    }

    void abort() override { }
    qint64 bytesAvailable() const override
    {
        return mBody.size() - mPos + QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = qMin(maxSize, qint64(mBody.size()) - mPos);
        memcpy(data, mBody.constData() + mPos, size_t(n));
        mPos += n;
        return n;
    }

private:
    QByteArray mBody;
    qint64 mPos = 0;
};

QByteArray replyXml(const QByteArray &latest, const QByteArray &root = "Update")
{
    return "<" + root + "><Latest>" + latest
           + "</Latest><LatestStr>1.0.18 beta</LatestStr>"
             "<UrlZip>https://x.invalid/a\"b&lt;c.zip</UrlZip>"
             "<Notes>&lt;b&gt;Faster&lt;/b&gt; loading</Notes></"
           + root + ">";
}

// A reply of a newer build whose notes are the given XML content.
QByteArray notesReply(const QByteArray &notes, const QByteArray &latest = "1701")
{
    return "<Update><Latest>" + latest + "</Latest><Notes>" + notes + "</Notes></Update>";
}

} // namespace

class TestUpdateCheck : public QObject
{
    Q_OBJECT

    QList<MessageBoxRequest> mBoxes;

    // Runs the handler on a reply and answers whether the reply is gone afterwards.
    bool handle(UpdateCheck &dialog, FakeReply *reply)
    {
        QPointer<QNetworkReply> guard(reply);
        dialog.onNetworkReply(reply);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return guard.isNull();
    }

private slots:
    void initTestCase()
    {
        setMessageBoxHandler([this](const MessageBoxRequest &request) {
            mBoxes.append(request);
            return int(QMessageBox::Ok);
        });
    }

    void init() { mBoxes.clear(); }

    void formIsFixedAndConnected()
    {
        QWidget window;
        UpdateCheck dialog(&window);
        QCOMPARE(dialog.parentWidget(), &window);
        QCOMPARE(dialog.minimumSize(), QSize(296, 292));
        QCOMPARE(dialog.maximumSize(), QSize(296, 292));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Update"));
        QVERIFY(!dialog.windowIcon().isNull());
        QCOMPARE(dialog.networkManager()->parent(), &dialog);
        dialog.show();
        dialog.ui.cancelButton->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void repliesGiveTheirBox_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("text"); // empty: no box
        const QString latest = QStringLiteral("You are running the latest version.");
        const QString problem =
            QStringLiteral("The was a problem determining the correct version.");
        QTest::newRow("same build") << replyXml("1700") << 200 << 0 << latest;
        QTest::newRow("older build") << replyXml("1699") << 200 << 0 << problem;
        QTest::newRow("padded") << replyXml(" 1700\n") << 200 << 0 << latest;
        QTest::newRow("any root") << replyXml("1700", "Foo") << 200 << 0 << latest;
        QTest::newRow("no Latest")
            << QByteArray("<Update><LatestStr>2</LatestStr></Update>") << 200 << 0 << problem;
        QTest::newRow("not a number") << replyXml("abc") << 200 << 0 << problem;
        QTest::newRow("too large") << replyXml("99999999999") << 200 << 0 << problem;
        QTest::newRow("malformed")
            << QByteArray("<Update><Latest>1701</Lat") << 200 << 0 << problem;
        QTest::newRow("truncated") << replyXml("1701").left(20) << 200 << 0 << problem;
        QTest::newRow("garbage") << QByteArray("\x00\xff\xfe<<>>&&;", 11) << 200 << 0 << problem;
        QTest::newRow("empty") << QByteArray() << 200 << 0 << problem;
        // Too large or too deep to lay out: refused as a malformed reply is.
        QTest::newRow("over 64 KiB")
            << notesReply(QByteArray(64 * 1024, 'N')) << 200 << 0 << problem;
        QTest::newRow("nested elements")
            << notesReply(QByteArray("<a>").repeated(33) + QByteArray("</a>").repeated(33)) << 200
            << 0 << problem;
        QTest::newRow("nested tables in notes")
            << notesReply(QByteArray("&lt;table&gt;&lt;tr&gt;&lt;td&gt;").repeated(9)) << 200 << 0
            << problem;
        QTest::newRow("nested tags in notes")
            << notesReply(QByteArray("&lt;DIV class='a'&gt;").repeated(33)) << 200 << 0 << problem;
        // Up to the limits, and past them with tags that nest nothing: read.
        QTest::newRow("nesting at the limits")
            << notesReply(QByteArray("&lt;table&gt;&lt;tr&gt;&lt;td&gt;").repeated(8)
                              + QByteArray("&lt;b&gt;").repeated(24)
                              + QByteArray("&lt;li&gt;&lt;br/&gt;&lt;p&gt;").repeated(40)
                              + QByteArray("&lt;/b&gt;&lt;i&gt;").repeated(40),
                          "1700")
            << 200 << 0 << latest;
        QTest::newRow("not modified") << replyXml("1701") << 304 << 0 << QString();
        QTest::newRow("network error")
            << replyXml("1701") << 200 << int(QNetworkReply::HostNotFoundError)
            << QStringLiteral("There was a network error when checking for updates.");
    }

    void repliesGiveTheirBox()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(int, error);
        QFETCH(QString, text);
        QWidget window;
        UpdateCheck dialog(&window);
        // Were the dialog shown, it would block: close it and fail below.
        bool shown = false;
        QTimer::singleShot(0, &dialog, [&]() {
            shown = dialog.isVisible();
            dialog.reject();
        });
        QVERIFY(handle(dialog, new FakeReply(body, status, QNetworkReply::NetworkError(error))));
        QVERIFY(!shown);
        QCOMPARE(mBoxes.size(), text.isEmpty() ? 0 : 1);
        if (!text.isEmpty()) {
            QCOMPARE(mBoxes.at(0).text, text);
            QCOMPARE(mBoxes.at(0).title, QStringLiteral("Update"));
            QCOMPARE(mBoxes.at(0).parent, error ? &window : static_cast<QWidget *>(&dialog));
        }
    }

    void parserReadsTheFourFields()
    {
        const UpdateReply reply = parseUpdateReply(replyXml("1701", "Any"));
        QCOMPARE(reply.latest, 1701);
        QCOMPARE(reply.latestText, QStringLiteral("1.0.18 beta"));
        QCOMPARE(reply.url, QStringLiteral("https://x.invalid/a\"b<c.zip"));
        QCOMPARE(reply.notes, QStringLiteral("<b>Faster</b> loading"));
        // Cut anywhere, a reply gives no build, never a partly read one.
        const QByteArray whole = replyXml("1701");
        for (int size = 0; size < whole.size(); ++size) {
            QCOMPARE(parseUpdateReply(whole.left(size)).latest, 0);
        }
    }

    void newerBuildShowsTheDialogFilled()
    {
        QWidget window;
        UpdateCheck dialog(&window);
        bool shown = false;
        QTimer::singleShot(0, &dialog, [&]() {
            shown = dialog.isVisible() && dialog.isModal();
            dialog.ui.okButton->click();
        });
        QVERIFY(handle(dialog, new FakeReply(replyXml("1701"), 200)));
        QVERIFY(shown);
        QVERIFY(mBoxes.isEmpty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.ui.installedText->text(), QStringLiteral("1.0.17"));
        QCOMPARE(dialog.ui.LatestVersionLabel->text(), QStringLiteral("1.0.18 beta"));
        QCOMPARE(dialog.ui.notesText->toPlainText(), QStringLiteral("Faster loading"));
        // The quote and the angle bracket stay inside the attribute.
        QCOMPARE(dialog.ui.UrlText->text(),
                 QStringLiteral("<a href=\"https://x.invalid/a&quot;b&lt;c.zip\">"
                                "Click here for download</a>"));
        QCOMPARE(dialog.ui.UrlText->textFormat(), Qt::RichText);
        QCOMPARE(int(dialog.ui.UrlText->textInteractionFlags()), 13);
        QVERIFY(dialog.ui.UrlText->openExternalLinks());
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "test_updatecheck.moc"
