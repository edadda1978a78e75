#include "engine/conversionjob.h"

#include "engine/conversionloop.h"
#include "engine/engine.h"
#include "engine/progress.h"
#include "engine/userprompts.h"
#include "engine/utf8path.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace sonivert {

bool BatchPreconditions::windowsMediaReady(Engine& engine)
{
    return engine.windowsMediaReady();
}

namespace {

bool nonEmptyFile(const std::string& path)
{
    std::error_code ec;
    const auto p = utf8Path(path);
    if (!std::filesystem::is_regular_file(p, ec))
        return false;
    const uintmax_t size = std::filesystem::file_size(p, ec);
    return !ec && size > 0;
}

} // namespace

ConversionJob::ConversionJob(Engine& engine, ProgressHost& host, RowStatusSink& rows,
                             BatchPreconditions& preconditions)
    : m_engine(engine), m_host(host), m_rows(rows), m_preconditions(preconditions)
{
}

void ConversionJob::run(std::vector<BatchRow>& rows, const BatchOptions& options, const ConversionRoutine& routine)
{
    m_cancelled = false;
    m_runningNumber = 0;
    const OutputFormatInfo* format = outputFormatInfo(options.format);
    if (!format || !routine)
        return;

    if (options.format == kOutputWma && !m_preconditions.windowsMediaReady(m_engine))
        return;
    const bool hasMidi = std::any_of(rows.begin(), rows.end(), [](const BatchRow& r) { return r.code == kInputMidi; });
    if (hasMidi && !m_preconditions.soundFontReady() && !m_preconditions.checkSoundFont())
        return;

    m_host.setMainWindowEnabled(false);
    {
        std::unique_ptr<ConversionProgress> dialog = m_host.createConversionProgress();
        const auto n = static_cast<int32_t>(rows.size());
        std::set<std::filesystem::path> sweptFolders;
        dialog->setRunBarRange(n);
        dialog->pump();

        for (BatchRow& row : rows) {
            ++m_runningNumber;
            std::string status;
            if (row.code == kInputMidi && !m_preconditions.soundFontReady()) {
                status = "Failure. Requires file \"ct4mgm.sf2\".";
            } else {
                m_rows.makeRowVisible(row.rowIndex);
                m_rows.setRowStatus(row.rowIndex, "Converting...");
                dialog->setRunText("Converting " + std::to_string(m_runningNumber) + " of " + std::to_string(n) +
                                   " file(s) to " + std::string(format->displayName) + "...");
                dialog->stepRunBar();
                dialog->setFileText("Converting " + fileNamePart(row.sourcePath) + "...");
                dialog->setFileBarPosition(0);

                TargetReservation target;
                if (prepareTarget(row.sourcePath, std::string(format->extension), options.targetRules, target,
                                  status)) {
                    // What earlier conversions into this folder left when they were killed.
                    if (sweptFolders.insert(utf8Path(target.path()).parent_path()).second)
                        removeStaleTemporaries(pathUtf8(utf8Path(target.path()).parent_path()));
                    row.targetPath = target.path();
                    m_engine.clearFailureDetail();
                    Outcome converted = routine(row.code, row.sourcePath, target.temporaryPath(), *dialog);
                    if (converted && !nonEmptyFile(target.temporaryPath()))
                        converted = false;
                    if (converted)
                        converted = target.commit();
                    if (converted) {
                        row.targetPath = target.path();
                        m_rows.setRowStatus(row.rowIndex, fileNamePart(target.path()));
                        dialog->pump();
                        if (dialog->cancelRequested()) {
                            m_cancelled = true;
                            break;
                        }
                        continue;
                    }
                    status = "Conversion Failure";
                    const std::string& reason =
                        converted.reason().empty() ? m_engine.failureDetail() : converted.reason();
                    if (!reason.empty()) {
                        status += " (" + reason + ")";
                        m_rows.widenStatusColumn(kFailureStatusColumnWidth);
                    }
                }
            }
            row.targetPath.clear();
            if (dialog->cancelRequested()) {
                m_rows.setRowStatus(row.rowIndex, "Cancelled");
                m_cancelled = true;
                break;
            }
            m_rows.setRowStatus(row.rowIndex, status);
        }
    } // the dialog closes here
    m_host.setMainWindowEnabled(true);

    if (m_cancelled || !options.browseOutputFolder)
        return;
    for (const BatchRow& row : rows) {
        std::error_code ec;
        if (!row.targetPath.empty() && std::filesystem::exists(utf8Path(row.targetPath), ec)) {
            m_engine.prompts().revealFile(row.targetPath);
            break;
        }
    }
}

} // namespace sonivert
