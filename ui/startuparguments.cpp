#include "ui/startuparguments.h"

#include <QDir>
#include <QUrl>

namespace sonivert::ui {

std::vector<std::string> startupPaths(const QStringList& arguments, const QString& currentFolder)
{
    std::vector<std::string> paths;
    const QDir current(currentFolder);
    for (const QString& argument : arguments) {
        if (argument.isEmpty())
            continue;
        QString path = argument;
        if (argument.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive)) {
            const QUrl url(argument);
            if (!url.isLocalFile())
                continue;
            path = url.toLocalFile();
        } else if (const QUrl url(argument, QUrl::StrictMode);
                   url.isValid() && url.scheme().size() > 1 && argument.contains(QStringLiteral("://"))) {
            // A web address; a file name may hold a colon, and a one-letter
            // scheme is a Windows drive.
            continue;
        }
        paths.push_back(QDir::toNativeSeparators(QDir::cleanPath(current.absoluteFilePath(path))).toStdString());
    }
    return paths;
}

} // namespace sonivert::ui
