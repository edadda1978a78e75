#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonivert {

// One open key of the registry-like settings store. Value names are the
// registry value names, used exactly as written (no separators in them).
// Numbers are 32-bit (a registry DWORD), texts are UTF-8 (a registry string).
//
// A key may outlive its store object; neither is thread-safe. Writes are
// buffered and reach the disk (or the registry) at the latest when the
// store and its last key are gone; RegistryStore::flush forces them and
// reports failures.
class RegistryKey {
public:
    enum class ValueKind {
        Absent, // no value of that name
        Number, // a 32-bit number
        Text,   // a text
        Other,  // present but neither: another registry type, or an
                // INI entry that is not in this store's encoding
    };

    virtual ~RegistryKey() = default;

    [[nodiscard]] virtual ValueKind valueKind(std::string_view name) const = 0;

    // The number, or nothing when the value is absent or not a number.
    [[nodiscard]] virtual std::optional<int32_t> readNumber(std::string_view name) const = 0;
    // The whole text, or nothing when the value is absent or not a text.
    [[nodiscard]] virtual std::optional<std::string> readText(std::string_view name) const = 0;
    // The size a text occupies as a registry string: its UTF-8 bytes plus
    // one terminating zero byte (so an empty text has size 1). Nothing when
    // the value is absent or not a text.
    [[nodiscard]] virtual std::optional<size_t> textSize(std::string_view name) const = 0;

    // The names of the values in this key (not of its sub-keys), sorted.
    [[nodiscard]] virtual std::vector<std::string> valueNames() const = 0;

    // Replace the value, whatever its type was.
    virtual void writeNumber(std::string_view name, int32_t value) = 0;
    virtual void writeText(std::string_view name, std::string_view value) = 0;
};

// The store: keys below the product's base key
// (HKEY_CURRENT_USER\Software\Quillon\Sonivert\). Key paths are relative to
// that base and separate levels with a backslash, as registry paths do:
// "Options", "Options\MP3Tag".
class RegistryStore {
public:
    virtual ~RegistryStore() = default;

    // The key if it exists (holds a value or a sub-key), else null.
    [[nodiscard]] virtual std::unique_ptr<RegistryKey> openKey(std::string_view path) = 0;
    // The key for reading and writing, created by its first write; null when
    // the store cannot be written.
    [[nodiscard]] virtual std::unique_ptr<RegistryKey> createKey(std::string_view path) = 0;

    // Writes everything buffered; false when the store could not be written.
    [[nodiscard]] virtual bool flush() = 0;
};

// The environment variable that, when set and not empty, names an INI file
// that replaces the user's settings location.
inline constexpr const char* kSettingsFileVariable = "SONIVERT_SETTINGS";

// The user's settings: the file named by SONIVERT_SETTINGS when it is set,
// else the platform's place for organisation "Quillon", application
// "Sonivert" (the registry on Windows, an INI file in the user's
// configuration folder elsewhere).
std::unique_ptr<RegistryStore> openUserSettingsStore();

// A store in the INI file at path (UTF-8).
//
// An INI file keeps no types, so every value is written as a text that
// carries its type in front, in the manner of a registry export:
//     [Options]
//     OutputFormat=dword:1000
//     FilterExts="sz:wav,mp3"
//     MP3Tag\Title=sz:
// "dword:" is followed by the number in decimal, optionally with a leading
// minus, within the 32-bit signed range; "sz:" by the text. Anything else
// (a hand-written value without a tag, a number out of range) reads as
// ValueKind::Other. Quoting and escaping of special characters are
// QSettings' own. In the Windows registry the values keep their native
// types instead: numbers are REG_DWORD, texts REG_SZ. The file and its folders are
// created by the first flush that has something to write.
std::unique_ptr<RegistryStore> openIniSettingsStore(const std::string& path);

} // namespace sonivert
