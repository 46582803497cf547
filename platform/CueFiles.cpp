#include "CueFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {

QStringList CueSearchDirectories()
{
    QStringList directories;
    directories << QDir::currentPath();
    directories << QStringLiteral(PI_COINS_DATA_DIR);
    if (QCoreApplication::instance() != nullptr) {
        const QString executableDir = QCoreApplication::applicationDirPath();
        // An installation moved to another prefix keeps its data beside it.
        directories << QDir::cleanPath(executableDir + QStringLiteral("/../share/pi-coins"));
        directories << executableDir;
    }
    directories.removeDuplicates();
    return directories;
}

QString LocateCueFile(const QString& fileName)
{
    if (fileName.isEmpty())
        return {};
    if (fileName.contains(QLatin1Char('/')))
        return QFileInfo::exists(fileName) ? fileName : QString();
    for (const QString& directory : CueSearchDirectories()) {
        const QString candidate = QDir(directory).filePath(fileName);
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return {};
}

} // namespace platform
