#pragma once
// Finding an installed font file for a face name as documents and settings give it.
// Well-known faces ("Arial", "Times New Roman", "Courier New", "Helvetica", "SimSun", ...)
// map to their metric-compatible families or, failing those, to the best installed family
// of their kind; any other face must be installed under that very name (compared without case and blanks).
#include <string>

namespace qm {

struct FontFile {
    std::string path;
    int index = 0;           // face index inside the file
    std::string family;      // the family that was found
    bool isBold = false;     // the file's own weight is bold or heavier
    bool isItalic = false;   // the file's own slant is italic or oblique
};

// `face` without a leading '@'. `charset` is a character set number of font descriptions
// (128 Shift-JIS, 129 Hangul, 134 GB2312, 136 Big5 ...), used to prefer fonts covering that
// language. False when the face is neither well known nor installed.
bool findFontFile(const std::string& face, bool bold, bool italic, int charset, FontFile& out);

}  // namespace qm
