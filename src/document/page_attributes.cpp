#include "document/page_attributes.h"

#include "core/pdf_dict.h"

namespace qm {

namespace {

// An array of exactly four numbers replaces `box`; anything else leaves it alone.
bool readBox(const PdfDict* dict, const char* key, PdfRect* box) {
    PdfObject array = dict->lookup(key);
    if (!array.isArray() || array.arrayLength() != 4) return false;
    double v[4];
    for (int i = 0; i < 4; ++i) {
        PdfObject n = array.arrayGet(i);
        if (!n.isNum()) return false;
        v[i] = n.getNum();
    }
    *box = PdfRect{v[0], v[1], v[2], v[3]};
    return true;
}

}  // namespace

PageAttributes::PageAttributes(const PageAttributes* parent, const PdfDict* node) {
    if (parent) {
        mediaBox_ = parent->mediaBox_;
        cropBox_ = parent->cropBox_;
        hasCropBox_ = parent->hasCropBox_;
        rotate_ = parent->rotate_;
        resources_ = parent->resources_;
    }
    readBox(node, "MediaBox", &mediaBox_);
    cropBox_ = mediaBox_;
    hasCropBox_ = readBox(node, "CropBox", &cropBox_);
    if (hasCropBox_) {
        const PdfRect& m = mediaBox_;
        const PdfRect& c = cropBox_;
        cropLimitsDrawing_ = (m.x2 - c.x2) + (c.x1 - m.x1) > 0.25 * (c.x2 - c.x1) ||
                             (c.y1 - m.y1) + (m.y2 - c.y2) > 0.25 * (c.y2 - c.y1);
    }
    bleedBox_ = trimBox_ = artBox_ = cropBox_;
    readBox(node, "BleedBox", &bleedBox_);
    readBox(node, "TrimBox", &trimBox_);
    readBox(node, "ArtBox", &artBox_);

    PdfObject rotate = node->lookup("Rotate");
    if (rotate.isInt()) rotate_ = rotate.getInt() % 360;
    if (rotate_ < 0) rotate_ += 360;

    PdfObject resources = node->lookup("Resources");
    if (resources.isDict()) resources_ = std::move(resources);
}

PdfDict* PageAttributes::resources() const { return resources_.isDict() ? resources_.getDict() : nullptr; }

}  // namespace qm
