#pragma once
// Executes the content of a page (or of a form, pattern cell or annotation appearance)
// against an output device: reads operators with their operands, checks them against a
// fixed table and runs their handlers. Problems are reported and the page goes on.
#include <memory>

#include "core/pdf_object.h"
#include "graphics/graphics_state.h"
#include "graphics/resource_scope.h"

// The fuzzing build lowers the budget so every input finishes within the fuzzer's timeout.
#ifndef QUILLMARK_PAGE_WORK
#define QUILLMARK_PAGE_WORK 4000000
#endif

namespace qm {

class ObjectResolver;
class OutputDevice;
class PdfParser;
class Shading;
class AxialShading;
class ShadingPattern;
class PdfFont;

class ContentInterpreter {
public:
    static constexpr int kMaxArgs = 8;
    static constexpr int kCheckpointEvery = 200;
    // Forms, pattern cells and appearances that draw one another.
    static constexpr int kMaxFormDepth = 32;
    // Type 3 glyphs that show text in Type 3 fonts. Each level multiplies the work by the
    // length of the string shown, so the cap is far below the one for forms.
    static constexpr int kMaxType3Depth = 4;
    // Objects read and forms run on one page, forms, pattern cells and appearances included.
    // Nested forms and patterns multiply their work; a page past this budget is cut short.
    static constexpr long kDefaultPageWork = QUILLMARK_PAGE_WORK;
    // Each saved state holds copies of colour spaces and patterns; no real page nests this deep.
    static constexpr int kMaxSaveDepth = 4096;
    // Building a font reads its program and maps; it counts as this many objects read.
    static constexpr long kFontBuildWork = 1000;

    // Fonts come from `fonts` (normally the document's) when given, else from a cache of this
    // interpreter's own.
    ContentInterpreter(ObjectResolver* xref, OutputDevice* device, int pageNumber, PdfDict* resources, double dpi,
                       const PageBox& pageBox, bool crop, const PageBox& cropBox, int rotate, bool traceOperators,
                       DocumentFontCache* fonts = nullptr);
    ~ContentInterpreter();
    ContentInterpreter(const ContentInterpreter&) = delete;
    ContentInterpreter& operator=(const ContentInterpreter&) = delete;

    // Runs page contents: a stream or an array of streams.
    void run(const PdfObject& contents);
    void runForm(const PdfObject& stream, PdfDict* resources, const double matrix[6], const double bbox[4]);
    void runFormInRect(const PdfObject& form, double x1, double y1, double x2, double y2);

    GraphicsState& state() { return *state_; }
    // Replaces the page's work budget (objects read plus forms run).
    void setWorkBudget(long units) { workBudget_ = units; }
    // Operators read so far, in the page and in every form, pattern cell and appearance.
    long operatorCount() const { return operatorCount_; }

    enum ArgCheck : unsigned char { ArgBool, ArgInt, ArgNum, ArgString, ArgName, ArgArray, ArgProps, ArgColorOrName, ArgNone };
    using Handler = void (ContentInterpreter::*)(PdfObject* args, int count);
    struct OperatorEntry {
        char name[4];
        int argCount;
        ArgCheck checks[kMaxArgs];
        Handler handler;
    };
    // The table sorted by name; exposed for its order check.
    static const OperatorEntry* operatorTable(int* count);
    static const OperatorEntry* findOperator(const char* name);

private:
    void runContents(const PdfObject& contents, bool topLevel);
    void execute(const char* name, PdfObject* args, int count);
    bool checkArg(const PdfObject& arg, ArgCheck check) const;
    long position() const;
    void pushResources(PdfDict* resources);
    void popResources();
    void saveState();
    void restoreState();
    void clipToRect(double x1, double y1, double x2, double y2);

    // Graphics state.
    void opSave(PdfObject*, int);
    void opRestore(PdfObject*, int);
    void opConcat(PdfObject* args, int);
    void opSetLineWidth(PdfObject* args, int);
    void opSetLineCap(PdfObject* args, int);
    void opSetLineJoin(PdfObject* args, int);
    void opSetMiterLimit(PdfObject* args, int);
    void opSetFlatness(PdfObject* args, int);
    void opSetDash(PdfObject* args, int);
    void opSetRenderingIntent(PdfObject*, int) {}
    void opSetExtGState(PdfObject* args, int);
    // Colour.
    void opSetFillGray(PdfObject* args, int);
    void opSetStrokeGray(PdfObject* args, int);
    void opSetFillRgb(PdfObject* args, int);
    void opSetStrokeRgb(PdfObject* args, int);
    void opSetFillCmyk(PdfObject* args, int);
    void opSetStrokeCmyk(PdfObject* args, int);
    void opSetFillColorSpace(PdfObject* args, int);
    void opSetStrokeColorSpace(PdfObject* args, int);
    void opSetFillColor(PdfObject* args, int count);
    void opSetStrokeColor(PdfObject* args, int count);
    void opSetFillColorN(PdfObject* args, int count);
    void opSetStrokeColorN(PdfObject* args, int count);
    void setColorSpace(bool fill, const PdfObject& nameOrArray);
    void setDeviceColor(bool fill, std::unique_ptr<ColorSpace> space, PdfObject* args, int count);
    void setColorN(bool fill, PdfObject* args, int count);
    // Paths.
    void opMoveTo(PdfObject* args, int);
    void opLineTo(PdfObject* args, int);
    void opCurveTo(PdfObject* args, int);
    void opCurveTo1(PdfObject* args, int);
    void opCurveTo2(PdfObject* args, int);
    void opRectangle(PdfObject* args, int);
    void opClosePath(PdfObject*, int);
    void opEndPath(PdfObject*, int);
    void opStroke(PdfObject*, int);
    void opCloseStroke(PdfObject*, int);
    void opFill(PdfObject*, int);
    void opEOFill(PdfObject*, int);
    void opFillStroke(PdfObject*, int);
    void opEOFillStroke(PdfObject*, int);
    void opCloseFillStroke(PdfObject*, int);
    void opCloseEOFillStroke(PdfObject*, int);
    void opClip(PdfObject*, int);
    void opEOClip(PdfObject*, int);
    void paint(bool close, int fillMode, bool stroke);
    void doFill(bool evenOdd);
    void endPath();
    // Text.
    void opBeginText(PdfObject*, int);
    void opEndText(PdfObject*, int) {}
    void opSetCharSpacing(PdfObject* args, int);
    void opSetWordSpacing(PdfObject* args, int);
    void opSetHorizScaling(PdfObject* args, int);
    void opSetTextLeading(PdfObject* args, int);
    void opSetTextRender(PdfObject* args, int);
    void opSetTextRise(PdfObject* args, int);
    void opSetFont(PdfObject* args, int);
    void opTextMove(PdfObject* args, int);
    void opTextMoveSet(PdfObject* args, int);
    void opTextNextLine(PdfObject*, int);
    void opSetTextMatrix(PdfObject* args, int);
    void opShowText(PdfObject* args, int);
    void opMoveShowText(PdfObject* args, int);
    void opMoveSetShowText(PdfObject* args, int);
    void opShowSpaceText(PdfObject* args, int);
    void moveText(double tx, double ty);
    void showText(const PdfString& s);
    // Runs the glyph procedure of a Type 3 character with its origin at (x, y) in user
    // space; false when the font has none for the code (the device then gets the character).
    bool showType3Char(PdfFont& font, uint32_t code, double x, double y);
    bool ignoredInGlyph(const char* op) const;
    // Glyph descriptions, marked content, compatibility.
    void opSetCharWidth(PdfObject*, int);
    void opSetCacheDevice(PdfObject*, int);
    void opBeginMarkedContent(PdfObject* args, int count);
    void opEndMarkedContent(PdfObject*, int);
    void opMarkPoint(PdfObject* args, int count);
    void opBeginIgnoreUndef(PdfObject*, int);
    void opEndIgnoreUndef(PdfObject*, int);
    // XObjects, images, shadings, patterns.
    void opXObject(PdfObject* args, int);
    void opBeginImage(PdfObject*, int);
    void opImageData(PdfObject*, int);
    void opEndImage(PdfObject*, int);
    void opShFill(PdfObject* args, int);
    void doImage(const PdfObject* ref, Stream* stream, bool inlineImage);
    void doForm(const PdfObject& form);
    // Transparency (ops_transparency.cpp). runGroupForm draws a form that is a transparency
    // group as one and says whether it was one.
    void setBlendMode(const PdfObject& mode);
    // `raw` is the mask as the ExtGState holds it: a reference lets a mask set again under
    // the same transform reuse what the device made of it.
    void setSoftMask(const PdfObject& mask, const PdfObject& raw);
    bool runGroupForm(const PdfObject& form, PdfDict* resources);
    void doTilingPatternFill(bool evenOdd);
    void doAxialShFill(const AxialShading& shading);
    // Paints any shading over the clip area of the current user space.
    void paintShading(const Shading& shading);
    void doShadingPatternFill(bool evenOdd);
    void doStroke();
    void paintShadingPattern(const ShadingPattern& pattern);

    ObjectResolver* xref_;
    OutputDevice* device_;
    std::unique_ptr<DocumentFontCache> ownFonts_;
    DocumentFontCache* fonts_;
    bool traceOperators_;
    std::unique_ptr<ResourceScope> resources_;
    std::unique_ptr<GraphicsState> state_;
    bool fontChanged_ = false;
    int pendingClip_ = 0;  // 0 none, 1 nonzero, 2 even-odd
    int compatibilityDepth_ = 0;
    double baseMatrix_[6];
    PdfParser* parser_ = nullptr;
    int formDepth_ = 0;
    long operatorCount_ = 0;
    long work_ = 0;
    long workBudget_ = kDefaultPageWork;
    // Counts units of work; false (reported once) when the page's budget is spent.
    bool spendWork(long units = 1);
    // Saves made by q (and by forms, patterns, shadings); Q never unwinds below the floor,
    // so a form cannot pop the state of the content that drew it.
    int saveDepth_ = 0;
    int saveFloor_ = 0;
    // Glyph procedures being run, and whether the innermost declared itself uncoloured
    // (d1): its colour operators are then ignored and it paints in the text's colour.
    int type3Depth_ = 0;
    bool uncolouredGlyph_ = false;
    // The last soft mask made from an indirect mask dictionary, and the transform it was made under.
    struct LastSoftMask {
        PdfRef ref{-1, 0};
        double ctm[6] = {};
        std::shared_ptr<const SoftMaskImage> image;
    } lastSoftMask_;
};

}  // namespace qm
