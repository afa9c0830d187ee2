#include "core/io/filebytes.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace xtalsp {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(FileWriting, ARegularFileIsReplacedWithItsPermissionsAndALinkStaysALink) {
    TempDir dir;
    const std::string script = dir.write("run.sh", "old");
    fs::permissions(script, fs::perms::owner_all | fs::perms::group_read);
    ASSERT_TRUE(writeFileAtomically(script, "new").ok());
    EXPECT_EQ(dir.read("run.sh"), "new");
    EXPECT_EQ(fs::status(script).permissions() & fs::perms::mask,
              fs::perms::owner_all | fs::perms::group_read);

    // Two links in a chain, the second relative: the final target gets the bytes.
    fs::create_directory(dir.file("data"));
    const std::string target = dir.write("data/real.ptn", "old");
    fs::create_symlink("real.ptn", dir.file("data/inner.ptn"));
    fs::create_symlink(dir.file("data/inner.ptn"), dir.file("outer.ptn"));
    ASSERT_TRUE(writeFileAtomically(dir.file("outer.ptn"), "through").ok());
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir.file("outer.ptn"))));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir.file("data/inner.ptn"))));
    EXPECT_EQ(dir.read("data/real.ptn"), "through");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("data")), fs::directory_iterator()),
              2); // no temporary file left behind

    fs::create_symlink(dir.file("loop"), dir.file("loop"));
    EXPECT_TRUE(
        writeFileAtomically(dir.file("loop"), "x").failedWith(FileWriteError::CannotCreate));
}

TEST(FileWriting, FailuresAreReportedAndLeaveTheOldFile) {
    TempDir dir;
    EXPECT_TRUE(writeFileAtomically(dir.path(), "x").failedWith(FileWriteError::CannotCreate));
    EXPECT_TRUE(writeFileAtomically(dir.file("missing/a.txt"), "x")
                    .failedWith(FileWriteError::CannotCreate));
    EXPECT_TRUE(writeFileAtomically("", "x").failedWith(FileWriteError::CannotCreate));
    if (fs::exists("/dev/full")) {
        // A device is written into, so its refusal is the write's failure.
        EXPECT_TRUE(writeFileAtomically("/dev/full", "x").failedWith(FileWriteError::WriteFailed));
        EXPECT_TRUE(fs::is_character_file("/dev/full"));
    }
}

TEST(FileWriting, AFifoIsWrittenIntoAndNotReplaced) {
    TempDir dir;
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] {
        std::ifstream in(fifo, std::ios::binary);
        received.assign(std::istreambuf_iterator<char>(in), {});
    });
    const FileWritten written = writeFileAtomically(fifo, "through the pipe");
    reader.join();
    EXPECT_TRUE(written.ok());
    EXPECT_EQ(received, "through the pipe");
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST(FileReading, OnlyRegularFilesAreRead) {
    TempDir dir;
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A FIFO without a writer would block the reader for good; it must be refused at once.
    EXPECT_TRUE(readFileBytes(fifo).failedWith(FileReadError::CannotOpen));
    EXPECT_FALSE(canOpenForReading(fifo));
    EXPECT_TRUE(readFileBytes(dir.path()).failedWith(FileReadError::CannotOpen));
    if (fs::exists("/dev/zero")) {
        EXPECT_TRUE(readFileBytes("/dev/zero").failedWith(FileReadError::CannotOpen));
    }

    const std::string file = dir.write("a.txt", "bytes");
    fs::create_symlink(file, dir.file("link.txt"));
    EXPECT_EQ(readFileBytes(dir.file("link.txt")).value(), "bytes");
    EXPECT_TRUE(canOpenForReading(dir.file("link.txt")));
}

} // namespace
} // namespace xtalsp
