#include "graphics/mesh_data_reader.h"

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "streams/stream.h"

namespace qm {

namespace {

bool oneOf(int v, std::initializer_list<int> allowed) {
    for (int a : allowed)
        if (v == a) return true;
    return false;
}

bool readWidth(PdfDict* dict, const char* key, std::initializer_list<int> allowed, int* out) {
    PdfObject v = dict->lookup(key);
    if (!v.isInt() || !oneOf(v.getInt(), allowed)) {
        reportError(-1, "Missing or invalid %s in shading dictionary", key);
        return false;
    }
    *out = v.getInt();
    return true;
}

}  // namespace

bool MeshFormat::read(PdfDict* dict, int valueCount, bool withFlags) {
    values = valueCount;
    if (!readWidth(dict, "BitsPerCoordinate", {1, 2, 4, 8, 12, 16, 24, 32}, &bitsPerCoordinate)) return false;
    if (!readWidth(dict, "BitsPerComponent", {1, 2, 4, 8, 12, 16}, &bitsPerComponent)) return false;
    if (withFlags && !readWidth(dict, "BitsPerFlag", {2, 4, 8}, &bitsPerFlag)) return false;
    PdfObject d = dict->lookup("Decode");
    int needed = 2 * (2 + valueCount);
    bool ok = d.isArray() && d.arrayLength() >= needed;
    for (int i = 0; ok && i < needed; ++i) {
        PdfObject v = d.arrayGet(i);
        if (v.isNum())
            decode[i] = v.getNum();
        else
            ok = false;
    }
    if (!ok) reportError(-1, "Missing or invalid Decode in shading dictionary");
    return ok;
}

std::vector<uint8_t> MeshDataReader::readStream(const PdfObject& stream) {
    std::vector<uint8_t> bytes;
    if (!stream.isStream()) return bytes;
    Stream* s = stream.getStream();
    s->reset();
    constexpr size_t kChunk = 65536;
    for (;;) {
        size_t old = bytes.size();
        if (old >= kMaxBytes) break;
        bytes.resize(old + kChunk);
        int n = s->readBlock(bytes.data() + old, static_cast<int>(kChunk));
        bytes.resize(old + (n > 0 ? static_cast<size_t>(n) : 0));
        if (n <= 0) break;
    }
    s->close();
    return bytes;
}

bool MeshDataReader::readBits(int bits, uint32_t* value) {
    if (bits <= 0 || bits > 32 || bitPos_ + static_cast<size_t>(bits) > 8 * data_.size()) return false;
    uint64_t v = 0;
    for (int left = bits; left > 0;) {
        size_t byte = bitPos_ / 8;
        int offset = static_cast<int>(bitPos_ % 8);
        int take = 8 - offset < left ? 8 - offset : left;
        unsigned bitsHere = (data_[byte] >> (8 - offset - take)) & ((1u << take) - 1);
        v = (v << take) | bitsHere;
        left -= take;
        bitPos_ += static_cast<size_t>(take);
    }
    *value = static_cast<uint32_t>(v);
    return true;
}

double MeshDataReader::decoded(uint32_t v, int bits, int pair) const {
    double maxValue = static_cast<double>((uint64_t{1} << bits) - 1);
    double lo = format_.decode[2 * pair], hi = format_.decode[2 * pair + 1];
    return lo + v * (hi - lo) / maxValue;
}

bool MeshDataReader::readPoint(double* x, double* y) {
    uint32_t vx, vy;
    if (!readBits(format_.bitsPerCoordinate, &vx) || !readBits(format_.bitsPerCoordinate, &vy)) return false;
    *x = decoded(vx, format_.bitsPerCoordinate, 0);
    *y = decoded(vy, format_.bitsPerCoordinate, 1);
    return true;
}

bool MeshDataReader::readValues(double* out) {
    for (int i = 0; i < format_.values; ++i) {
        uint32_t v;
        if (!readBits(format_.bitsPerComponent, &v)) return false;
        out[i] = decoded(v, format_.bitsPerComponent, 2 + i);
    }
    return true;
}

}  // namespace qm
