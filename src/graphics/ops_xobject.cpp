// XObjects, images (with inline images) and forms.
#include <cmath>
#include <cstring>

#include "core/lexical.h"
#include "core/pdf_array.h"
#include "core/pdf_dict.h"
#include "core/pdf_parser.h"
#include "core/report_error.h"
#include "graphics/content_interpreter.h"
#include "graphics/number_array.h"
#include "graphics/image_alpha_source.h"
#include "graphics/image_color_map.h"
#include "render/output_device.h"
#include "streams/embed_stream.h"
#include "streams/filter_chain.h"
#include "streams/jpx_decoder.h"
#include "streams/stream_ref.h"

namespace qm {

namespace {

// The first of the long and the short key that the dictionary has.
PdfObject lookupEither(PdfDict* dict, const char* longKey, const char* shortKey) {
    if (!dict) return PdfObject::makeNull();
    PdfObject v = dict->lookup(longKey);
    if (v.isNull()) v = dict->lookup(shortKey);
    return v;
}

}  // namespace

void ContentInterpreter::opXObject(PdfObject* args, int) {
    const char* name = args[0].getName();
    PdfObject obj = resources_->lookupXObject(name);
    if (obj.isNone()) {
        reportError(position(), "XObject '%s' is unknown", name);
        return;
    }
    if (!obj.isStream()) {
        reportError(position(), "XObject '%s' is wrong type", name);
        return;
    }
    PdfObject subtype = obj.dictLookup("Subtype");
    if (!subtype.isName()) {
        reportError(position(), "XObject subtype is missing or wrong type");
        return;
    }
    if (subtype.isName("Image")) {
        PdfObject ref = resources_->lookupXObjectRaw(name);
        doImage(ref.isRef() ? &ref : nullptr, obj.getStream(), false);
    } else if (subtype.isName("Form")) {
        doForm(obj);
    } else {
        reportError(position(), "Unknown XObject subtype '%s'", subtype.getName());
    }
}

void ContentInterpreter::doImage(const PdfObject* ref, Stream* stream, bool inlineImage) {
    PdfDict* dict = stream->dictionary();
    PdfObject width = lookupEither(dict, "Width", "W");
    PdfObject height = lookupEither(dict, "Height", "H");
    PdfObject mask = lookupEither(dict, "ImageMask", "IM");
    PdfObject bits = lookupEither(dict, "BitsPerComponent", "BPC");
    bool isMask = mask.isBool() && mask.getBool();
    // A mask may leave its bit depth out: it can only be 1.
    if (isMask && bits.isNull()) bits = PdfObject::makeInt(1);
    // A JPEG 2000 image serves 8-bit samples whatever the dictionary says, in the colour space
    // of its codestream unless the dictionary names one.
    JpxDecoder* jpx = stream->kind() == StreamKind::Jpx ? static_cast<JpxDecoder*>(stream) : nullptr;
    // Their decoders take the data to its end, which an inline image does not mark: they would
    // swallow the rest of the page.
    if (inlineImage && (jpx || stream->kind() == StreamKind::Jbig2)) {
        reportError(position(), "Inline image cannot use the JPXDecode or JBIG2Decode filter");
        return;
    }
    const char* jpxSpace = nullptr;
    if (jpx && !isMask) {
        if (!jpx->decodeImage()) return;
        bits = PdfObject::makeInt(8);
        jpxSpace = jpx->colorSpaceName();
    }
    if (!width.isInt() || !height.isInt() || !(mask.isNull() || mask.isBool()) || !bits.isInt()) {
        reportError(position(), "Bad image parameters");
        return;
    }
    PdfRef r;
    const PdfRef* refPtr = nullptr;
    if (ref) {
        r = ref->getRef();
        refPtr = &r;
    }
    PdfObject decode = lookupEither(dict, "Decode", "D");
    if (isMask) {
        if (bits.getInt() != 1 || !(decode.isNull() || decode.isArray())) {
            reportError(position(), "Bad image parameters");
            return;
        }
        PdfObject first = decode.arrayGet(0);
        bool invert = first.isInt() && first.getInt() == 1;
        device_->drawImageMask(*state_, refPtr, stream, width.getInt(), height.getInt(), invert, inlineImage);
        return;
    }
    PdfObject csObj = lookupEither(dict, "ColorSpace", "CS");
    if (csObj.isNull() && jpxSpace) csObj = PdfObject::makeName(jpxSpace);
    if (csObj.isName()) {
        PdfObject found = resources_->lookupColorSpace(csObj.getName());
        if (!found.isNone() && !found.isNull()) csObj = std::move(found);
    }
    std::unique_ptr<ColorSpace> space = parseColorSpace(csObj);
    if (!space) {
        reportError(position(), "Bad image parameters");
        return;
    }
    ImageColorMap colorMap(bits.getInt(), decode, std::move(space));
    if (!colorMap.isOk()) {
        reportError(position(), "Bad image parameters");
        return;
    }
    int maskColors[16];
    const int* maskPtr = nullptr;
    PdfObject maskObj = dict ? dict->lookup("Mask") : PdfObject::makeNull();
    if (maskObj.isArray()) {
        int n = maskObj.arrayLength() < 16 ? maskObj.arrayLength() : 16;
        for (int i = 0; i < 16; ++i) {
            PdfObject v = i < n ? maskObj.arrayGet(i) : PdfObject::makeNull();
            maskColors[i] = v.isInt() ? v.getInt() : 0;
        }
        maskPtr = maskColors;
    }
    // Inline images carry no mask streams.
    ImageAlphaSource alpha;
    if (!inlineImage && findImageAlpha(dict, *colorMap.colorSpace(), jpx, position(), alpha)) {
        device_->drawMaskedImage(*state_, refPtr, stream, width.getInt(), height.getInt(), colorMap, maskPtr,
                                 alpha.alpha);
        return;
    }
    device_->drawImage(*state_, refPtr, stream, width.getInt(), height.getInt(), colorMap, maskPtr, inlineImage);
}

void ContentInterpreter::opBeginImage(PdfObject*, int) {
    PdfObject dict = PdfObject::makeDict(xref_);
    PdfObject obj = parser_->readObject();
    bool endOfFile = false;
    while (!obj.isCmd("ID")) {
        if (obj.isEof()) {
            endOfFile = true;
            break;
        }
        if (!obj.isName()) {
            reportError(position(), "Inline image dictionary key must be a name object");
            obj = parser_->readObject();
            continue;
        }
        PdfObject key = std::move(obj);
        obj = parser_->readObject();
        if (obj.isEof()) {
            endOfFile = true;
            break;
        }
        if (obj.isError()) break;
        dict.getDict()->add(key.getName(), std::move(obj));
        obj = parser_->readObject();
    }
    if (endOfFile) reportError(position(), "End of file in inline image");
    PdfLexer* lexer = parser_->lexer();
    // The data may start among bytes an earlier image handed back to the lexer.
    std::vector<unsigned char> unread = lexer->takeUnread();
    if (!lexer->currentStream() && unread.empty()) return;
    auto* source = new EmbedStream(lexer->currentStream(), dict);
    source->giveBack(unread.data(), static_cast<int>(unread.size()));
    StreamRef<> image(addFilters(source, dict.getDict()));
    doImage(nullptr, image.get(), true);
    // Every decoder read to its end hands back what it read ahead, so the search for "EI"
    // starts right after the image's data, whatever the device took.
    source->finishChain(image.get());
    // Resynchronise on the first "EI" followed by white space, a delimiter or the end.
    int c1 = source->readByte(), c2 = c1 < 0 ? -1 : source->readByte();
    while (c1 >= 0) {
        if (c1 == 'E' && c2 == 'I' && !lexical::isRegular(source->peekByte())) break;
        c1 = c2;
        c2 = c1 < 0 ? -1 : source->readByte();
    }
    lexer->giveBack(source->takeUnread());
}

void ContentInterpreter::opImageData(PdfObject*, int) { reportError(position(), "Internal: got 'ID' operator"); }

void ContentInterpreter::opEndImage(PdfObject*, int) { reportError(position(), "Internal: got 'EI' operator"); }

void ContentInterpreter::doForm(const PdfObject& form) {
    PdfDict* dict = form.dictOf();
    if (!dict) return;
    PdfObject type = dict->lookup("FormType");
    if (!type.isNull() && !(type.isInt() && type.getInt() == 1)) reportError(position(), "Unknown form type");
    double bbox[4];
    if (!readNumberArray(dict->lookup("BBox"), bbox, 4, NonNumber::Zero, true)) {
        reportError(position(), "Bad form bounding box");
        return;
    }
    double matrix[6] = {1, 0, 0, 1, 0, 0};
    PdfObject m = dict->lookup("Matrix");
    if (m.isArray() && m.arrayLength() == 6) readNumberArray(m, matrix, 6, NonNumber::Zero, true);
    PdfObject res = dict->lookup("Resources");
    PdfDict* resources = res.isDict() ? res.getDict() : nullptr;
    if (!runGroupForm(form, resources)) runForm(form, resources, matrix, bbox);
}

void ContentInterpreter::runFormInRect(const PdfObject& form, double x1, double y1, double x2, double y2) {
    PdfDict* dict = form.dictOf();
    if (!dict) return;
    double bbox[4];
    if (!readNumberArray(dict->lookup("BBox"), bbox, 4, NonNumber::Zero, true)) {
        reportError(position(), "Bad form bounding box");
        return;
    }
    double m[6] = {1, 0, 0, 1, 0, 0};
    PdfObject mo = dict->lookup("Matrix");
    if (mo.isArray() && mo.arrayLength() == 6) readNumberArray(mo, m, 6, NonNumber::Zero, true);
    // An empty box cannot be scaled onto the rectangle and shows nothing.
    if (bbox[2] == bbox[0] || bbox[3] == bbox[1]) return;
    double sx = std::fabs((x2 - x1) / (bbox[2] - bbox[0]));
    double sy = std::fabs((y2 - y1) / (bbox[3] - bbox[1]));
    m[0] *= sx;
    m[2] *= sx;
    m[1] *= sy;
    m[3] *= sy;
    m[4] = x1 + sx * m[4];
    m[5] = y1 + sy * m[5];
    PdfObject res = dict->lookup("Resources");
    runForm(form, res.isDict() ? res.getDict() : nullptr, m, bbox);
}

void ContentInterpreter::runForm(const PdfObject& stream, PdfDict* resources, const double matrix[6],
                                 const double bbox[4]) {
    if (formDepth_ >= kMaxFormDepth) {
        reportError(position(), "Forms nested too deeply");
        return;
    }
    if (!spendWork()) return;
    ++formDepth_;
    pushResources(resources);
    saveState();
    const int outerFloor = saveFloor_;
    saveFloor_ = saveDepth_;

    double zero[maxColorComponents] = {};
    state_->setFillPattern(nullptr);
    state_->setStrokePattern(nullptr);
    state_->setFillColorSpace(std::make_unique<DeviceGrayColorSpace>());
    state_->setStrokeColorSpace(std::make_unique<DeviceGrayColorSpace>());
    state_->setFillColor(zero);
    state_->setStrokeColor(zero);
    device_->updateFillColor(*state_);
    device_->updateStrokeColor(*state_);

    state_->concatTransform(matrix[0], matrix[1], matrix[2], matrix[3], matrix[4], matrix[5]);
    device_->updateTransform(*state_, matrix[0], matrix[1], matrix[2], matrix[3], matrix[4], matrix[5]);
    fontChanged_ = true;

    double savedBase[6];
    std::memcpy(savedBase, baseMatrix_, sizeof savedBase);
    std::memcpy(baseMatrix_, state_->transform(), sizeof baseMatrix_);

    clipToRect(bbox[0], bbox[1], bbox[2], bbox[3]);
    runContents(stream, false);

    std::memcpy(baseMatrix_, savedBase, sizeof savedBase);
    while (saveDepth_ > saveFloor_) restoreState();  // saves the form left open
    saveFloor_ = outerFloor;
    restoreState();
    popResources();
    --formDepth_;
}

}  // namespace qm
