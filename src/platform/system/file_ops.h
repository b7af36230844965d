#pragma once
// Folder and file chores of the conversion driver and the desktop worker: make a folder path,
// copy or delete the files a wildcard pattern names, remove a whole folder tree.
// Failures are reported through reportError and returned as false; nothing throws.
#include <string>
#include <string_view>
#include <vector>

namespace qm {

bool isDirectory(const std::string& path);
bool isRegularFile(const std::string& path);
// True when anything (a file, folder or link, even a dangling one) stands at `path`.
bool pathExists(const std::string& path);

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

// Writes `bytes` as the whole file `path`: into a temporary file beside it first, renamed
// over `path` only when every byte is written and closed, so a failure leaves the previous
// file (or none) and never a short one. A symbolic link at `path` is replaced, not followed.
// False with `error` (when given) naming the file and the system's reason.
bool writeWholeFile(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// Appends `bytes` to `path`, creating it; a symbolic link at `path` is refused, not followed.
bool appendToFile(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// "Couldn't write 'PATH': REASON" with the system's text for `errorNumber`.
std::string writeFailureText(const std::string& path, int errorNumber);

// `path` with its extension (the part after the last '.' of the last component) replaced by
// `extension` (given with its dot); appended when there was none.
std::string withExtension(const std::string& path, const std::string& extension);

}  // namespace qm
