#include "engine/conversionjob.h"

#include "engine/conversionloop.h"
#include "engine/engine.h"
#include "engine/progress.h"
#include "engine/userprompts.h"
#include "engine/utf8path.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

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

namespace {

// The running number of the row a thread converts, for a routine running
// beside others; 0 on every other thread.
thread_local int32_t t_runningNumber = 0;

// What a routine running beside others reports: kept here under a lock and
// shown by the run's thread on the file's line. Cancel is the run's flag.
class WorkerProgress final : public ConversionProgress {
public:
    WorkerProgress(std::string text, int32_t barWidth, const std::atomic<bool>& cancel)
        : m_barWidth(barWidth), m_cancel(cancel), m_text(std::move(text))
    {
    }

    void setFileText(const std::string& text) override
    {
        const std::lock_guard lock(m_mutex);
        m_text = text;
        m_changed = true;
    }
    int32_t fileBarWidth() const override { return m_barWidth; }
    void setFileBarRange(int32_t maximum) override
    {
        const std::lock_guard lock(m_mutex);
        m_maximum = maximum;
        m_changed = true;
    }
    void setFileBarPosition(int32_t position) override
    {
        const std::lock_guard lock(m_mutex);
        m_position = position;
        m_changed = true;
    }
    void setRunText(const std::string&) override {}
    void setRunBarRange(int32_t) override {}
    void stepRunBar() override {}
    void pump() override {}
    bool cancelRequested() const override { return m_cancel.load(); }

    // On the run's thread: shows what changed since the last call.
    void showOn(ConversionProgress& dialog, int32_t line)
    {
        const std::lock_guard lock(m_mutex);
        if (!m_changed)
            return;
        dialog.setLineText(line, m_text);
        dialog.setLineBar(line, m_maximum, m_position);
        m_changed = false;
    }

private:
    const int32_t m_barWidth;
    const std::atomic<bool>& m_cancel;
    std::mutex m_mutex;
    std::string m_text;
    int32_t m_maximum = 1;
    int32_t m_position = 0;
    bool m_changed = true;
};

} // namespace

struct ConversionJob::Context {
    const BatchOptions& options;
    const ConversionRoutine& routine;
    ConversionProgress& dialog;
    const OutputFormatInfo& format;
    int32_t rowCount;
    std::set<std::filesystem::path> sweptFolders;
};

int32_t ConversionJob::runningNumber() const
{
    return t_runningNumber > 0 ? t_runningNumber : m_runningNumber;
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
        Context context{options, routine, *dialog, *format, static_cast<int32_t>(rows.size()), {}};
        dialog->setRunBarRange(context.rowCount);
        dialog->pump();
        if (options.jobs > 1 && rows.size() > 1)
            runSideBySide(rows, context);
        else
            runInOrder(rows, context);
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

bool ConversionJob::startRow(BatchRow& row, Context& context, TargetReservation& target, std::string& status,
                             const std::function<void()>& announce)
{
    if (row.code == kInputMidi && !m_preconditions.soundFontReady()) {
        status = "Failure. Requires file \"ct4mgm.sf2\".";
        return false;
    }
    m_rows.makeRowVisible(row.rowIndex);
    m_rows.setRowStatus(row.rowIndex, "Converting...");
    if (announce)
        announce();
    if (!prepareTarget(row.sourcePath, std::string(context.format.extension), context.options.targetRules, target,
                       status))
        return false;
    // What earlier conversions into this folder left when they were killed.
    const std::filesystem::path folder = utf8Path(target.path()).parent_path();
    if (context.sweptFolders.insert(folder).second)
        removeStaleTemporaries(pathUtf8(folder));
    row.targetPath = target.path();
    return true;
}

std::string ConversionJob::finishRow(BatchRow& row, Outcome converted, TargetReservation& target)
{
    const std::string note = converted.note();
    if (converted && !nonEmptyFile(target.temporaryPath()))
        converted = false;
    if (converted)
        converted = target.commit();
    if (converted) {
        row.targetPath = target.path();
        // A success with something to add (a loudness target not reached)
        // says it after the name.
        if (note.empty())
            return fileNamePart(target.path());
        m_rows.widenStatusColumn(kFailureStatusColumnWidth);
        return fileNamePart(target.path()) + " (" + note + ")";
    }
    row.targetPath.clear();
    std::string status = "Conversion Failure";
    const std::string reason = converted.reason().empty() ? m_engine.failureDetail() : converted.reason();
    if (!reason.empty()) {
        status += " (" + reason + ")";
        m_rows.widenStatusColumn(kFailureStatusColumnWidth);
    }
    return status;
}

void ConversionJob::runInOrder(std::vector<BatchRow>& rows, Context& context)
{
    ConversionProgress& dialog = context.dialog;
    for (BatchRow& row : rows) {
        ++m_runningNumber;
        std::string status;
        TargetReservation target;
        const auto announce = [&] {
            dialog.setRunText("Converting " + std::to_string(m_runningNumber) + " of " +
                              std::to_string(context.rowCount) + " file(s) to " +
                              std::string(context.format.displayName) + "...");
            dialog.stepRunBar();
            dialog.setFileText("Converting " + fileNamePart(row.sourcePath) + "...");
            dialog.setFileBarPosition(0);
        };
        if (startRow(row, context, target, status, announce)) {
            m_engine.clearFailureDetail();
            status = finishRow(row, context.routine(row.code, row.sourcePath, target.temporaryPath(), dialog), target);
            if (!row.targetPath.empty()) {
                m_rows.setRowStatus(row.rowIndex, status);
                dialog.pump();
                if (dialog.cancelRequested()) {
                    m_cancelled = true;
                    break;
                }
                continue;
            }
        }
        row.targetPath.clear();
        if (dialog.cancelRequested()) {
            m_rows.setRowStatus(row.rowIndex, "Cancelled");
            m_cancelled = true;
            break;
        }
        m_rows.setRowStatus(row.rowIndex, status);
    }
}

void ConversionJob::runSideBySide(std::vector<BatchRow>& rows, Context& context)
{
    struct Task {
        BatchRow* row = nullptr;
        int32_t line = 0;
        TargetReservation target;
        std::unique_ptr<WorkerProgress> progress;
        std::thread thread;
        Outcome result;
        bool done = false; // under the lock
    };
    ConversionProgress& dialog = context.dialog;
    const auto jobs = static_cast<size_t>(std::min<int32_t>(context.options.jobs, context.rowCount));
    dialog.setFileLines(static_cast<int32_t>(jobs));
    std::vector<int32_t> freeLines;
    for (auto line = static_cast<int32_t>(jobs); line-- > 0;)
        freeLines.push_back(line);
    std::atomic<bool> cancel{false};
    std::mutex mutex;
    std::condition_variable ended;
    std::vector<std::unique_ptr<Task>> running;
    int32_t finished = 0;
    auto showRun = [&] {
        dialog.setRunText("Converted " + std::to_string(finished) + " of " + std::to_string(context.rowCount) +
                          " file(s) to " + std::string(context.format.displayName) + "...");
    };
    auto rowEnded = [&](BatchRow& row, const std::string& status) {
        m_rows.setRowStatus(row.rowIndex, status);
        ++finished;
        dialog.stepRunBar();
        showRun();
    };
    showRun();

    size_t next = 0;
    for (;;) {
        while (!cancel && running.size() < jobs && next < rows.size()) {
            BatchRow& row = rows[next++];
            ++m_runningNumber;
            auto task = std::make_unique<Task>();
            std::string status;
            if (!startRow(row, context, task->target, status, {})) {
                row.targetPath.clear();
                rowEnded(row, status);
                continue;
            }
            // Questions are asked here, never on the file's thread.
            const bool windowsMedia = row.code == kInputWindowsMedia && m_engine.windowsMediaReady();
            task->row = &row;
            task->line = freeLines.back();
            freeLines.pop_back();
            task->progress = std::make_unique<WorkerProgress>("Converting " + fileNamePart(row.sourcePath) + "...",
                                                              dialog.fileBarWidth(), cancel);
            task->progress->showOn(dialog, task->line);
            Task* t = task.get();
            const int32_t number = m_runningNumber;
            const std::string temporary = t->target.temporaryPath();
            t->thread = std::thread([&, t, number, windowsMedia, temporary] {
                const Engine::ScopedWindowsMediaAnswer answer(windowsMedia);
                t_runningNumber = number;
                Outcome result = false;
                try {
                    result = context.routine(t->row->code, t->row->sourcePath, temporary, *t->progress);
                } catch (...) {
                    result = Outcome::failure("The conversion stopped on an internal error.");
                }
                t_runningNumber = 0;
                {
                    const std::lock_guard lock(mutex);
                    t->result = std::move(result);
                    t->done = true;
                }
                ended.notify_all();
            });
            running.push_back(std::move(task));
        }
        if (running.empty())
            break;

        {
            std::unique_lock lock(mutex);
            ended.wait_for(lock, std::chrono::milliseconds(20), [&] {
                return std::any_of(running.begin(), running.end(), [](const auto& t) { return t->done; });
            });
        }
        dialog.pump();
        if (dialog.cancelRequested())
            cancel = true;
        for (auto it = running.begin(); it != running.end();) {
            Task& task = **it;
            task.progress->showOn(dialog, task.line);
            bool done = false;
            {
                const std::lock_guard lock(mutex);
                done = task.done;
            }
            if (!done) {
                ++it;
                continue;
            }
            task.thread.join();
            BatchRow& row = *task.row;
            std::string status = finishRow(row, std::move(task.result), task.target);
            if (row.targetPath.empty() && cancel)
                status = "Cancelled";
            rowEnded(row, status);
            freeLines.push_back(task.line);
            it = running.erase(it);
        }
    }
    m_cancelled = cancel;
}

} // namespace sonivert
