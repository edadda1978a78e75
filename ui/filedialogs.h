#pragma once

#include <QStringList>

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace sonivert::ui {

// The two system dialogs of the intake commands, behind an interface so
// that the window can be driven without a person at it.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;

    // The "Add Files" dialog: existing files, several at once, with the
    // open-file type list ("All Files" chosen first). Returns full UTF-8
    // paths in the dialog's order; empty when cancelled.
    virtual std::vector<std::string> chooseFiles(QWidget* parent) = 0;
    // The "Add Folder" dialog titled "Please choose a folder:", starting at
    // initialFolder (may be empty). Returns the folder, or nothing when
    // cancelled.
    virtual std::optional<std::string> chooseFolder(QWidget* parent, const std::string& initialFolder) = 0;
    // The same folder dialog for the options sheet's custom output folder,
    // titled "Please choose an output folder:".
    virtual std::optional<std::string> chooseOutputFolder(QWidget* parent, const std::string& initialFolder) = 0;
};

class SystemFileDialogs final : public FileDialogs {
public:
    std::vector<std::string> chooseFiles(QWidget* parent) override;
    std::optional<std::string> chooseFolder(QWidget* parent, const std::string& initialFolder) override;
    std::optional<std::string> chooseOutputFolder(QWidget* parent, const std::string& initialFolder) override;
};

// The open-file type list in the form Qt's dialogs read: the description's
// parenthesised patterns separated by blanks instead of semicolons, and
// "All Files" as "*" (Qt's "*.*" would leave out names without a dot).
QStringList openFileNameFilters();

} // namespace sonivert::ui
