#pragma once
// The search every data file of the font subsystem goes through (configuration file, CMaps,
// ToUnicode, cidToUnicode, unicodeMap and nameToUnicode files, external font programs).
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace qm {

struct FileCloser {
    void operator()(FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// The folder whose Resource and Resource/CMap subfolders the search looks in. It is
// dataDirectory() until set; setting an empty text goes back to that.
void setResourceRoot(const std::string& dir);
std::string resourceRoot();

// Opens `path` for reading, stopping at the first success:
//   1. the path as given (relative to the current directory);
//   2. its base name (after the last '/' or '\') in <root>/Resource;
//   3. its base name in <root>/Resource/CMap;
//   4. a relative path in the user's configuration folder (when HOME or XDG_CONFIG_HOME
//      names one).
// Only regular files count: folders, FIFOs and devices of the same name are passed over
// without blocking. `openedPath`, when given, receives the path that opened.
FilePtr openDataFile(const std::string& path, const char* mode, std::string* openedPath = nullptr);

// A name from a document (CMap, ToUnicode or font name) that may be joined to a folder:
// not empty, no '/', '\' or "..", no control characters.
bool isSafeDataName(std::string_view name);

// directory + "/" + name made into a full path.
std::string joinDataPath(const std::string& dir, const std::string& name);

// Opens directory/name through openDataFile; null for a name isSafeDataName refuses. A
// relative directory that gives nothing there is then taken from the resource root, which
// holds the program's installed data: "Resource/CMap/Adobe-Japan1" in the configuration names
// the installed CMaps whatever the current folder is.
FilePtr openDataFileIn(const std::string& dir, const std::string& name, const char* mode,
                       std::string* openedPath = nullptr);

}  // namespace qm
