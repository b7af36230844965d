// The JBIG2 decoder: a page built here around Group 4 (MMR) data whose decode libtiff gave,
// a scanned page from the corpus whose symbols live in a globals stream, and damaged,
// truncated and oversized data.
#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "decoder_fixture.h"
#include "streams/filter_chain.h"
#include "streams/jbig2_decoder.h"
#include "support/pdf_builder.h"

namespace qm::test {
namespace {

std::string be32(uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

// One segment of an embedded stream: header with no referred segments, then its data.
std::string segment(uint32_t number, int type, const std::string& data) {
    return be32(number) + static_cast<char>(type) + '\0' + '\1' + be32(static_cast<uint32_t>(data.size())) + data;
}

std::string pageInfo(uint32_t width, uint32_t height) {
    return segment(0, 48, be32(width) + be32(height) + be32(0) + be32(0) + '\0' + std::string(2, '\0'));
}

// A page holding one immediate generic region coded with MMR (Group 4 data).
std::string mmrPage(uint32_t width, uint32_t height, const std::string& g4) {
    std::string region = be32(width) + be32(height) + be32(0) + be32(0) + '\0' + '\1' + g4;
    return pageInfo(width, height) + segment(1, 38, region) + segment(2, 49, "");
}

Stream* jbig2Decoder(const std::string& data, const std::string& globals) {
    PdfObject params = PdfObject::makeDict(nullptr);
    if (!globals.empty()) params.getDict()->add("JBIG2Globals", PdfObject::makeStream(memoryStream(globals)));
    return makeFilter(memoryStream(data), "JBIG2Decode", params);
}

std::string decodeJbig2(const std::string& data, const std::string& globals, std::vector<std::string>* messages) {
    ErrorCapture errors;
    Stream* s = jbig2Decoder(data, globals);
    std::string out = readAll(s);
    s->decRef();
    *messages = errors.messages();
    return out;
}

size_t blackPixels(const std::string& rows) {
    size_t n = 0;
    for (char c : rows) n += 8 - std::bitset<8>(static_cast<unsigned char>(c)).count();
    return n;
}

TEST(Jbig2Decoder, MmrRegionWithoutGlobalsMatchesGroup4Reference) {
    const std::string page = mmrPage(230, 79, fixture("ccitt-g4-230x79.raw"));
    std::vector<std::string> messages;
    std::string out = decodeJbig2(page, "", &messages);
    EXPECT_TRUE(messages.empty()) << messages[0];
    // libtiff's decode of the same Group 4 data, with 0 for black as images are served.
    EXPECT_EQ(out, fixture("ccitt-g4-230x79.ref"));

    Stream* s = jbig2Decoder(page, "");
    EXPECT_EQ(s->kind(), StreamKind::Jbig2);
    EXPECT_EQ(s->describeFilter(0), nullptr);
    std::string first = readAll(s);
    EXPECT_EQ(static_cast<Jbig2Decoder*>(s)->width(), 230);
    EXPECT_EQ(static_cast<Jbig2Decoder*>(s)->height(), 79);
    EXPECT_EQ(readAll(s), first);  // rewinding decodes again
    s->decRef();
    EXPECT_EQ(decodeBlocks("JBIG2Decode", page), first);
}

TEST(Jbig2Decoder, ScannedPageWithGlobals) {
    const std::string data = fixture("jbig2-xerox.raw");
    const std::string globals = fixture("jbig2-xerox-globals.raw");
    std::vector<std::string> messages;
    std::string out = decodeJbig2(data, globals, &messages);
    EXPECT_TRUE(messages.empty()) << messages[0];
    ASSERT_EQ(out.size(), 412u * 2551);
    // A page of text: some ink, mostly paper.
    size_t black = blackPixels(out);
    EXPECT_GT(black, out.size() * 8 / 200);
    EXPECT_LT(black, out.size() * 8 / 5);

    // Without its globals the page's text regions name symbols nobody defined.
    std::string bare = decodeJbig2(data, "", &messages);
    EXPECT_FALSE(messages.empty());
    EXPECT_LT(blackPixels(bare), black / 2);
}

TEST(Jbig2Decoder, BadDataGivesAMessageAndNoPage) {
    std::vector<std::string> messages;
    EXPECT_EQ(decodeJbig2("", "", &messages), "");
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), "JBIG2 stream holds no page");
    EXPECT_EQ(decodeJbig2("not jbig2 at all", "", &messages), "");
    EXPECT_FALSE(messages.empty());

    // A page claiming 2^31 x 2^31 pixels cannot be had within the memory budget.
    std::string huge = pageInfo(0x7FFFFFFF, 0x7FFFFFFF) + segment(2, 49, "");
    EXPECT_EQ(decodeJbig2(huge, "", &messages), "");
    EXPECT_FALSE(messages.empty());

    // Cut inside the region: the message, and at most the page's size.
    const std::string page = mmrPage(230, 79, fixture("ccitt-g4-230x79.raw"));
    std::string out = decodeJbig2(page.substr(0, page.size() / 2), "", &messages);
    EXPECT_NE(std::find(messages.begin(), messages.end(), "JBIG2 data ends inside a segment"), messages.end());
    EXPECT_LE(out.size(), 29u * 79);

    decodeDamaged("JBIG2Decode", page, "", 29 * 79, 48);
    decodeDamaged("JBIG2Decode", fixture("jbig2-xerox.raw"), "", 412 * 2551, 24);
}

TEST(Jbig2Decoder, GlobalsStreamNamingItselfIsRefused) {
    // The globals stream is decoded by a JBIG2 decoder whose globals are that same stream.
    PdfBuilder b;
    b.stream("/Filter /JBIG2Decode /DecodeParms << /JBIG2Globals 1 0 R >>", pageInfo(8, 8), 1);
    std::string file = b.finish("");
    TestResolver resolver(file);
    resolver.addAll(b, 2);
    PdfObject globals = resolver.fetch(1, 0);
    ASSERT_TRUE(globals.isStream());
    ErrorCapture errors;
    Stream* s = new Jbig2Decoder(memoryStream(mmrPage(230, 79, fixture("ccitt-g4-230x79.raw"))), globals);
    std::string out = readAll(s);
    s->decRef();
    EXPECT_LE(out.size(), 29u * 79);
    const auto& m = errors.messages();
    EXPECT_NE(std::find(m.begin(), m.end(), "JBIG2 globals stream refers to itself"), m.end());
}

}  // namespace
}  // namespace qm::test
