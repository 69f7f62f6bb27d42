// Replacing a file in place: whether it may be replaced, a temporary file
// beside it, and the replacement itself, done by renaming the new file over
// the old so that at every moment one of the two is there under the name.
#pragma once

#include <cstdint>
#include <string>

namespace brindle::avi {

// Why `path` cannot be replaced, or an empty text when it can: it must be
// an existing plain file, not read-only, in a folder that takes new files.
std::string replaceProblem(const std::string& path);

// Creates a new empty file named "AVI" + a unique part + ".AVI" in folder;
// answers its path, or an empty text when none could be made.
std::string makeTempAvi(const std::string& folder);

// Gives `from` the permission bits of `to` and renames it over `to`.
bool replaceFile(const std::string& from, const std::string& to, std::string* why);

// Bytes free for this user on the disk that holds folder; UINT64_MAX when
// unknown.
std::uint64_t freeBytes(const std::string& folder);

// The file a path names, through any symbolic links, so that replacing it
// replaces the file and keeps the link; the path itself when it cannot be
// resolved.
std::string resolvedPath(const std::string& path);

// The folder part of a path ("." for a bare name).
std::string folderOf(const std::string& path);

}  // namespace brindle::avi
