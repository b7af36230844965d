#include "fonts/cpdf_map.h"

#include <string>
#include <string_view>
#include <vector>

#include "core/report_error.h"
#include "fonts/global_settings.h"
#include "fonts/text_lines.h"

namespace qm {

namespace {

constexpr int kMaxLineLength = 255;

// "<hex>" read as (value, byte count) after the codespace and CID range checks: both bounds
// of the same length, at least 4 characters and even. The closing character is dropped.
bool readBounds(std::string_view lo, std::string_view hi, uint32_t* start, uint32_t* end, int* nBytes) {
    if (lo.empty() || hi.empty() || lo[0] != '<' || hi[0] != '<') return false;
    if (lo.size() != hi.size() || lo.size() < 4 || lo.size() % 2 != 0) return false;
    if (!parseHex(lo.substr(1, lo.size() - 2), start) || !parseHex(hi.substr(1, hi.size() - 2), end)) return false;
    *nBytes = static_cast<int>(lo.size() - 2) / 2;
    return true;
}

bool parseDecimal(std::string_view text, uint32_t* value) {
    if (text.empty()) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
        if (v > 0x7FFFFFFF) return false;
    }
    *value = static_cast<uint32_t>(v);
    return true;
}

}  // namespace

CPDFMap::CPDFMap(const char* collection, const char* name) : collection_(collection), name_(name) {}

CPDFMap* CPDFMap::makeIdentity(const char* collection, const char* name, int wMode) {
    CPDFMap* map = new CPDFMap(collection, name);
    map->wMode_ = wMode;
    return map;
}

void CPDFMap::release() {
    if (--refCount_ == 0) delete this;
}

CPDFMap* CPDFMap::parse(GlobalSettings& settings, const char* collection, const char* name, int depth) {
    FilePtr file = settings.findCMapFile(collection, name);
    if (!file) {
        std::string_view n(name);
        if (n == "Identity" || n == "Identity-H") return makeIdentity(collection, name, 0);
        if (n == "Identity-V") return makeIdentity(collection, name, 1);
        reportError(-1, "Couldn't find '%s' CMap file for '%s' collection", name, collection);
        return nullptr;
    }
    CPDFMap* map = new CPDFMap(collection, name);
    map->nodes_.emplace_back().fill(0);
    map->read(settings, file.get(), depth);
    return map;
}

void CPDFMap::read(GlobalSettings& settings, FILE* file, int depth) {
    enum class Block { None, Codespace, CidRange } block = Block::None;
    LineReader lines(file, kMaxLineLength);
    std::string line;
    std::vector<std::string_view> fields;
    while (lines.next(line)) {
        splitFields(line, fields);
        if (fields.size() > 3) fields.resize(3);
        if (fields.empty() || fields[0][0] == '%') continue;
        uint32_t start, end, cid;
        int nBytes;
        if (block == Block::Codespace) {
            if (fields[0] == "endcodespacerange") block = Block::None;
            else if (fields.size() >= 2 && readBounds(fields[0], fields[1], &start, &end, &nBytes))
                addCodespace(0, start, end, nBytes);
        } else if (block == Block::CidRange) {
            if (fields[0] == "endcidrange") block = Block::None;
            else if (fields.size() == 3 && readBounds(fields[0], fields[1], &start, &end, &nBytes) &&
                     parseDecimal(fields[2], &cid))
                addCidRange(start, end, nBytes, cid);
        } else if (fields.size() >= 2 && fields[1] == "usecmap") {
            if (fields[0][0] != '/' || depth >= kMaxUseDepth) continue;
            std::string used(fields[0].substr(1));
            if (CPDFMap* source = settings.getCPDFMap(collection_.text(), used.c_str(), depth + 1)) {
                if (!source->nodes_.empty()) merge(0, *source, 0, 0);
                source->release();
            }
        } else if (fields[0] == "/WMode") {
            uint32_t mode = 0;
            wMode_ = fields.size() >= 2 && parseDecimal(fields[1], &mode) ? static_cast<int>(mode) : 0;
        } else if (fields.size() >= 2 && fields[1] == "begincodespacerange") {
            block = Block::Codespace;
        } else if (fields.size() >= 2 && fields[1] == "begincidrange") {
            block = Block::CidRange;
        }
    }
}

int CPDFMap::subtable(size_t node, int v) {
    uint32_t entry = nodes_[node][v];
    if (entry & kSubtable) return static_cast<int>(entry & ~kSubtable);
    if (nodes_.size() >= kMaxNodes) return -1;
    nodes_.emplace_back().fill(0);
    const int index = static_cast<int>(nodes_.size() - 1);
    nodes_[node][v] = kSubtable | static_cast<uint32_t>(index);
    return index;
}

void CPDFMap::addCodespace(size_t node, uint32_t start, uint32_t end, int nBytes) {
    if (nBytes < 2) return;
    const int shift = 8 * (nBytes - 1);
    const uint32_t mask = shift >= 32 ? 0xFFFFFFFFu : (1u << shift) - 1;
    const int first = static_cast<int>((start >> shift) & 0xFF), last = static_cast<int>((end >> shift) & 0xFF);
    for (int v = first; v <= last; ++v) {
        int sub = subtable(node, v);
        if (sub < 0) return;
        addCodespace(static_cast<size_t>(sub), start & mask, end & mask, nBytes - 1);
    }
}

void CPDFMap::addCidRange(uint32_t start, uint32_t end, int nBytes, uint32_t firstCid) {
    auto invalid = [&] {
        reportError(-1, "Invalid CID (%*x - %*x) in CMap", 2 * nBytes, start, 2 * nBytes, end);
    };
    size_t node = 0;
    for (int level = nBytes - 1; level >= 1; --level) {
        uint32_t entry = nodes_[node][(start >> (8 * level)) & 0xFF];
        if (!(entry & kSubtable)) return invalid();
        node = entry & ~kSubtable;
    }
    const uint32_t lo = start & 0xFF, hi = end & 0xFF;
    for (uint32_t v = lo; v <= hi; ++v) {
        if (nodes_[node][v] & kSubtable) return invalid();
        nodes_[node][v] = (firstCid + (v - lo)) & ~kSubtable;
    }
}

void CPDFMap::merge(size_t node, const CPDFMap& source, size_t sourceNode, int level) {
    if (level > 8) return;
    for (int v = 0; v < 256; ++v) {
        const uint32_t from = source.nodes_[sourceNode][v];
        if (from & kSubtable) {
            int sub = subtable(node, v);
            if (sub < 0) return;
            merge(static_cast<size_t>(sub), source, from & ~kSubtable, level + 1);
        } else if (nodes_[node][v] & kSubtable) {
            reportError(-1, "Collision in usecmap");
        } else {
            nodes_[node][v] = from;
        }
    }
}

uint32_t CPDFMap::lookup(const uint8_t* bytes, int len, int* used) const {
    if (len <= 0) {
        *used = 0;
        return 0;
    }
    if (nodes_.empty()) {
        if (len < 2) {
            *used = 1;
            return 0;
        }
        *used = 2;
        return static_cast<uint32_t>(bytes[0]) << 8 | bytes[1];
    }
    size_t node = 0;
    for (int i = 0; i < len; ++i) {
        const uint32_t entry = nodes_[node][bytes[i]];
        if (!(entry & kSubtable)) {
            *used = i + 1;
            return entry;
        }
        node = entry & ~kSubtable;
    }
    *used = len;
    return 0;
}

}  // namespace qm
