#include "QelTString.h"

#include <cstdio>
#include <cstring>
#include <vector>

CQelTString::CQelTString(const char* s, size_type n) {
    if (!s) return;
    if (n == npos) m_str.assign(s);
    else m_str.assign(s, n);
}

CQelTString::CQelTString(const CQelTString& s, size_type pos, size_type n) {
    if (pos < s.m_str.size()) m_str = s.m_str.substr(pos, n);
}

CQelTString::size_type CQelTString::find_last_of(char c, size_type pos) const {
    const char set[2] = {c, 0};
    return find_last_of(set, pos);
}

CQelTString::size_type CQelTString::find_last_of(const char* set, size_type pos) const {
    if (!set || pos >= m_str.size()) return npos;
    for (size_type i = m_str.size() - 1 - pos + 1; i-- > 0;)
        if (std::strchr(set, m_str[i]) && m_str[i] != 0) return i;
    return npos;
}

CQelTString::size_type CQelTString::find_first_of(char c, size_type pos) const {
    return m_str.find(c, pos);
}

CQelTString::size_type CQelTString::find_first_of(const char* set, size_type pos) const {
    return set ? m_str.find_first_of(set, pos) : npos;
}

CQelTString CQelTString::left(size_type n) const { return CQelTString(*this, 0, n); }

CQelTString CQelTString::right(size_type n) const {
    if (n >= m_str.size()) return *this;
    return CQelTString(*this, m_str.size() - n, n);
}

CQelTString& CQelTString::toLower() {
    for (char& c : m_str)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return *this;
}

CQelTString& CQelTString::toUpper() {
    for (char& c : m_str)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return *this;
}

CQelTString::size_type CQelTString::find_number_of(char c, size_type pos) const {
    size_type n = 0;
    for (size_type i = pos; i < m_str.size(); ++i) n += m_str[i] == c;
    return n;
}

CQelTString::size_type CQelTString::find_number_of(const char* s, size_type pos) const {
    if (!s || !*s) return 0;
    size_type n = 0, len = std::strlen(s);
    for (size_type i = pos; i < m_str.size(); ++i) n += m_str.compare(i, len, s) == 0;
    return n;
}

CQelTString::size_type CQelTString::find_next_occurance_of(char c, size_type pos) const {
    size_type i = m_str.find(c, pos);
    return i == std::string::npos ? m_str.size() : i;
}

int CQelTString::find_previous_occurance_of(char c, size_type pos) const {
    if (m_str.empty()) return -1;
    if (pos >= m_str.size()) pos = m_str.size() - 1;
    for (size_type i = pos + 1; i-- > 0;)
        if (m_str[i] == c) return int(i);
    return -1;
}

CQelTString& CQelTString::substitute(char a, char b, bool all) {
    for (char& c : m_str) {
        if (c == a) {
            c = b;
            if (!all) break;
        }
    }
    return *this;
}

CQelTString& CQelTString::vformat(const char* fmt, va_list args) {
    va_list measure;
    va_copy(measure, args);
    int n = std::vsnprintf(nullptr, 0, fmt, measure);
    va_end(measure);
    if (n <= 0) {
        m_str.clear();
        return *this;
    }
    std::vector<char> buffer(size_t(n) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), fmt, args);
    m_str.assign(buffer.data(), size_t(n));
    return *this;
}

CQelTString& CQelTString::format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    vformat(fmt, args);
    va_end(args);
    return *this;
}

// The C library's printf family accepts positional arguments (%1$s) directly.
CQelTString& CQelTString::formatPositional(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    vformat(fmt, args);
    va_end(args);
    return *this;
}

CQelTString operator+(const CQelTString& a, const CQelTString& b) { return CQelTString(a).append(b); }
CQelTString operator+(const CQelTString& a, const char* b) { return CQelTString(a).append(b); }
CQelTString operator+(const char* a, const CQelTString& b) { return CQelTString(a).append(b); }
CQelTString operator+(const CQelTString& a, char b) { return CQelTString(a).append(b); }
CQelTString operator+(char a, const CQelTString& b) { return CQelTString(1, a).append(b); }

CQelTString QelTStringGetFileExtension(const CQelTString& path) {
    CQelTString::size_type dot = path.find_last_of('.');
    return dot == CQelTString::npos ? CQelTString() : CQelTString(path, dot);
}

namespace {
CQelTString::size_type lastSeparator(const CQelTString& path) {
    CQelTString::size_type i = path.find_last_of('/');
    return i != CQelTString::npos ? i : path.find_last_of('\\');
}
bool isWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
}  // namespace

CQelTString QelTStringGetContainingDirectoryPath(const CQelTString& path) {
    CQelTString::size_type i = lastSeparator(path);
    return i == CQelTString::npos ? CQelTString() : path.left(i);
}

CQelTString QelTStringGetFileName(const CQelTString& path) {
    CQelTString::size_type i = lastSeparator(path);
    return i == CQelTString::npos ? path : CQelTString(path, i + 1);
}

// A string made only of white space comes back unchanged.
CQelTString QelTStringStripWhiteSpaceFromStartOf(const CQelTString& s) {
    CQelTString::size_type i = 0;
    while (i < s.length() && isWhiteSpace(s[i])) ++i;
    return i == s.length() ? s : CQelTString(s, i);
}

CQelTString QelTStringStripWhiteSpaceFromEndOf(const CQelTString& s) {
    CQelTString::size_type n = s.length();
    while (n > 0 && isWhiteSpace(s[n - 1])) --n;
    return n == 0 ? s : s.left(n);
}

CQelTString QelTStringFromFormattedStr(const char* fmt, ...) {
    CQelTString s;
    va_list args;
    va_start(args, fmt);
    s.vformat(fmt, args);
    va_end(args);
    return s;
}

CQelTString QelTStringFromFormattedStrPositional(const char* fmt, ...) {
    CQelTString s;
    va_list args;
    va_start(args, fmt);
    s.vformat(fmt, args);
    va_end(args);
    return s;
}
