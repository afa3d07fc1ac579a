#include "tools/xmlhighlighter.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QtTest>

namespace {

// One letter per character: B blue (markup and values), E element name, A attribute
// name, C comment, N nested bracket, O other, - uncoloured.
QString colourCodes(const QTextBlock &block)
{
    QString codes(block.length() - 1, QLatin1Char('-'));
    for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
        const QColor c = range.format.foreground().color();
        QChar code = QLatin1Char('?');
        if (c == QColor(Qt::blue)) {
            code = QLatin1Char('B');
        } else if (c == QColor(Qt::darkRed)) {
            code = QLatin1Char('E');
        } else if (c == QColor(Qt::red)) {
            code = QLatin1Char('A');
        } else if (c == QColor(Qt::darkGreen)) {
            code = QLatin1Char('C');
        } else if (c == QColor(Qt::darkMagenta)) {
            code = QLatin1Char('N');
        } else if (c == QColor(Qt::black)) {
            code = QLatin1Char('O');
        }
        for (int i = range.start; i < range.start + range.length && i < codes.size(); ++i) {
            codes[i] = code;
        }
    }
    return codes;
}

} // namespace

class TestXmlHighlighter : public QObject
{
    Q_OBJECT

private slots:
    void colours_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QList<int>>("states");

        QTest::newRow("element, attribute, value, text")
            << QStringLiteral("<a b=\"1\">x</a>") << QStringList {QStringLiteral("BEOAOOBOBOBBEB")}
            << QList<int> {-1};
        QTest::newRow("attributes carried to the next line")
            << QStringLiteral("<a b=\"1\"\nc=\"2\">")
            << QStringList {QStringLiteral("BEOAOOBO"), QStringLiteral("AOOBON")}
            << QList<int> {1, -1};
        QTest::newRow("inline comment, then an empty element")
            << QStringLiteral("<!-- hi -->x<b/>")
            << QStringList {QStringLiteral("BBBBCCCCBBBOBEBB")} << QList<int> {-1};
        QTest::newRow("comment over three lines")
            << QStringLiteral("<a><!-- one\ntwo\nthree --><b>")
            << QStringList {QStringLiteral("BEBBBBBCCCC"), QStringLiteral("CCC"),
                            QStringLiteral("CCCCCCBBBBEB")}
            << QList<int> {0, 0, -1};
        QTest::newRow("value holding a bracket")
            << QStringLiteral("<a b=\"x<y\">") << QStringList {QStringLiteral("BEOAOOONOON")}
            << QList<int> {-1};
        QTest::newRow("names beyond Latin-1 and the BMP")
            << QString::fromUtf8("<\xd0\x96x \xf0\x9d\x94\x98"
                                 "b=\"1\"/>")
            << QStringList {QStringLiteral("BEEOAAAOOBOBB")} << QList<int> {-1};
    }

    void colours()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, codes);
        QFETCH(QList<int>, states);
        QTextDocument document;
        auto *highlighter = new XmlHighlighter(&document);
        document.setPlainText(text);
        highlighter->rehighlight();
        QCOMPARE(document.blockCount(), codes.size());
        QTextBlock block = document.firstBlock();
        for (int i = 0; i < codes.size(); ++i, block = block.next()) {
            QCOMPARE(colourCodes(block), codes.at(i));
            QCOMPARE(block.userState(), states.at(i));
        }
    }

    // Closing a comment on its own line brings the lines after it back to normal.
    void closingACommentRecoloursTheLinesAfter()
    {
        QTextDocument document;
        // As in an editor: without a layout the document announces no edits.
        document.documentLayout();
        new XmlHighlighter(&document);
        document.setPlainText(QStringLiteral("<!-- a\n<b>\n<c>"));
        QCOMPARE(colourCodes(document.findBlockByNumber(1)), QStringLiteral("CCC"));
        QTextCursor cursor(document.firstBlock());
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.insertText(QStringLiteral(" -->"));
        QCOMPARE(document.firstBlock().userState(), -1);
        QCOMPARE(colourCodes(document.findBlockByNumber(1)), QStringLiteral("BEB"));
        QCOMPARE(colourCodes(document.findBlockByNumber(2)), QStringLiteral("BEB"));
        QCOMPARE(document.findBlockByNumber(2).userState(), -1);

        // And opening a tag that runs on makes the next line start inside it.
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QStringLiteral("\n<d e=\"1\"\nf=\"2\">"));
        QCOMPARE(colourCodes(document.lastBlock()), QStringLiteral("AOOBON"));
    }
};

QTEST_MAIN(TestXmlHighlighter)
#include "test_xmlhighlighter.moc"
