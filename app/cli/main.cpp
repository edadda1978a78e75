// sonivert-cli: the command-line front end over the same engine as the window.

#include "app/cli/cliprompts.h"
#include "app/cli/infocommand.h"
#include "app/cli/settingscommand.h"
#include "engine/engine.h"

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

    sonivert::cli::CliPrompts prompts;
    sonivert::Engine engine(prompts);
    if (infoCommand->parsed()) {
        if (!reader.empty())
            info.reader = reader;
        return sonivert::cli::runInfo(engine, info);
    }
    return 2;
}
