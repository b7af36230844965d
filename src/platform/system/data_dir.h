#pragma once
// Where the program's read-only data (Resource folders, config.lst, site support files)
// lives: QUILLMARK_DATA_DIR when set, else <prefix>/share/vellumix beside the installed
// library or program that holds this code (found from the module's own path), else the
// source tree's data/ folder for programs run from the build tree.
#include <string>

namespace qm {

std::string dataDirectory();
// The running program's full path ("" when the system cannot tell).
std::string programPath();
// The folder holding the running program, without a trailing slash.
std::string programDirectory();
// The folder of the module (shared library or program) that holds this code.
std::string moduleDirectory();
// $TMPDIR when set and not empty, else /tmp.
std::string tempDirectory();
// The user's settings folder for this program: $XDG_CONFIG_HOME/vellumix when that is an
// absolute path, else $HOME/.config/vellumix. Not created here.
std::string userConfigDirectory();
// The user's cache folder for this program: $XDG_CACHE_HOME/quillmark when that is an
// absolute path, else $HOME/.cache/quillmark. Not created here.
std::string userCacheDirectory();

}  // namespace qm
