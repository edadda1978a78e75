#include "engine/outputnaming.h"

#include "engine/filesafety.h"
#include "engine/utf8path.h"
#include "platform/fileops.h"

#include <atomic>
#include <charconv>
#include <mutex>
#include <set>

#include <filesystem>

namespace fs = std::filesystem;

namespace sonivert {
namespace {

constexpr char kSeparator = static_cast<char>(fs::path::preferred_separator);

bool isSeparator(char c)
{
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

size_t nameStart(const std::string& path)
{
    size_t i = path.size();
    while (i > 0 && !isSeparator(path[i - 1]))
        --i;
    return i;
}

bool existsAnyKind(const std::string& path)
{
    std::error_code ec;
    return fs::symlink_status(utf8Path(path), ec).type() != fs::file_type::not_found && !ec;
}

bool isDirectory(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(utf8Path(path), ec);
}

std::string folderFailure(const std::string& folder)
{
    return "Failed to create folder \"" + folder + "\"";
}

// The names reserved by the conversions of this process that have not
// ended yet: two rows (or two workers) never get the same name, even
// before either file exists.
struct Claims {
    std::mutex mutex;
    std::set<std::string> names;
};

Claims& claims()
{
    static Claims c;
    return c;
}

bool claimed(const std::string& name)
{
    Claims& c = claims();
    const std::lock_guard lock(c.mutex);
    return c.names.count(name) != 0;
}

// Whether candidate must be treated as an existing target: something is
// there by that name, a running conversion has reserved it, or it may be the
// source itself under another spelling.
bool targetTaken(const std::string& candidate, const std::string& sourcePath)
{
    return existsAnyKind(candidate) || claimed(candidate) || mayBeSameFile(candidate, sourcePath);
}

// The first free "%s_%d%s" name.
std::string renamedCandidate(const std::string& stem, const std::string& extension, const std::string& sourcePath)
{
    for (uint64_t k = 1;; ++k) {
        std::string candidate = stem + "_" + std::to_string(k) + extension;
        if (!targetTaken(candidate, sourcePath))
            return candidate;
    }
}

constexpr std::string_view kTemporaryPrefix = ".sonivert-";

// Creates the hidden temporary for target in target's folder:
// ".sonivert-PID-N-NAME", which names the process that writes it and ends
// with the target's name, so libraries that choose by extension still do.
std::error_code createTemporaryFor(const std::string& target, std::string& temporary)
{
    static std::atomic<uint64_t> counter{0};
    const size_t name = nameStart(target);
    for (;;) {
        temporary = target.substr(0, name) + std::string(kTemporaryPrefix) + std::to_string(currentProcessId()) +
                    "-" + std::to_string(++counter) + "-" + target.substr(name);
        const std::error_code ec = createNewFile(temporary);
        if (ec != std::errc::file_exists)
            return ec;
    }
}

std::string folderOfName(const std::string& path)
{
    const size_t name = nameStart(path);
    return name == 0 ? std::string(".") : path.substr(0, name);
}

} // namespace

TargetReservation::~TargetReservation()
{
    release();
}

TargetReservation::TargetReservation(TargetReservation&& other) noexcept
{
    *this = std::move(other);
}

TargetReservation& TargetReservation::operator=(TargetReservation&& other) noexcept
{
    if (this != &other) {
        release();
        m_path = std::move(other.m_path);
        m_temporary = std::move(other.m_temporary);
        m_stem = std::move(other.m_stem);
        m_extension = std::move(other.m_extension);
        m_sourcePath = std::move(other.m_sourcePath);
        m_policy = other.m_policy;
        m_claimed = other.m_claimed;
        other.m_claimed = false;
        other.m_path.clear();
        other.m_temporary.clear();
    }
    return *this;
}

void TargetReservation::claim(std::string path)
{
    Claims& c = claims();
    const std::lock_guard lock(c.mutex);
    if (m_claimed)
        c.names.erase(m_path);
    m_path = std::move(path);
    c.names.insert(m_path);
    m_claimed = true;
}

void TargetReservation::release()
{
    if (!m_temporary.empty()) {
        std::error_code ec;
        fs::remove(utf8Path(m_temporary), ec);
        m_temporary.clear();
    }
    if (m_claimed) {
        Claims& c = claims();
        const std::lock_guard lock(c.mutex);
        c.names.erase(m_path);
        m_claimed = false;
    }
}

Outcome TargetReservation::commit()
{
    if (m_temporary.empty())
        return Outcome::failure("Nothing was written.");
    for (;;) {
        const std::error_code ec = m_policy == kTargetOverwrite ? renameReplacing(m_temporary, m_path)
                                                                : renameNoReplace(m_temporary, m_path);
        if (!ec)
            break;
        if (ec != std::errc::file_exists)
            return Outcome::failure("The finished file could not be given its name: " + ec.message() + ".");
        // Another process took the name while this file was written.
        if (m_policy == kTargetSkip)
            return Outcome::failure("Target exists and skipped");
        const std::string next = renamedCandidate(m_stem, m_extension, m_sourcePath);
        claim(next);
    }
    m_temporary.clear();
    (void)syncFolder(folderOfName(m_path)); // the name itself reaches the disk; the data already has
    return true;
}

size_t removeStaleTemporaries(const std::string& folder)
{
    size_t removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(utf8Path(folder), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = pathUtf8(it->path().filename());
        if (name.compare(0, kTemporaryPrefix.size(), kTemporaryPrefix) != 0)
            continue;
        int64_t pid = 0;
        const char* digits = name.data() + kTemporaryPrefix.size();
        const auto [stop, error] = std::from_chars(digits, name.data() + name.size(), pid);
        if (error != std::errc() || stop == digits || *stop != '-' || processRuns(pid))
            continue;
        std::error_code kindError;
        if (!it->is_regular_file(kindError) || it->is_symlink(kindError))
            continue;
        if (fs::remove(it->path(), kindError))
            ++removed;
    }
    return removed;
}

bool createFolderPath(const std::string& path)
{
    if (path.empty())
        return false;
    if (isDirectory(path))
        return true;
    // Every prefix that ends before a separator, then the whole path.
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && !isSeparator(path[i]))
            continue;
        const std::string prefix = path.substr(0, i);
        if (isSeparator(prefix.back()) || prefix.back() == ':')
            continue;
        std::error_code ec;
        const fs::file_status st = fs::status(utf8Path(prefix), ec);
        if (st.type() == fs::file_type::directory)
            continue;
        if (st.type() != fs::file_type::not_found)
            return false;
        if (!fs::create_directory(utf8Path(prefix), ec) && !isDirectory(prefix))
            return false;
    }
    return isDirectory(path);
}

std::string mirroredFolderPart(const std::string& sourcePath)
{
    std::string folder = sourcePath.substr(0, nameStart(sourcePath));
    std::string out;
    out.reserve(folder.size());
    for (char c : folder) {
#ifdef _WIN32
        if (c == ':')
            continue;
        if (c == '/')
            c = '\\';
#endif
        if (isSeparator(c) && (out.empty() || isSeparator(out.back())))
            continue; // the root separator and doubled separators
        out += c;
    }
    return out;
}

bool prepareTarget(const std::string& sourcePath, const std::string& outputExtension, const TargetRules& rules,
                   TargetReservation& reservation, std::string& status)
{
    const size_t name = nameStart(sourcePath);
    const size_t dot = sourcePath.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot >= name;
    const std::string baseName = sourcePath.substr(name, hasExtension ? dot - name : std::string::npos);

    std::string folder = rules.customFolder;
    int32_t mode = rules.folderMode;
    bool mirror = rules.mirrorSourceFolders;
    bool triedFallback = false;

    for (;;) {
        std::string stem;
        bool failed = false;
        if (mode == kFolderCustom) {
            if (folder.empty() || !createFolderPath(folder)) {
                status = folderFailure(folder);
                failed = true;
            } else {
                stem = folder;
                if (!isSeparator(stem.back()))
                    stem += kSeparator;
                if (mirror) {
                    stem += mirroredFolderPart(sourcePath);
                    if (!createFolderPath(stem)) {
                        status = folderFailure(stem);
                        failed = true;
                    }
                }
                stem += baseName;
            }
        } else {
            stem = hasExtension ? sourcePath.substr(0, dot) : sourcePath;
        }

        if (!failed) {
            std::string candidate = stem + outputExtension;
            if (targetTaken(candidate, sourcePath)) {
                if (rules.existsPolicy == kTargetOverwrite) {
                    if (mayBeSameFile(candidate, sourcePath)) {
                        status = "Target file name is same as original file that can't be overwritten. Please "
                                 "output files to a custom folder.";
                        return false;
                    }
                } else if (rules.existsPolicy == kTargetSkip) {
                    status = "Target exists and skipped";
                    return false;
                } else {
                    candidate = renamedCandidate(stem, outputExtension, sourcePath);
                }
            }
            // The temporary beside the name is the test that a file can be
            // created there. An existing target stays as it is until the
            // finished file replaces it (Overwrite); a folder in its place
            // can never be replaced.
            std::string temporary;
            if (!isDirectory(candidate) && !createTemporaryFor(candidate, temporary)) {
                reservation.claim(candidate);
                reservation.m_temporary = temporary;
                reservation.m_stem = stem;
                reservation.m_extension = outputExtension;
                reservation.m_sourcePath = sourcePath;
                reservation.m_policy = rules.existsPolicy;
                return true;
            }
            status = "Failed to create file \"" + candidate + "\"";
        }

        if (!rules.fallbackToDocuments || triedFallback)
            return false;
        triedFallback = true;
        const std::optional<std::string> documents = rules.documentsFolder ? rules.documentsFolder() : std::nullopt;
        if (!documents)
            return false;
        folder = *documents;
        mirror = rules.folderMode == kFolderCustom && rules.mirrorSourceFolders;
        mode = kFolderCustom;
    }
}

bool prepareTarget(const std::string& sourcePath, const std::string& outputExtension, const TargetRules& rules,
                   std::string& target, std::string& status)
{
    TargetReservation reservation;
    if (!prepareTarget(sourcePath, outputExtension, rules, reservation, status))
        return false;
    target = reservation.path();
    return true;
}

} // namespace sonivert
