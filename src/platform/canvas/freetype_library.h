#pragma once
// The process's one FreeType library, shared by installed fonts and fonts from documents.
// Making and freeing faces changes the library's list of faces, and documents may be drawn
// on several threads: hold the lock around FT_New_*Face and FT_Done_Face.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <mutex>

namespace qm {

// Null when FreeType cannot start.
FT_Library freeTypeLibrary();
std::mutex& freeTypeLock();

}  // namespace qm
