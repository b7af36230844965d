#pragma once
// Settings files of sections and "key=value" entries, read and written by (file, section,
// key). Sections and keys compare without regard to ASCII case; values are returned with
// surrounding blanks and one pair of matching quotes removed; a missing file, section or
// key gives the caller's default. Integers are stored as decimal text.
// Every write replaces the whole file through a temporary file and a rename, so an
// interrupted write leaves the previous file as it was.
#include <string>
#include <string_view>

namespace qm {

std::string readProfileString(const std::string& file, std::string_view section,
                              std::string_view key, std::string_view defaultValue);
// A value that does not start with a decimal number reads as 0 (only a missing value gives
// the default); numbers beyond the int range are clamped to it.
int readProfileInt(const std::string& file, std::string_view section, std::string_view key,
                   int defaultValue);

// Adds or replaces the entry; creates the file, its missing folders and the section as
// needed. Sections or keys that are empty or contain line breaks, '=' (keys) or ']'
// (sections), and values with line breaks, are refused: they would change the file's
// structure on the next read.
bool writeProfileString(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value);
bool writeProfileInt(const std::string& file, std::string_view section, std::string_view key,
                     int value);

// The application profile: userConfigDirectory()/vellumix.ini.
std::string applicationProfilePath();
// config.ini for reading: the user's copy when there is one, else the default installed
// with the program's data.
std::string configIniPath();
// config.ini for writing: always the user's copy.
std::string configIniWritePath();

namespace detail {
// Called after the new contents are safely on disk and before the rename; returning false
// abandons the write as a crash at that point would. Tests only.
using ProfileRenameHook = bool (*)();
void setProfileRenameHook(ProfileRenameHook hook);
}  // namespace detail

}  // namespace qm
