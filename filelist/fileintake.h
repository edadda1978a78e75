#pragma once

#include "engine/audiosource.h"
#include "engine/inputtype.h"
#include "filelist/folderscan.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sonivert {

class Engine;
class FileListModel;
class ItemProgress;
class ProgressHost;

// The add loop every intake path ends in (the open-file dialog, a folder
// scan, a drop), and the search phase of the folder scan and the drop.
//
// Runs on the thread that owns the list and keeps the windows alive through
// the progress window's pump. The engine provides the reader factory, the
// failure detail text and the user prompts; the host the progress window and
// the main window's enabled state.
class FileIntake {
public:
    // Results of AddOneFile other than a row index.
    static constexpr int32_t kAddFailed = -1;
    static constexpr int32_t kAlreadyListed = -2;
    // How many failed paths the summary names before "<more files>...".
    static constexpr int kMaxNamedFailures = 30;

    // The factory the intake asks for a reader: the engine's createSource
    // unless replaced (to force one reader, or to watch the requests).
    using SourceFactory = std::function<std::unique_ptr<AudioSource>(
        const std::string& path, InputTypeCode code, int32_t outputRate, bool probeOnly)>;

    struct Summary {
        int32_t added = 0;
        int32_t alreadyListed = 0;
        int32_t failed = 0;
        bool cancelled = false; // Cancel stopped the loop before its last path
    };

    FileIntake(Engine& engine, FileListModel& list, ProgressHost& host);

    // An empty function restores the engine's createSource.
    void setSourceFactory(SourceFactory factory);

    // Adds one file: kAlreadyListed when its path (in any spelling of the
    // same path) is listed already, kAddFailed when no reader opens it
    // (and, for CD-audio tracks and Flash files, a note in the engine's
    // failure detail), otherwise the new row's index. The reader is asked
    // for stream information only and destroyed before this returns. Only
    // regular files are offered to the readers.
    int32_t AddOneFile(const std::string& path);

    // Adds every path in order under a progress window ("Adding file i of
    // N..."), with the main window disabled. Cancel is noticed between files;
    // the rows added so far stay. Afterwards the files that failed are named
    // in one exclamation message (at most kMaxNamedFailures of them). progress
    // is a window already shown by the search phase, or null for a new one;
    // the window is closed before this returns.
    Summary AddFileList(const std::vector<std::string>& paths, std::unique_ptr<ItemProgress> progress = nullptr);

    // Scans folder and its whole subtree ("Searching files...") and adds
    // what the filter accepts. Nothing found closes the window silently.
    // When the filter is on and turned away every file the folder holds,
    // the user is told so (filteredOutText) and nothing is added.
    Summary AddFolder(const std::string& folder, const ExtensionFilter& filter);

    // The information text for a folder whose files the filter all turned away.
    static std::string filteredOutText(const ExtensionFilter& filter);

    // Handles paths dropped on the window: folders are scanned, everything
    // else passes AcceptPath; then the found files are added.
    Summary OnDropFiles(const std::vector<std::string>& droppedPaths, const ExtensionFilter& filter);

private:
    Summary addFoundFiles(const std::vector<std::string>& found, std::unique_ptr<ItemProgress> progress);
    std::unique_ptr<ItemProgress> showSearchWindow();

    Engine& m_engine;
    FileListModel& m_list;
    ProgressHost& m_host;
    SourceFactory m_factory;
};

} // namespace sonivert
