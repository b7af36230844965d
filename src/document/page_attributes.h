#pragma once
// The inheritable attributes of a page-tree node: boxes, rotation and resources, each taken
// from the node itself or from its parent (the crop box and the boxes made from it are not
// inherited).
#include "core/pdf_object.h"

namespace qm {

class PdfDict;

struct PdfRect {
    double x1 = 0;
    double y1 = 0;
    double x2 = 0;
    double y2 = 0;
};

class PageAttributes {
public:
    // `parent` may be null (the root of the tree); `node` is the node's dictionary.
    PageAttributes(const PageAttributes* parent, const PdfDict* node);

    const PdfRect& mediaBox() const { return mediaBox_; }
    const PdfRect& cropBox() const { return cropBox_; }
    bool hasCropBox() const { return hasCropBox_; }
    // The crop box cuts off enough of the media box that drawing is limited to it.
    bool cropLimitsDrawing() const { return cropLimitsDrawing_; }
    const PdfRect& bleedBox() const { return bleedBox_; }
    const PdfRect& trimBox() const { return trimBox_; }
    const PdfRect& artBox() const { return artBox_; }
    int rotate() const { return rotate_; }
    // The resource dictionary, or null.
    PdfDict* resources() const;

private:
    PdfRect mediaBox_{0, 0, 612, 792};
    PdfRect cropBox_;
    bool hasCropBox_ = false;
    bool cropLimitsDrawing_ = false;
    PdfRect bleedBox_;
    PdfRect trimBox_;
    PdfRect artBox_;
    int rotate_ = 0;
    PdfObject resources_ = PdfObject::makeNull();
};

}  // namespace qm
