#include "tools/aboutviewerwidget.h"

#include "render/renderwidget.h"

#include "core/constants.h"
#include "core/sysinfo.h"

#include <QPushButton>

namespace {

const QString HOME_PAGE = QStringLiteral("https://www.hullscope.invalid/");

// Placeholders until the translators are named.
const QString RUSSIAN_TRANSLATOR = QStringLiteral("Translator RU");
const QString RUSSIAN_PROFILE =
    QStringLiteral("https://forum.hullscope.invalid/profile/translator-ru");
const QString MALAY_TRANSLATOR = QStringLiteral("Translator MS");
const QString PORTUGUESE_TRANSLATOR = QStringLiteral("Translator PT");
const QString PORTUGUESE_PROFILE =
    QStringLiteral("https://forum.hullscope.invalid/profile/translator-pt");

const char LICENSE_TEXT[] =
    "<p><b>Hullscope</b> is free software: you may use, copy, modify and distribute it, "
    "with or without changes, provided this notice is kept with every copy.</p>"
    "<p>It is provided \"as is\", without warranty of any kind, express or implied. In no "
    "event shall the authors be liable for any claim, damages or other liability arising "
    "from its use.</p>"
    "<p>Game files shown by Hullscope remain the property of their owners; Hullscope only "
    "reads them.</p>";

QString link(const QString &address, const QString &text)
{
    return QStringLiteral("<a href=\"%1\">%2</a>")
        .arg(address.toHtmlEscaped(), text.toHtmlEscaped());
}

void makeLink(QLabel *label, const QString &html)
{
    label->setText(html);
    label->setTextFormat(Qt::RichText);
    // Selectable by mouse, links by mouse and keyboard.
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse
                                   | Qt::LinksAccessibleByKeyboard);
    label->setOpenExternalLinks(true);
}

} // namespace

AboutViewerWidget::AboutViewerWidget(RenderWidget *view, QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
    ui.setupUi(this);
    connect(ui.buttonBox, &QDialogButtonBox::accepted, this, &AboutViewerWidget::accept);

    ui.versionLabel->setText(APP_VERSION);
    ui.brastelVersionLabel->setText(brastelVersion());
    ui.buildLabel->setText(architectureName());
    makeLink(ui.urlLabel, link(HOME_PAGE, tr("Open in browser")));
    makeLink(ui.russianLabel, link(RUSSIAN_PROFILE, RUSSIAN_TRANSLATOR));
    ui.malayLabel->setText(MALAY_TRANSLATOR);
    makeLink(ui.portugueseLabel, link(PORTUGUESE_PROFILE, PORTUGUESE_TRANSLATOR));
    ui.licenseBrowser->setHtml(QString::fromUtf8(LICENSE_TEXT));
    if (QPushButton *ok = ui.buttonBox->button(QDialogButtonBox::Ok)) {
        ok->setText(tr("Ok"));
    }

    if (view) {
        const GlInfo info = view->glInfo();
        ui.glRendererLabel->setText(info.renderer);
        ui.glVersionLabel->setText(info.version);
        ui.glVendorLabel->setText(info.vendor);
        ui.glslLabel->setText(info.shadingLanguageVersion);
        ui.extensionsTextEdit->setPlainText(extensionsText(info.extensions));
    }
}

AboutViewerWidget::~AboutViewerWidget() = default;

QString AboutViewerWidget::extensionsText(const QStringList &extensions)
{
    QString text;
    for (const QString &name : extensions) {
        text += name + QLatin1Char('\n');
    }
    return text;
}
