#include "support/pdf_builder.h"

#include <cstdio>

#include "core/pdf_lexer.h"
#include "core/pdf_parser.h"
#include "streams/file_stream.h"

namespace qm::test {

PdfBuilder::PdfBuilder(const std::string& version) {
    out_ = "%PDF-" + version + "\n%\xE2\xE3\xCF\xD3\n";
}

int PdfBuilder::object(const std::string& body, int num, int gen) {
    if (num == 0) num = next_;
    if (num >= next_) next_ = num + 1;
    offsets_[num] = {static_cast<long>(out_.size()), gen};
    out_ += std::to_string(num) + " " + std::to_string(gen) + " obj\n" + body + "\nendobj\n";
    return num;
}

int PdfBuilder::stream(const std::string& dictEntries, const std::string& data, int num, int gen) {
    std::string dict = dictEntries;
    if (dict.find("/Length") == std::string::npos) dict += " /Length " + std::to_string(data.size());
    return object("<< " + dict + " >>\nstream\n" + data + "\nendstream", num, gen);
}

std::string PdfBuilder::finish(const std::string& trailerEntries) {
    long xref = static_cast<long>(out_.size());
    out_ += "xref\n0 " + std::to_string(next_) + "\n";
    char line[32];
    for (int i = 0; i < next_; ++i) {
        auto it = offsets_.find(i);
        if (it == offsets_.end())
            std::snprintf(line, sizeof line, "%010d %05d f\r\n", 0, i == 0 ? 65535 : 0);
        else
            std::snprintf(line, sizeof line, "%010ld %05d n\r\n", it->second.first, it->second.second);
        out_ += line;
    }
    return finishWithoutXref(trailerEntries, xref);
}

std::string PdfBuilder::finishWithoutXref(const std::string& trailerEntries, long xrefOffset) {
    out_ += "trailer\n<< /Size " + std::to_string(next_) + " " + trailerEntries + " >>\nstartxref\n" +
            std::to_string(xrefOffset) + "\n%%EOF\n";
    return out_;
}

std::shared_ptr<SharedFile> sharedMemoryFile(const std::string& bytes) {
    auto file = std::make_shared<SharedFile>();
    file->data = memoryFileData(bytes);
    return file;
}

Stream* memoryStream(const std::string& bytes) {
    return new FileStream(sharedMemoryFile(bytes), 0, -1, PdfObject::makeNull());
}

TestResolver::TestResolver(std::string bytes) : file_(sharedMemoryFile(bytes)) {}

void TestResolver::addAll(const PdfBuilder& b, int count) {
    for (int i = 1; i < count; ++i) add(i, b.offsetOf(i));
}

PdfObject TestResolver::fetch(int number, int generation) {
    auto it = offsets_.find(number);
    if (it == offsets_.end() || it->second.second != generation || depth_ > 8) return PdfObject::makeNull();
    ++depth_;
    auto* base = new FileStream(file_, it->second.first, -1, PdfObject::makeNull());
    PdfParser parser(this, std::make_unique<PdfLexer>(this, base));
    PdfObject n = parser.readObject();
    PdfObject g = parser.readObject();
    PdfObject kw = parser.readObject();
    PdfObject result = PdfObject::makeNull();
    if (n.isInt() && g.isInt() && kw.isCmd("obj")) result = parser.readObject();
    if (result.isError()) result = PdfObject::makeNull();
    --depth_;
    return result;
}

bool TestResolver::streamEnd(long start, long* end) {
    auto it = ends_.upper_bound(start);
    if (it == ends_.end()) return false;
    *end = *it;
    return true;
}

std::string readAll(Stream* stream) {
    std::string out;
    stream->reset();
    for (int c; (c = stream->readByte()) >= 0;) out += static_cast<char>(c);
    stream->close();
    return out;
}

std::string readAll(const PdfObject& streamObject) {
    return streamObject.isStream() ? readAll(streamObject.getStream()) : std::string();
}

}  // namespace qm::test
