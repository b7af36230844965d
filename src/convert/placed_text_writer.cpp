#include "convert/placed_text_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

#include "convert/css_number.h"
#include "convert/html_text.h"
#include "convert/web_font_names.h"
#include "platform/system/code_page.h"
#include "render/display_list.h"
#include "render/font_glyph_set.h"

namespace qm {

namespace {

// Where the baseline of the browser's own faces sits below the top of a block whose line
// height is 0: half of ascent minus descent, which is close to 0.345 em for the common
// serif and sans-serif faces. Web fonts have equal ascent and descent, so theirs is at the top.
constexpr double kFallbackBaseline = 0.345;
// Steps smaller than this (in pixels) are not worth an element: positions in PDF files are
// written to a few digits, so the same kerning pair comes a few hundredths of a pixel apart,
// and the writer puts every glyph back within this of its place.
constexpr double kGapEpsilon = 0.06;
// How far a vertical glyph's own origin, from which its column is laid out, lies above its
// horizontal one, in ems: the usual value, which CJK fonts keep.
constexpr double kVerticalOriginAbove = 0.88;
// Inside a word a gap element would cut the word in two for anyone who copies or searches
// it, so a glyph may sit this far (in pixels) from its place before it gets one; the error
// left is taken back at the next word boundary. Producers that round every glyph's
// position leave errors of a few tenths of a pixel that are no kerning.
double inWordDrift(double size) { return std::clamp(0.05 * size, 0.45, 1.0); }

std::u16string_view textOf(const TextItem& t) {
    if (t.text == nullptr || t.count <= 0) return {};
    return {reinterpret_cast<const char16_t*>(t.text), static_cast<size_t>(t.count)};
}

// The 2x2 matrix from the block's own pixels (x right, y down) to the page's, and the size
// the block's class gives its text.
struct Frame {
    double a = 1, b = 0, c = 0, d = 1;
    bool valid = false;
};

Frame frameOf(const TextPlacement& p, double size) {
    Frame f;
    if (!(size > 0)) return f;
    f.a = p.m[0] / size;
    f.b = p.m[1] / size;
    f.c = -p.m[2] / size;
    f.d = -p.m[3] / size;
    const double det = f.a * f.d - f.b * f.c;
    f.valid = std::isfinite(det) && std::fabs(det) > 1e-6;
    return f;
}

bool sameFrame(const Frame& x, const Frame& y) {
    return std::fabs(x.a - y.a) < 1e-3 && std::fabs(x.b - y.b) < 1e-3 && std::fabs(x.c - y.c) < 1e-3 &&
           std::fabs(x.d - y.d) < 1e-3;
}

// (dx, dy) on the page in the frame's own pixels.
void toLocal(const Frame& f, double dx, double dy, double& lx, double& ly) {
    const double det = f.a * f.d - f.b * f.c;
    lx = (f.d * dx - f.c * dy) / det;
    ly = (-f.b * dx + f.a * dy) / det;
}

// Whether any of the glyph's em box (a little below the baseline to one em above it) is on
// the page. A run wholly beyond the page's edges is cut off in the PDF as in the picture: a
// reader could find it but never see it. A run that reaches into the page is kept whole.
bool onPage(const TextPlacement& p, double pageWidth, double pageHeight) {
    const double along = std::max(p.width, 0.5);
    double left = p.x, right = p.x, top = p.y, bottom = p.y;
    for (double s : {0.0, along})
        for (double t : {-0.3, 1.0}) {
            const double x = p.x + s * p.m[0] + t * p.m[2], y = p.y + s * p.m[1] + t * p.m[3];
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    return right > 0 && bottom > 0 && left < pageWidth && top < pageHeight;
}

bool isUpright(const Frame& f) {
    return std::fabs(f.a - 1) < 2e-4 && std::fabs(f.d - 1) < 2e-4 && std::fabs(f.b) < 2e-4 && std::fabs(f.c) < 2e-4;
}

// The mean of the steps between letters that are small enough to be spacing rather than a
// kern or a gap (within `limit` of 0), for runs whose producer rounded every position so that
// no one step is the most frequent: the text was laid out a little wider or narrower than its
// font's widths, and the error grows along each word.
double meanStep(const std::vector<double>& values, double limit) {
    double sum = 0;
    size_t n = 0;
    for (double v : values)
        if (std::fabs(v) <= limit) sum += v, ++n;
    return n >= 3 ? std::round(sum / static_cast<double>(n) * 100) / 100 : 0;
}

// The block's turn and skew, when it has any.
void appendTransform(std::string& out, const Frame& frame) {
    if (isUpright(frame)) return;
    out += ";transform:matrix(";
    for (double v : {frame.a, frame.b, frame.c, frame.d}) {
        appendCssNumber(out, v, 4);
        out += ',';
    }
    out += "0,0)";
}

// The most frequent of `values` to a hundredth, when at least half of them are it.
std::optional<double> commonValue(const std::vector<double>& values) {
    if (values.size() < 2) return std::nullopt;
    std::map<long long, size_t> counts;
    for (double v : values) ++counts[std::llround(v * 100)];
    long long best = 0;
    size_t bestCount = 0;
    for (auto [value, count] : counts)
        if (count > bestCount) best = value, bestCount = count;
    if (bestCount * 2 < values.size()) return std::nullopt;
    return static_cast<double>(best) / 100;
}

struct Token {
    std::string html;
    bool space = false;
    bool target = false;  // placed by the PDF (not an inserted space)
    double x = 0;         // where the PDF puts it, in the block's pixels
    double advance = 0;   // its advance in the web font
    double kern = 0;      // the web font's kerning before it, in pixels
    char32_t character = 0;
    const FontGlyphSet* font = nullptr;  // the web face it is shown in
    int face = -1;
};

// A word whose letters drift from the run's letter spacing by more than `tolerance` (its
// producer set it wider or narrower than its font) and come within it at a spacing of its
// own: that spacing, and the token after the word's last. `end` is 0 for a word that needs
// none or that a spacing cannot mend, and for one with a ligature, which browsers do not
// form under letter spacing.
struct WordSpacing {
    double letter = 0;
    size_t end = 0;
};
WordSpacing wordSpacing(const std::vector<Token>& tokens, size_t start, double letter, double tolerance) {
    // Each letter's error where the word's first glyph is in place, by its number in the word.
    std::vector<double> errors;
    double pen = tokens[start].x - tokens[start].kern;
    size_t end = start;
    for (size_t i = start; i < tokens.size() && tokens[i].target; ++i) {
        const Token& t = tokens[i];
        if (t.character >= FontGlyphSet::kLigatureKeys) return {};
        pen += t.kern;
        if (i > start) errors.push_back(t.x - pen);
        pen += t.advance + letter;
        end = i + 1;
    }
    if (errors.size() < 2) return {};
    double worst = 0, moments = 0, squares = 0;
    for (size_t k = 0; k < errors.size(); ++k) {
        worst = std::max(worst, std::fabs(errors[k]));
        moments += static_cast<double>(k + 1) * errors[k];
        squares += static_cast<double>((k + 1) * (k + 1));
    }
    if (worst <= tolerance) return {};
    const double step = std::round(moments / squares * 100) / 100;
    for (size_t k = 0; k < errors.size(); ++k)
        if (std::fabs(errors[k] - static_cast<double>(k + 1) * step) > tolerance) return {};
    return {letter + step, end};
}

std::vector<char32_t> codePoints(const std::u16string& text) {
    std::vector<char32_t> out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            out.push_back(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[++i] - 0xDC00));
        else if (c < 0xD800 || c > 0xDFFF)
            out.push_back(c);
    }
    return out;
}

char32_t webCharacter(const std::u16string& text) {
    if (text.size() == 1 && (text[0] < 0xD800 || text[0] > 0xDFFF)) return text[0];
    if (text.size() == 2 && text[0] >= 0xD800 && text[0] < 0xDC00 && text[1] >= 0xDC00 && text[1] <= 0xDFFF)
        return 0x10000 + ((static_cast<char32_t>(text[0]) - 0xD800) << 10) + (text[1] - 0xDC00);
    return 0;
}

}  // namespace

const char* PlacedTextWriter::blockStyle() {
    return ".r{position:absolute;white-space:pre;line-height:0;font-size:0;transform-origin:0 0}\n"
           ".v{white-space:break-spaces;line-break:anywhere;word-break:break-all;width:0}\n";
}

PlacedTextWriter::PlacedTextWriter(const PageObject& page, const PagePlacements& placements, FontClassTable& classes,
                                   const Options& options)
    : options_(options), pageWidth_(page.width), pageHeight_(page.height) {
    std::vector<Glyph> glyphs;
    for (int32_t i = 0; i < page.itemCount; ++i) {
        const PageItem& item = page.items[i];
        if (item.kind != QM_ITEM_TEXT || item.record.text == nullptr || textOf(*item.record.text).empty()) continue;
        const TextItem& t = *item.record.text;
        const TextPlacement* p = placements[static_cast<size_t>(i)];
        if (p == nullptr) continue;
        // The em's height across the baseline: a skew leans the glyphs without making them taller.
        const double baseline = std::hypot(p->m[0], p->m[1]);
        const double size = baseline > 0 ? std::fabs(p->m[0] * p->m[3] - p->m[1] * p->m[2]) / baseline : 0;
        if (!(size >= 0.05 && size < 100000)) continue;
        FontClass style = FontClassTable::styleOf(t);
        style.sizeThousandths = static_cast<int32_t>(std::lround(size * 1000));
        style.invisible = p->invisible;
        const bool web = options.webFonts && p->font && p->face >= 0;
        if (web) {
            style.family = webFontFamily(*p->font, static_cast<size_t>(p->face));
            // The program's outlines are already bold or slanted; the browser must not add more.
            style.bold = style.italic = 0;
        }
        const double classSize = style.sizeThousandths / 1000.0;
        if (!frameOf(*p, classSize).valid) continue;
        if (web) {
            const size_t face = static_cast<size_t>(p->face);
            bool known = false;
            for (const Face& f : faces_) known = known || (f.set == p->font && f.face == face);
            if (!known) faces_.push_back({p->font, face});
        }
        glyphs.push_back(Glyph{&t, p, classes.add(style), classSize, web, style.colour});
    }
    formRuns(glyphs, classes);
}

std::u16string PlacedTextWriter::writtenText(const TextItem& item, const TextPlacement& place, bool web) {
    std::u16string text(textOf(item));
    // A soft hyphen the PDF draws is where it broke the line: the reader sees a hyphen.
    for (char16_t& c : text)
        if (c == u'\u00AD') c = u'-';
    // A ligature of the web font is written as its letters, which the font joins again.
    static constexpr const char16_t* kLetters[] = {u"ff", u"fi", u"fl", u"ffi", u"ffl", u"st", u"st"};
    if (web && place.ligature && text.size() == 1 && text[0] >= 0xFB00 && text[0] <= 0xFB06)
        text = kLetters[text[0] - 0xFB00];
    return text;
}

bool PlacedTextWriter::canMix(const std::vector<FaceKey>& runFaces, const std::vector<Glyph>& glyphs,
                              size_t at) {
    if (!options_.mixFaces) return false;
    // What the page shows in each web face, gathered the first time two faces meet.
    if (!pageCharactersKnown_) {
        pageCharactersKnown_ = true;
        for (const Glyph& g : glyphs)
            if (g.web)
                for (char32_t c : codePoints(writtenText(*g.item, *g.place, true)))
                    pageCharacters_[{g.place->font.get(), static_cast<size_t>(g.place->face)}].insert(c);
    }
    const FaceKey key{glyphs[at].place->font.get(), static_cast<size_t>(glyphs[at].place->face)};
    if (at > 0 && glyphs[at - 1].place->font.get() == key.first && glyphs[at - 1].place->face == glyphs[at].place->face)
        return canShowAfter(runFaces, glyphs[at]);
    // Where the face changes, the rest of the word in the new face must come along too: a
    // word would rather start a block than lose its tail to the next one.
    for (size_t i = at, end = std::min(glyphs.size(), at + 64); i < end; ++i) {
        const Glyph& g = glyphs[i];
        if (g.place->font.get() != key.first || g.place->face != glyphs[at].place->face || textOf(*g.item) == u" ")
            break;
        if (i > at) {
            const Glyph& before = glyphs[i - 1];
            const Frame frame = frameOf(*before.place, before.size);
            double lx = 0, ly = 0;
            toLocal(frame, g.place->x - before.place->x, g.place->y - before.place->y, lx, ly);
            const double gap = lx - before.place->width * before.size;
            if (std::fabs(ly) > 0.02 * g.size + 0.05 || gap < -0.3 * g.size ||
                gap > 0.5 * before.place->spaceWidth * g.size)
                break;
        }
        if (!canShowAfter(runFaces, g)) return false;
    }
    return true;
}

bool PlacedTextWriter::canShowAfter(const std::vector<FaceKey>& runFaces, const Glyph& g) const {
    const FaceKey key{g.place->font.get(), static_cast<size_t>(g.place->face)};
    // The browser takes each character from the first face of the list that has it, so a
    // face before this glyph's may show its characters on the page only in the same glyph
    // (as subsets of one font do).
    const std::vector<char32_t> characters = codePoints(writtenText(*g.item, *g.place, true));
    for (const FaceKey& before : runFaces) {
        if (before == key) return true;
        const auto shown = pageCharacters_.find(before);
        if (shown == pageCharacters_.end()) continue;
        for (char32_t c : characters) {
            // Every face shows a blank alike: empty, without advance.
            if (c == U' ' || shown->second.count(c) == 0) continue;
            const FontGlyphSet::Glyph* there = before.first->glyphFor(before.second, c);
            const FontGlyphSet::Glyph* here = key.first->glyphFor(key.second, c);
            if (!there || !here || !FontGlyphSet::sameGlyph(*there, *here)) return false;
        }
    }
    return true;
}

void PlacedTextWriter::formRuns(const std::vector<Glyph>& glyphs, FontClassTable& classes) {
    Run run;
    std::vector<FaceKey> runFaces;  // the web faces of the run, in the order met
    auto faceOf = [](const Glyph& g) { return FaceKey{g.place->font.get(), static_cast<size_t>(g.place->face)}; };
    auto finish = [&] {
        runFaces.clear();
        for (const Glyph& g : run.glyphs)
            if (g.web && std::find(runFaces.begin(), runFaces.end(), faceOf(g)) == runFaces.end())
                runFaces.push_back(faceOf(g));
        if (runFaces.size() > 1) run.style = mixedClass(classes, run.glyphs.front().style, runFaces);
        runs_.push_back(std::move(run));
        run = Run{};
        runFaces.clear();
    };
    Frame frame;
    // The PDF's end of the last glyph of the run along its line (downwards in a vertical
    // column), in its block's pixels.
    double pen = 0;
    // Where the run's last word starts: in the page's glyphs and in the run.
    size_t wordStart = 0, wordStartInRun = 0;
    bool afterBlank = false;
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& g = glyphs[i];
        const Frame f = frameOf(*g.place, g.size);
        const bool vertical = g.place->vertical;
        // A vertical column's glyphs follow each other an em apart.
        const double advance = vertical ? g.size : g.place->width * g.size;
        const bool blank = textOf(*g.item) == u" ";
        if (!run.glyphs.empty()) {
            const Glyph& first = run.glyphs.front();
            double lx = 0, ly = 0;
            toLocal(frame, g.place->x - first.place->x, g.place->y - first.place->y, lx, ly);
            const double along = vertical ? ly : lx, across = vertical ? lx : ly;
            const bool inLine = vertical == first.place->vertical && sameFrame(f, frame) &&
                                std::fabs(across) <= 0.02 * g.size + 0.05 && along >= pen - 0.3 * g.size &&
                                along - pen <= options_.runGapLimit;
            const bool inWord = !afterBlank && !blank && along - pen <= 0.5 * g.place->spaceWidth * g.size;
            // Web faces of one size and colour share a block, each character from its own face.
            const bool mixes = g.style != first.style && g.web && first.web && !vertical && g.size == first.size &&
                               g.colour == first.colour && g.place->invisible == first.place->invisible;
            const bool joins = options_.runGapLimit > 0 && inLine &&
                               (g.style == first.style || (mixes && canMix(runFaces, glyphs, i)));
            if (joins) {
                const Glyph& last = run.glyphs.back();
                // A glyph drawn twice at one place (simulated bold) is written once.
                if (textOf(*last.item) == textOf(*g.item) && std::fabs(last.place->x - g.place->x) < 0.3 &&
                    std::fabs(last.place->y - g.place->y) < 0.3)
                    continue;
                if (!inWord && !blank) wordStart = i, wordStartInRun = run.glyphs.size();
                run.glyphs.push_back(g);
                pen = std::max(pen, along + advance);
            } else if (mixes && inLine && inWord && runFaces.size() > 1 && wordStartInRun > 0) {
                // A word that cannot be finished in the faces of the block starts the next one.
                run.glyphs.resize(wordStartInRun);
                finish();
                i = wordStart - 1;
                afterBlank = false;
                continue;
            } else {
                finish();
            }
        }
        if (run.glyphs.empty()) {
            run.glyphs.push_back(g);
            run.style = g.style;
            frame = f;
            pen = advance;
            wordStart = i, wordStartInRun = 0;
        }
        afterBlank = blank;
        if (g.web && std::find(runFaces.begin(), runFaces.end(), faceOf(g)) == runFaces.end())
            runFaces.push_back(faceOf(g));
    }
    if (!run.glyphs.empty()) finish();
}

int PlacedTextWriter::mixedClass(FontClassTable& classes, int firstStyle, const std::vector<FaceKey>& faces) {
    FontClass style = classes[static_cast<size_t>(firstStyle)];
    style.family.clear();
    for (const FaceKey& key : faces) {
        std::string family;
        for (const Face& f : faces_)
            if (f.set.get() == key.first && f.face == key.second) family = webFontFamily(*f.set, f.face) + "-p";
        if (!style.family.empty()) style.family += ',';
        style.family += family;
        if (std::none_of(aliases_.begin(), aliases_.end(), [&](const Alias& a) { return a.family == family; })) {
            for (const Face& f : faces_)
                if (f.set.get() == key.first && f.face == key.second)
                    aliases_.push_back({f, family, unicodeRange(pageCharacters_[key])});
        }
    }
    return classes.add(style);
}

std::string PlacedTextWriter::unicodeRange(const std::set<char32_t>& characters) {
    // The blank comes first: a list of faces takes its line's height and baseline from the
    // first face that has one, which must be a web face here as in the runs of one face.
    std::set<char32_t> all(characters);
    all.insert(U' ');
    std::string out;
    char buffer[24];
    for (auto it = all.begin(); it != all.end();) {
        const auto from = static_cast<unsigned>(*it);
        unsigned to = from;
        for (++it; it != all.end() && *it == to + 1; ++it) ++to;
        if (from == to) std::snprintf(buffer, sizeof buffer, "%sU+%X", out.empty() ? "" : ",", from);
        else std::snprintf(buffer, sizeof buffer, "%sU+%X-%X", out.empty() ? "" : ",", from, to);
        out += buffer;
    }
    return out;
}

void PlacedTextWriter::write(std::string& out) const {
    for (const Run& run : runs_) writeRun(out, run.glyphs, run.style);
}

void PlacedTextWriter::writeRun(std::string& out, const std::vector<Glyph>& run, int style) const {
    if (std::none_of(run.begin(), run.end(),
                     [&](const Glyph& g) { return onPage(*g.place, pageWidth_, pageHeight_); }))
        return;
    const Glyph& first = run.front();
    const Frame frame = frameOf(*first.place, first.size);
    if (first.place->vertical) {
        writeColumn(out, run, style);
        return;
    }
    const bool web = first.web;

    std::vector<Token> tokens;
    tokens.reserve(run.size() + 8);
    double lastEnd = 0;
    bool lastWasGlyph = false;
    double lastSpaceWidth = first.place->spaceWidth;
    for (const Glyph& g : run) {
        double lx = 0, ly = 0;
        toLocal(frame, g.place->x - first.place->x, g.place->y - first.place->y, lx, ly);
        const bool ligature = web && g.place->ligature;
        const std::u16string text = writtenText(*g.item, *g.place, web);
        const bool space = text == u" ";
        // A space where the PDF leaves a gap wider than half the font's own space, measured
        // in the font's size, so kerned letters stay one word.
        if (options_.insertSpaces && !space && lastWasGlyph &&
            lx - lastEnd > 0.5 * lastSpaceWidth * g.size) {
            Token blank;
            blank.html = " ";
            blank.space = true;
            tokens.push_back(std::move(blank));
        }
        Token t;
        appendEscapedHtml(t.html, utf16ToOutput(text));
        t.space = space;
        t.target = !space;
        t.x = lx;
        t.advance = space ? 0 : g.place->width * g.size;
        t.character = ligature ? g.place->font->ligatureKey(std::u32string(text.begin(), text.end())) : webCharacter(text);
        // The step from the glyph before becomes a kerning pair of the face when it is the
        // first of its pair; the pair keeps that value wherever it comes again.
        t.face = g.place->face;
        t.font = g.place->font.get();
        if (web && !space && !tokens.empty() && tokens.back().target && tokens.back().character && t.character &&
            tokens.back().font == t.font && tokens.back().face == t.face) {
            const Token& prev = tokens.back();
            const double step = lx - (prev.x + prev.advance);
            const int units = g.place->font->kern(static_cast<size_t>(g.place->face), prev.character, t.character,
                                                  step / g.size);
            t.kern = static_cast<double>(units) / FontGlyphSet::kUnitsPerEm * g.size;
        }
        tokens.push_back(std::move(t));
        lastWasGlyph = !space;
        lastEnd = lx + g.place->width * g.size;
        lastSpaceWidth = g.place->spaceWidth;
    }

    // The run's own letter and word spacing: what most glyphs and most word gaps need, so
    // only the others get an element of their own.
    double letter = 0, word = 0;
    if (web) {
        std::vector<double> letters, words;
        int lastGlyph = -1;
        for (size_t i = 0; i < tokens.size(); ++i) {
            if (!tokens[i].target) continue;
            if (lastGlyph >= 0) {
                const Token& prev = tokens[static_cast<size_t>(lastGlyph)];
                const double step = tokens[i].x - (prev.x + prev.advance);
                const size_t blanks = i - static_cast<size_t>(lastGlyph) - 1;
                if (blanks == 0) letters.push_back(step - tokens[i].kern);
                else if (blanks == 1) words.push_back(step);
            }
            lastGlyph = static_cast<int>(i);
        }
        letter = commonValue(letters).value_or(meanStep(letters, 0.08 * first.size));
        for (double& w : words) w -= 2 * letter;
        word = commonValue(words).value_or(0);
        if (words.size() == 1) word = words[0];
    }

    const double shift = web ? 0 : kFallbackBaseline * first.size;
    const double left = first.place->x - frame.c * shift;
    const double top = first.place->y - frame.d * shift + static_cast<double>(options_.top);
    out += "<div class=\"r\" style=\"left:";
    appendCssNumber(out, left);
    out += "px;top:";
    appendCssNumber(out, top);
    out += "px";
    appendTransform(out, frame);
    out += "\"><span class=\"ft" + std::to_string(style) + "\"";
    if (web && (letter != 0 || word != 0)) {
        out += " style=\"";
        if (letter != 0) {
            out += "letter-spacing:";
            appendCssNumber(out, letter);
            out += "px;";
        }
        if (word != 0) {
            out += "word-spacing:";
            appendCssNumber(out, word);
            out += "px";
        }
        out += "\"";
    }
    if (!web) {
        // The width up to the last ink, which the fitting script holds the run to.
        double width = 0;
        for (const Token& t : tokens)
            if (t.target) width = t.x + t.advance;
        out += " data-w=\"";
        appendCssNumber(out, width > 0 ? width : 0);
        out += "\"";
    }
    out += '>';
    double browserPen = 0;
    bool wordStart = true;
    double wordLetter = letter;  // the letter spacing of the word being written
    size_t wordEnd = 0;          // the token after the last of a word with a spacing of its own
    for (size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (web && t.target) {
            const double gap = t.x - (browserPen + t.kern);
            if (std::fabs(gap) > (wordStart ? kGapEpsilon : inWordDrift(first.size))) {
                out += "<span style=\"margin-left:";
                appendCssNumber(out, gap);
                out += "px\"></span>";
                browserPen = t.x - t.kern;
            }
            if (wordStart) {
                const WordSpacing own = wordSpacing(tokens, i, letter, inWordDrift(first.size));
                if (own.end > i) {
                    wordLetter = own.letter;
                    wordEnd = own.end;
                    out += "<span style=\"letter-spacing:";
                    appendCssNumber(out, wordLetter);
                    out += "px\">";
                }
            }
        }
        browserPen += t.kern;
        out += t.html;
        browserPen += t.advance + (i < wordEnd ? wordLetter : letter) + (t.space ? word : 0);
        if (i + 1 == wordEnd) out += "</span>";
        wordStart = t.space;
    }
    out += "</span></div>\n";
}

void PlacedTextWriter::writeColumn(std::string& out, const std::vector<Glyph>& run, int style) const {
    // Browsers stack a vertical column by their faces' vertical advances, which many faces
    // lack (every glyph then lands on the first), so the column is written as a block no
    // wider than nothing, where every character is a line of its own, the lines as far apart
    // as the PDF's glyphs: the same in every browser and face, and still one text. A glyph
    // wider than the block starts at its left, which is the em box's: half an em left of the
    // column's middle, where the PDF centres its glyphs.
    const Glyph& first = run.front();
    const Frame frame = frameOf(*first.place, first.size);
    const double size = first.size;
    size_t from = 0;
    while (from < run.size()) {
        // The glyphs that follow at one step, which becomes the height of the lines.
        double step = size;
        size_t to = from + 1;
        double lastY = 0;
        for (; to < run.size(); ++to) {
            double lx = 0, ly = 0;
            toLocal(frame, run[to].place->x - run[from].place->x, run[to].place->y - run[from].place->y, lx, ly);
            if (to == from + 1) step = ly;
            else if (std::fabs(ly - lastY - step) > inWordDrift(size)) break;
            lastY = ly;
        }
        if (!(step > 0.05 * size)) step = size, to = from + 1;
        const Glyph& top = run[from];
        // The first glyph's em box, which starts 0.88 em above its baseline, sits in the
        // middle of the first line.
        const double up = -kVerticalOriginAbove * size - 0.5 * (step - size);
        out += "<div class=\"r v\" style=\"left:";
        appendCssNumber(out, top.place->x + frame.c * up);
        out += "px;top:";
        appendCssNumber(out, top.place->y + frame.d * up + static_cast<double>(options_.top));
        out += "px";
        appendTransform(out, frame);
        out += "\"><span class=\"ft" + std::to_string(style) + "\" style=\"line-height:";
        appendCssNumber(out, step);
        out += "px\">";
        for (size_t i = from; i < to; ++i) appendEscapedHtml(out, utf16ToOutput(textOf(*run[i].item)));
        out += "</span></div>\n";
        from = to;
    }
}

}  // namespace qm
