#include "core/io/binaryarchive.h"

#include <gtest/gtest.h>

namespace xtalsp {
namespace {

using namespace std::string_literals;

TEST(Archive, WritesLittleEndianValues) {
    ArchiveWriter writer;
    writer.writeInt32(-2);
    writer.writeDouble(1.0);
    EXPECT_EQ(writer.bytes(), "\xFE\xFF\xFF\xFF"s + "\x00\x00\x00\x00\x00\x00\xF0\x3F"s);

    ArchiveReader reader(writer.bytes());
    std::int32_t integer = 0;
    double real = 0;
    EXPECT_TRUE(reader.readInt32(integer));
    EXPECT_TRUE(reader.readDouble(real));
    EXPECT_EQ(integer, -2);
    EXPECT_EQ(real, 1.0);
    EXPECT_EQ(reader.remaining(), 0u);
}

TEST(Archive, StringsUseTheShortestLengthPrefixAndReadBack) {
    for (const std::size_t length : {0u, 20u, 254u, 255u, 65533u, 65534u, 70000u}) {
        const std::string text(length, 'x');
        ArchiveWriter writer;
        writer.writeString(text);
        const std::size_t prefix = length < 255 ? 1 : length < 0xFFFE ? 3 : 7;
        ASSERT_EQ(writer.bytes().size(), prefix + length) << length;
        ArchiveReader reader(writer.bytes());
        std::string back;
        ASSERT_TRUE(reader.readString(back)) << length;
        EXPECT_EQ(back, text);
    }
}

TEST(Archive, ReadsEveryLengthFormOfOtherWriters) {
    // A short string written with the 16-bit and the 32-bit length forms.
    const std::string medium = "\xFF\x03\x00"
                               "abc"s;
    const std::string longForm = "\xFF\xFF\xFF\x03\x00\x00\x00"
                                 "abc"s;
    for (const std::string& bytes : {medium, longForm}) {
        ArchiveReader reader(bytes);
        std::string text;
        ASSERT_TRUE(reader.readString(text));
        EXPECT_EQ(text, "abc");
    }
}

TEST(Archive, WideStringsBecomeSingleByteText) {
    // 0xFF 0xFFFE announces 16-bit characters; "\u00C5b" then the Euro sign.
    const std::string bytes = "\xFF\xFE\xFF\x03\xC5\x00\x62\x00\xAC\x20"s;
    ArchiveReader reader(bytes);
    std::string text;
    ASSERT_TRUE(reader.readString(text));
    EXPECT_EQ(text, "\xC5"
                    "b\x80");
}

TEST(Archive, LengthsBeyondTheDataFailWithoutAllocating) {
    const std::string cases[] = {
        "\x05"
        "abc"s,                                          // short form
        "\xFF\x10\x27"s,                                 // 10000 announced, none there
        "\xFF\xFF\xFF\xFF\xFF\xFF\xFF"s,                 // 4 GiB announced
        "\xFF\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF"s, // 4 Gi wide characters
        "\xFF\x01"s,                                     // prefix itself cut short
    };
    for (const std::string& bytes : cases) {
        ArchiveReader reader(bytes);
        std::string text = "unchanged";
        EXPECT_FALSE(reader.readString(text));
        EXPECT_EQ(text, "unchanged");
        EXPECT_FALSE(reader.ok());
    }
}

TEST(Archive, AFailedReadFailsEveryLaterRead) {
    ArchiveReader reader("\x01\x02\x03"s);
    std::int32_t value = 7;
    EXPECT_FALSE(reader.readInt32(value));
    EXPECT_EQ(value, 7);
    std::uint8_t byte = 0;
    EXPECT_FALSE(reader.readUInt8(byte));
    EXPECT_FALSE(reader.ok());
}

} // namespace
} // namespace xtalsp
