#pragma once
// Character map of a composite font: the bytes of a string -> CIDs, and the writing mode.
// Read from a CMap file found by collection and name, or one of the built-in identity
// maps. Shared by plain reference counts; the settings keep the recently used ones.
#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/pdf_string.h"

namespace qm {

class GlobalSettings;

class CPDFMap {
public:
    // An identity map (two bytes per code, CID = their value), without a table.
    static CPDFMap* makeIdentity(const char* collection, const char* name, int wMode);
    // Finds the file through the settings' cMapDir entries and reads it; without a file,
    // "Identity"/"Identity-H"/"Identity-V" give the identity maps and anything else is
    // reported and gives null. `depth` counts nested usecmap reads.
    static CPDFMap* parse(GlobalSettings& settings, const char* collection, const char* name, int depth = 0);

    CPDFMap(const CPDFMap&) = delete;
    CPDFMap& operator=(const CPDFMap&) = delete;

    // The CID of the code at the start of `bytes` (len > 0); `used` receives the number of
    // bytes it takes.
    uint32_t lookup(const uint8_t* bytes, int len, int* used) const;

    const PdfString& collection() const { return collection_; }
    const PdfString& name() const { return name_; }
    int wMode() const { return wMode_; }
    bool isIdentity() const { return nodes_.empty(); }
    // Cache key test.
    bool matches(const char* collection, const char* name) const {
        return collection_ == collection && name_ == name;
    }

    void addRef() { ++refCount_; }
    void release();
    int refCount() const { return refCount_; }

    // Node tables a map may hold; a codespace that needs more is cut short.
    static constexpr size_t kMaxNodes = 32768;
    // Nested usecmap reads followed; deeper ones (or cycles) are ignored.
    static constexpr int kMaxUseDepth = 8;

private:
    // An entry is a CID, or with kSubtable set the index of the next node table.
    static constexpr uint32_t kSubtable = 0x80000000u;
    using Node = std::array<uint32_t, 256>;

    CPDFMap(const char* collection, const char* name);
    ~CPDFMap() = default;

    void read(GlobalSettings& settings, FILE* file, int depth);
    // Index of the subtable behind entry `v` of node `node`, made when needed; -1 when the
    // entry cannot become one.
    int subtable(size_t node, int v);
    void addCodespace(size_t node, uint32_t start, uint32_t end, int nBytes);
    void addCidRange(uint32_t start, uint32_t end, int nBytes, uint32_t firstCid);
    void merge(size_t node, const CPDFMap& source, size_t sourceNode, int level);

    PdfString collection_;
    PdfString name_;
    int wMode_ = 0;
    std::vector<Node> nodes_;  // nodes_[0] is the root; empty for an identity map
    int refCount_ = 1;
};

}  // namespace qm
