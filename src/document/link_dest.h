#pragma once
// A destination inside a document: which page, and how to place it in the window.
#include "core/pdf_object.h"

namespace qm {

class LinkDest {
public:
    enum Kind { XYZ = 0, Fit = 1, FitH = 2, FitV = 3, FitR = 4, FitB = 5, FitBH = 6, FitBV = 7 };

    // Parses a destination array. With `pageIsRef` element 0 must be a page reference (a
    // local destination), otherwise a 0-based page number (a destination in another file).
    LinkDest(const PdfObject& array, bool pageIsRef);

    bool isOk() const { return ok_; }
    Kind kind() const { return kind_; }
    bool pageIsRef() const { return pageIsRef_; }
    PdfRef pageRef() const { return pageRef_; }
    // 1-based.
    int pageNumber() const { return pageNumber_; }
    double left() const { return left_; }
    double bottom() const { return bottom_; }
    double right() const { return right_; }
    double top() const { return top_; }
    double zoom() const { return zoom_; }
    bool changeLeft() const { return changeLeft_; }
    bool changeTop() const { return changeTop_; }
    bool changeZoom() const { return changeZoom_; }

private:
    bool readPosition(const PdfObject& array, int index, double* value);

    Kind kind_ = XYZ;
    bool pageIsRef_;
    PdfRef pageRef_{0, 0};
    int pageNumber_ = 0;
    double left_ = 0;
    double bottom_ = 0;
    double right_ = 0;
    double top_ = 0;
    double zoom_ = 0;
    bool changeLeft_ = false;
    bool changeTop_ = false;
    bool changeZoom_ = false;
    bool ok_ = false;
};

}  // namespace qm
