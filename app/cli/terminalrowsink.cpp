#include "app/cli/terminalrowsink.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <iostream>
#include <unistd.h>

namespace sonivert::cli {
namespace {

// The status texts of the batch driver and of output naming that are not
// failures.
constexpr std::string_view kConvertingStatus = "Converting...";
constexpr std::string_view kCancelledStatus = "Cancelled";
constexpr std::string_view kSkippedStatus = "Target exists and skipped";

std::string statusWord(const std::string& status, const std::string& target)
{
    if (!target.empty())
        return "converted";
    if (status == kCancelledStatus)
        return "cancelled";
    if (status == kSkippedStatus)
        return "skipped";
    return "failed";
}

} // namespace

TerminalRowSink::TerminalRowSink(std::vector<std::string> sources, const std::vector<BatchRow>& batch,
                                 RowReport report)
    : m_sources(std::move(sources)),
      m_batch(batch),
      m_report(report),
      m_batchRow(m_sources.size(), -1),
      m_started(m_sources.size()),
      m_endings(m_sources.size())
{
    for (size_t i = 0; i < m_batch.size(); ++i) {
        const auto input = static_cast<size_t>(m_batch[i].rowIndex);
        if (input < m_batchRow.size())
            m_batchRow[input] = static_cast<int32_t>(i);
    }
}

void TerminalRowSink::setRowStatus(int32_t rowIndex, const std::string& text)
{
    const auto input = static_cast<size_t>(rowIndex);
    if (rowIndex < 0 || input >= m_sources.size())
        return;
    const auto now = std::chrono::steady_clock::now();
    if (text == kConvertingStatus) {
        m_started[input] = now;
        return;
    }
    Ending ending;
    ending.status = text;
    if (m_batchRow[input] >= 0)
        ending.target = m_batch[static_cast<size_t>(m_batchRow[input])].targetPath;
    if (m_started[input])
        ending.seconds = std::chrono::duration<double>(now - *m_started[input]).count();
    end(input, std::move(ending));
}

void TerminalRowSink::endBeforeRun(int32_t input, const std::string& status, bool reported)
{
    if (input >= 0 && static_cast<size_t>(input) < m_sources.size())
        end(static_cast<size_t>(input), Ending{status, {}, 0, reported});
}

void TerminalRowSink::end(size_t input, Ending ending)
{
    m_endings[input] = std::move(ending);
    while (m_printed < m_endings.size() && m_endings[m_printed]) {
        print(m_printed, *m_endings[m_printed]);
        ++m_printed;
    }
}

void TerminalRowSink::flush()
{
    for (; m_printed < m_endings.size(); ++m_printed) {
        if (m_endings[m_printed])
            print(m_printed, *m_endings[m_printed]);
    }
}

void TerminalRowSink::print(size_t input, const Ending& ending) const
{
    // A progress line being drawn is cleared first.
    if (isatty(STDERR_FILENO))
        std::cerr << "\r\033[K" << std::flush;
    const std::string& source = m_sources[input];
    switch (m_report) {
    case RowReport::Lines:
        std::cout << source << '\t' << ending.status << std::endl;
        break;
    case RowReport::Json: {
        nlohmann::ordered_json j;
        j["source"] = source;
        j["target"] = ending.target.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(ending.target);
        j["status"] = statusWord(ending.status, ending.target);
        j["message"] = ending.status;
        j["seconds"] = std::round(ending.seconds * 1000) / 1000;
        // Paths are bytes; a name that is not valid UTF-8 still prints.
        std::cout << j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
        break;
    }
    case RowReport::Quiet:
        if (ending.target.empty() && !ending.reported)
            std::cerr << "sonivert-cli: " << source << ": " << ending.status << std::endl;
        break;
    }
}

} // namespace sonivert::cli
