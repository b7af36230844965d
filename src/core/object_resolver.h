#pragma once
// What arrays, dictionaries and parsers need from a document's cross-reference table:
// fetching an indirect object, and the recorded end of a stream found by reconstruction.
// The cross-reference table implements it; tests implement small in-memory versions.

namespace qm {

class PdfObject;

class ObjectResolver {
public:
    virtual ~ObjectResolver() = default;
    // The object (number, generation); null when it is missing or unreadable.
    virtual PdfObject fetch(int number, int generation) = 0;
    // When reconstruction recorded an "endstream" line after `start`, its offset.
    virtual bool streamEnd(long start, long* end) {
        (void)start;
        (void)end;
        return false;
    }
};

}  // namespace qm
