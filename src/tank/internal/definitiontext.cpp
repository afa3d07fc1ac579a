#include "tank/internal/definitiontext.h"

#include "gamedata/moreadercached.h"

#include <QDomElement>

namespace internal {

QString textOf(const QDomElement &element)
{
    // Most texts are an element's only child; text() would build a new string for them.
    const QDomNode first = element.firstChild();
    if (!first.isNull() && first.isText() && first.nextSibling().isNull()) {
        return first.nodeValue().trimmed();
    }
    return element.text().trimmed();
}

QString textAt(const QDomElement &parent, std::initializer_list<QString> path)
{
    QDomElement element = parent;
    for (const QString &name : path) {
        element = element.firstChildElement(name);
    }
    return textOf(element);
}

QString translate(const QString &reference)
{
    MoReaderCached *translator = MoReaderCached::instance();
    return translator ? translator->translate(reference) : reference;
}

} // namespace internal
