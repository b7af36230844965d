#pragma once
// Per-object decryption handed to the parser for encrypted documents: strings are
// decrypted as they are read, streams get a decryptor on their file-backed base.
#include <memory>

#include "streams/stream.h"

namespace qm {

class ObjectCipher {
public:
    virtual ~ObjectCipher() = default;
    // A decryptor keyed for object (number, generation), in its initial state.
    virtual std::unique_ptr<StreamDecryptor> forObject(int number, int generation) const = 0;
};

}  // namespace qm
