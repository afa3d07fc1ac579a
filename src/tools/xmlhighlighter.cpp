#include "tools/xmlhighlighter.h"

#include <QRegularExpression>
#include <QTextDocument>

namespace {

// Compiled once: building them for every block costs far more than the scan.
const QRegularExpression &wholeComment()
{
    static const QRegularExpression re(QStringLiteral("<!--[^-]*-([^-][^-]*-)*->"));
    return re;
}

const QRegularExpression &commentEnd()
{
    static const QRegularExpression re(QStringLiteral("[^-]*-([^-][^-]*-)*->"));
    return re;
}

const QRegularExpression &quotedValue()
{
    static const QRegularExpression re(QStringLiteral("\"[^<\"]*\"|'[^<']*'"));
    return re;
}

// Anything outside ASCII counts as a name character, so every script (and letters
// beyond the BMP, as one code point) stays part of the name.
const QRegularExpression &xmlName()
{
    static const QRegularExpression re(
        QStringLiteral("([A-Za-z_:]|[^\\x00-\\x7F])([A-Za-z0-9_:.-]|[^\\x00-\\x7F])*"));
    return re;
}

const QString COMMENT_START = QStringLiteral("<!--");

// The length of a match of re that begins exactly at pos, else 0.
int matchAt(const QRegularExpression &re, const QString &text, int pos)
{
    const QRegularExpressionMatch match = re.match(text, pos, QRegularExpression::NormalMatch,
                                                   QRegularExpression::AnchorAtOffsetMatchOption);
    return match.hasMatch() ? int(match.capturedLength()) : 0;
}

QTextCharFormat colour(Qt::GlobalColor c)
{
    QTextCharFormat format;
    format.setForeground(c);
    return format;
}

} // namespace

XmlHighlighter::XmlHighlighter(QTextDocument *document)
    : QSyntaxHighlighter(document)
    , mMarkupFormat(colour(Qt::blue))
    , mElementNameFormat(colour(Qt::darkRed))
    , mCommentFormat(colour(Qt::darkGreen))
    , mAttributeNameFormat(colour(Qt::red))
    , mAttributeValueFormat(colour(Qt::blue))
    , mNestedBracketFormat(colour(Qt::darkMagenta))
    , mOtherFormat(colour(Qt::black))
{
}

int XmlHighlighter::processName(int pos, const QString &text)
{
    if (mState == AfterOpen || mState == AfterClose || mState == InTag) {
        const int n = matchAt(xmlName(), text, pos);
        if (n > 0) {
            const bool element = mState != InTag;
            setFormat(pos, n, element ? mElementNameFormat : mAttributeNameFormat);
            mState = element ? InTag : AfterName;
            return n;
        }
    }
    setFormat(pos, 1, mOtherFormat);
    return 0;
}

void XmlHighlighter::highlightBlock(const QString &text)
{
    const int length = int(text.length());
    int pos = 0;
    // "<" minus ">" met in this block only.
    int depth = 0;
    const int previous = previousBlockState();
    mState = previous == 1 ? InTag : None;

    if (previous == 0) {
        const QRegularExpressionMatch match = commentEnd().match(text);
        if (!match.hasMatch()) {
            setFormat(0, length, mCommentFormat);
            setCurrentBlockState(0);
            return;
        }
        const int end = int(match.capturedEnd());
        setFormat(0, end - 3, mCommentFormat);
        setFormat(end - 3, 3, mMarkupFormat);
        pos = end;
    }

    while (pos < length) {
        const char c = text.at(pos).toLatin1();
        switch (c) {
        case '<':
            ++depth;
            if (depth == 1) {
                setFormat(pos, 1, mMarkupFormat);
                mState = AfterOpen;
            } else {
                setFormat(pos, 1, mNestedBracketFormat);
            }
            ++pos;
            break;
        case '>':
            --depth;
            setFormat(pos, 1, depth == 0 ? mMarkupFormat : mNestedBracketFormat);
            mState = None;
            ++pos;
            break;
        case '/':
            if (mState == AfterOpen) {
                mState = AfterClose;
                setFormat(pos, 1, mMarkupFormat);
            } else if (mState == InTag) {
                setFormat(pos, 1, mMarkupFormat);
            } else {
                processName(pos, text);
            }
            ++pos;
            break;
        case '=':
            if (mState == AfterName) {
                mState = AfterEquals;
                setFormat(pos, 1, mOtherFormat);
            } else {
                processName(pos, text);
            }
            ++pos;
            break;
        case '"':
        case '\'': {
            const int n = mState == AfterEquals ? matchAt(quotedValue(), text, pos) : 0;
            if (n > 0) {
                setFormat(pos, 1, mOtherFormat);
                setFormat(pos + 1, n - 2, mAttributeValueFormat);
                setFormat(pos + n - 1, 1, mOtherFormat);
                mState = InTag;
                pos += n - 1;
            } else {
                processName(pos, text);
            }
            ++pos;
            break;
        }
        case '!':
            if (mState == AfterOpen && pos > 0) {
                const int n = matchAt(wholeComment(), text, pos - 1);
                if (n > 0) {
                    const int start = pos - 1;
                    setFormat(start, 4, mMarkupFormat);
                    setFormat(start + 4, n - 7, mCommentFormat);
                    setFormat(start + n - 3, 3, mMarkupFormat);
                    mState = None;
                    --depth;
                    pos = start + n;
                    break;
                }
                if (text.indexOf(COMMENT_START, pos - 1) >= 0) {
                    setFormat(pos, 3, mMarkupFormat);
                    setFormat(pos + 3, length - pos - 3, mCommentFormat);
                    setCurrentBlockState(0);
                    return;
                }
            }
            processName(pos, text);
            ++pos;
            break;
        default: {
            const int n = processName(pos, text);
            pos += n > 0 ? n : 1;
            break;
        }
        }
    }

    // Qt keeps a block's old state unless told otherwise: a line that no longer ends
    // in a comment or a tag must say so, or the lines after it keep their colours.
    setCurrentBlockState(mState == InTag ? 1 : -1);
}
