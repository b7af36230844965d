#pragma once
// Where the program's read-only data (Resource folders, config.lst, site support files)
// lives: QUILLMARK_DATA_DIR when set, else <prefix>/share/quillmark beside an installed
// program, else the source tree's data/ folder for programs run from the build tree.
#include <string>

namespace qm {

std::string dataDirectory();
// The folder holding the running program, without a trailing slash.
std::string programDirectory();
// $TMPDIR when set and not empty, else /tmp.
std::string tempDirectory();

}  // namespace qm
