#include "app/cli/convertcommand.h"

#include "app/cli/cliprompts.h"
#include "app/cli/terminalprogress.h"
#include "app/cli/terminalrowsink.h"
#include "engine/conversionjob.h"
#include "engine/conversionroutines.h"
#include "engine/engine.h"
#include "engine/inputtype.h"
#include "engine/outputformat.h"
#include "engine/soundfontpreconditions.h"
#include "engine/utf8path.h"
#include "filelist/fileintake.h"
#include "filelist/filelistmodel.h"
#include "platform/registrystore.h"
#include "platform/specialfolders.h"
#include "settings/conversionsettings.h"
#include "sources/soundfont.h"

#include <charconv>
#include <filesystem>
#include <iostream>

namespace sonivert::cli {
namespace {

bool usage(const std::string& message)
{
    std::cerr << "sonivert-cli: " << message << '\n';
    return false;
}

// Applies one NAME=VALUE to the settings, with the value's load check.
bool applySet(ConversionSettings& settings, const std::string& assignment)
{
    const size_t eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0)
        return usage("--set expects NAME=VALUE, got '" + assignment + "'");
    const std::string name = assignment.substr(0, eq);
    const std::string value = assignment.substr(eq + 1);
    for (const OptionField& field : optionFields()) {
        if (field.name != name)
            continue;
        if (field.text) {
            settings.*field.text = value;
            return true;
        }
        int32_t number = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
        if (ec != std::errc() || end != value.data() + value.size())
            return usage("--set " + name + " expects a number, got '" + value + "'");
        settings.*field.number = field.check ? field.check(number, settings.*field.number) : number;
        return true;
    }
    return usage("unknown setting '" + name + "'");
}

// What the run is made of: every input in the order given, folders replaced
// by their files; the batch rows of those that are converted, numbered by
// their input; and the inputs that do not exist, with their status.
struct RunInputs {
    std::vector<std::string> sources;
    std::vector<BatchRow> rows;
    std::vector<std::pair<int32_t, std::string>> missing;
};

RunInputs gatherInputs(const std::vector<std::string>& files, const ConversionSettings& settings, Engine& engine,
                       ProgressHost& host)
{
    namespace fs = std::filesystem;
    RunInputs inputs;
    const auto add = [&inputs](const std::string& path, InputTypeCode code) {
        inputs.rows.push_back({static_cast<int32_t>(inputs.sources.size()), code, path, ""});
        inputs.sources.push_back(path);
    };
    // Folders go through the window's intake: one list, so a file found
    // twice is converted once.
    FileListModel list;
    FileIntake intake(engine, list, host);
    const ExtensionFilter filter{settings.EnableExtFilter != 0, settings.filterExtList};
    for (const std::string& file : files) {
        std::error_code ec;
        const fs::file_type type = fs::status(utf8Path(file), ec).type();
        if (type == fs::file_type::directory) {
            const int32_t before = list.rowCount();
            intake.AddFolder(file, filter);
            for (int32_t row = before; row < list.rowCount(); ++row)
                add(list.entry(row)->sourcePath, list.entry(row)->inputType);
        } else if (type == fs::file_type::not_found) {
            const std::string reason = Engine::unopenableReason(file);
            engine.prompts().showMessage(UserPrompts::Icon::Error, file + ": " + reason);
            inputs.missing.emplace_back(static_cast<int32_t>(inputs.sources.size()),
                                        "Conversion Failure (" + reason + ")");
            inputs.sources.push_back(file);
        } else {
            add(file, inputTypeForPath(file));
        }
        if (interruptRequested())
            break;
    }
    return inputs;
}

} // namespace

int runConvert(const ConvertOptions& options)
{
    const OutputFormatInfo* format = outputFormatByCliName(options.format);
    if (!format) {
        usage("unknown format '" + options.format + "'");
        return 2;
    }
    if (!ConversionRoutines::formatAvailable(format->code)) {
        usage("output format '" + options.format + "' is not available in this build");
        return 2;
    }
    if (options.outputDir && options.sameFolder) {
        usage("--output-dir and --same-folder exclude each other");
        return 2;
    }
    if (options.json && options.quiet) {
        usage("--json and --quiet exclude each other");
        return 2;
    }

    std::unique_ptr<RegistryStore> store = openUserSettingsStore();
    ConversionSettings settings(documentsFolder());
    if (store)
        settings.load(*store);

    settings.OutputFormat = format->code;
    if (options.outputDir) {
        settings.DestOutputFolderOpt = kFolderCustom;
        settings.DestSpecifiedFolder = *options.outputDir;
    }
    if (options.sameFolder)
        settings.DestOutputFolderOpt = kFolderSameAsSource;
    if (options.mirror)
        settings.CreateDirs = 1;
    if (options.ifExists) {
        if (*options.ifExists == "rename")
            settings.TargetExistsOpt = kTargetAutoRename;
        else if (*options.ifExists == "overwrite")
            settings.TargetExistsOpt = kTargetOverwrite;
        else if (*options.ifExists == "skip")
            settings.TargetExistsOpt = kTargetSkip;
        else {
            usage("--if-exists expects rename, overwrite or skip");
            return 2;
        }
    }
    if (const Outcome encoding = applyEncodingOptions(settings, *format, options.encoding); !encoding) {
        usage(encoding.reason());
        return 2;
    }
    for (const std::string& assignment : options.sets) {
        if (!applySet(settings, assignment))
            return 2;
    }
    settings.parseExtFilter(); // --set may have changed the filter
    if (options.jobs)
        settings.ConversionJobs = *options.jobs;
    if (options.replayGain)
        settings.ReplayGain = 1;
    if (options.normalizeLufs) {
        settings.NormalizeLoudness = 1;
        settings.NormalizeTargetLufs = *options.normalizeLufs;
    }

    BatchOptions batch = batchOptionsFrom(settings, [] { return documentsFolder(); });
    batch.browseOutputFolder = false; // a terminal run never opens a file manager

    CliPrompts prompts(options.quiet);
    Engine engine(prompts);
    TerminalProgressHost host(options.quiet);
    installInterruptHandler();
    RunInputs inputs = gatherInputs(options.files, settings, engine, host);
    if (interruptRequested())
        return 1;
    if (inputs.sources.empty()) {
        prompts.showMessage(UserPrompts::Icon::Information, "no files to convert");
        return 0;
    }

    const RowReport report = options.json ? RowReport::Json : options.quiet ? RowReport::Quiet : RowReport::Lines;
    TerminalRowSink sink(inputs.sources, inputs.rows, report);
    for (const auto& [input, status] : inputs.missing)
        sink.endBeforeRun(input, status, true);
    if (!inputs.rows.empty()) {
        ConversionRoutines routines(engine, settings);
        // The font is looked for as the window does when it opens, and again
        // before the batch when it holds MIDI files.
        MidiSoundFont soundFont(executableFolder(), systemSoundFonts(), userSoundFontFolder());
        soundFont.installIfNotReady();
        BatchPreconditions others;
        SoundFontPreconditions preconditions(soundFont, prompts, others);
        ConversionJob job(engine, host, sink, preconditions);
        job.run(inputs.rows, batch, routines.routineFor(format->code, &job));
    }
    sink.flush();

    if (!inputs.missing.empty())
        return 1;
    for (const BatchRow& row : inputs.rows) {
        if (row.targetPath.empty())
            return 1;
    }
    return 0;
}

} // namespace sonivert::cli
