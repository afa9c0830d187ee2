// Little-endian archive reading and writing, independent of the host's byte order.
#include "core/io/binaryarchive.h"

#include "core/text/cp1252.h"

#include <bit>

namespace xtalsp {

bool ArchiveReader::take(std::size_t count, std::string_view& out) {
    if (!m_ok || count > remaining()) {
        m_ok = false;
        return false;
    }
    out = m_bytes.substr(m_position, count);
    m_position += count;
    return true;
}

namespace {
std::uint64_t littleEndian(std::string_view bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = bytes.size(); i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}
} // namespace

bool ArchiveReader::readUInt8(std::uint8_t& value) {
    std::string_view raw;
    if (!take(1, raw))
        return false;
    value = static_cast<std::uint8_t>(littleEndian(raw));
    return true;
}

bool ArchiveReader::readUInt16(std::uint16_t& value) {
    std::string_view raw;
    if (!take(2, raw))
        return false;
    value = static_cast<std::uint16_t>(littleEndian(raw));
    return true;
}

bool ArchiveReader::readUInt32(std::uint32_t& value) {
    std::string_view raw;
    if (!take(4, raw))
        return false;
    value = static_cast<std::uint32_t>(littleEndian(raw));
    return true;
}

bool ArchiveReader::readInt32(std::int32_t& value) {
    std::uint32_t raw = 0;
    if (!readUInt32(raw))
        return false;
    value = std::bit_cast<std::int32_t>(raw);
    return true;
}

bool ArchiveReader::readDouble(double& value) {
    std::string_view raw;
    if (!take(8, raw))
        return false;
    value = std::bit_cast<double>(littleEndian(raw));
    return true;
}

bool ArchiveReader::readStringLength(std::uint64_t& length, bool& wide) {
    wide = false;
    std::uint8_t shortLength = 0;
    if (!readUInt8(shortLength))
        return false;
    if (shortLength < 0xFF) {
        length = shortLength;
        return true;
    }
    std::uint16_t mediumLength = 0;
    if (!readUInt16(mediumLength))
        return false;
    if (mediumLength == 0xFFFE) {
        // 16-bit characters: the real length follows, again in the short or long forms.
        wide = true;
        if (!readUInt8(shortLength))
            return false;
        if (shortLength < 0xFF) {
            length = shortLength;
            return true;
        }
        if (!readUInt16(mediumLength))
            return false;
    }
    if (mediumLength < 0xFFFF) {
        length = mediumLength;
        return true;
    }
    std::uint32_t longLength = 0;
    if (!readUInt32(longLength))
        return false;
    length = longLength;
    return true;
}

bool ArchiveReader::readString(std::string& value) {
    std::uint64_t length = 0;
    bool wide = false;
    if (!readStringLength(length, wide))
        return false;
    const std::uint64_t byteCount = wide ? length * 2 : length;
    if (byteCount > remaining()) {
        m_ok = false;
        return false;
    }
    std::string_view raw;
    if (!take(static_cast<std::size_t>(byteCount), raw))
        return false;
    if (!wide) {
        value.assign(raw);
        return true;
    }
    std::u16string units(static_cast<std::size_t>(length), u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(littleEndian(raw.substr(2 * i, 2)));
    value = utf16ToCp1252(units);
    return true;
}

void ArchiveWriter::writeUInt8(std::uint8_t value) {
    m_bytes += static_cast<char>(value);
}

void ArchiveWriter::writeUInt16(std::uint16_t value) {
    writeUInt8(static_cast<std::uint8_t>(value & 0xFFu));
    writeUInt8(static_cast<std::uint8_t>(value >> 8));
}

void ArchiveWriter::writeUInt32(std::uint32_t value) {
    writeUInt16(static_cast<std::uint16_t>(value & 0xFFFFu));
    writeUInt16(static_cast<std::uint16_t>(value >> 16));
}

void ArchiveWriter::writeInt32(std::int32_t value) {
    writeUInt32(std::bit_cast<std::uint32_t>(value));
}

void ArchiveWriter::writeDouble(double value) {
    const auto raw = std::bit_cast<std::uint64_t>(value);
    writeUInt32(static_cast<std::uint32_t>(raw & 0xFFFFFFFFu));
    writeUInt32(static_cast<std::uint32_t>(raw >> 32));
}

void ArchiveWriter::writeString(std::string_view value) {
    const std::size_t length = value.size();
    if (length < 0xFF) {
        writeUInt8(static_cast<std::uint8_t>(length));
    } else if (length < 0xFFFE) {
        writeUInt8(0xFF);
        writeUInt16(static_cast<std::uint16_t>(length));
    } else {
        writeUInt8(0xFF);
        writeUInt16(0xFFFF);
        writeUInt32(static_cast<std::uint32_t>(length));
    }
    m_bytes.append(value);
}

} // namespace xtalsp
