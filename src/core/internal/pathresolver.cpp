#include "core/internal/pathresolver.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace internal {

QString PathResolver::resolve(const QString &path)
{
    return resolveWith(path,
                       [this](const QString &dir) -> const Listing & { return listing(dir); });
}

QString PathResolver::resolveUncached(const QString &path)
{
    Listing scratch;
    return resolveWith(path, [&scratch](const QString &dir) -> const Listing & {
        scratch = readListing(dir);
        return scratch;
    });
}

void PathResolver::clear()
{
    mListings.clear();
}

const PathResolver::Listing &PathResolver::listing(const QString &dir)
{
    auto it = mListings.find(dir);
    if (it == mListings.end()) {
        it = mListings.insert(dir, readListing(dir));
    }
    return it.value();
}

PathResolver::Listing PathResolver::readListing(const QString &dir)
{
    Listing entries;
    const QStringList names = QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names) {
        entries[name.toLower()].append(name);
    }
    return entries;
}

QString PathResolver::resolveWith(const QString &path,
                                  const std::function<const Listing &(const QString &)> &listingOf)
{
    if (path.isEmpty()) {
        return QString();
    }
    QString normalised = path;
    normalised.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QFileInfo::exists(normalised)) {
        return normalised;
    }

    const bool absolute = normalised.startsWith(QLatin1Char('/'));
    const QStringList parts = normalised.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = absolute ? QStringLiteral("/") : QString();
    for (const QString &part : parts) {
        const QString dir = current.isEmpty() ? QStringLiteral(".") : current;
        QString next;
        if (part == QLatin1String(".") || part == QLatin1String("..")) {
            next = part;
        } else {
            const Listing &entries = listingOf(dir);
            const auto found = entries.constFind(part.toLower());
            if (found != entries.constEnd()) {
                // Of several names that differ only in case, the exact one wins.
                next = found.value().contains(part) ? part : found.value().constFirst();
            } else if (QFileInfo::exists(current.isEmpty() ? part : QDir(dir).filePath(part))) {
                // Created after the listing was kept.
                next = part;
            } else {
                return QString();
            }
        }
        if (current.isEmpty()) {
            current = next;
        } else if (current.endsWith(QLatin1Char('/'))) {
            current += next;
        } else {
            current += QLatin1Char('/') + next;
        }
    }
    return current;
}

} // namespace internal
