#pragma once
// Per-object decryption handed to the parser for encrypted documents: strings are
// decrypted as they are read, streams get a decryptor on their file-backed base.
#include <memory>

#include "streams/stream.h"

namespace qm {

class PdfDict;

class ObjectCipher {
public:
    virtual ~ObjectCipher() = default;
    // A decryptor for the strings of object (number, generation), in its initial state; null
    // when strings are stored in the clear.
    virtual std::unique_ptr<StreamDecryptor> forObject(int number, int generation) const = 0;
    // The same for the data of a stream object with dictionary `dict`, which may choose its
    // own method or none.
    virtual std::unique_ptr<StreamDecryptor> forStream(int number, int generation, const PdfDict*) const {
        return forObject(number, generation);
    }
};

}  // namespace qm
