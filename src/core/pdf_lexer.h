#pragma once
// Turns the bytes of one stream, or of a sequence of content streams read as one, into
// tokens (PdfObjects).
#include <vector>

#include "core/pdf_object.h"
#include "core/pushback_bytes.h"

namespace qm {

class Stream;
class ObjectResolver;

class PdfLexer {
public:
    // Takes over the caller's reference to `stream` and rewinds it.
    PdfLexer(ObjectResolver* xref, Stream* stream);
    // A stream, or an array of streams read one after another (a page's Contents).
    PdfLexer(ObjectResolver* xref, const PdfObject& streamOrArray);
    ~PdfLexer();
    PdfLexer(const PdfLexer&) = delete;
    PdfLexer& operator=(const PdfLexer&) = delete;

    int readByte();
    // The next byte without consuming it; when the current stream is used up this moves on
    // to the next one, so a token split between two content streams reads as one.
    int peekByte();
    PdfObject nextToken();
    void skipToNextLine();
    long position();
    void setPosition(long pos);
    Stream* currentStream() { return current_; }
    // Bytes to read again before the current stream's next ones: what an inline image's
    // decoders read beyond the image and its "EI".
    void giveBack(const std::vector<unsigned char>& bytes);
    // The given-back bytes not read yet, removed from the lexer.
    std::vector<unsigned char> takeUnread();

private:
    void startStream(int index);
    bool advance();
    PdfObject readString();
    PdfObject readHexString();
    PdfObject readName();
    PdfObject readNumber(int first);
    PdfObject readCommand(int first);

    ObjectResolver* xref_;
    PdfObject streams_;  // an array of streams
    int index_ = 0;
    PdfObject currentObj_;
    Stream* current_ = nullptr;
    char token_[128];
    PushbackBytes back_;
};

}  // namespace qm
