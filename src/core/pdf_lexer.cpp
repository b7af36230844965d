#include "core/pdf_lexer.h"

#include <cstring>
#include <string>

#include "core/lexical.h"
#include "core/pdf_array.h"
#include "core/report_error.h"
#include "streams/stream.h"

namespace qm {

namespace {

using lexical::hexValue;
using lexical::isRegular;

inline bool isSpace(int c) { return lexical::isWhite(c); }

constexpr int kTokenMax = 127;

// Collects a string's bytes in a buffer that grows geometrically, so a long string costs
// linear time, and makes the string object once at the end. Bytes past the largest length a
// string can have are dropped.
class StringBuilder {
public:
    void put(int b) {
        if (bytes_.size() < kMaxLength) bytes_.push_back(static_cast<char>(b));
    }
    PdfObject finish() { return PdfObject::makeString(bytes_.data(), static_cast<int>(bytes_.size())); }

private:
    static constexpr size_t kMaxLength = 0x7fffff00;
    std::string bytes_;
};

}  // namespace

PdfLexer::PdfLexer(ObjectResolver* xref, Stream* stream) : xref_(xref) {
    streams_ = PdfObject::makeArray(xref);
    streams_.getArray()->append(PdfObject::makeStream(stream));
    startStream(0);
}

PdfLexer::PdfLexer(ObjectResolver* xref, const PdfObject& streamOrArray) : xref_(xref) {
    if (streamOrArray.isStream()) {
        streams_ = PdfObject::makeArray(xref);
        streams_.getArray()->append(streamOrArray);
    } else if (streamOrArray.isArray()) {
        streams_ = streamOrArray;
    } else {
        streams_ = PdfObject::makeArray(xref);
    }
    startStream(0);
}

PdfLexer::~PdfLexer() {
    if (current_) current_->close();
}

// Makes element `index` (or the first stream after it) current and rewinds it.
void PdfLexer::startStream(int index) {
    current_ = nullptr;
    currentObj_.release();
    int n = streams_.arrayLength();
    for (index_ = index; index_ < n; ++index_) {
        PdfObject obj = streams_.arrayGet(index_);
        if (obj.isStream()) {
            currentObj_ = std::move(obj);
            current_ = currentObj_.getStream();
            current_->reset();
            return;
        }
    }
}

bool PdfLexer::advance() {
    if (!current_) return false;
    current_->close();
    startStream(index_ + 1);
    return current_ != nullptr;
}

void PdfLexer::giveBack(const std::vector<unsigned char>& bytes) { back_.prepend(bytes.data(), bytes.size()); }

std::vector<unsigned char> PdfLexer::takeUnread() { return back_.takeAll(); }

int PdfLexer::readByte() {
    if (!back_.empty()) return back_.take();
    while (current_) {
        int c = current_->readByte();
        if (c >= 0) return c;
        if (!advance()) return -1;
    }
    return -1;
}

int PdfLexer::peekByte() {
    if (!back_.empty()) return back_.peek();
    while (current_) {
        int c = current_->peekByte();
        if (c >= 0) return c;
        if (!advance()) return -1;
    }
    return -1;
}

void PdfLexer::skipToNextLine() {
    for (;;) {
        int c = readByte();
        if (c < 0 || c == '\n') return;
        if (c == '\r') {
            if (peekByte() == '\n') readByte();
            return;
        }
    }
}

long PdfLexer::position() { return current_ ? current_->position() : -1; }

void PdfLexer::setPosition(long pos) {
    if (current_) current_->setPos(pos);
}

PdfObject PdfLexer::nextToken() {
    int c;
    // Whitespace and comments.
    for (;;) {
        c = readByte();
        if (c < 0) return PdfObject::makeEof();
        if (c == '%') {
            do {
                c = peekByte();
                if (c < 0 || c == '\r' || c == '\n') break;
                readByte();
            } while (true);
            continue;
        }
        if (!isSpace(c)) break;
    }

    switch (c) {
        case '(': return readString();
        case ')':
        case '{':
        case '}':
            reportError(position(), "Illegal character '%c'", c);
            return PdfObject::makeError();
        case '<':
            if (peekByte() == '<') {
                readByte();
                return PdfObject::makeCmd("<<");
            }
            return readHexString();
        case '>':
            if (peekByte() == '>') {
                readByte();
                return PdfObject::makeCmd(">>");
            }
            reportError(position(), "Illegal character '>'");
            return PdfObject::makeError();
        case '[': return PdfObject::makeCmd("[");
        case ']': return PdfObject::makeCmd("]");
        case '/': return readName();
        default: break;
    }
    if (c == '-' || c == '.' || (c >= '0' && c <= '9')) return readNumber(c);
    return readCommand(c);
}

PdfObject PdfLexer::readString() {
    StringBuilder s;
    int depth = 1;
    auto put = [&](int b) { s.put(b); };
    for (;;) {
        int c = readByte();
        if (c < 0) {
            reportError(position(), "Unterminated string");
            break;
        }
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth == 0) break;
        } else if (c == '\\') {
            c = readByte();
            switch (c) {
                case 'n': put('\n'); continue;
                case 'r': put('\r'); continue;
                case 't': put('\t'); continue;
                case 'b': put('\b'); continue;
                case 'f': put('\f'); continue;
                case '\n': continue;
                case '\r':
                    if (peekByte() == '\n') readByte();
                    continue;
                case -1:
                    reportError(position(), "Unterminated string");
                    return s.finish();
                default: break;
            }
            if (c >= '0' && c <= '7') {
                int value = c - '0';
                for (int i = 0; i < 2; ++i) {
                    int d = peekByte();
                    if (d < '0' || d > '7') break;
                    readByte();
                    value = value * 8 + (d - '0');
                }
                put(value & 0xff);
                continue;
            }
        }
        put(c);
    }
    return s.finish();
}

PdfObject PdfLexer::readHexString() {
    StringBuilder s;
    int high = -1;
    auto put = [&](int b) { s.put(b); };
    for (;;) {
        int c = readByte();
        if (c == '>') break;
        if (c < 0) {
            reportError(position(), "Unterminated hex string");
            break;
        }
        if (isSpace(c)) continue;
        int v = hexValue(c);
        if (v < 0) {
            reportError(position(), "Illegal character <%02x> in hex string", c);
            v = 0;
        }
        if (high < 0) {
            high = v;
        } else {
            put(high * 16 + v);
            high = -1;
        }
    }
    if (high >= 0) put(high * 16);
    return s.finish();
}

PdfObject PdfLexer::readName() {
    int n = 0;
    for (;;) {
        int c = peekByte();
        if (!isRegular(c)) break;
        readByte();
        if (c == '#') {
            int d = peekByte();
            int hi = hexValue(d);
            if (hi >= 0) {
                readByte();
                int e = readByte();
                int lo = hexValue(e);
                if (lo < 0) {
                    reportError(position(), "Illegal digit in hex char in name");
                    c = hi * 16;
                } else {
                    c = hi * 16 + lo;
                }
            }
        }
        if (n == kTokenMax) {
            reportError(position(), "Name token too long");
            break;
        }
        token_[n++] = static_cast<char>(c);
    }
    token_[n] = '\0';
    // An escaped NUL would cut the text short; names are NUL-terminated texts.
    return PdfObject::makeName(token_);
}

PdfObject PdfLexer::readNumber(int first) {
    bool negative = false;
    int c = first;
    if (c == '-') {
        negative = true;
        c = peekByte();
        if (c == '.' || (c >= '0' && c <= '9')) readByte();
        else return PdfObject::makeInt(0);
    }
    uint32_t intPart = 0;
    double bigPart = 0;  // the exact value for reals whose integer part passes 32 bits
    while (c >= '0' && c <= '9') {
        intPart = intPart * 10u + static_cast<uint32_t>(c - '0');
        bigPart = bigPart * 10 + (c - '0');
        c = peekByte();
        if (c >= '0' && c <= '9') readByte();
        else if (c == '.') { readByte(); break; }
        else {
            int32_t v = static_cast<int32_t>(negative ? 0u - intPart : intPart);
            return PdfObject::makeInt(v);
        }
    }
    // Here c is '.' (already consumed): the fraction.
    double value = bigPart;
    double scale = 0.1;
    for (;;) {
        int d = peekByte();
        if (d < '0' || d > '9') break;
        readByte();
        value += (d - '0') * scale;
        scale *= 0.1;
    }
    return PdfObject::makeReal(negative ? -value : value);
}

PdfObject PdfLexer::readCommand(int first) {
    int n = 0;
    token_[n++] = static_cast<char>(first);
    for (;;) {
        int c = peekByte();
        if (!isRegular(c)) break;
        readByte();
        if (n == kTokenMax) {
            reportError(position(), "Command token too long");
            break;
        }
        token_[n++] = static_cast<char>(c);
    }
    token_[n] = '\0';
    if (std::strcmp(token_, "true") == 0) return PdfObject::makeBool(true);
    if (std::strcmp(token_, "false") == 0) return PdfObject::makeBool(false);
    if (std::strcmp(token_, "null") == 0) return PdfObject::makeNull();
    return PdfObject::makeCmd(token_);
}

}  // namespace qm
