#pragma once

#include <QHashFunctions>
#include <QList>

#include <optional>

// Combines the hashes of a record's fields in declaration order. Optional fields
// hash their presence first, lists their length, so that (absent, x) and (x, absent)
// differ.
class HashCombiner final
{
public:
    explicit HashCombiner(size_t seed) : m_seed(seed) {}

    template <typename T>
    HashCombiner& operator()(const T& value)
    {
        m_seed ^= qHash(value, size_t{0}) + 0x9e3779b97f4a7c15ULL + (m_seed << 6) + (m_seed >> 2);
        return *this;
    }

    template <typename T>
    HashCombiner& operator()(const std::optional<T>& value)
    {
        (*this)(value.has_value());
        if (value)
            (*this)(*value);
        return *this;
    }

    template <typename T>
    HashCombiner& operator()(const QList<T>& values)
    {
        (*this)(values.size());
        for (const T& v : values)
            (*this)(v);
        return *this;
    }

    [[nodiscard]] size_t value() const { return m_seed; }

private:
    size_t m_seed;
};
