#pragma once
// Reads image samples one pixel at a time, one byte per component value.
#include <vector>

namespace qm {

class Stream;

class ImageSampleReader {
public:
    // `stream` is borrowed. Bits per component 1, 2, 4, 8 or 16; 16-bit samples are
    // delivered as their most significant 8 bits (see sampleBits).
    ImageSampleReader(Stream* stream, int columns, int colors, int bits);

    bool isOk() const { return ok_; }
    // Bit width of the values nextPixel delivers.
    int sampleBits() const { return bits_ > 8 ? 8 : bits_; }
    void reset();
    // Fills `colors` values; past the end of the data the values are all one bits.
    bool nextPixel(unsigned char* values);
    // The next whole row of values (columns x colors), or null for a reader that is not ok.
    const unsigned char* nextLine();
    // True once a row began where the data had already ended: that row and every later one
    // hold only the values that stand in for missing data, so callers may stop reading.
    bool ended() const { return ended_; }

private:
    void readLine();

    Stream* stream_;
    int columns_;
    int colors_;
    int bits_;
    int valuesPerRow_ = 0;
    int index_ = 0;
    bool ok_ = false;
    bool ended_ = false;
    std::vector<unsigned char> line_;
};

}  // namespace qm
