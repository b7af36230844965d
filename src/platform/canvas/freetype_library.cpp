#include "platform/canvas/freetype_library.h"

namespace qm {

FT_Library freeTypeLibrary() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0) l = nullptr;
        return l;
    }();
    return lib;
}

std::mutex& freeTypeLock() {
    static std::mutex m;
    return m;
}

}  // namespace qm
