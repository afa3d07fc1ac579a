#pragma once

#include "ui_updatecheck.h"

#include <QDialog>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

// What an update reply says. The root element may have any name; its children are
// read by name.
struct UpdateReply
{
    int latest = 0; // newest build; 0 when absent, not a number or the XML is bad
    QString latestText;
    QString url;
    QString notes;
};

// The reply's bytes as UTF-8 XML; a document that does not parse gives the defaults,
// and so does one too large or too deeply nested to show (a Warning line says why).
[[nodiscard]] UpdateReply parseUpdateReply(const QByteArray &bytes);

// Announces a newer version from an update server's reply. Nothing sends the request
// yet: the handler is ready for one and never reached as the program stands.
class UpdateCheck : public QDialog
{
    Q_OBJECT

public:
    explicit UpdateCheck(QWidget *parent = nullptr);
    ~UpdateCheck() override;

    QNetworkAccessManager *networkManager() const { return mNetwork; }

    Ui::UpdateCheck ui;

public slots:
    // Reads a finished reply: a network error warns; status 200 is parsed as XML
    // (root of any name; Latest, LatestStr, UrlZip, Notes) and compared with
    // APP_BUILD; any other status does nothing. The reply is always deleted later.
    void onNetworkReply(QNetworkReply *reply);

private:
    void showReply(const QByteArray &bytes);

    QNetworkAccessManager *mNetwork = nullptr;

    Q_DISABLE_COPY(UpdateCheck)
};
