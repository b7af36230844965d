#include "core/pdf_string.h"

#include <cctype>
#include <cstring>
#include <utility>

#include "core/memory.h"

namespace qm {

int PdfString::capacityFor(int length) {
    if (length < 256) return (length + 8) & ~7;
    return (length + 256) & ~255;
}

PdfString::PdfString() {
    buffer_ = static_cast<char*>(memAlloc(static_cast<size_t>(capacityFor(0))));
    buffer_[0] = '\0';
}

PdfString::PdfString(const char* text) : PdfString(text, static_cast<int>(std::strlen(text))) {}

PdfString::PdfString(const char* bytes, int length) {
    if (length < 0) length = 0;
    length_ = length;
    buffer_ = static_cast<char*>(memAlloc(static_cast<size_t>(capacityFor(length))));
    if (length) std::memcpy(buffer_, bytes, static_cast<size_t>(length));
    buffer_[length] = '\0';
}

PdfString::PdfString(const PdfString& other) : PdfString(other.buffer_, other.length_) {}

PdfString& PdfString::operator=(const PdfString& other) {
    if (this != &other) {
        PdfString copy(other);
        std::swap(length_, copy.length_);
        std::swap(buffer_, copy.buffer_);
    }
    return *this;
}

PdfString::PdfString(PdfString&& other) noexcept : length_(other.length_), buffer_(other.buffer_) {
    other.length_ = 0;
    other.buffer_ = nullptr;
}

PdfString& PdfString::operator=(PdfString&& other) noexcept {
    std::swap(length_, other.length_);
    std::swap(buffer_, other.buffer_);
    return *this;
}

PdfString::~PdfString() { memFree(buffer_); }

PdfString PdfString::fromInt(int value) {
    char digits[16];
    int n = 0;
    // Work in unsigned so that INT_MIN negates cleanly.
    unsigned int u = value < 0 ? 0u - static_cast<unsigned int>(value) : static_cast<unsigned int>(value);
    do {
        digits[n++] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u);
    PdfString s;
    if (value < 0) s.append('-');
    while (n) s.append(digits[--n]);
    return s;
}

void PdfString::setLength(int newLength) {
    if (!buffer_) {
        buffer_ = static_cast<char*>(memAlloc(static_cast<size_t>(capacityFor(newLength))));
        buffer_[0] = '\0';
        length_ = 0;
    }
    if (capacityFor(newLength) != capacityFor(length_)) {
        char* fresh = static_cast<char*>(memAlloc(static_cast<size_t>(capacityFor(newLength))));
        int keep = length_ < newLength ? length_ : newLength;
        std::memcpy(fresh, buffer_, static_cast<size_t>(keep));
        fresh[keep] = '\0';
        memFree(buffer_);
        buffer_ = fresh;
    }
    length_ = newLength;
}

PdfString& PdfString::clear() {
    setLength(0);
    buffer_[0] = '\0';
    return *this;
}

PdfString& PdfString::append(char c) {
    int old = length_;
    setLength(old + 1);
    buffer_[old] = c;
    buffer_[old + 1] = '\0';
    return *this;
}

PdfString& PdfString::append(const PdfString& other) { return append(other.buffer_, other.length_); }

PdfString& PdfString::append(const char* text) { return append(text, static_cast<int>(std::strlen(text))); }

PdfString& PdfString::append(const char* bytes, int length) {
    if (length <= 0) return *this;
    int old = length_;
    setLength(old + length);
    std::memmove(buffer_ + old, bytes, static_cast<size_t>(length));
    buffer_[old + length] = '\0';
    return *this;
}

PdfString& PdfString::insert(int pos, char c) { return insert(pos, &c, 1); }

PdfString& PdfString::insert(int pos, const char* text) {
    return insert(pos, text, static_cast<int>(std::strlen(text)));
}

PdfString& PdfString::insert(int pos, const char* bytes, int length) {
    if (length <= 0) return *this;
    if (pos < 0) pos = 0;
    if (pos > length_) pos = length_;
    // The source may live inside our own buffer, which the resize can move.
    PdfString copy(bytes, length);
    int old = length_;
    setLength(old + length);
    std::memmove(buffer_ + pos + length, buffer_ + pos, static_cast<size_t>(old - pos));
    std::memcpy(buffer_ + pos, copy.buffer_, static_cast<size_t>(length));
    buffer_[length_] = '\0';
    return *this;
}

PdfString& PdfString::erase(int pos, int n) {
    if (n <= 0 || pos < 0 || pos >= length_) return *this;
    if (n > length_ - pos) n = length_ - pos;
    std::memmove(buffer_ + pos, buffer_ + pos + n, static_cast<size_t>(length_ - pos - n));
    setLength(length_ - n);
    buffer_[length_] = '\0';
    return *this;
}

PdfString& PdfString::resize(int length) {
    if (length < 0) length = 0;
    int old = length_;
    setLength(length);
    if (length > old) std::memset(buffer_ + old, 0, static_cast<size_t>(length - old));
    buffer_[length] = '\0';
    return *this;
}

PdfString& PdfString::toUpper() {
    for (int i = 0; i < length_; ++i) {
        unsigned char c = static_cast<unsigned char>(buffer_[i]);
        if (std::islower(c)) buffer_[i] = static_cast<char>(std::toupper(c));
    }
    return *this;
}

PdfString& PdfString::toLower() {
    for (int i = 0; i < length_; ++i) {
        unsigned char c = static_cast<unsigned char>(buffer_[i]);
        if (std::isupper(c)) buffer_[i] = static_cast<char>(std::tolower(c));
    }
    return *this;
}

}  // namespace qm
