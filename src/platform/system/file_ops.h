#pragma once
// Folder and file chores of the conversion driver and the desktop worker: make a folder path,
// copy or delete the files a wildcard pattern names, remove a whole folder tree.
// Failures are reported through reportError and returned as false; nothing throws.
#include <string>
#include <vector>

namespace qm {

bool isDirectory(const std::string& path);
bool isRegularFile(const std::string& path);

// Creates every missing level of `path` (existing levels are left alone). True when the
// whole path then names a folder.
bool makeDirectoryPath(const std::string& path);

// Copies `from` over `to` (replacing it). The bytes go to a temporary file beside `to` first
// so a failed copy never leaves `to` truncated.
bool copyFile(const std::string& from, const std::string& to);

// `pattern` is a folder and a last component with shell wildcards ("/x/site/pg_*.htm").
// Only regular files match; folders are never copied or deleted here. `count`, when given,
// receives the number of files handled. True when every matching file was handled (also
// when none matched).
// The names (not paths) of the regular files a pattern names, and the pattern's folder.
bool matchingFiles(const std::string& pattern, std::vector<std::string>& names, std::string& folder);
bool copyFilesMatching(const std::string& pattern, const std::string& toFolder, int* count = nullptr);
bool deleteFilesMatching(const std::string& pattern, int* count = nullptr);

// Removes a folder and everything below it, never following symbolic links out of it.
// Refuses "", "/" and relative roots like "." so a bad path cannot wipe more than meant.
bool deleteFolderTree(const std::string& path);

// `path` with its extension (the part after the last '.' of the last component) replaced by
// `extension` (given with its dot); appended when there was none.
std::string withExtension(const std::string& path, const std::string& extension);

}  // namespace qm
