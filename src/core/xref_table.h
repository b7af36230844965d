#pragma once
// Object number -> file offset map of one document, read from the cross-reference sections
// (classic tables or cross-reference streams: the last one and every earlier one along Prev)
// or rebuilt by scanning the file when they are missing or broken. Fetching parses the
// object at its offset every time; objects inside object streams are parsed from the
// decoded stream, which a small cache keeps.
#include <memory>
#include <set>
#include <vector>

#include "core/object_resolver.h"
#include "core/object_stream_cache.h"
#include "core/pdf_object.h"
#include "core/pdf_string.h"
#include "core/xref_entries.h"

namespace qm {

class FileStream;
class ObjectCipher;
class PdfParser;
struct EncryptionSetup;
class Stream;

class XrefTable : public ObjectResolver {
public:
    // Object numbers beyond this come only from damaged or hostile files; the table never
    // grows past it.
    static constexpr int kMaxObjects = XrefEntries::kMaxObjects;

    // `base` (borrowed) is the stream over the whole file, its start moved to the header.
    // The passwords are borrowed and may be null.
    XrefTable(FileStream* base, const PdfString* ownerPassword, const PdfString* userPassword);
    ~XrefTable() override;
    XrefTable(const XrefTable&) = delete;
    XrefTable& operator=(const XrefTable&) = delete;

    bool isOk() const { return ok_; }
    PdfObject fetch(int number, int generation) override;
    bool streamEnd(long start, long* end) override;

    const PdfObject& trailer() const { return trailer_; }
    int rootNumber() const { return rootNum_; }
    int rootGeneration() const { return rootGen_; }
    int size() const { return entries_.size(); }
    // Entry n (empty for a number no section gave), or null when n is outside the table.
    const XrefEntry* entry(int n) const { return entries_.find(n); }
    // Bytes the entries take, for tests of hostile sizes.
    long tableBytes() const { return entries_.memoryBytes(); }
    // True when the table came from the scan instead of the file's own sections.
    bool wasRebuilt() const { return rebuilt_; }
    // Which kinds of sections the file's own chain held.
    bool usesTables() const { return usesTables_; }
    bool usesStreams() const { return usesStreams_; }

    // Why an encrypted file could not be unlocked.
    enum class LockFailure { none, passwordNeeded, wrongPassword, unsupported };
    LockFailure lockFailure() const { return lockFailure_; }

    bool isEncrypted() const { return encrypted_; }
    int permissions() const { return permissions_; }
    bool ownerPasswordAccepted() const { return ownerAccepted_; }

private:
    // Nested fetches only happen while a fetched stream looks up an indirect Length or an
    // object stream is loaded; deeper nesting means a Length that refers back to its own
    // stream (or a chain of such).
    static constexpr int kMaxFetchDepth = 16;

    // The one guard every fetch passes: it refuses a fetch of an object already being
    // fetched further out (that can only loop), nesting deeper than kMaxFetchDepth, and more
    // nested fetches within one outermost fetch than real objects ever make (a chain of
    // streams whose entries refer to the next one grows the work exponentially otherwise).
    class FetchGuard {
    public:
        FetchGuard(XrefTable* table, int number, int generation);
        ~FetchGuard();
        FetchGuard(const FetchGuard&) = delete;
        FetchGuard& operator=(const FetchGuard&) = delete;
        bool admitted() const { return admitted_; }

    private:
        XrefTable* table_;
        bool admitted_ = false;
    };

    bool readLastTrailer(long* sectionPos);
    bool takeTrailer(PdfObject trailer, long xrefPos, long* sectionPos);
    bool readSection(long pos, long* prev, bool* hasPrev);
    bool readEntries(Stream* in, long first, long count);
    // The cross-reference stream object at `pos` (relative), or null.
    PdfObject parseXrefStream(long pos);
    // `hybrid`: the stream named by a classic trailer's XRefStm, whose entries also replace
    // the free entries of that classic section.
    bool readXrefStream(long pos, long* prev, bool* hasPrev, bool hybrid = false);
    PdfObject fetchCompressed(int number, const XrefEntry& e);
    const DecodedObjectStream* objectStream(int number);
    // After the line scan: the objects inside the object streams found, and the dictionary
    // of the last cross-reference stream (null when there is none).
    PdfObject registerObjectStreams();
    bool findRootWithoutTrailer(const PdfObject& xrefDict);
    bool reconstruct();
    void scanObjectLine(const char* line, int length, long linePos);
    bool checkEncryption();
    bool unlock(const EncryptionSetup& setup);
    struct StreamProbe {
        int tried = 0;
        int good = 0;
    };
    StreamProbe probeCompressedStreams();
    // A stream over the file from `pos` (absolute) to its end, not yet reset.
    Stream* streamAt(long pos) const;
    // A parser bound to this table reading the file from `pos` (absolute).
    std::unique_ptr<PdfParser> parserAt(long pos);

    FileStream* base_;
    long start_;
    long fileSize_;
    const PdfString* ownerPassword_;
    const PdfString* userPassword_;
    XrefEntries entries_;
    PdfObject trailer_;
    int rootNum_ = -1;
    int rootGen_ = -1;
    std::vector<long> streamEnds_;  // absolute positions of "endstream" lines, ascending
    bool ok_ = true;
    bool rebuilt_ = false;
    bool usesTables_ = false;
    bool usesStreams_ = false;
    int fetchDepth_ = 0;
    ObjectStreamCache objectStreams_;
    std::set<int> badObjectStreams_;
    // Cross-reference streams are never encrypted.
    std::set<int> xrefStreamNumbers_;
    // Slots the classic section being read marked free.
    std::set<long> sectionFree_;
    // The objects being fetched right now, outermost first, and the fetches made inside the
    // current outermost one (see FetchGuard).
    PdfRef fetching_[kMaxFetchDepth];
    int nestedFetches_ = 0;

    bool encrypted_ = false;
    LockFailure lockFailure_ = LockFailure::none;
    int permissions_ = 0xFFFC;
    bool ownerAccepted_ = false;
    // Set by the security handler once it accepted a password; null for plain files.
    std::unique_ptr<ObjectCipher> cipher_;
};

}  // namespace qm
