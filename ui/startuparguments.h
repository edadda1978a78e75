#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace sonivert::ui {

// The files and folders named on the desktop program's command line
// ("sonivert FILE|FOLDER..."), in the form a drop hands them to the list:
// absolute UTF-8 paths in native separators, in argument order. An argument
// is a local path, a relative one taken against currentFolder, or a "file:"
// address as file managers and launchers pass them; other addresses
// ("scheme://...") and empty arguments are left out. arguments holds the arguments alone,
// without the program's own name, and with Qt's own options already taken
// out (QCoreApplication::arguments() minus its first entry).
std::vector<std::string> startupPaths(const QStringList& arguments, const QString& currentFolder);

} // namespace sonivert::ui
