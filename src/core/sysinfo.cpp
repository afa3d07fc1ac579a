#include "core/sysinfo.h"

#include "core/settings.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSysInfo>

QString qtVersionString()
{
    return QString::fromLatin1(qVersion());
}

QString architectureName()
{
    return QStringLiteral("x64");
}

QString windowsVersionName(int windowsVersion)
{
    switch (windowsVersion) {
    case 0x10: return QStringLiteral("Windows NT");
    case 0x20: return QStringLiteral("Windows 2000");
    case 0x30: return QStringLiteral("Windows XP");
    case 0x40: return QStringLiteral("Windows XP x64 or Windows Server 2003");
    case 0x80: return QStringLiteral("Windows Vista");
    case 0x90: return QStringLiteral("Windows 7");
    case 0xA0: return QStringLiteral("Windows 8");
    default: return QStringLiteral("Windows Unknown");
    }
}

QString osVersionName()
{
    return QSysInfo::prettyProductName() + QStringLiteral(" (") + QSysInfo::kernelType()
           + QLatin1Char(' ') + QSysInfo::kernelVersion() + QLatin1Char(')');
}

QString userDataDir()
{
    const QString current = QDir::currentPath();
    const QFileInfo info(current);
    const QString binFolder = QStringLiteral("bin_") + architectureName();
    if (info.fileName() == binFolder) {
        return QDir::cleanPath(info.path() + QStringLiteral("/data"));
    }
    return QDir::cleanPath(current + QStringLiteral("/../data"));
}

QString brastelVersionAt(const QString &gamePath)
{
    QString version = QObject::tr("Brastel not found");
    QFile file(QDir::toNativeSeparators(gamePath + QStringLiteral("/version.xml")));
    if (!file.open(QIODevice::ReadOnly)) {
        return version;
    }
    QDomDocument document;
    if (!document.setContent(&file)) {
        return version;
    }
    const QDomElement element =
        document.documentElement().firstChildElement(QStringLiteral("version"));
    if (!element.isNull()) {
        version = element.text().simplified();
    }
    return version;
}

QString brastelVersion()
{
    return brastelVersionAt(Settings::instance() ? Settings::instance()->brastelPath : QString());
}
