#pragma once

#include <string>

namespace sonivert {

// True when a and b may name the same file: the same absolute, normalised
// name (without regard to letter case on Windows), or (when both exist) the
// same file by identity, which also catches hard links, symbolic links and
// other spellings on every file system that folds letter case.
bool mayBeSameFile(const std::string& a, const std::string& b);

// Deletes target unless it may be the source file. Returns true when target
// is gone afterwards (deleted or never there); a target that may be the
// source is kept and false is returned.
bool deleteTargetUnlessSource(const std::string& target, const std::string& source);

} // namespace sonivert
