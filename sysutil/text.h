// Text helpers: counted 8-bit texts (no encoding conversion anywhere) and the few
// NUL-terminated string routines used where text meets the platform.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sysutil {

// A counted string of 8-bit characters that owns its bytes, possibly empty, with no
// encoding conversion; a null text is the empty text. Its own small class rather than
// std::string: the library's string brings the exception runtime into an executable built
// without exceptions and would triple its size.
class Text {
  public:
    static constexpr size_t npos = static_cast<size_t>(-1);

    Text() = default;
    Text(const char* s); // NOLINT(google-explicit-constructor): literals are texts
    Text(const char* s, size_t length);
    Text(size_t count, char ch);
    Text(const Text& other) : Text(other.data_, other.size_) {}
    Text(Text&& other) noexcept : data_(other.data_), size_(other.size_) {
        other.data_ = nullptr;
        other.size_ = 0;
    }
    Text& operator=(const Text& other);
    Text& operator=(Text&& other) noexcept;
    ~Text() { delete[] data_; }

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Never null: the empty text is "".
    const char* c_str() const { return data_ ? data_ : ""; }
    const char* data() const { return c_str(); }
    char* begin() { return data_; }
    char* end() { return data_ + size_; }
    const char* begin() const { return c_str(); }
    const char* end() const { return c_str() + size_; }
    char operator[](size_t i) const { return data_[i]; }
    char& operator[](size_t i) { return data_[i]; }
    char front() const { return data_[0]; }
    char back() const { return data_[size_ - 1]; }

    Text substr(size_t pos, size_t count = npos) const;
    size_t rfind(char ch) const;
    Text& append(const char* s, size_t length);
    Text& operator+=(const Text& other) { return append(other.data_, other.size_); }
    Text& operator+=(char ch) { return append(&ch, 1); }

  private:
    char* data_ = nullptr;
    size_t size_ = 0;
};

Text operator+(const Text& a, const Text& b);
Text operator+(const Text& a, char ch);
bool operator==(const Text& a, const Text& b);
inline bool operator!=(const Text& a, const Text& b) { return !(a == b); }

// The path delimiters: the colon and the backslash (not the forward slash).
constexpr const char* kPathDelimiters = ":\\";

Text PathFolder(const Text& path);
Text EnsureTrailingChar(const Text& text, char ch);
Text EnsureTrailingBackslash(const Text& path);
Text UpperCaseAscii(const Text& text);
Text IntToText(int32_t value);
bool TextEquals(const Text& a, const Text& b);

size_t CStringLength(const char* s);
char* CStringCopy(char* dest, const char* src);
// Copies at most maxCount characters and always terminates; dest holds maxCount + 1.
char* CStringCopyBounded(char* dest, const char* src, size_t maxCount);
// Last occurrence of ch, or null; looking for '\0' finds the terminator.
const char* LastCharOf(const char* s, char ch);
// Rightmost character of s that is in set, or the terminator of s when none is.
const char* LastCharOfSet(const char* s, const char* set);
bool SameBytes(const void* a, const void* b, size_t count);

} // namespace sysutil
