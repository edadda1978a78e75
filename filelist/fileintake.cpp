#include "filelist/fileintake.h"

#include "engine/constants.h"
#include "engine/engine.h"
#include "engine/progress.h"
#include "engine/userprompts.h"
#include "engine/utf8path.h"
#include "filelist/filelistmodel.h"
#include "filelist/pathtext.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>

namespace sonivert {
namespace {

constexpr const char* kCdAudioNote =
    "IMPORTANT: please DO NOT add CDA file from hard drive, but add CDA file from CD drive.";

std::string flashNote()
{
    return std::string("Note: please use Flarecast ( ") + kMakerWebSite + " ) to convert SWF and FLV files.";
}

bool isRegularFile(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(utf8Path(path), ec);
}

} // namespace

FileIntake::FileIntake(Engine& engine, FileListModel& list, ProgressHost& host)
    : m_engine(engine), m_list(list), m_host(host)
{
}

void FileIntake::setSourceFactory(SourceFactory factory)
{
    m_factory = std::move(factory);
}

int32_t FileIntake::AddOneFile(const std::string& path)
{
    if (m_list.isListed(path))
        return kAlreadyListed;

    const std::string extension = lowerExtensionWithDot(path);
    const InputTypeCode code = inputTypeForExtension(extension);

    // A FIFO or device would block or never end when a reader opens it.
    std::unique_ptr<AudioSource> source;
    if (isRegularFile(path)) {
        source = m_factory ? m_factory(path, code, 0, true) : m_engine.createSource(path, code, 0, true);
    }
    if (!source) {
        if (code == kInputCdAudio)
            m_engine.setFailureDetail(kCdAudioNote);
        else if (extension == ".swf" || extension == ".flv")
            m_engine.setFailureDetail(flashNote());
        return kAddFailed;
    }

    FileEntry entry;
    entry.sourcePath = path;
    entry.inputType = code;
    entry.durationSeconds = static_cast<uint32_t>(std::max(source->durationSeconds(), 0));
    entry.sampleRate = source->sampleRate();
    entry.bitrateKbps = source->bitrateKbps();
    if (code == kInputMp3)
        entry.channelMode = source->channelMode();
    else
        entry.channelCount = source->channels();
    source.reset();

    const int32_t row = m_list.AddRow(std::move(entry));
    return row >= 0 ? row : kAlreadyListed;
}

FileIntake::Summary FileIntake::AddFileList(const std::vector<std::string>& paths,
                                            std::unique_ptr<ItemProgress> progress)
{
    Summary summary;
    const size_t count = paths.size();
    const std::string total = std::to_string(count);

    m_host.setMainWindowEnabled(false);
    if (!progress)
        progress = m_host.createItemProgress();
    progress->setRange(static_cast<int32_t>(std::min<size_t>(count, std::numeric_limits<int32_t>::max())));
    progress->pump();

    m_engine.clearFailureDetail();
    std::string failureText;
    for (size_t i = 0; i < count; ++i) {
        progress->setText("Adding file " + std::to_string(i + 1) + " of " + total + "...");
        progress->step();
        const int32_t result = AddOneFile(paths[i]);
        if (result == kAddFailed) {
            if (summary.failed < kMaxNamedFailures)
                failureText += paths[i] + "\n";
            else if (summary.failed == kMaxNamedFailures)
                failureText += "<more files>...\n";
            ++summary.failed;
        } else if (result == kAlreadyListed) {
            ++summary.alreadyListed;
        } else {
            ++summary.added;
        }
        progress->pump();
        if (progress->cancelRequested()) {
            summary.cancelled = i + 1 < count;
            break;
        }
    }
    progress.reset(); // closes the window
    m_host.setMainWindowEnabled(true);

    if (!failureText.empty()) {
        std::string message = "Failed to load the following files.\n\n" + failureText;
        if (m_engine.failureDetail().empty())
            message += std::string("\nTo get help, please forward the failure files to <") + kSupportEmail + ">.";
        else
            message += "\n" + m_engine.failureDetail();
        m_engine.prompts().showMessage(UserPrompts::Icon::Exclamation, message);
    }
    return summary;
}

std::unique_ptr<ItemProgress> FileIntake::showSearchWindow()
{
    std::unique_ptr<ItemProgress> window = m_host.createItemProgress();
    window->setText("Searching files...");
    window->pump();
    return window;
}

FileIntake::Summary FileIntake::addFoundFiles(const std::vector<std::string>& found,
                                              std::unique_ptr<ItemProgress> progress)
{
    if (found.empty())
        return {}; // the search window closes as progress goes
    return AddFileList(found, std::move(progress));
}

FileIntake::Summary FileIntake::AddFolder(const std::string& folder, const ExtensionFilter& filter)
{
    std::unique_ptr<ItemProgress> window = showSearchWindow();
    std::vector<std::string> found;
    ScanFolder(found, folder, filter);
    if (found.empty() && filter.enabled) {
        // Files were there but none passed the filter: an adding that adds
        // nothing says why instead of looking as if it did nothing at all.
        std::vector<std::string> unfiltered;
        ScanFolder(unfiltered, folder, ExtensionFilter{});
        if (!unfiltered.empty()) {
            window.reset();
            m_engine.prompts().showMessage(UserPrompts::Icon::Information, filteredOutText(filter));
        }
    }
    return addFoundFiles(found, std::move(window));
}

std::string FileIntake::filteredOutText(const ExtensionFilter& filter)
{
    std::string list;
    for (const std::string& extension : filter.extensions)
        list += (list.empty() ? "" : ", ") + extension;
    return "No file in the folder has one of the extensions the filter accepts (" + list +
           ").\nThe filter is set on the General page of the options.";
}

FileIntake::Summary FileIntake::OnDropFiles(const std::vector<std::string>& droppedPaths,
                                            const ExtensionFilter& filter)
{
    std::unique_ptr<ItemProgress> window = showSearchWindow();
    std::vector<std::string> found;
    for (const std::string& path : droppedPaths) {
        if (path.empty())
            continue;
        std::error_code ec;
        if (std::filesystem::is_directory(utf8Path(path), ec))
            ScanFolder(found, path, filter);
        else
            AcceptPath(found, path, filter);
    }
    return addFoundFiles(found, std::move(window));
}

} // namespace sonivert
