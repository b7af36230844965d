#pragma once
// The tagged PDF value. Copying a PdfObject clones it (deep copy of strings, names and
// commands; shared reference for arrays, dictionaries and streams) and destroying it
// releases it, so ownership mistakes cannot turn into leaks or double frees.
#include <cstdint>
#include <cstdio>

#include "core/pdf_string.h"

namespace qm {

class PdfArray;
class PdfDict;
class Stream;
class ObjectResolver;

enum class ObjKind : int {
    Bool = 0,
    Int = 1,
    Real = 2,
    String = 3,
    Name = 4,
    Null = 5,
    Array = 6,
    Dict = 7,
    Stream = 8,
    Ref = 9,
    Cmd = 10,
    Error = 11,
    Eof = 12,
    None = 13,
};

struct PdfRef {
    int num = 0;
    int gen = 0;
};

class PdfObject {
public:
    PdfObject() = default;
    PdfObject(const PdfObject& other) { copyFrom(other); }
    PdfObject(PdfObject&& other) noexcept : kind_(other.kind_), u_(other.u_) { other.kind_ = ObjKind::None; }
    PdfObject& operator=(const PdfObject& other);
    PdfObject& operator=(PdfObject&& other) noexcept;
    ~PdfObject() { release(); }

    // Initialisers.
    static PdfObject makeBool(bool b);
    static PdfObject makeInt(int i);
    static PdfObject makeReal(double r);
    static PdfObject makeString(PdfString s);
    static PdfObject makeString(const char* bytes, int length);
    static PdfObject makeName(const char* text);
    static PdfObject makeNull();
    static PdfObject makeArray(ObjectResolver* xref);
    static PdfObject makeDict(ObjectResolver* xref);
    static PdfObject makeStream(Stream* stream);  // takes the stream's existing reference
    static PdfObject makeRef(int num, int gen);
    static PdfObject makeCmd(const char* text);
    static PdfObject makeError();
    static PdfObject makeEof();

    PdfObject clone() const { return PdfObject(*this); }
    // Follows a reference through the table; anything else is cloned.
    PdfObject resolve(ObjectResolver* xref) const;
    void release();

    ObjKind kind() const { return kind_; }
    const char* kindName() const;

    bool isBool() const { return kind_ == ObjKind::Bool; }
    bool isInt() const { return kind_ == ObjKind::Int; }
    bool isReal() const { return kind_ == ObjKind::Real; }
    bool isNum() const { return kind_ == ObjKind::Int || kind_ == ObjKind::Real; }
    bool isString() const { return kind_ == ObjKind::String; }
    bool isName() const { return kind_ == ObjKind::Name; }
    bool isName(const char* name) const;
    bool isNull() const { return kind_ == ObjKind::Null; }
    bool isArray() const { return kind_ == ObjKind::Array; }
    bool isDict() const { return kind_ == ObjKind::Dict; }
    bool isDict(const char* type) const;
    bool isStream() const { return kind_ == ObjKind::Stream; }
    bool isStream(const char* type) const;
    bool isRef() const { return kind_ == ObjKind::Ref; }
    bool isCmd() const { return kind_ == ObjKind::Cmd; }
    bool isCmd(const char* cmd) const;
    bool isError() const { return kind_ == ObjKind::Error; }
    bool isEof() const { return kind_ == ObjKind::Eof; }
    bool isNone() const { return kind_ == ObjKind::None; }

    // Getters: only after the matching test.
    bool getBool() const { return u_.i != 0; }
    int getInt() const { return u_.i; }
    double getReal() const { return u_.r; }
    double getNum() const { return kind_ == ObjKind::Int ? static_cast<double>(u_.i) : u_.r; }
    PdfString* getString() const { return u_.str; }
    const char* getName() const { return u_.text; }
    PdfArray* getArray() const { return u_.array; }
    PdfDict* getDict() const { return u_.dict; }
    Stream* getStream() const { return u_.stream; }
    PdfRef getRef() const { return u_.ref; }
    int getRefNum() const { return u_.ref.num; }
    int getRefGen() const { return u_.ref.gen; }
    const char* getCmd() const { return u_.text; }

    // Conveniences over arrays and dictionaries; a wrong kind gives null / 0.
    int arrayLength() const;
    PdfObject arrayGet(int i) const;
    PdfObject arrayGetRaw(int i) const;
    PdfObject dictLookup(const char* key) const;
    PdfObject dictLookupRaw(const char* key) const;
    // For a dictionary or a stream: the dictionary it carries, or null.
    PdfDict* dictOf() const;

    void dump(std::FILE* out) const;

private:
    void copyFrom(const PdfObject& other);

    ObjKind kind_ = ObjKind::None;
    union Payload {
        int i;
        double r;
        PdfString* str;
        char* text;
        PdfArray* array;
        PdfDict* dict;
        Stream* stream;
        PdfRef ref;
    } u_{};
};

static_assert(sizeof(PdfObject) <= 16, "PdfObject must stay a small value");

}  // namespace qm
