#include "decoder_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>

#include "core/pdf_lexer.h"
#include "core/pdf_parser.h"
#include "core/report_error.h"
#include "streams/filter_chain.h"
#include "support/pdf_builder.h"

namespace qm::test {

PdfObject parseParams(const std::string& text) {
    if (text.empty()) return PdfObject::makeNull();
    PdfParser parser(nullptr, std::make_unique<PdfLexer>(nullptr, memoryStream(text)));
    return parser.readObject();
}

Stream* makeDecoder(const char* filter, const std::string& data, const std::string& params) {
    return makeFilter(memoryStream(data), filter, parseParams(params));
}

std::string decode(const char* filter, const std::string& data, const std::string& params) {
    Stream* s = makeDecoder(filter, data, params);
    std::string out = readAll(s);
    s->decRef();
    return out;
}

std::string decodeBlocks(const char* filter, const std::string& data, const std::string& params) {
    Stream* s = makeDecoder(filter, data, params);
    std::string out;
    s->reset();
    unsigned char buffer[1000];
    for (int size = 1;; size = size * 3 % 997 + 1) {
        int n = s->readBlock(buffer, size);
        out.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(n));
        if (n < size) break;
    }
    s->close();
    s->decRef();
    return out;
}

std::string fixture(const std::string& name) {
    std::ifstream in(std::string(QM_TEST_DATA_DIR) + "/streams/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << "missing fixture " << name;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void decodeDamaged(const char* filter, const std::string& data, const std::string& params,
                   size_t maxOutput, int variants) {
    ErrorCapture quiet;
    auto run = [&](const std::string& input) {
        Stream* s = makeDecoder(filter, input, params);
        s->reset();
        size_t n = 0;
        while (s->readByte() >= 0 && n <= maxOutput) ++n;
        s->close();
        s->decRef();
        EXPECT_LE(n, maxOutput);
    };
    if (data.empty()) return;
    for (int i = 0; i < variants; ++i) {
        size_t cut = data.size() * static_cast<size_t>(i) / static_cast<size_t>(variants);
        run(data.substr(0, cut));
        std::string flipped = data;
        // Spread the flips over the whole input with a fixed, reproducible pattern.
        size_t at = (static_cast<size_t>(i) * 2654435761u) % data.size();
        flipped[at] = static_cast<char>(flipped[at] ^ (1 << (i % 8)));
        run(flipped);
    }
}

}  // namespace qm::test
