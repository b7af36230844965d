#include "render/text_style.h"

#include <algorithm>
#include <cmath>

#include "core/pdf_dict.h"
#include "graphics/marked_content.h"

namespace qm {

namespace {

constexpr double kDegreesPerRadian = 57.295779;

// Cuts `name` at the first of `words` found in it; true when one was.
bool cutAtFirst(std::string& name, std::initializer_list<std::string_view> words) {
    for (std::string_view w : words) {
        const size_t at = name.find(w);
        if (at != std::string::npos) {
            name.resize(at);
            return true;
        }
    }
    return false;
}

bool startsWithAny(std::string_view name, std::initializer_list<std::string_view> prefixes) {
    for (std::string_view p : prefixes)
        if (name.substr(0, p.size()) == p) return true;
    return false;
}

bool endsWith(std::string_view name, std::string_view tail) {
    return name.size() > tail.size() && name.substr(name.size() - tail.size()) == tail;
}

bool containsAny(std::string_view name, std::initializer_list<std::string_view> words) {
    for (std::string_view w : words)
        if (name.find(w) != std::string_view::npos) return true;
    return false;
}

// Font makers spell the style in more ways than ",Bold" and "Italic": "Helvetica-Oblique",
// "NimbusRomNo9L-ReguItal", "MinionPro-It", "Foo-BdIt", "Bar-Semibold", "NimbusRomNo9L-Medi".
// Without these the page's HTML shows italic and bold words upright and light. The name is
// not cut at these words: the face stays what it was, so text runs still end where the font
// changes and a configured mapping of the full name still applies.
void readOtherStyleWords(FaceName& out) {
    const std::string_view name = out.face;
    if (containsAny(name, {"Oblique", "Ital"}) || endsWith(name, "It")) out.italic = true;
    // The URW clones of the standard faces call their bold weight "Medi".
    if (containsAny(name, {"Semibold", "SemiBold", "Demi", "Heavy", "Black", "-Bd", "-MediItal"}) ||
        endsWith(name, "-Medi"))
        out.bold = true;
}

// TeX's own faces carry the style in their short names, which stay their face.
void readTexStyle(FaceName& out) {
    std::string_view base = out.face;
    const size_t plus = base.find('+');
    if (plus != std::string_view::npos) base.remove_prefix(plus + 1);
    if (startsWithAny(base, {"CMTI", "CMBXTI", "CMSL", "CMBXSL", "CMMI", "CMITT", "CMSSI", "SFTI", "SFBI", "SFSL",
                             "SFSI", "LMRomanSlant"}))
        out.italic = true;
    if (startsWithAny(base, {"CMBX", "CMB1", "CMMIB", "CMSSBX", "SFBX", "SFBI", "SFSX"})) out.bold = true;
}

}  // namespace

FaceName parseFaceName(std::string_view pdfName, bool bold, bool italic) {
    FaceName out{std::string(pdfName), bold, italic};
    readOtherStyleWords(out);
    if (cutAtFirst(out.face, {",Italic", "-Italic", "Italic"})) out.italic = true;
    if (cutAtFirst(out.face, {",Bold", "-Bold", "Bold", "-Black"})) out.bold = true;
    readTexStyle(out);
    const size_t plus = out.face.find('+');
    if (plus != std::string::npos) out.face.erase(0, plus + 1);
    if (out.face.find("STHeiti") != std::string::npos)
        out.face = "SimHei";
    else if (out.face.find("STSong") != std::string::npos)
        out.face = "SimSun";
    return out;
}

TextGeometry textGeometry(double m11, double m12, double m21, double m22) {
    TextGeometry g;
    if (std::fabs(m11) >= 1e-6 || std::fabs(m12) >= 1e-6) g.angle = std::atan2(-m12, m11) * kDegreesPerRadian;
    // The length of the em's vertical side (0, 1000) under the matrix.
    const double length = std::hypot(m21 * 1000, m22 * 1000);
    const double h = 0.001 * std::max(1.0, length);
    g.height = h < 32767 ? static_cast<int>(h) : 32767;  // NaN compares false: also the cap
    if (g.angle == 0 && (std::fabs(m12) >= 1e-4 || std::fabs(m21) >= 1e-4)) {
        // The images of the x and y axes no longer meet at a right angle.
        const double dot = m11 * m21 + m12 * m22;
        const double norms = std::hypot(m11, m12) * std::hypot(m21, m22);
        if (norms > 0) {
            const double between = std::acos(std::clamp(dot / norms, -1.0, 1.0)) * kDegreesPerRadian;
            g.skewed = std::fabs(between - 90) >= 1e-6;
        }
    }
    return g;
}

bool widthFollowsAdvance(char16_t c) { return c >= 0x2E80; }

int logicalWidth(int height, int advance, char16_t c) {
    return widthFollowsAdvance(c) && std::abs(height - advance) > 3 ? advance / 2 : 0;
}

int escapement(double angle, std::string_view face) {
    const int base = face.size() > 1 && face[0] == '@' ? 2700 : 0;
    // Rounded to the nearest tenth (down at halves), so -89.99999 degrees is -900 and not -899.
    const double raw = std::floor(angle * 10 + base + 0.5);
    int e = std::isfinite(raw) && std::fabs(raw) < 1e6 ? static_cast<int>(raw) : 0;
    e %= 3600;  // a single add or subtract is enough for real angles; this also holds for any
    if (e < 0) e += 3600;
    return e;
}

bool usesVerticalForm(char16_t c) { return (c >= 0x3001 && c <= 0x300F) || c == 0x30FC || c >= 0xFF00; }

void adjustVerticalPosition(int& x, int& y, int advance, int height, double angle) {
    const double r = angle / kDegreesPerRadian;
    x = static_cast<int>(x - std::sin(r) * advance);
    y = static_cast<int>(y - std::cos(r) * height);
    int c = static_cast<int>(angle) % 360;
    if (c < 0) c += 360;
    if (c <= 45 || c > 315) {
        x += height / 8;
        y += advance / 8;
    } else if (c <= 135) {
        x += height / 8;
        y -= advance / 8;
    } else {
        x -= height / 8;
        y += advance / 8;
    }
}

bool markedContentIsVertical() {
    const MarkedContentStack& stack = MarkedContentStack::instance();
    for (int i = 0; i < stack.depth(); ++i) {
        const MarkedContentRecord& r = stack.record(i);
        if (r.count != 2 || !r.operands[0].isName("PointText") || !r.operands[1].isDict()) continue;
        PdfObject vertical = r.operands[1].getDict()->lookup("Vertical");
        if (vertical.isBool() && vertical.getBool()) return true;
    }
    return false;
}

}  // namespace qm
