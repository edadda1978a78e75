#include "ui/filedialogs.h"

#include "filelist/openfiledialog.h"

#include <QDir>
#include <QFileDialog>

namespace sonivert::ui {

QStringList openFileNameFilters()
{
    QStringList filters;
    for (const FileDialogFilter& filter : openFileDialogFilters()) {
        const QString description = QString::fromUtf8(filter.description.data(),
                                                       static_cast<qsizetype>(filter.description.size()));
        QString pattern =
            QString::fromUtf8(filter.pattern.data(), static_cast<qsizetype>(filter.pattern.size()));
        if (pattern == QLatin1String("*.*"))
            pattern = QStringLiteral("*");
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        // The description ends with the patterns in parentheses; Qt reads
        // the patterns from there.
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        const QString name = open > 0 ? description.left(open) : description + QLatin1Char(' ');
        filters << name + QLatin1Char('(') + pattern + QLatin1Char(')');
    }
    return filters;
}

std::vector<std::string> SystemFileDialogs::chooseFiles(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    const QStringList filters = openFileNameFilters();
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.front());
    std::vector<std::string> paths;
    if (dialog.exec() != QDialog::Accepted)
        return paths;
    for (const QString& file : dialog.selectedFiles())
        paths.push_back(QDir::toNativeSeparators(file).toStdString());
    return paths;
}

namespace {

std::optional<std::string> chooseFolderTitled(QWidget* parent, const std::string& initialFolder, const QString& title)
{
    // A stored folder ends with its separator; the dialog is given the
    // folder itself (a root keeps it).
    QString start = QString::fromStdString(initialFolder);
    while (start.size() > 1 && (start.endsWith(QLatin1Char('/')) || start.endsWith(QLatin1Char('\\'))) &&
           !start.endsWith(QLatin1String(":\\")))
        start.chop(1);
    const QString folder = QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(folder).toStdString();
}

} // namespace

std::optional<std::string> SystemFileDialogs::chooseFolder(QWidget* parent, const std::string& initialFolder)
{
    return chooseFolderTitled(parent, initialFolder, QStringLiteral("Please choose a folder:"));
}

std::optional<std::string> SystemFileDialogs::chooseOutputFolder(QWidget* parent, const std::string& initialFolder)
{
    return chooseFolderTitled(parent, initialFolder, QStringLiteral("Please choose an output folder:"));
}

} // namespace sonivert::ui
