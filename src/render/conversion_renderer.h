#pragma once
// The renderer of one open document: draws its pages into the page bitmap or records them
// as display lists, and hands out the page as a packed bitmap and its link records.
#include <cstdint>
#include <string>

#include "render/page_renderer.h"

namespace qm {

class PdfDocument;
class WebFontJournal;

class ConversionRenderer : public PageRenderer {
public:
    // The document is borrowed and must outlive the renderer.
    explicit ConversionRenderer(PdfDocument& document);

    // Draws page `pageNumber` (1-based) at `dpi` dots per inch with its links made: into the
    // bitmap, or into the display-list target when one is set. The link records are emptied
    // first. False (nothing drawn) for a page outside the document or a dpi outside 1..2400.
    // A page too large for a bitmap at `dpi` (posters, maps, site plans) is drawn at the
    // largest resolution that fits, with a message, rather than not at all.
    bool drawPage(int pageNumber, int dpi);
    // The resolution the last drawPage used; below 1 for a page far beyond any bitmap.
    double lastDpi() const { return lastDpi_; }

    // The page bitmap as one heap block (header, colour table, rows bottom-up): the form
    // handed to callers of the document functions, freed with freePackedDib. Null when there
    // is no bitmap.
    uint8_t* packedPage() const;

    // Image masks stored as JPEG data are also written, as they are, to
    // "<folder>/<base>-NNN.jpg" while saving is on. Off unless switched on; the masks are
    // drawn either way.
    void setMaskSaving(bool on, const std::string& folder, const std::string& baseName = "image");
    bool maskSaving() const { return saveMasks_; }
    int savedMaskCount() const { return imageCount_; }

    int pageNumber() const { return pageNumber_; }
    PdfDocument& document() const { return document_; }

    // While set, every character recorded into a display list is noted in `journal` with what
    // it asked of the document's web fonts (null: none noted). Borrowed.
    void setWebFontJournal(WebFontJournal* journal) { journal_ = journal; }

    void beginPage(int pageNumber, GraphicsState& state) override;
    void drawChar(GraphicsState& state, double x, double y, double dx, double dy, double originX, double originY,
                  int code, const uint16_t* unicode, int unicodeCount, int rawCode) override;
    void drawImageMask(GraphicsState& state, const PdfRef* ref, Stream* stream, int width, int height, bool invert,
                       bool inlineImage) override;

private:
    // `dpi`, or less when the page would not fit a bitmap at `dpi`.
    double fittingDpi(int pageNumber, int dpi) const;

    void saveMaskData(Stream* stream);

    PdfDocument& document_;
    int pageNumber_ = 0;
    bool saveMasks_ = false;
    std::string maskFolder_, maskBase_;
    int imageCount_ = 0;
    double lastDpi_ = 0;
    WebFontJournal* journal_ = nullptr;
};

}  // namespace qm
