#pragma once

#include "engine/conversionjob.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace sonivert::cli {

// How convert reports each file.
enum class RowReport {
    Lines, // "source<TAB>status" on standard output
    Json,  // one JSON object per line on standard output: source, target, status, message, seconds
    Quiet, // nothing on standard output; "sonivert-cli: source: status" on standard error for a file not converted
};

// Reports every input of a run once its status is final, in input order: an
// input that ends before an earlier one (files converted side by side) waits
// until every input before it is reported. Inputs are numbered from 0 in the
// order of sources; the batch rows carry these numbers as their row indices.
// An input that never reaches the batch (a missing file) ends through
// endBeforeRun. The batch rows must stay where they are while the sink
// lives: a row's target is read from them when its status is final.
class TerminalRowSink final : public RowStatusSink {
public:
    TerminalRowSink(std::vector<std::string> sources, const std::vector<BatchRow>& batch, RowReport report);

    void makeRowVisible(int32_t) override {}
    void setRowStatus(int32_t rowIndex, const std::string& text) override;
    void widenStatusColumn(int32_t) override {}

    // Ends an input that is not converted with its status text. reported:
    // the user has been told on standard error already, which a quiet
    // report does not repeat.
    void endBeforeRun(int32_t input, const std::string& status, bool reported);

    // After the run: the reports still waiting (inputs after a cancelled one
    // that never started have none).
    void flush();

private:
    struct Ending {
        std::string status;
        std::string target; // empty: not converted
        double seconds = 0; // from "Converting..." to the final status
        bool reported = false;
    };
    void end(size_t input, Ending ending);
    void print(size_t input, const Ending& ending) const;

    std::vector<std::string> m_sources;
    const std::vector<BatchRow>& m_batch;
    RowReport m_report;
    std::vector<int32_t> m_batchRow; // per input: its index in m_batch, -1 for none
    std::vector<std::optional<std::chrono::steady_clock::time_point>> m_started;
    std::vector<std::optional<Ending>> m_endings;
    size_t m_printed = 0; // inputs before this one are reported
};

} // namespace sonivert::cli
