#include "dct_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "core/report_error.h"
#include "decoder_fixture.h"
#include "support/jpeg_reference.h"

namespace qm::test {

int maxDifference(const std::string& ours, const std::vector<unsigned char>& ref) {
    if (ours.size() != ref.size()) return -1;
    int worst = 0;
    for (size_t i = 0; i < ref.size(); ++i)
        worst = std::max(worst, std::abs(static_cast<unsigned char>(ours[i]) - static_cast<int>(ref[i])));
    return worst;
}

size_t findMarker(const std::string& jpeg, int code, size_t from) {
    for (size_t i = from; i + 1 < jpeg.size(); ++i)
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && static_cast<unsigned char>(jpeg[i + 1]) == code)
            return i;
    return std::string::npos;
}

namespace {

// The same data with the colour transform switched off: component identifiers that do not
// ask for it and an Adobe transform value of 0.
std::string withoutTransform(std::string jpeg) {
    size_t sof = findFrame(jpeg);
    int n = static_cast<unsigned char>(jpeg[sof + 9]);
    // Every scan names its components again (a progressive file has many scans).
    for (size_t sos = findMarker(jpeg, 0xDA); sos != std::string::npos; sos = findMarker(jpeg, 0xDA, sos + 2)) {
        int count = static_cast<unsigned char>(jpeg[sos + 4]);
        for (int i = 0; i < count; ++i)
            for (int j = 0; j < n; ++j)
                if (jpeg[sos + 5 + 2 * i] == jpeg[sof + 10 + 3 * j]) jpeg[sos + 5 + 2 * i] = static_cast<char>(11 + j);
    }
    for (int i = 0; i < n; ++i) jpeg[sof + 10 + 3 * i] = static_cast<char>(11 + i);
    size_t adobe = findMarker(jpeg, 0xEE);
    if (adobe < sof) jpeg[adobe + 15] = 0;
    return jpeg;
}

// YCbCr to RGB (three components) or YCCK to CMYK (four) in 16.16 fixed point.
std::string toRgb(std::string s, int n) {
    auto clamp = [](long v) { return static_cast<char>(v < 0 ? 0 : v > 255 ? 255 : v); };
    for (size_t i = 0; i + static_cast<size_t>(n) <= s.size(); i += static_cast<size_t>(n)) {
        long y = static_cast<unsigned char>(s[i]), cb = static_cast<unsigned char>(s[i + 1]) - 128,
             cr = static_cast<unsigned char>(s[i + 2]) - 128;
        char rgb[3] = {clamp((65536 * y + 91881 * cr + 32768) >> 16),
                       clamp((65536 * y - 22553 * cb - 46802 * cr + 32768) >> 16),
                       clamp((65536 * y + 116130 * cb + 32768) >> 16)};
        for (int c = 0; c < 3; ++c) s[i + c] = n == 4 ? static_cast<char>(255 - static_cast<unsigned char>(rgb[c])) : rgb[c];
    }
    return s;
}

}  // namespace

size_t findFrame(const std::string& jpeg) {
    size_t best = std::string::npos;
    for (int code : {0xC0, 0xC1, 0xC2}) best = std::min(best, findMarker(jpeg, code));
    return best;
}

// The decoded samples of each component stay within one level of the reference decode;
// after the colour transform, that level may grow by the transform's factors (at most 1.772
// per chroma component), so the served pixels are held to three levels.
void expectMatchesReference(const std::string& jpeg) {
    JpegImage ref = decodeJpeg(jpeg);
    JpegImage raw = decodeJpeg(jpeg, true, false);
    ASSERT_TRUE(ref.ok && raw.ok);
    ErrorCapture errors;
    std::string plain = decode("DCTDecode", withoutTransform(jpeg));
    std::string ours = decode("DCTDecode", jpeg);
    EXPECT_GE(maxDifference(plain, raw.samples), 0);
    EXPECT_LE(maxDifference(plain, raw.samples), 1);
    EXPECT_GE(maxDifference(ours, ref.samples), 0);
    EXPECT_LE(maxDifference(ours, ref.samples), plain == ours ? 1 : 3);
    if (plain != ours) {
        EXPECT_EQ(ours, toRgb(plain, ref.components));
    }
    EXPECT_TRUE(errors.messages().empty()) << errors.messages()[0];
}

std::string decodeWithMessages(const std::string& jpeg, std::vector<std::string>* messages) {
    ErrorCapture errors;
    std::string out = decode("DCTDecode", jpeg);
    *messages = errors.messages();
    return out;
}

}  // namespace qm::test
