#pragma once
// The desktop's trash (the freedesktop.org layout under $XDG_DATA_HOME/Trash, else
// ~/.local/share/Trash): files put there can be restored by the user's file manager.
#include <string>

namespace qm {

// Moves a file to the trash with its restore information. A file on another file system
// than the trash cannot be moved there; it is deleted for good instead (it was ours to delete
// either way). False when the file stays where it was.
bool moveToTrash(const std::string& path);

// moveToTrash for every regular file a wildcard pattern names ("/x/out/pg_*.htm"). True when
// every matching file was handled (also when none matched).
bool trashFilesMatching(const std::string& pattern, int* count = nullptr);

}  // namespace qm
