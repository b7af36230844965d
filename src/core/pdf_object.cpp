#include "core/pdf_object.h"

#include <cstring>

#include "core/memory.h"
#include "core/object_resolver.h"
#include "core/pdf_array.h"
#include "core/pdf_dict.h"
#include "streams/stream.h"

namespace qm {

PdfObject& PdfObject::operator=(const PdfObject& other) {
    if (this != &other) {
        PdfObject copy(other);
        *this = std::move(copy);
    }
    return *this;
}

PdfObject& PdfObject::operator=(PdfObject&& other) noexcept {
    if (this != &other) {
        release();
        kind_ = other.kind_;
        u_ = other.u_;
        other.kind_ = ObjKind::None;
    }
    return *this;
}

void PdfObject::copyFrom(const PdfObject& other) {
    kind_ = other.kind_;
    u_ = other.u_;
    switch (kind_) {
        case ObjKind::String: u_.str = new PdfString(*other.u_.str); break;
        case ObjKind::Name:
        case ObjKind::Cmd: u_.text = memStrdup(other.u_.text); break;
        case ObjKind::Array: ++u_.array->refCount; break;
        case ObjKind::Dict: ++u_.dict->refCount; break;
        case ObjKind::Stream:
            if (u_.stream) u_.stream->incRef();
            break;
        default: break;
    }
}

void PdfObject::release() {
    switch (kind_) {
        case ObjKind::String: delete u_.str; break;
        case ObjKind::Name:
        case ObjKind::Cmd: memFree(u_.text); break;
        case ObjKind::Array:
            if (--u_.array->refCount == 0) delete u_.array;
            break;
        case ObjKind::Dict:
            if (--u_.dict->refCount == 0) delete u_.dict;
            break;
        case ObjKind::Stream:
            if (u_.stream) u_.stream->decRef();
            break;
        default: break;
    }
    kind_ = ObjKind::None;
}

PdfObject PdfObject::makeBool(bool b) {
    PdfObject o;
    o.kind_ = ObjKind::Bool;
    o.u_.i = b ? 1 : 0;
    return o;
}

PdfObject PdfObject::makeInt(int i) {
    PdfObject o;
    o.kind_ = ObjKind::Int;
    o.u_.i = i;
    return o;
}

PdfObject PdfObject::makeReal(double r) {
    PdfObject o;
    o.kind_ = ObjKind::Real;
    o.u_.r = r;
    return o;
}

PdfObject PdfObject::makeString(PdfString s) {
    PdfObject o;
    o.kind_ = ObjKind::String;
    o.u_.str = new PdfString(std::move(s));
    return o;
}

PdfObject PdfObject::makeString(const char* bytes, int length) { return makeString(PdfString(bytes, length)); }

PdfObject PdfObject::makeName(const char* text) {
    PdfObject o;
    o.kind_ = ObjKind::Name;
    o.u_.text = memStrdup(text);
    return o;
}

PdfObject PdfObject::makeNull() {
    PdfObject o;
    o.kind_ = ObjKind::Null;
    return o;
}

PdfObject PdfObject::makeArray(ObjectResolver* xref) {
    PdfObject o;
    o.kind_ = ObjKind::Array;
    o.u_.array = new PdfArray(xref);
    return o;
}

PdfObject PdfObject::makeDict(ObjectResolver* xref) {
    PdfObject o;
    o.kind_ = ObjKind::Dict;
    o.u_.dict = new PdfDict(xref);
    return o;
}

PdfObject PdfObject::makeStream(Stream* stream) {
    PdfObject o;
    o.kind_ = ObjKind::Stream;
    o.u_.stream = stream;
    return o;
}

PdfObject PdfObject::makeRef(int num, int gen) {
    PdfObject o;
    o.kind_ = ObjKind::Ref;
    o.u_.ref = PdfRef{num, gen};
    return o;
}

PdfObject PdfObject::makeCmd(const char* text) {
    PdfObject o;
    o.kind_ = ObjKind::Cmd;
    o.u_.text = memStrdup(text);
    return o;
}

PdfObject PdfObject::makeError() {
    PdfObject o;
    o.kind_ = ObjKind::Error;
    return o;
}

PdfObject PdfObject::makeEof() {
    PdfObject o;
    o.kind_ = ObjKind::Eof;
    return o;
}

PdfObject PdfObject::resolve(ObjectResolver* xref) const {
    if (kind_ == ObjKind::Ref && xref) return xref->fetch(u_.ref.num, u_.ref.gen);
    return *this;
}

const char* PdfObject::kindName() const {
    static const char* const names[] = {"boolean", "integer", "real", "string", "name",
                                        "null",    "array",   "dictionary", "stream", "ref",
                                        "cmd",     "error",   "eof",  "none"};
    return names[static_cast<int>(kind_)];
}

bool PdfObject::isName(const char* name) const {
    return kind_ == ObjKind::Name && std::strcmp(u_.text, name) == 0;
}

bool PdfObject::isDict(const char* type) const { return kind_ == ObjKind::Dict && u_.dict->hasType(type); }

bool PdfObject::isStream(const char* type) const {
    if (kind_ != ObjKind::Stream || !u_.stream) return false;
    PdfDict* d = u_.stream->dictionary();
    return d && d->hasType(type);
}

bool PdfObject::isCmd(const char* cmd) const { return kind_ == ObjKind::Cmd && std::strcmp(u_.text, cmd) == 0; }

int PdfObject::arrayLength() const { return kind_ == ObjKind::Array ? u_.array->length() : 0; }

PdfObject PdfObject::arrayGet(int i) const { return kind_ == ObjKind::Array ? u_.array->get(i) : makeNull(); }

PdfObject PdfObject::arrayGetRaw(int i) const {
    return kind_ == ObjKind::Array ? u_.array->getRaw(i) : makeNull();
}

PdfDict* PdfObject::dictOf() const {
    if (kind_ == ObjKind::Dict) return u_.dict;
    if (kind_ == ObjKind::Stream && u_.stream) return u_.stream->dictionary();
    return nullptr;
}

PdfObject PdfObject::dictLookup(const char* key) const {
    PdfDict* d = dictOf();
    return d ? d->lookup(key) : makeNull();
}

PdfObject PdfObject::dictLookupRaw(const char* key) const {
    PdfDict* d = dictOf();
    return d ? d->lookupRaw(key) : makeNull();
}

void PdfObject::dump(std::FILE* out) const {
    switch (kind_) {
        case ObjKind::Bool: std::fputs(u_.i ? "true" : "false", out); break;
        case ObjKind::Int: std::fprintf(out, "%d", u_.i); break;
        case ObjKind::Real: std::fprintf(out, "%g", u_.r); break;
        case ObjKind::String:
            std::fputc('(', out);
            std::fwrite(u_.str->text(), 1, static_cast<size_t>(u_.str->length()), out);
            std::fputc(')', out);
            break;
        case ObjKind::Name: std::fprintf(out, "/%s", u_.text); break;
        case ObjKind::Null: std::fputs("null", out); break;
        case ObjKind::Array:
            std::fputc('[', out);
            for (int i = 0; i < u_.array->length(); ++i) {
                if (i > 0) std::fputc(' ', out);
                u_.array->at(i).dump(out);
            }
            std::fputc(']', out);
            break;
        case ObjKind::Dict:
            std::fputs("<<", out);
            for (int i = 0; i < u_.dict->length(); ++i) {
                std::fprintf(out, " /%s ", u_.dict->keyAt(i));
                u_.dict->valueRefAt(i).dump(out);
            }
            std::fputs(" >>", out);
            break;
        case ObjKind::Stream: std::fputs("<stream>", out); break;
        case ObjKind::Ref: std::fprintf(out, "%d %d R", u_.ref.num, u_.ref.gen); break;
        case ObjKind::Cmd: std::fputs(u_.text, out); break;
        case ObjKind::Error: std::fputs("<error>", out); break;
        case ObjKind::Eof: std::fputs("<EOF>", out); break;
        case ObjKind::None: std::fputs("<none>", out); break;
    }
}

}  // namespace qm
