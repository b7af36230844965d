#pragma once
// The packed vertex data of mesh shadings: flags, coordinates and colour values of the widths
// the shading dictionary names, most significant bit first, mapped through its Decode array.
// Every read is checked against the data's length.
#include <cstdint>
#include <vector>

#include "core/pdf_object.h"
#include "graphics/color_space.h"

namespace qm {

struct MeshFormat {
    int bitsPerCoordinate = 0;
    int bitsPerComponent = 0;
    int bitsPerFlag = 0;  // 0 for lattice meshes, which have no flags
    int values = 0;       // colour components, or 1 when a function maps a parameter to colour
    double decode[2 * (2 + maxColorComponents)] = {};

    // Reads the widths and the Decode array; false (reported) when they are unusable.
    // `withFlags` asks for BitsPerFlag.
    bool read(PdfDict* dict, int valueCount, bool withFlags);
};

class MeshDataReader {
public:
    // Reads at most this many decoded bytes of mesh data.
    static constexpr size_t kMaxBytes = size_t{64} << 20;

    MeshDataReader(const MeshFormat& format, std::vector<uint8_t> data)
        : format_(format), data_(std::move(data)) {}
    // The stream's decoded bytes, up to kMaxBytes.
    static std::vector<uint8_t> readStream(const PdfObject& stream);

    bool readFlag(int* flag) {
        uint32_t v;
        if (!readBits(format_.bitsPerFlag, &v)) return false;
        *flag = static_cast<int>(v);
        return true;
    }
    bool readPoint(double* x, double* y);
    // format.values numbers into `out`.
    bool readValues(double* out);
    // Skips to the next whole byte.
    void align() { bitPos_ = (bitPos_ + 7) / 8 * 8; }
    // Whether a whole byte is left: less is padding, not a started item.
    bool hasMore() const { return bitPos_ + 8 <= 8 * data_.size(); }

private:
    bool readBits(int bits, uint32_t* value);
    double decoded(uint32_t v, int bits, int pair) const;

    MeshFormat format_;
    std::vector<uint8_t> data_;
    size_t bitPos_ = 0;
};

}  // namespace qm
