// Compiling type 4 programs into jump code.
#include "graphics/postscript_function.h"

#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/report_error.h"
#include "streams/stream.h"

namespace qm {

namespace {

// Operator names in byte order; the index is the PsOp number.
const char* const kOperatorNames[] = {
    "abs",   "add",  "and",  "atan", "bitshift", "ceiling", "copy",     "cos",  "cvi", "cvr",
    "div",   "dup",  "eq",   "exch", "exp",      "false",   "floor",    "ge",   "gt",  "idiv",
    "index", "le",   "ln",   "log",  "lt",       "mod",     "mul",      "ne",   "neg", "not",
    "or",    "pop",  "roll", "round", "sin",     "sqrt",    "sub",      "true", "truncate", "xor",
};
constexpr int kOperatorCount = static_cast<int>(sizeof kOperatorNames / sizeof kOperatorNames[0]);
static_assert(kOperatorCount == static_cast<int>(PsOp::If));

// Blocks nest through recursion, both here and when the code runs.
constexpr int kMaxNesting = 64;

int findOperator(const char* name) {
    int lo = 0;
    int hi = kOperatorCount - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int cmp = std::strcmp(name, kOperatorNames[mid]);
        if (cmp == 0) return mid;
        if (cmp < 0)
            hi = mid - 1;
        else
            lo = mid + 1;
    }
    return -1;
}

bool isDigit(int c) { return c >= '0' && c <= '9'; }
bool isAlnum(int c) { return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isSpace(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == 0; }

}  // namespace

// Splits the program text into tokens; over-long tokens are cut (they can only be errors).
class PsTokenizer {
public:
    explicit PsTokenizer(Stream* stream) : stream_(stream) {}

    // False at the end of the stream.
    bool next() {
        int c;
        do {
            c = stream_->readByte();
            if (c < 0) return false;
        } while (isSpace(c));
        length_ = 0;
        add(c);
        if (c == '{' || c == '}') {
            text_[length_] = 0;
            return true;
        }
        bool number = isDigit(c) || c == '.' || c == '-';
        // Any other character is a token of its own so that the scan always advances.
        if (number || isAlnum(c)) {
            for (c = stream_->peekByte(); c >= 0; c = stream_->peekByte()) {
                if (number ? !(isDigit(c) || c == '.' || c == '-') : !isAlnum(c)) break;
                add(stream_->readByte());
            }
        }
        text_[length_] = 0;
        return true;
    }

    const char* text() const { return text_; }
    bool is(const char* s) const { return std::strcmp(text_, s) == 0; }
    bool isNumber() const { return isDigit(text_[0]) || text_[0] == '.' || text_[0] == '-'; }

private:
    void add(int c) {
        if (length_ < static_cast<int>(sizeof text_) - 1) text_[length_++] = static_cast<char>(c);
    }

    Stream* stream_;
    char text_[128];
    int length_ = 0;
};

PostScriptFunction::PostScriptFunction(const PdfObject& obj, PdfDict* dict) {
    if (!readDomainAndRange(dict)) return;
    if (!hasRange_) {
        reportError(-1, "Type 4 function is missing range");
        return;
    }
    if (!obj.isStream()) {
        reportError(-1, "Type 4 function isn't a stream");
        return;
    }
    Stream* stream = obj.getStream();
    stream->reset();
    PsTokenizer tokens(stream);
    bool good = false;
    if (!tokens.next()) {
        reportError(-1, "Unexpected end of PostScript function stream");
    } else if (!tokens.is("{")) {
        reportError(-1, "Expected '{' at start of PostScript function");
    } else {
        code_.reserve(64);
        good = parseBlock(tokens, 0);
    }
    stream->close();
    ok_ = good;
}

bool PostScriptFunction::parseBlock(PsTokenizer& tokens, int depth) {
    if (depth >= kMaxNesting) {
        reportError(-1, "PostScript function blocks nested more than %d deep", kMaxNesting);
        return false;
    }
    auto nextToken = [&tokens]() {
        if (tokens.next()) return true;
        reportError(-1, "Unexpected end of PostScript function stream");
        return false;
    };
    auto addOp = [this](PsOp op) { code_.push_back(PsCode::make(PsCode::Op, static_cast<int>(op))); };
    while (true) {
        if (!nextToken()) return false;
        if (tokens.isNumber()) {
            PsCode c = PsCode::make(PsCode::Int, 0);
            const char* text = tokens.text();
            if (std::strchr(text, '.')) {
                c.kind = PsCode::Real;
                c.r = 0;
                std::from_chars(text, text + std::strlen(text), c.r);
            } else {
                c.kind = PsCode::Int;
                long long v = std::strtoll(text, nullptr, 10);
                c.i = static_cast<int>(v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v);
            }
            code_.push_back(c);
        } else if (tokens.is("}")) {
            addOp(PsOp::Return);
            return true;
        } else if (tokens.is("{")) {
            size_t at = code_.size();
            code_.resize(at + 3, PsCode::make(PsCode::Jump, 0));
            if (!parseBlock(tokens, depth + 1) || !nextToken()) return false;
            int elseStart = -1;
            if (tokens.is("{")) {
                elseStart = static_cast<int>(code_.size());
                if (!parseBlock(tokens, depth + 1) || !nextToken()) return false;
            }
            if (tokens.is("if")) {
                if (elseStart >= 0) {
                    reportError(-1, "Got 'if' operator with two blocks in PostScript function");
                    return false;
                }
                code_[at] = PsCode::make(PsCode::Op, static_cast<int>(PsOp::If));
            } else if (tokens.is("ifelse")) {
                if (elseStart < 0) {
                    reportError(-1, "Got 'ifelse' operator with one blocks in PostScript function");
                    return false;
                }
                code_[at] = PsCode::make(PsCode::Op, static_cast<int>(PsOp::IfElse));
                code_[at + 1].i = elseStart;
            } else {
                reportError(-1, "Expected if/ifelse operator in PostScript function");
                return false;
            }
            code_[at + 2].i = static_cast<int>(code_.size());
        } else {
            int op = findOperator(tokens.text());
            if (op < 0) {
                reportError(-1, "Unknown operator '%s' in PostScript function", tokens.text());
                return false;
            }
            addOp(static_cast<PsOp>(op));
        }
    }
}

std::unique_ptr<PdfFunction> PostScriptFunction::clone() const {
    return std::unique_ptr<PdfFunction>(new PostScriptFunction(*this));
}

}  // namespace qm
