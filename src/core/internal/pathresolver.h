#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

namespace internal {

// Finds loose game files whatever the letter case of the name. Game paths are
// written for a case-insensitive file system ("Vehicles\German\Tank.xml" for
// vehicles/german/tank.xml); here each component is matched against the folder's
// listing once the exact path is missing.
class PathResolver
{
public:
    // The existing file or folder that the path names, with "\" read as "/":
    // the exact path when it exists, else the first case-insensitive match found
    // component by component. Empty when nothing matches. Listings are kept per
    // folder until clear(), so a caller drops them when its roots change.
    QString resolve(const QString &path);

    // resolve() without any kept listing.
    static QString resolveUncached(const QString &path);

    void clear();

private:
    // Lower-cased entry name -> the entry names of one folder that fold to it.
    using Listing = QHash<QString, QStringList>;

    const Listing &listing(const QString &dir);
    static Listing readListing(const QString &dir);
    static QString resolveWith(const QString &path,
                               const std::function<const Listing &(const QString &)> &listingOf);

    QHash<QString, Listing> mListings;
};

} // namespace internal
