// sonivert-cli: the command-line front end over the same engine as the window.

#include "app/cli/cliprompts.h"
#include "app/cli/convertcommand.h"
#include "app/cli/formatscommand.h"
#include "app/cli/infocommand.h"
#include "app/cli/settingscommand.h"
#include "engine/engine.h"
#include "engine/outputformat.h"
#include "engine/version.h"
#include "platform/specialfolders.h"
#include "sources/decoderstartup.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <string>

namespace {

// "mp3, wav, ..." in the order of the engine's output format table.
std::string formatWords()
{
    std::string words;
    for (const sonivert::OutputFormatInfo& format : sonivert::outputFormats())
        words += (words.empty() ? "" : ", ") + std::string(format.cliName);
    return words;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Sonivert batch audio converter, command-line front end", "sonivert-cli"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "sonivert-cli " + std::to_string(sonivert::kVersionMajor) + "." +
                                          std::to_string(sonivert::kVersionMinor) + "." +
                                          std::to_string(sonivert::kVersionBuild));

    CLI::App* formatsCommand =
        app.add_subcommand("formats", "List the output formats and the input types the readers take");

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
    convertCommand->add_option("--format", convert.format, "Output format (" + formatWords() + ")")->required();
    CLI::Option* outputDirOption =
        convertCommand->add_option("--output-dir", outputDir, "Write into this folder (DestOutputFolderOpt 399)");
    convertCommand->add_flag("--same-folder", convert.sameFolder, "Write beside each source (DestOutputFolderOpt 199)")
        ->excludes(outputDirOption);
    convertCommand->add_flag("--mirror", convert.mirror, "Recreate the source folders below the output folder");
    CLI::Option* ifExistsOption = convertCommand->add_option("--if-exists", ifExists, "rename, overwrite or skip")
                                      ->check(CLI::IsMember({"rename", "overwrite", "skip"}));
    std::string bitrate;
    int32_t rate = 0, channels = 0, quality = 0;
    CLI::Option* bitrateOption =
        convertCommand->add_option("--bitrate", bitrate, "Bit rate in kbit/s (by format, below)")->type_name("KBPS");
    CLI::Option* rateOption = convertCommand->add_option("--rate", rate, "Sample rate in Hz")->type_name("HZ");
    CLI::Option* channelsOption =
        convertCommand->add_option("--channels", channels, "1 (mono) or 2")->type_name("1|2");
    CLI::Option* qualityOption =
        convertCommand->add_option("--quality", quality, "The format's quality (by format, below)")->type_name("Q");
    convertCommand->add_option("--set", convert.sets, "NAME=VALUE: one stored setting, for this run only (after the options above)")
        ->allow_extra_args(false);
    int32_t jobs = 0;
    CLI::Option* jobsOption =
        convertCommand->add_option("--jobs", jobs, "Files converted side by side (0: one per core; ConversionJobs)")
            ->check(CLI::Range(0, 64));
    convertCommand->add_flag("--replaygain", convert.replayGain,
                             "Tag each output with its ReplayGain track gain and peak (ReplayGain)");
    int32_t normalize = -16;
    CLI::Option* normalizeOption =
        convertCommand
            ->add_option("--normalize", normalize,
                         "Gain each output to this integrated loudness, -30..-5, in place of the amplification "
                         "(NormalizeLoudness, NormalizeTargetLufs)")
            ->type_name("LUFS")
            ->check(CLI::Range(-30, -5));
    CLI::Option* jsonOption = convertCommand->add_flag("--json", convert.json, "One JSON object per file on standard output");
    convertCommand->add_flag("--quiet", convert.quiet, "Print nothing but the files not converted and errors, on standard error")
        ->excludes(jsonOption);
    convertCommand->add_option("files", convert.files, "Audio files and folders (with their subfolders), converted in this order")
        ->required();
    convertCommand->footer(sonivert::cli::encodingOptionsHelp());

    sonivert::cli::SettingsCommand settings(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) { // help or version
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    }

    if (settings.parsed())
        return settings.run();
    if (formatsCommand->parsed())
        return sonivert::cli::runFormats();

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
        if (*normalizeOption)
            convert.normalizeLufs = normalize;
        if (*bitrateOption)
            convert.encoding.bitrate = bitrate;
        if (*rateOption)
            convert.encoding.rate = rate;
        if (*channelsOption)
            convert.encoding.channels = channels;
        if (*qualityOption)
            convert.encoding.quality = quality;
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
