// sonivert-cli: the command-line front end over the same engine as the window.

#include "app/cli/cliprompts.h"
#include "app/cli/convertcommand.h"
#include "app/cli/infocommand.h"
#include "app/cli/settingscommand.h"
#include "engine/engine.h"
#include "engine/outputformat.h"
#include "platform/specialfolders.h"
#include "sources/decoderstartup.h"

#include <CLI/CLI.hpp>

#include <iostream>

int main(int argc, char** argv)
{
    CLI::App app{"Sonivert batch audio converter, command-line front end", "sonivert-cli"};
    app.require_subcommand(1);

    sonivert::cli::InfoOptions info;
    std::string reader;
    CLI::App* infoCommand = app.add_subcommand("info", "Print the stream information of audio files");
    infoCommand->add_option("--reader", reader, "Open with this reader only (wav, aiff, au, bass, ffmpeg, ogg, wma)");
    infoCommand->add_flag("--json", info.json, "One JSON object per line");
    infoCommand->add_option("files", info.files, "Audio files")->required();

    sonivert::cli::ConvertOptions convert;
    std::string outputDir, ifExists;
    CLI::App* convertCommand =
        app.add_subcommand("convert", "Convert audio files as \"Convert All\" does, with the stored settings");
    // The format words come from the engine's format table, so a new format
    // is listed where it is defined.
    std::string formatWords;
    for (const sonivert::OutputFormatInfo& format : sonivert::outputFormats())
        formatWords += (formatWords.empty() ? "" : ", ") + std::string(format.cliName);
    convertCommand->add_option("--format", convert.format, "Output format (" + formatWords + ")")->required();
    CLI::Option* outputDirOption =
        convertCommand->add_option("--output-dir", outputDir, "Write into this folder (DestOutputFolderOpt 399)");
    convertCommand->add_flag("--same-folder", convert.sameFolder, "Write beside each source (DestOutputFolderOpt 199)")
        ->excludes(outputDirOption);
    convertCommand->add_flag("--mirror", convert.mirror, "Recreate the source folders below the output folder");
    CLI::Option* ifExistsOption = convertCommand->add_option("--if-exists", ifExists, "rename, overwrite or skip")
                                      ->check(CLI::IsMember({"rename", "overwrite", "skip"}));
    convertCommand->add_option("--set", convert.sets, "NAME=VALUE: one stored setting, for this run only")
        ->allow_extra_args(false);
    int32_t jobs = 0;
    CLI::Option* jobsOption =
        convertCommand->add_option("--jobs", jobs, "Files converted side by side (0: one per core; ConversionJobs)")
            ->check(CLI::Range(0, 64));
    convertCommand->add_option("files", convert.files, "Audio files, converted in this order")->required();

    sonivert::cli::SettingsCommand settings(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    }

    if (settings.parsed())
        return settings.run();

    // The commands that read audio start the decoders first and stop them
    // after every reader is gone.
    sonivert::cli::CliPrompts prompts;
    if (!sonivert::startDecodingBackEnds(sonivert::executableFolder(), prompts))
        return 1;
    int status = 2;
    if (convertCommand->parsed()) {
        if (*outputDirOption)
            convert.outputDir = outputDir;
        if (*ifExistsOption)
            convert.ifExists = ifExists;
        if (*jobsOption)
            convert.jobs = jobs;
        status = sonivert::cli::runConvert(convert);
    } else if (infoCommand->parsed()) {
        if (!reader.empty())
            info.reader = reader;
        sonivert::Engine engine(prompts);
        status = sonivert::cli::runInfo(engine, info);
    }
    sonivert::stopDecodingBackEnds();
    return status;
}
