#include "core/pdf_parser.h"

#include <cstring>
#include <vector>

#include "core/object_cipher.h"
#include "core/object_resolver.h"
#include "core/pdf_array.h"
#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "streams/filter_chain.h"
#include "streams/stream.h"

namespace qm {

namespace {
// Deeper nesting only comes from hostile files; past it "[" and "<<" read as plain commands.
constexpr int kMaxNesting = 200;
}  // namespace

PdfParser::PdfParser(ObjectResolver* xref, std::unique_ptr<PdfLexer> lexer)
    : xref_(xref), lexer_(std::move(lexer)) {
    first_ = lexer_->nextToken();
    second_ = lexer_->nextToken();
}

void PdfParser::shift() {
    if (inlineImage_ > 0) {
        if (inlineImage_ < 2) {
            ++inlineImage_;
        } else {
            // "ID" in the middle of an array or dictionary of a damaged stream: nobody read
            // image data, so go back to reading tokens instead of producing nulls forever.
            inlineImage_ = 0;
        }
    } else if (second_.isCmd("ID")) {
        lexer_->readByte();  // the whitespace after ID
        inlineImage_ = 1;
    }
    first_ = std::move(second_);
    if (inlineImage_ > 0)
        second_ = PdfObject::makeNull();
    else
        second_ = lexer_->nextToken();
}

PdfObject PdfParser::readObject(const ObjectCipher* cipher, int objectNumber, int generation) {
    return readObjectAt(cipher, objectNumber, generation, 0);
}

PdfObject PdfParser::readObjectAt(const ObjectCipher* cipher, int num, int gen, int depth) {
    if (inlineImage_ == 2) {
        // The caller has read the inline image data straight from the lexer.
        first_ = lexer_->nextToken();
        second_ = lexer_->nextToken();
        inlineImage_ = 0;
    }

    if (depth < kMaxNesting && first_.isCmd("[")) {
        shift();
        PdfObject result = PdfObject::makeArray(xref_);
        PdfArray* array = result.getArray();
        while (!first_.isCmd("]") && !first_.isEof()) array->append(readObjectAt(cipher, num, gen, depth + 1));
        if (first_.isEof()) reportError(lexer_->position(), "End of file inside array");
        shift();
        return result;
    }

    if (depth < kMaxNesting && first_.isCmd("<<")) {
        shift();
        PdfObject result = PdfObject::makeDict(xref_);
        PdfDict* dict = result.getDict();
        while (!first_.isCmd(">>") && !first_.isEof()) {
            if (!first_.isName()) {
                reportError(lexer_->position(), "Dictionary key must be a name object");
                shift();
                continue;
            }
            PdfObject key = std::move(first_);
            shift();
            if (first_.isEof() || first_.isError()) break;
            dict->add(key.getName(), readObjectAt(cipher, num, gen, depth + 1));
        }
        if (first_.isEof()) reportError(lexer_->position(), "End of file inside dictionary");
        if (second_.isCmd("stream")) return makeStream(std::move(result), cipher, num, gen);
        shift();
        return result;
    }

    if (first_.isInt()) {
        int value = first_.getInt();
        shift();
        if (first_.isInt() && second_.isCmd("R")) {
            PdfObject ref = PdfObject::makeRef(value, first_.getInt());
            shift();
            shift();
            return ref;
        }
        return PdfObject::makeInt(value);
    }

    if (first_.isString() && cipher) {
        PdfObject result = first_;
        PdfString* s = result.getString();
        auto decryptor = cipher->forObject(num, gen);
        if (decryptor && s->length() > 0) {
            std::vector<unsigned char> plain(static_cast<size_t>(s->length()) + StreamDecryptor::kMaxExtraOutput);
            int n = decryptor->decrypt(reinterpret_cast<const unsigned char*>(s->data()), s->length(), plain.data(),
                                       true);
            s->resize(n);
            if (n > 0) std::memcpy(s->data(), plain.data(), static_cast<size_t>(n));
        }
        shift();
        return result;
    }

    PdfObject result = first_;
    shift();
    return result;
}

PdfObject PdfParser::makeStream(PdfObject dict, const ObjectCipher* cipher, int num, int gen) {
    lexer_->skipToNextLine();
    Stream* current = lexer_->currentStream();
    if (!current) return PdfObject::makeError();
    long start = lexer_->position();

    PdfObject lengthObj = dict.getDict()->lookup("Length");
    if (!lengthObj.isInt() || lengthObj.getInt() < 0) {
        reportError(start, "Bad 'Length' attribute in stream");
        return PdfObject::makeError();
    }
    long length = lengthObj.getInt();
    long recordedEnd = 0;
    if (xref_ && xref_->streamEnd(start, &recordedEnd)) length = recordedEnd - start;
    if (length < 0) length = 0;

    SourceStream* base = current->sourceStream()->makeSubStream(start, length, dict);
    if (!base) return PdfObject::makeError();
    if (cipher) base->setDecryptor(cipher->forStream(num, gen, dict.getDict()));
    Stream* top = addFilters(base, dict.getDict());

    lexer_->setPosition(start + length);
    shift();
    shift();
    if (first_.isCmd("endstream"))
        shift();
    else
        reportError(lexer_->position(), "Missing 'endstream'");
    return PdfObject::makeStream(top);
}

}  // namespace qm
