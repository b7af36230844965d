#pragma once
// How a character of a PDF font becomes a logical font of the drawing layer: the face name
// taken apart from the PDF font name, the size, width, weight, slant and escapement from the
// font's device matrix, and the vertical forms of CJK punctuation.
#include <string>
#include <string_view>

#include "platform/canvas/device_font.h"

namespace qm {

class GraphicsState;
class PdfFont;

struct FaceName {
    std::string face;
    bool bold = false;
    bool italic = false;
};

// Style words cut from a PDF font name: ",Italic", "-Italic", "Italic" (first found) cut the
// name there and set italic; then ",Bold", "-Bold", "Bold", "-Black" set bold; a subset prefix
// ("ABCDEF+") is dropped; STHeiti and STSong become SimHei and SimSun. Flags come in set.
// Other common spellings of the style ("Oblique", "Ital", a final "It", "Semibold", "Demi",
// "Heavy", "Black", "-Bd", the URW "-Medi", TeX's CMTI/CMBX/SFTI/... names) set it too,
// without cutting the name.
FaceName parseFaceName(std::string_view pdfName, bool bold, bool italic);

// Size and turn of text under a device font matrix (m11, m12, m21, m22).
struct TextGeometry {
    double angle = 0;  // degrees, counter-clockwise; 0 when the matrix has no x extent
    int height = 0;    // pixels; 0 below one pixel
    bool skewed = false;
};
TextGeometry textGeometry(double m11, double m12, double m21, double m22);

// The logical font's width for character `c` of `height` pixels advancing `advance` pixels:
// for CJK and full-width characters (U+2E80 on) half the advance when the two differ by more
// than 3, since half an em is a CJK face's average width; else 0, the face's own width.
// Squeezing a proportional Latin glyph to half its advance would shrink every narrow letter
// to a sliver and leave wide gaps between them.
int logicalWidth(int height, int advance, char16_t c);
// True for the characters whose logical width follows their advance.
bool widthFollowsAdvance(char16_t c);

// Escapement in tenths of a degree, 0..3599; vertical faces ("@...") add 2700.
int escapement(double angle, std::string_view face);

// Characters drawn in the vertical form: CJK punctuation U+3001-U+300F, U+30FC and the
// full-width forms U+FF00-U+FFFF.
bool usesVerticalForm(char16_t c);
// Moves a vertical-form character so it sits on the column: first back by the advance along
// the baseline and by the height across it, then by an eighth of each depending on the angle.
void adjustVerticalPosition(int& x, int& y, int advance, int height, double angle);

// True when an open marked-content sequence is "PointText" with a Vertical true property.
bool markedContentIsVertical();

}  // namespace qm
