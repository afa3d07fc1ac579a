#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

class QTextDocument;

// Colours the XML of one .visual editor's document: markup, element and attribute
// names, values, comments and brackets nested inside a tag. A character scanner with
// a small state machine, not a parser: it never fails, it only colours. Block state 0
// means the line ends inside a comment, 1 inside a tag, -1 neither. Made with the
// document as its parent.
class XmlHighlighter : public QSyntaxHighlighter
{
public:
    explicit XmlHighlighter(QTextDocument *document);

protected:
    void highlightBlock(const QString &text) override;

private:
    // The name step at pos: colours a name there as the scan state wants, or the one
    // character as other text; the name's length, 0 when none was coloured.
    int processName(int pos, const QString &text);

    QTextCharFormat mMarkupFormat;
    QTextCharFormat mElementNameFormat;
    QTextCharFormat mCommentFormat;
    QTextCharFormat mAttributeNameFormat;
    QTextCharFormat mAttributeValueFormat;
    QTextCharFormat mNestedBracketFormat;
    QTextCharFormat mOtherFormat;

    enum ScanState {
        None = 0,
        AfterOpen = 1,
        AfterClose = 2,
        InTag = 3,
        AfterName = 4,
        AfterEquals = 5
    };
    int mState = None;

    Q_DISABLE_COPY(XmlHighlighter)
};
