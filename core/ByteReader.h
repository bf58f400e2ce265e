#pragma once

#include "Errors.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace glintfall {

// Reads little-endian values from untrusted bytes. Every read checks the remaining length first
// and throws TReadError when the data ends early; it never makes up zeros past the end.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::size_t Position() const { return m_position; }
    std::size_t Remaining() const { return m_bytes.size() - m_position; }
    std::size_t Size() const { return m_bytes.size(); }

    void Seek(std::uint64_t position)
    {
        if (position > m_bytes.size())
            throw TReadError();
        m_position = static_cast<std::size_t>(position);
    }

    void Skip(std::uint64_t count) { Seek(m_position + Checked(count)); }

    std::span<const std::uint8_t> Bytes(std::uint64_t count)
    {
        const auto start = m_position;
        Skip(count);
        return m_bytes.subspan(start, static_cast<std::size_t>(count));
    }

    std::uint8_t U8() { return Bytes(1)[0]; }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Little(Bytes(2))); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Little(Bytes(4))); }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }

    // Assembles up to eight bytes, lowest first.
    static std::uint64_t Little(std::span<const std::uint8_t> bytes)
    {
        std::uint64_t value = 0;
        for (std::size_t i = bytes.size(); i-- > 0;)
            value = value << 8 | bytes[i];
        return value;
    }

private:
    std::uint64_t Checked(std::uint64_t count) const
    {
        if (count > Remaining())
            throw TReadError();
        return count;
    }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_position = 0;
};

} // namespace glintfall
