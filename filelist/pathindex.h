#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

namespace sonivert {

struct FileEntry;

// Which files are listed, for the duplicate test of the intake: one key per
// list row, mapping to that row's entry (owned by the list model).
//
// The key is the absolute, lexically normalised path ("a/./b/../c.wav" and
// "a/c.wav" give one key). Letter case is folded only where the file system
// ignores it (Windows); elsewhere "A.wav" and "a.wav" are two files. Links are
// not followed: a file reached through a symbolic link has a key of its own.
class PathIndex {
public:
    // A relative path is made absolute against the current folder, so the
    // list model computes a row's key once and keeps it for the removal.
    static std::string keyOf(const std::string& path);

    bool contains(const std::string& path) const { return containsKey(keyOf(path)); }
    FileEntry* find(const std::string& path) const;

    bool containsKey(const std::string& key) const { return m_entries.contains(key); }
    // False, and nothing changes, when the key is already present.
    bool insertKey(const std::string& key, FileEntry* entry);
    void eraseKey(const std::string& key) { m_entries.erase(key); }
    void clear() { m_entries.clear(); }
    size_t size() const { return m_entries.size(); }

private:
    std::unordered_map<std::string, FileEntry*> m_entries;
};

} // namespace sonivert
