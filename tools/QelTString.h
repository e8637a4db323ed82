#pragma once
// The library's string. Built on std::string; the few behaviours that differ from the
// standard namesakes are spelled out below (find_last_of counts its position from the end).
#include <cstdarg>
#include <cstddef>
#include <string>

class CQelTString {
public:
    typedef size_t size_type;
    static constexpr size_type npos = static_cast<size_type>(-1);  // inline: usable by reference

    CQelTString() = default;
    // n == npos takes the whole NUL-terminated text (null gives the empty string).
    CQelTString(const char* s, size_type n = npos);
    CQelTString(const CQelTString& s, size_type pos, size_type n = npos);
    CQelTString(size_type count, char c) : m_str(count, c) {}
    explicit CQelTString(const std::string& s) : m_str(s) {}
    CQelTString(const CQelTString&) = default;
    CQelTString& operator=(const CQelTString&) = default;
    CQelTString& operator=(const char* s) { m_str = s ? s : ""; return *this; }
    virtual ~CQelTString() = default;

    const char* c_str() const { return m_str.c_str(); }
    const char* data() const { return m_str.data(); }
    const std::string& str() const { return m_str; }
    size_type length() const { return m_str.length(); }
    size_type size() const { return m_str.size(); }
    bool empty() const { return m_str.empty(); }
    void clear() { m_str.clear(); }
    char& operator[](size_type i) { return m_str[i]; }
    const char& operator[](size_type i) const { return m_str[i]; }

    CQelTString& append(const CQelTString& s) { m_str += s.m_str; return *this; }
    CQelTString& append(const char* s) { if (s) m_str += s; return *this; }
    CQelTString& append(char c) { m_str += c; return *this; }
    CQelTString& operator+=(const CQelTString& s) { return append(s); }
    CQelTString& operator+=(const char* s) { return append(s); }
    CQelTString& operator+=(char c) { return append(c); }

    CQelTString substr(size_type pos = 0, size_type n = npos) const { return CQelTString(*this, pos, n); }
    int compare(const CQelTString& s) const { return m_str.compare(s.m_str); }
    int compare(const char* s) const { return m_str.compare(s ? s : ""); }
    size_type find(char c, size_type pos = 0) const { return m_str.find(c, pos); }
    size_type find(const char* s, size_type pos = 0) const { return m_str.find(s, pos); }

    // Backwards search starting at index length-1-pos: pos counts from the end.
    size_type find_last_of(char c, size_type pos = 0) const;
    size_type find_last_of(const char* set, size_type pos = 0) const;
    size_type find_first_of(char c, size_type pos = 0) const;
    size_type find_first_of(const char* set, size_type pos = 0) const;

    CQelTString left(size_type n) const;
    CQelTString right(size_type n) const;
    CQelTString& toLower();
    CQelTString& toUpper();

    size_type find_number_of(char c, size_type pos = 0) const;
    size_type find_number_of(const char* s, size_type pos = 0) const;
    // The length (not npos) when there is none.
    size_type find_next_occurance_of(char c, size_type pos = 0) const;
    // -1 when there is none.
    int find_previous_occurance_of(char c, size_type pos) const;
    CQelTString& substitute(char a, char b, bool all = true);

    CQelTString& format(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    CQelTString& formatPositional(const char* fmt, ...);
    CQelTString& vformat(const char* fmt, va_list args);

    friend bool operator==(const CQelTString& a, const CQelTString& b) { return a.m_str == b.m_str; }
    friend bool operator!=(const CQelTString& a, const CQelTString& b) { return a.m_str != b.m_str; }
    friend bool operator==(const CQelTString& a, const char* b) { return a.compare(b) == 0; }
    friend bool operator!=(const CQelTString& a, const char* b) { return a.compare(b) != 0; }
    friend bool operator<(const CQelTString& a, const CQelTString& b) { return a.m_str < b.m_str; }

private:
    std::string m_str;
};

CQelTString operator+(const CQelTString& a, const CQelTString& b);
CQelTString operator+(const CQelTString& a, const char* b);
CQelTString operator+(const char* a, const CQelTString& b);
CQelTString operator+(const CQelTString& a, char b);
CQelTString operator+(char a, const CQelTString& b);

// Path and formatting helpers.
CQelTString QelTStringGetFileExtension(const CQelTString& path);            // ".ext", '.' included
CQelTString QelTStringGetContainingDirectoryPath(const CQelTString& path);  // before last '/' (else '\')
CQelTString QelTStringGetFileName(const CQelTString& path);                 // after last '/' (else '\')
CQelTString QelTStringStripWhiteSpaceFromStartOf(const CQelTString& s);
CQelTString QelTStringStripWhiteSpaceFromEndOf(const CQelTString& s);
CQelTString QelTStringFromFormattedStr(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
CQelTString QelTStringFromFormattedStrPositional(const char* fmt, ...);
