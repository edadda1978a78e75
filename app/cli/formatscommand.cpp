#include "app/cli/formatscommand.h"

#include "app/cli/encodingoptions.h"
#include "engine/conversionroutines.h"
#include "engine/engine.h"
#include "engine/inputtype.h"
#include "engine/outputformat.h"

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

namespace sonivert::cli {
namespace {

using Row = std::vector<std::string>;

// Rows in columns two spaces apart, each line indented by two.
void printTable(const std::vector<Row>& rows)
{
    std::vector<size_t> widths;
    for (const Row& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    }
    for (const Row& row : rows) {
        std::string line = " ";
        for (size_t i = 0; i < row.size(); ++i)
            line += " " + (i + 1 < row.size() ? row[i] + std::string(widths[i] - row[i].size() + 1, ' ') : row[i]);
        line.erase(line.find_last_not_of(' ') + 1);
        std::cout << line << '\n';
    }
}

std::string readerNames(InputTypeCode code, bool windowsMediaLoaded)
{
    std::string names;
    for (const ReaderId id : readerCandidates(code, windowsMediaLoaded)) {
        if (readerAvailable(id))
            names += (names.empty() ? "" : " ") + std::string(readerIdName(id));
    }
    return names;
}

} // namespace

int runFormats()
{
    std::vector<Row> formats = {{"NAME", "EXTENSION", "FORMAT", "OPTIONS"}};
    for (const OutputFormatInfo& f : outputFormats()) {
        formats.push_back({std::string(f.displayName), std::string(f.extension), std::string(f.cliName),
                           ConversionRoutines::formatAvailable(f.code) ? encodingOptionNames(f)
                                                                       : "(not available in this build)"});
    }
    std::cout << "Output formats (convert --format FORMAT):\n";
    printTable(formats);

    // Type codes in the order the extension table first names them.
    std::vector<InputTypeCode> codes;
    for (const ExtensionEntry& e : extensionTable()) {
        if (std::find(codes.begin(), codes.end(), e.code) == codes.end())
            codes.push_back(e.code);
    }
    std::vector<Row> inputs = {{"TYPE", "EXTENSIONS", "READERS"}};
    for (const InputTypeCode code : codes) {
        std::string extensions;
        for (const ExtensionEntry& e : extensionTable()) {
            if (e.code == code)
                extensions += (extensions.empty() ? "" : " ") + std::string(e.extension);
        }
        std::string readers = readerNames(code, true);
        if (const std::string unloaded = readerNames(code, false); unloaded != readers)
            readers += " (" + unloaded + " without the Windows Media run-time)";
        inputs.push_back({std::to_string(static_cast<int>(code)), extensions, readers});
    }
    inputs.push_back({std::to_string(static_cast<int>(kInputOther)), "any other", readerNames(kInputOther, true)});
    std::cout << "\nInput types (the readers are tried in this order):\n";
    printTable(inputs);
    return 0;
}

} // namespace sonivert::cli
