#pragma once
// Small helpers that write PDF bytes for tests: objects, streams, a classic xref table and
// trailer, and streams and resolvers over such bytes in memory.
#include <map>
#include <memory>
#include <set>
#include <string>

#include "core/object_resolver.h"
#include "core/pdf_object.h"
#include "streams/file_data.h"

namespace qm::test {

class PdfBuilder {
public:
    explicit PdfBuilder(const std::string& version = "1.4");

    // Writes "N G obj\n<body>\nendobj\n"; returns N (the next free number when num is 0).
    int object(const std::string& body, int num = 0, int gen = 0);
    // A stream object; Length is added unless `dictEntries` already names one.
    int stream(const std::string& dictEntries, const std::string& data, int num = 0, int gen = 0);
    // Bytes written as they are.
    void raw(const std::string& bytes) { out_ += bytes; }
    // Writes the xref table of every object written so far, the trailer (with Size and the
    // given entries) and startxref; returns the whole file.
    std::string finish(const std::string& trailerEntries);
    // Writes the trailer and startxref pointing at `xrefOffset` without any table.
    std::string finishWithoutXref(const std::string& trailerEntries, long xrefOffset);

    long offsetOf(int num) const { return offsets_.at(num).first; }
    const std::string& bytes() const { return out_; }
    int nextNumber() const { return next_; }

private:
    std::string out_;
    std::map<int, std::pair<long, int>> offsets_;  // number -> (offset, generation)
    int next_ = 1;
};

// A file-backed stream over `bytes` (the whole buffer, no dictionary).
Stream* memoryStream(const std::string& bytes);
std::shared_ptr<SharedFile> sharedMemoryFile(const std::string& bytes);

// A minimal table over builder output: fetch parses the object at its recorded offset.
class TestResolver : public ObjectResolver {
public:
    explicit TestResolver(std::string bytes);
    void add(int num, long offset, int gen = 0) { offsets_[num] = {offset, gen}; }
    void addAll(const PdfBuilder& b, int count);
    PdfObject fetch(int number, int generation) override;
    bool streamEnd(long start, long* end) override;
    // Like reconstruction: the offset of an "endstream" line.
    void recordStreamEnd(long end) { ends_.insert(end); }

private:
    std::shared_ptr<SharedFile> file_;
    std::map<int, std::pair<long, int>> offsets_;
    std::set<long> ends_;
    int depth_ = 0;
};

// Reads a stream from reset to end into a string, then closes it.
std::string readAll(Stream* stream);
std::string readAll(const PdfObject& streamObject);

}  // namespace qm::test
