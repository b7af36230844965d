#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "core/pdf_parser.h"
#include "support/pdf_builder.h"

using namespace qm;

namespace {

std::string sample() {
    std::ifstream in(QM_TEST_DATA_DIR "/../../data/samples/hello.pdf", std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Parses every top-level object of `bytes`; the number of objects read is bounded by the input.
int parseEverything(const std::string& bytes) {
    test::TestResolver xref(bytes);
    for (int i = 1; i < 10; ++i) xref.add(i, static_cast<long>(i * 37 % (bytes.size() + 1)));
    PdfParser p(&xref, std::make_unique<PdfLexer>(&xref, test::memoryStream(bytes)));
    int n = 0;
    for (PdfObject o = p.readObject(); !o.isEof(); o = p.readObject()) {
        if (o.isStream()) test::readAll(o);
        if (++n > static_cast<int>(bytes.size()) + 10) ADD_FAILURE() << "parser does not advance";
        if (n > static_cast<int>(bytes.size()) + 10) break;
    }
    return n;
}

}  // namespace

TEST(MalformedInput, BitFlippedAndTruncatedSamplesParseWithoutHarm) {
    std::string base = sample();
    ASSERT_GT(base.size(), 500u);
    std::mt19937 rng(1234);
    for (int round = 0; round < 300; ++round) {
        std::string m = base;
        int flips = 1 + static_cast<int>(rng() % 8);
        for (int f = 0; f < flips; ++f) m[rng() % m.size()] ^= static_cast<char>(1u << (rng() % 8));
        if (round % 3 == 0) m.resize(rng() % m.size());
        parseEverything(m);
    }
}

TEST(MalformedInput, RandomTokenSoup) {
    static const char* pieces[] = {"<<", ">>", "[", "]", "(", ")", "<", ">", "/", "#", "\\", "1", "0", "R",
                                   "obj", "stream\n", "endstream", "ID ", "EI", "-", ".", "%", "\n", " ",
                                   "/Length", "/Filter", "/F [", "1 0 R", "\xff", "{", "}"};
    std::mt19937 rng(99);
    for (int round = 0; round < 300; ++round) {
        std::string s;
        int count = 1 + static_cast<int>(rng() % 200);
        for (int i = 0; i < count; ++i) s += pieces[rng() % (sizeof pieces / sizeof *pieces)];
        parseEverything(s);
    }
}
