// Little-endian binary archives: 32-bit integers, IEEE doubles and length-prefixed strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace xtalsp {

// Reads values from a block of bytes. Every read checks the bytes that remain before it
// touches or allocates anything; a read that fails leaves its output unchanged and makes the
// reader fail for good, so a sequence of reads can be checked once at its end with ok().
class ArchiveReader {
public:
    explicit ArchiveReader(std::string_view bytes) : m_bytes(bytes) {}

    bool readUInt8(std::uint8_t& value);
    bool readUInt16(std::uint16_t& value);
    bool readUInt32(std::uint32_t& value);
    bool readInt32(std::int32_t& value);
    bool readDouble(double& value);
    // An archived string: a length in one of the prefix forms below, then that many characters
    // without terminator.
    //   length < 255:        1 byte
    //   length < 0xFFFE:     0xFF, then 16 bits
    //   otherwise:           0xFF, 0xFFFF, then 32 bits
    // A 16-bit 0xFFFE announces 16-bit characters whose length follows in the same forms; they
    // are converted to single-byte (Windows-1252) text.
    bool readString(std::string& value);

    bool ok() const { return m_ok; }
    std::size_t position() const { return m_position; }
    std::size_t remaining() const { return m_bytes.size() - m_position; }

private:
    bool take(std::size_t count, std::string_view& out);
    bool readStringLength(std::uint64_t& length, bool& wide);

    std::string_view m_bytes;
    std::size_t m_position = 0;
    bool m_ok = true;
};

// Appends values to a byte string in the layout ArchiveReader reads.
class ArchiveWriter {
public:
    void writeUInt8(std::uint8_t value);
    void writeUInt16(std::uint16_t value);
    void writeUInt32(std::uint32_t value);
    void writeInt32(std::int32_t value);
    void writeDouble(double value);
    // Single-byte characters with the shortest length prefix.
    void writeString(std::string_view value);

    const std::string& bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

} // namespace xtalsp
