#pragma once

#include "engine/inputtype.h"
#include "engine/outcome.h"
#include "engine/outputformat.h"
#include "engine/outputnaming.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sonivert {

class ConversionProgress;
class Engine;
class ProgressHost;

// One row of a run: what the driver needs of a list row, and the target
// path it leaves there (set for a converted file, empty otherwise).
struct BatchRow {
    int32_t rowIndex = 0;
    InputTypeCode code = kInputOther;
    std::string sourcePath;
    std::string targetPath;
};

// The list as the driver sees it.
class RowStatusSink {
public:
    virtual ~RowStatusSink() = default;
    virtual void makeRowVisible(int32_t rowIndex) = 0;
    virtual void setRowStatus(int32_t rowIndex, const std::string& text) = 0;
    // Widens the status column to at least width pixels.
    virtual void widenStatusColumn(int32_t width) = 0;
};

// Converts one file into targetPath (the job hands a temporary file beside
// the target, which it commits when the routine succeeded); success when it
// was converted to its end, else the reason. The routine deletes its partial
// output on failure or Cancel.
using ConversionRoutine = std::function<Outcome(InputTypeCode code, const std::string& sourcePath,
                                                const std::string& targetPath, ConversionProgress& progress)>;

// Conditions a run checks before it starts. The Windows Media condition is
// the engine's check; the sound-font defaults let every run go on.
class BatchPreconditions {
public:
    virtual ~BatchPreconditions() = default;
    // For a Windows Media run: true when the run-time is (or could be) loaded;
    // otherwise the user has been told and the run ends before anything.
    virtual bool windowsMediaReady(Engine& engine);
    // Called once when the run holds a MIDI row and no sound font is loaded;
    // false ends the run before anything.
    virtual bool checkSoundFont() { return true; }
    // Whether MIDI rows can be rendered; those rows fail at once otherwise.
    virtual bool soundFontReady() const { return true; }
};

struct BatchOptions {
    OutputFormatCode format = kOutputWav;
    TargetRules targetRules;
    bool browseOutputFolder = false; // reveal the first converted file after a run not cancelled
    int32_t jobs = 1;                // files converted side by side (1: one after another)
};

// One run of an output format over rows in list order. Each row gets its
// target by the naming rules, is converted by the routine, and ends with its
// status cell set: the target's file name, "Conversion Failure" (with the
// reason in parentheses when there is one), a naming failure, or
// "Cancelled". A failed row never stops the run; Cancel does, and rows after
// the cancelled one keep their status.
//
// With options.jobs above 1, that many rows convert side by side, each on a
// thread of its own with its own reader, converter and encoder. The calling
// thread stays the only one that touches the sink and the progress window:
// it starts rows in row order (names, running numbers and questions are
// settled there, so they do not depend on which file finishes first),
// shows each running file on a line of its own and each row's status as the
// row ends; Cancel stops every running file ("Cancelled") and leaves the
// rows not started as they were. The routine must be safe to run on several
// threads at once.
class ConversionJob {
public:
    ConversionJob(Engine& engine, ProgressHost& host, RowStatusSink& rows, BatchPreconditions& preconditions);

    // The running number of the row being converted (1-based, counting every
    // row attempted in this run, in row order); routines use it as a track
    // number. A routine running beside others reads its own row's number.
    int32_t runningNumber() const;
    bool wasCancelled() const { return m_cancelled; }

    void run(std::vector<BatchRow>& rows, const BatchOptions& options, const ConversionRoutine& routine);

private:
    struct Context;
    void runInOrder(std::vector<BatchRow>& rows, Context& context);
    void runSideBySide(std::vector<BatchRow>& rows, Context& context);
    // The steps before a row converts (announce runs once the row shows
    // "Converting..."); false with status set when it does not convert.
    bool startRow(BatchRow& row, Context& context, TargetReservation& target, std::string& status,
                  const std::function<void()>& announce);
    // The status of a row whose routine ended with converted.
    std::string finishRow(BatchRow& row, Outcome converted, TargetReservation& target);

    Engine& m_engine;
    ProgressHost& m_host;
    RowStatusSink& m_rows;
    BatchPreconditions& m_preconditions;
    int32_t m_runningNumber = 0;
    bool m_cancelled = false;
};

inline constexpr int32_t kFailureStatusColumnWidth = 500;

} // namespace sonivert
