#include "document/link_dest.h"

#include <climits>
#include <cstring>

#include "core/report_error.h"

namespace qm {

namespace {
constexpr const char* kKindNames[] = {"XYZ", "Fit", "FitH", "FitV", "FitR", "FitB", "FitBH", "FitBV"};
}  // namespace

LinkDest::LinkDest(const PdfObject& array, bool pageIsRef) : pageIsRef_(pageIsRef) {
    PdfObject page = array.arrayGetRaw(0);
    if (pageIsRef && page.isRef()) {
        pageRef_ = page.getRef();
    } else if (!pageIsRef && page.isInt() && page.getInt() >= 0 && page.getInt() < INT_MAX) {
        pageNumber_ = page.getInt() + 1;
    } else {
        reportError(-1, "Bad annotation destination");
        return;
    }

    PdfObject kind = array.arrayGet(1);
    int k = -1;
    if (kind.isName()) {
        for (int i = 0; i < 8; ++i) {
            if (std::strcmp(kind.getName(), kKindNames[i]) == 0) {
                k = i;
                break;
            }
        }
    }
    if (k < 0) {
        reportError(-1, "Unknown annotation destination type");
        return;
    }
    kind_ = static_cast<Kind>(k);

    bool good = true;
    switch (kind_) {
        case XYZ: {
            // null keeps the viewer's current value; a number replaces it.
            double* fields[3] = {&left_, &top_, &zoom_};
            bool* flags[3] = {&changeLeft_, &changeTop_, &changeZoom_};
            for (int i = 0; i < 3 && good; ++i) {
                PdfObject v = array.arrayGet(2 + i);
                // A missing element reads as null: short XYZ arrays are common and harmless.
                if (v.isNull()) {
                    *flags[i] = false;
                } else if (v.isNum()) {
                    *fields[i] = v.getNum();
                    *flags[i] = true;
                } else {
                    good = false;
                }
            }
            break;
        }
        case FitH:
        case FitBH:
            good = readPosition(array, 2, &top_);
            break;
        case FitV:
        case FitBV:
            good = readPosition(array, 2, &left_);
            break;
        case FitR:
            good = readPosition(array, 2, &left_) && readPosition(array, 3, &bottom_) &&
                   readPosition(array, 4, &right_) && readPosition(array, 5, &top_);
            break;
        case Fit:
        case FitB:
            break;
    }
    if (!good) {
        reportError(-1, "Bad annotation destination position");
        return;
    }
    ok_ = true;
}

bool LinkDest::readPosition(const PdfObject& array, int index, double* value) {
    PdfObject v = array.arrayGet(index);
    if (!v.isNum()) return false;
    *value = v.getNum();
    return true;
}

}  // namespace qm
