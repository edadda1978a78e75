#pragma once

#include <string>

namespace CLI {
class App;
}

namespace sonivert::cli {

// "settings list", "settings get NAME", "settings set NAME VALUE" on the
// user's settings store (SONIVERT_SETTINGS, when set, names its file).
//
// Names are the value names of the Options key ("OutputFormat",
// "FirstRun", ...) and, for the tag sub-keys, the sub-key and value name
// joined by a slash ("MP3Tag/Title", "OGGTag/TrackNumType"). list and get
// show the values as the program sees them after loading: defaults for
// absent values, load checks applied. set stores the value as given,
// without the load checks, as a number for number values and as a text for
// text values.
class SettingsCommand {
public:
    // Registers the command and its three sub-commands on app.
    explicit SettingsCommand(CLI::App& app);

    bool parsed() const;

    // Exit status: 0 done, 1 the store could not be written, 2 an unknown
    // name or a number value that is not a 32-bit decimal number.
    int run() const;

private:
    CLI::App* m_command = nullptr;
    CLI::App* m_list = nullptr;
    CLI::App* m_get = nullptr;
    CLI::App* m_set = nullptr;
    std::string m_name;
    std::string m_value;
};

} // namespace sonivert::cli
