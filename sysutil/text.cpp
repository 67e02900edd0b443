#include "sysutil/text.h"

#include <cstring>

namespace sysutil {

Text::Text(const char* s) : Text(s, s ? std::strlen(s) : 0) {}

Text::Text(const char* s, size_t length) {
    if (length == 0)
        return;
    data_ = new char[length + 1];
    std::memcpy(data_, s, length);
    data_[length] = '\0';
    size_ = length;
}

Text::Text(size_t count, char ch) {
    if (count == 0)
        return;
    data_ = new char[count + 1];
    std::memset(data_, ch, count);
    data_[count] = '\0';
    size_ = count;
}

Text& Text::operator=(const Text& other) {
    if (this != &other)
        *this = Text(other);
    return *this;
}

Text& Text::operator=(Text&& other) noexcept {
    if (this != &other) {
        delete[] data_;
        data_ = other.data_;
        size_ = other.size_;
        other.data_ = nullptr;
        other.size_ = 0;
    }
    return *this;
}

Text Text::substr(size_t pos, size_t count) const {
    if (pos >= size_)
        return Text();
    if (count > size_ - pos)
        count = size_ - pos;
    return Text(data_ + pos, count);
}

size_t Text::rfind(char ch) const {
    for (size_t i = size_; i > 0; --i) {
        if (data_[i - 1] == ch)
            return i - 1;
    }
    return npos;
}

Text& Text::append(const char* s, size_t length) {
    if (length == 0)
        return *this;
    char* joined = new char[size_ + length + 1];
    if (size_ != 0)
        std::memcpy(joined, data_, size_);
    std::memcpy(joined + size_, s, length);
    joined[size_ + length] = '\0';
    delete[] data_;
    data_ = joined;
    size_ += length;
    return *this;
}

Text operator+(const Text& a, const Text& b) {
    Text joined = a;
    joined += b;
    return joined;
}

Text operator+(const Text& a, char ch) {
    Text joined = a;
    joined += ch;
    return joined;
}

bool operator==(const Text& a, const Text& b) { return TextEquals(a, b); }

Text PathFolder(const Text& path) {
    const char* s = path.c_str();
    const char* last = LastCharOfSet(s, kPathDelimiters);
    if (*last == '\0')
        return Text();
    return Text(s, static_cast<size_t>(last - s) + 1);
}

Text EnsureTrailingChar(const Text& text, char ch) {
    if (!text.empty() && text.back() == ch)
        return text;
    return text + ch;
}

Text EnsureTrailingBackslash(const Text& path) { return EnsureTrailingChar(path, '\\'); }

Text UpperCaseAscii(const Text& text) {
    Text result = text;
    for (char& c : result) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    }
    return result;
}

Text IntToText(int32_t value) {
    // Work on the unsigned magnitude so that the smallest value has no overflow.
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    char digits[12];
    char* p = digits + sizeof digits;
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        *--p = '-';
    return Text(p, static_cast<size_t>(digits + sizeof digits - p));
}

bool TextEquals(const Text& a, const Text& b) {
    return a.size() == b.size() && SameBytes(a.data(), b.data(), a.size());
}

size_t CStringLength(const char* s) { return s ? std::strlen(s) : 0; }

char* CStringCopy(char* dest, const char* src) {
    std::memcpy(dest, src, std::strlen(src) + 1);
    return dest;
}

char* CStringCopyBounded(char* dest, const char* src, size_t maxCount) {
    size_t n = 0;
    while (n < maxCount && src[n] != '\0') {
        dest[n] = src[n];
        ++n;
    }
    dest[n] = '\0';
    return dest;
}

const char* LastCharOf(const char* s, char ch) { return std::strrchr(s, ch); }

const char* LastCharOfSet(const char* s, const char* set) {
    if (!s)
        return "";
    const char* end = s + std::strlen(s);
    for (const char* p = end; p != s;) {
        --p;
        if (*p != '\0' && std::strchr(set, *p))
            return p;
    }
    return end;
}

bool SameBytes(const void* a, const void* b, size_t count) {
    return count == 0 || std::memcmp(a, b, count) == 0;
}

} // namespace sysutil
