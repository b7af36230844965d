#include "graphics/image_alpha_source.h"

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "graphics/color_space.h"
#include "graphics/number_array.h"
#include "streams/jpx_decoder.h"
#include "streams/stream.h"

namespace qm {

namespace {

// Masks are images too: no more samples than an image may have.
constexpr long long kMaxMaskPixels = 1LL << 28;

bool sizeOk(const PdfObject& width, const PdfObject& height) {
    return width.isInt() && height.isInt() && width.getInt() > 0 && height.getInt() > 0 &&
           static_cast<long long>(width.getInt()) * height.getInt() <= kMaxMaskPixels;
}

bool isGray(const PdfObject& space) { return space.isNull() || space.isName("DeviceGray") || space.isName("G"); }

// Reads /Matte (one number per component of the image's colour space) as RGB bytes.
void readMatte(PdfDict* mask, const ColorSpace& space, long position, ImageAlpha& alpha) {
    PdfObject matte = mask->lookup("Matte");
    if (matte.isNull()) return;
    double color[32] = {};
    const int n = space.componentCount();
    if (n < 1 || n > 32 || !readNumberArray(matte, color, n)) {
        reportError(position, "Bad soft mask matte colour");
        return;
    }
    double rgb[3];
    space.toRgb(color, rgb);
    for (int i = 0; i < 3; ++i) {
        const double c = rgb[i] >= 0 ? (rgb[i] <= 1 ? rgb[i] : 1) : 0;  // NaN gives 0
        alpha.matte[i] = static_cast<uint8_t>(c * 255 + 0.5);
    }
    alpha.hasMatte = true;
}

bool readSoftMask(const PdfObject& mask, const ColorSpace& space, long position, ImageAlphaSource& out) {
    Stream* stream = mask.getStream();
    PdfDict* dict = stream ? stream->dictionary() : nullptr;
    if (!dict) return false;
    ImageAlpha& alpha = out.alpha;
    if (stream->kind() == StreamKind::Jpx) {
        auto* jpx = static_cast<JpxDecoder*>(stream);
        if (!jpx->decodeImage() || jpx->components() != 1) return false;
        alpha.width = jpx->width();
        alpha.height = jpx->height();
        alpha.bits = 8;
    } else {
        PdfObject width = dict->lookup("Width"), height = dict->lookup("Height");
        PdfObject bits = dict->lookup("BitsPerComponent");
        if (!sizeOk(width, height) || !bits.isInt()) return false;
        const int b = bits.getInt();
        if (b != 1 && b != 2 && b != 4 && b != 8 && b != 16) return false;
        alpha.width = width.getInt();
        alpha.height = height.getInt();
        alpha.bits = b;
    }
    if (!isGray(dict->lookup("ColorSpace"))) return false;
    double decode[2] = {0, 1};
    PdfObject d = dict->lookup("Decode");
    if (!d.isNull() && !readNumberArray(d, decode, 2)) return false;
    alpha.setGrayDecode(alpha.bits, decode[0], decode[1]);
    readMatte(dict, space, position, alpha);
    alpha.stream = stream;
    out.maskObject = mask;
    return true;
}

bool readStencilMask(const PdfObject& mask, ImageAlphaSource& out) {
    Stream* stream = mask.getStream();
    PdfDict* dict = stream ? stream->dictionary() : nullptr;
    if (!dict) return false;
    PdfObject width = dict->lookup("Width"), height = dict->lookup("Height");
    PdfObject bits = dict->lookup("BitsPerComponent");
    if (!sizeOk(width, height) || !(bits.isNull() || (bits.isInt() && bits.getInt() == 1))) return false;
    PdfObject decode = dict->lookup("Decode");
    if (!(decode.isNull() || decode.isArray())) return false;
    const PdfObject first = decode.arrayGet(0);
    const bool invert = first.isNum() && first.getNum() == 1;
    if (stream->kind() == StreamKind::Jpx) return false;
    out.alpha.width = width.getInt();
    out.alpha.height = height.getInt();
    out.alpha.bits = 1;
    out.alpha.setStencil(invert);
    out.alpha.stream = stream;
    out.maskObject = mask;
    return true;
}

}  // namespace

bool findImageAlpha(PdfDict* image, const ColorSpace& space, JpxDecoder* jpx, long position, ImageAlphaSource& out) {
    if (!image) return false;
    out = ImageAlphaSource{};
    PdfObject smask = image->lookup("SMask");
    if (smask.isStream()) {
        if (readSoftMask(smask, space, position, out)) return true;
        reportError(position, "Bad soft mask - the image is drawn without it");
        out = ImageAlphaSource{};
        return false;
    }
    if (!smask.isNull() && !smask.isName("None")) {
        reportError(position, "Soft mask is not a stream - the image is drawn without it");
        return false;
    }
    PdfObject mask = image->lookup("Mask");
    if (mask.isStream()) {
        if (readStencilMask(mask, out)) return true;
        reportError(position, "Bad image mask - the image is drawn without it");
        out = ImageAlphaSource{};
        return false;
    }
    if (jpx && jpx->hasAlpha() && !jpx->alphaPlane().empty()) {
        out.plane = jpx->alphaPlane();
        out.alpha.plane = &out.plane;
        out.alpha.width = jpx->width();
        out.alpha.height = jpx->height();
        out.alpha.setGrayDecode(8, 0, 1);
        return true;
    }
    return false;
}

}  // namespace qm
