#include "app/cli/settingscommand.h"

#include "platform/registrystore.h"
#include "platform/specialfolders.h"
#include "settings/conversionsettings.h"
#include "settings/firstrun.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <iostream>
#include <memory>
#include <optional>
#include <string_view>

namespace sonivert::cli {
namespace {

// Where a name leads: a value of the Options key (field or FirstRun) or of
// a tag sub-key.
struct ResolvedName {
    std::string keyPath;
    std::string_view valueName;
    bool isText = false;
    const OptionField* option = nullptr;
    const TagFormat* tagFormat = nullptr;
    const TagField* tagField = nullptr;
};

std::optional<ResolvedName> resolve(std::string_view name)
{
    const size_t slash = name.find('/');
    if (slash == std::string_view::npos) {
        if (name == kFirstRunValue)
            return ResolvedName{std::string(kOptionsKey), kFirstRunValue, false, nullptr, nullptr, nullptr};
        for (const OptionField& field : optionFields()) {
            if (field.name == name)
                return ResolvedName{std::string(kOptionsKey), field.name, field.text != nullptr, &field, nullptr,
                                    nullptr};
        }
        return std::nullopt;
    }
    const std::string_view keyName = name.substr(0, slash);
    const std::string_view valueName = name.substr(slash + 1);
    for (const TagFormat& format : tagFormats()) {
        if (keyName != std::string(format.word) + "Tag")
            continue;
        for (const TagField& field : tagFields()) {
            if (field.name == valueName)
                return ResolvedName{tagKeyPath(format.word), field.name, field.text != nullptr, nullptr, &format,
                                    &field};
        }
    }
    return std::nullopt;
}

std::string valueOf(const ResolvedName& name, const ConversionSettings& settings, RegistryStore& store)
{
    if (name.option) {
        if (name.option->text)
            return settings.*(name.option->text);
        return std::to_string(settings.*(name.option->number));
    }
    if (name.tagField) {
        const TagDefaults& tags = settings.*(name.tagFormat->record);
        if (name.tagField->text)
            return tags.*(name.tagField->text);
        return std::to_string(tags.*(name.tagField->number));
    }
    return std::to_string(storedFirstRun(store));
}

std::optional<int32_t> parseNumber(const std::string& text)
{
    int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

ConversionSettings loadedSettings(RegistryStore& store)
{
    ConversionSettings settings(documentsFolder());
    settings.load(store);
    return settings;
}

void list(RegistryStore& store)
{
    const ConversionSettings settings = loadedSettings(store);
    for (const OptionField& field : optionFields())
        std::cout << field.name << '=' << valueOf(*resolve(field.name), settings, store) << '\n';
    std::cout << kFirstRunValue << '=' << storedFirstRun(store) << '\n';
    for (const TagFormat& format : tagFormats()) {
        for (const TagField& field : tagFields()) {
            const std::string name = std::string(format.word) + "Tag/" + std::string(field.name);
            std::cout << name << '=' << valueOf(*resolve(name), settings, store) << '\n';
        }
    }
}

} // namespace

SettingsCommand::SettingsCommand(CLI::App& app)
{
    m_command = app.add_subcommand("settings", "Show or change the stored options");
    m_command->require_subcommand(1);
    m_list = m_command->add_subcommand("list", "Print every option as NAME=VALUE");
    m_get = m_command->add_subcommand("get", "Print one option");
    m_get->add_option("name", m_name, "Option name, e.g. OutputFormat or MP3Tag/Title")->required();
    m_set = m_command->add_subcommand("set", "Store one option");
    m_set->add_option("name", m_name, "Option name, e.g. OutputFormat or MP3Tag/Title")->required();
    m_set->add_option("value", m_value, "A number for number options, else a text")->required();
}

bool SettingsCommand::parsed() const
{
    return m_command->parsed();
}

int SettingsCommand::run() const
{
    const std::unique_ptr<RegistryStore> store = openUserSettingsStore();
    if (m_list->parsed()) {
        list(*store);
        return 0;
    }

    const std::optional<ResolvedName> name = resolve(m_name);
    if (!name) {
        std::cerr << "sonivert-cli: unknown setting '" << m_name << "'\n";
        return 2;
    }
    if (m_get->parsed()) {
        std::cout << valueOf(*name, loadedSettings(*store), *store) << '\n';
        return 0;
    }

    std::optional<int32_t> number;
    if (!name->isText) {
        number = parseNumber(m_value);
        if (!number) {
            std::cerr << "sonivert-cli: " << m_name << " takes a 32-bit decimal number, not '" << m_value << "'\n";
            return 2;
        }
    }
    const std::unique_ptr<RegistryKey> key = store->createKey(name->keyPath);
    if (key) {
        if (number)
            key->writeNumber(name->valueName, *number);
        else
            key->writeText(name->valueName, m_value);
    }
    if (!key || !store->flush()) {
        std::cerr << "sonivert-cli: the settings could not be written\n";
        return 1;
    }
    return 0;
}

} // namespace sonivert::cli
