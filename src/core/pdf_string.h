#pragma once
// Growable byte string with a capacity derived from its length, so appending byte by byte
// reallocates only once per 8 bytes (short strings) or per 256 bytes (long ones).
#include <cstddef>
#include <string_view>

namespace qm {

class PdfString {
public:
    PdfString();
    explicit PdfString(const char* text);
    PdfString(const char* bytes, int length);
    PdfString(const PdfString& other);
    PdfString& operator=(const PdfString& other);
    PdfString(PdfString&& other) noexcept;
    PdfString& operator=(PdfString&& other) noexcept;
    ~PdfString();

    static PdfString fromInt(int value);

    // Buffer size the sizing rule gives for a length; the buffer always holds length + 1.
    static int capacityFor(int length);

    int length() const { return length_; }
    const char* text() const { return buffer_ ? buffer_ : ""; }
    const unsigned char* bytes() const { return reinterpret_cast<const unsigned char*>(buffer_); }
    std::string_view view() const { return std::string_view(buffer_, static_cast<size_t>(length_)); }
    char at(int i) const { return buffer_[i]; }
    void setAt(int i, char c) { buffer_[i] = c; }
    char* data() { return buffer_; }

    PdfString& clear();
    PdfString& append(char c);
    PdfString& append(const PdfString& other);
    PdfString& append(const char* text);
    PdfString& append(const char* bytes, int length);
    PdfString& insert(int pos, char c);
    PdfString& insert(int pos, const char* text);
    PdfString& insert(int pos, const char* bytes, int length);
    PdfString& erase(int pos, int n);
    // Changes the length, keeping the bytes that stay; new bytes are zero.
    PdfString& resize(int length);
    PdfString& toUpper();
    PdfString& toLower();

    bool operator==(std::string_view other) const { return view() == other; }

private:
    void setLength(int newLength);

    int length_ = 0;
    char* buffer_ = nullptr;
};

}  // namespace qm
