#include "tools/updatecheck.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/messagestrings.h"

#include <QDomDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace {

QString updateTitle()
{
    const MessageStrings *strings = MessageStrings::instance();
    return strings ? strings->update : UpdateCheck::tr("Update");
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
    reply.notes = root.firstChildElement(QStringLiteral("Notes")).text();
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
