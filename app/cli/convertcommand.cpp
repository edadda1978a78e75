#include "app/cli/convertcommand.h"

#include "app/cli/cliprompts.h"
#include "app/cli/terminalprogress.h"
#include "engine/conversionjob.h"
#include "engine/conversionroutines.h"
#include "engine/engine.h"
#include "engine/inputtype.h"
#include "engine/outputformat.h"
#include "platform/registrystore.h"
#include "platform/specialfolders.h"
#include "settings/conversionsettings.h"
#include "engine/soundfontpreconditions.h"
#include "sources/soundfont.h"

#include <charconv>
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
    for (const std::string& assignment : options.sets) {
        if (!applySet(settings, assignment))
            return 2;
    }
    if (options.jobs)
        settings.ConversionJobs = *options.jobs;

    std::vector<BatchRow> rows;
    for (const std::string& file : options.files)
        rows.push_back({static_cast<int32_t>(rows.size()), inputTypeForPath(file), file, ""});

    BatchOptions batch = batchOptionsFrom(settings, [] { return documentsFolder(); });
    batch.browseOutputFolder = false; // a terminal run never opens a file manager

    CliPrompts prompts;
    Engine engine(prompts);
    ConversionRoutines routines(engine, settings);
    TerminalProgressHost host;
    TerminalRowSink sink(rows);
    // The font is looked for as the window does when it opens, and again
    // before the batch when it holds MIDI files.
    MidiSoundFont soundFont(executableFolder(), systemSoundFonts());
    soundFont.installIfNotReady();
    BatchPreconditions others;
    SoundFontPreconditions preconditions(soundFont, prompts, others);
    ConversionJob job(engine, host, sink, preconditions);
    installInterruptHandler();
    job.run(rows, batch, routines.routineFor(format->code, &job));
    sink.flush();

    for (const BatchRow& row : rows) {
        if (row.targetPath.empty())
            return 1;
    }
    return 0;
}

} // namespace sonivert::cli
