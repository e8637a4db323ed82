#pragma once
// Growable array with the library's fixed growth rule: capacity 16 at creation,
// then the larger of the request and twice the old capacity.
#include <cstdint>
#include <memory>

template <typename T>
class CQelTArray {
public:
    CQelTArray() : m_size(0), m_capacity(16), m_data(new T[16]) {}
    CQelTArray(const CQelTArray& other) : m_size(0), m_capacity(0) { Copy(other); }
    virtual ~CQelTArray() = default;

    CQelTArray& operator=(const CQelTArray& other) {
        Copy(other);
        return *this;
    }

    // Returns the new element's index.
    uint32_t Append(const T& value) {
        SetCapacity(m_size + 1);
        m_data[m_size] = value;
        return m_size++;
    }

    uint32_t SetCapacity(uint32_t n) {
        if (m_capacity >= n) return 0;
        uint32_t newCapacity = n > 2 * m_capacity ? n : 2 * m_capacity;
        std::unique_ptr<T[]> storage(new T[newCapacity]);
        for (uint32_t i = 0; i < m_size; ++i) storage[i] = m_data[i];
        m_data = std::move(storage);
        m_capacity = newCapacity;
        return 0;
    }

    // Shifts the later elements down; 1 when empty. An index past the end is refused the
    // same way rather than silently dropping the last element.
    virtual uint32_t Remove(uint32_t index) {
        if (m_size == 0 || index >= m_size) return 1;
        if (index + 1 == m_size) return RemoveLast();
        for (uint32_t i = index; i + 1 < m_size; ++i) m_data[i] = m_data[i + 1];
        --m_size;
        return 0;
    }

    // The element stays in storage until overwritten; 1 when empty.
    virtual uint32_t RemoveLast() {
        if (m_size == 0) return 1;
        --m_size;
        return 0;
    }

    void Clear() { m_size = 0; }

    void Copy(const CQelTArray& other) {
        if (&other == this) return;
        std::unique_ptr<T[]> storage(new T[other.m_capacity]);
        for (uint32_t i = 0; i < other.m_size; ++i) storage[i] = other.m_data[i];
        m_data = std::move(storage);
        m_capacity = other.m_capacity;
        m_size = other.m_size;
    }

    T& operator[](uint32_t i) { return m_data[i]; }
    const T& operator[](uint32_t i) const { return m_data[i]; }
    uint32_t GetSize() const { return m_size; }
    uint32_t GetCapacity() const { return m_capacity; }

private:
    uint32_t m_size;
    uint32_t m_capacity;
    std::unique_ptr<T[]> m_data;
};
