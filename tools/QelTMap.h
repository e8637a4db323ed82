#pragma once
// Small associative map searched linearly: it holds a handful of metadata entries,
// so insertion order is kept and removal moves the last entry into the freed slot.
#include "QelTArray.h"

template <typename K, typename V>
class CQelTMap {
public:
    // Inserts a default value when the key is absent.
    V& operator[](const K& key) {
        uint32_t i = Find(key);
        if (i != kNotFound) return m_values[i];
        m_keys.Append(key);
        m_values.Append(V());
        ++m_count;
        return m_values[m_count - 1];
    }

    uint32_t Remove(const K& key) {
        uint32_t i = Find(key);
        if (i == kNotFound) return 1;
        m_keys[i] = m_keys[m_count - 1];
        m_values[i] = m_values[m_count - 1];
        m_keys.RemoveLast();
        m_values.RemoveLast();
        --m_count;
        return 0;
    }

    void Clear() {
        m_keys.Clear();
        m_values.Clear();
        m_count = 0;
    }

    // Lookups that never insert: index of the key, or kNotFound.
    static constexpr uint32_t kNotFound = 0xFFFFFFFFu;
    uint32_t Find(const K& key) const {
        for (uint32_t i = 0; i < m_count; ++i)
            if (m_keys[i] == key) return i;
        return kNotFound;
    }
    const V* Lookup(const K& key) const {
        uint32_t i = Find(key);
        return i == kNotFound ? nullptr : &m_values[i];
    }
    V* Lookup(const K& key) {
        uint32_t i = Find(key);
        return i == kNotFound ? nullptr : &m_values[i];
    }

    uint32_t GetSize() const { return m_count; }
    const K& GetKey(uint32_t i) const { return m_keys[i]; }
    const V& GetValue(uint32_t i) const { return m_values[i]; }
    V& GetValue(uint32_t i) { return m_values[i]; }

private:
    CQelTArray<K> m_keys;
    CQelTArray<V> m_values;
    uint32_t m_count = 0;
};
