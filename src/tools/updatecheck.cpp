#include "tools/updatecheck.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/log.h"
#include "core/messagestrings.h"

#include <QDomDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSet>
#include <QXmlStreamReader>

namespace {

QString updateTitle()
{
    const MessageStrings *strings = MessageStrings::instance();
    return strings ? strings->update : UpdateCheck::tr("Update");
}

// The notes are laid out as rich text, whose cost grows with the square of a long
// word or of the nesting, and doubles with each table nested in another (16 take half
// a second, 32 hours; deeper ones overflow the stack). Real notes are a few lines.
constexpr qsizetype MaxReplyBytes = 64 * 1024;
constexpr int MaxNesting = 32;
constexpr int MaxTableNesting = 8;

// The deepest element nesting of the XML, counted up to one past the limit.
int xmlNesting(const QByteArray &bytes)
{
    QXmlStreamReader reader(bytes);
    int depth = 0;
    int deepest = 0;
    while (!reader.atEnd() && deepest <= MaxNesting) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            deepest = qMax(deepest, ++depth);
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    return deepest;
}

struct HtmlNesting
{
    int elements = 0;
    int tables = 0;
};

// The deepest nesting of the notes' HTML tags, of all elements and of tables. Tags
// that never close (br, img) or whose end tag HTML lets one leave out (li, td, p)
// are not counted; the lists and tables around them are.
HtmlNesting htmlNesting(const QString &html)
{
    static const QSet<QString> uncounted = {
        QStringLiteral("br"),    QStringLiteral("hr"),   QStringLiteral("img"),
        QStringLiteral("meta"),  QStringLiteral("link"), QStringLiteral("input"),
        QStringLiteral("col"),   QStringLiteral("wbr"),  QStringLiteral("p"),
        QStringLiteral("li"),    QStringLiteral("dt"),   QStringLiteral("dd"),
        QStringLiteral("tr"),    QStringLiteral("td"),   QStringLiteral("th"),
        QStringLiteral("option")};
    HtmlNesting depth;
    HtmlNesting deepest;
    qsizetype at = 0;
    while ((at = html.indexOf(QLatin1Char('<'), at)) >= 0) {
        ++at;
        const bool closing = at < html.size() && html.at(at) == QLatin1Char('/');
        const qsizetype start = closing ? at + 1 : at;
        qsizetype end = start;
        while (end < html.size() && html.at(end).isLetterOrNumber()) {
            ++end;
        }
        // "<!--", "<?" and a lone "<" open nothing.
        if (end == start) {
            continue;
        }
        const QString name = html.mid(start, end - start).toLower();
        const qsizetype tagEnd = html.indexOf(QLatin1Char('>'), end);
        const bool selfClosing = tagEnd > 0 && html.at(tagEnd - 1) == QLatin1Char('/');
        at = end;
        if (selfClosing || uncounted.contains(name)) {
            continue;
        }
        const int step = closing ? -1 : 1;
        depth.elements = qMax(0, depth.elements + step);
        if (name == QLatin1String("table")) {
            depth.tables = qMax(0, depth.tables + step);
        }
        deepest.elements = qMax(deepest.elements, depth.elements);
        deepest.tables = qMax(deepest.tables, depth.tables);
    }
    return deepest;
}

void refuse(const QString &why)
{
    logLine(QStringLiteral("Update reply refused: ") + why, Warning);
}

} // namespace

UpdateCheck::UpdateCheck(QWidget *parent)
    : QDialog(parent)
{
    mNetwork = new QNetworkAccessManager(this);
    ui.setupUi(this);
    connect(mNetwork, &QNetworkAccessManager::finished, this, &UpdateCheck::onNetworkReply);
    connect(ui.okButton, &QPushButton::clicked, this, &UpdateCheck::accept);
    connect(ui.cancelButton, &QPushButton::clicked, this, &UpdateCheck::reject);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
}

UpdateCheck::~UpdateCheck() = default;

void UpdateCheck::onNetworkReply(QNetworkReply *reply)
{
    if (!reply) {
        return;
    }
    if (reply->error() == QNetworkReply::NoError) {
        if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200
            && reply->isReadable()) {
            showReply(reply->readAll());
        }
    } else {
        showWarning(parentWidget(), updateTitle(),
                    tr("There was a network error when checking for updates."), QMessageBox::Ok,
                    QMessageBox::NoButton);
    }
    reply->deleteLater();
}

UpdateReply parseUpdateReply(const QByteArray &bytes)
{
    UpdateReply reply;
    if (bytes.size() > MaxReplyBytes) {
        refuse(QStringLiteral("%1 bytes, more than %2").arg(bytes.size()).arg(MaxReplyBytes));
        return reply;
    }
    const int nesting = xmlNesting(bytes);
    if (nesting > MaxNesting) {
        refuse(QStringLiteral("elements nested more than %1 deep").arg(MaxNesting));
        return reply;
    }
    QDomDocument document;
    // The parser keeps what it read before an error; a cut reply must not count.
    if (!document.setContent(QString::fromUtf8(bytes))) {
        return reply;
    }
    const QDomElement root = document.documentElement();
    bool isNumber = false;
    const int latest =
        root.firstChildElement(QStringLiteral("Latest")).text().trimmed().toInt(&isNumber);
    reply.latest = isNumber ? latest : 0;
    reply.latestText = root.firstChildElement(QStringLiteral("LatestStr")).text();
    reply.url = root.firstChildElement(QStringLiteral("UrlZip")).text();
    const QString notes = root.firstChildElement(QStringLiteral("Notes")).text();
    const HtmlNesting html = htmlNesting(notes);
    if (html.elements > MaxNesting || html.tables > MaxTableNesting) {
        refuse(QStringLiteral("notes nest %1 elements and %2 tables, more than %3 and %4")
                   .arg(html.elements)
                   .arg(html.tables)
                   .arg(MaxNesting)
                   .arg(MaxTableNesting));
        return UpdateReply();
    }
    reply.notes = notes;
    return reply;
}

void UpdateCheck::showReply(const QByteArray &bytes)
{
    const UpdateReply reply = parseUpdateReply(bytes);
    if (reply.latest == APP_BUILD) {
        showInformation(this, updateTitle(), tr("You are running the latest version."),
                        QMessageBox::Ok);
        return;
    }
    if (reply.latest < APP_BUILD) {
        showWarning(this, updateTitle(), tr("The was a problem determining the correct version."),
                    QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    ui.installedText->setText(APP_VERSION);
    ui.LatestVersionLabel->setText(reply.latestText);
    ui.notesText->setText(reply.notes);
    // The address comes from the server: escaped, it cannot leave the attribute.
    ui.UrlText->setText(
        QStringLiteral("<a href=\"%1\">%2</a>")
            .arg(reply.url.toHtmlEscaped(), tr("Click here for download").toHtmlEscaped()));
    ui.UrlText->setTextFormat(Qt::RichText);
    ui.UrlText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse
                                        | Qt::LinksAccessibleByKeyboard);
    ui.UrlText->setOpenExternalLinks(true);
    exec();
}
