// Our Flate decoder against zlib on the compressed streams of real files: in process for
// every stream, and through quillmark-inspect --stream for a few of each file.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <string>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "core/xref_table.h"
#include "document/pdf_document.h"
#include "streams/stream.h"
#include "support/pdf_builder.h"
#include "support/tool_output.h"

namespace qm::test {
namespace {

const char* const kFiles[] = {
    "latex-tracemonkey-14p.pdf", "openoffice-55p.pdf",   "chrome-wikipedia.pdf", "matplotlib-type3.pdf",
    "ghostscript-pdfa.pdf",      "cjk-korean-cff.pdf",   "libreoffice-form.pdf", "rotated-20p.pdf",
    "chromium-15p.pdf",
};

std::string corpusPath(const char* name) { return std::string(QM_TEST_DATA_DIR) + "/corpus/" + name; }

// The stream's bytes before any decoding.
std::string rawBytes(Stream* s) {
    SourceStream* source = s->sourceStream();
    std::string out;
    source->reset();
    unsigned char buf[4096];
    for (int n; (n = source->readBlock(buf, sizeof buf)) > 0;) out.append(reinterpret_cast<char*>(buf), n);
    source->close();
    return out;
}

// zlib's result, or false when zlib does not reach the end of the data.
bool zlibInflate(const std::string& in, std::string* out) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    char buf[16384];
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buf);
        z.avail_out = sizeof buf;
        rc = inflate(&z, Z_NO_FLUSH);
        out->append(buf, sizeof buf - z.avail_out);
        if (rc == Z_BUF_ERROR && z.avail_in == 0) break;
    }
    inflateEnd(&z);
    return rc == Z_STREAM_END;
}

bool isPlainFlate(const PdfObject& obj) {
    PdfDict* d = obj.dictOf();
    PdfObject filter = d->lookup("Filter");
    if (filter.isArray() && filter.arrayLength() == 1) filter = filter.arrayGet(0);
    if (!filter.isName("FlateDecode")) return false;
    PdfObject params = d->lookup("DecodeParms");
    if (params.isArray()) params = params.arrayGet(0);
    PdfObject predictor = params.dictLookup("Predictor");
    return !predictor.isInt() || predictor.getInt() == 1;
}

TEST(FlateCorpus, DecodesLikeZlib) {
    ASSERT_EQ(::access((std::string(QM_BINARY_DIR) + "/quillmark-inspect").c_str(), X_OK), 0);
    int filesWithTool = 0;
    for (const char* name : kFiles) {
        ErrorCapture capture;
        PdfDocument doc(PdfString(corpusPath(name).c_str()), nullptr, nullptr);
        ASSERT_TRUE(doc.isOk()) << name;
        XrefTable* xref = doc.xref();
        int compared = 0, throughTool = 0;
        for (int n = 1; n < xref->size(); ++n) {
            const XrefEntry* e = xref->entry(n);
            if (!e->used) continue;
            PdfObject obj = xref->fetch(n, e->generation);
            if (!obj.isStream() || !isPlainFlate(obj)) continue;
            std::string expected;
            if (!zlibInflate(rawBytes(obj.getStream()), &expected)) continue;
            ASSERT_EQ(readAll(obj), expected) << name << " object " << n;
            ++compared;
            if (throughTool < 3) {
                ++throughTool;
                EXPECT_EQ(inspectOutput("--stream " + std::to_string(n) + " " + corpusPath(name)), expected)
                    << name << " object " << n;
            }
        }
        EXPECT_GT(compared, 0) << name;
        if (throughTool > 0) ++filesWithTool;
    }
    EXPECT_GE(filesWithTool, 5);
}

}  // namespace
}  // namespace qm::test
