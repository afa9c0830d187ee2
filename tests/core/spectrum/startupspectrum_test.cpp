#include "core/spectrum/startupspectrum.h"

#include "core/io/binaryarchive.h"
#include "core/spectrum/builtinspectrum.h"
#include "core/spectrum/spectrumfile.h"
#include "support/recordingprompt.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>
#include <limits>

namespace xtalsp {
namespace {

class StartupSpectrum : public ::testing::Test {
protected:
    std::string defaultPath() const { return dir.file("Default.Spectrum"); }

    Message established() const {
        return Message{"A new default spectrum file " + defaultPath() +
                           " has been established. Use menu \"Setting | Spectrum\" to modify it "
                           "if necessary.",
                       "", MessageIcon::Information};
    }
    Message unknownFormat() const {
        return Message{"Unknown format of " + defaultPath() + ".", "", MessageIcon::Stop};
    }

    void expectBuiltinFileWritten() const {
        const Result<Spectrum> written = readSpectrumFile(defaultPath());
        ASSERT_TRUE(written.ok());
        EXPECT_EQ(written.value(), builtinSpectrum());
        EXPECT_EQ(dir.read("Default.Spectrum").size(), kSpectrumFileSize);
    }

    test::TempDir dir;
    test::RecordingPrompt prompt;
    Spectrum target;
};

TEST_F(StartupSpectrum, LoadsAValidFileSilentlyAndAsStored) {
    ArchiveWriter writer;
    writer.writeString(kSpectrumSignature);
    for (std::size_t i = 0; i < kSpectrumSize + 3; ++i) // extra doubles are not read
        writer.writeDouble(i == 100 ? 2.5 : 0.0);
    dir.write("Default.Spectrum", writer.bytes());

    loadStartupSpectrum(target, dir.path(), prompt);
    EXPECT_TRUE(prompt.messages.empty());
    Spectrum expected;
    expected.intensity[100] = 2.5; // not normalised
    EXPECT_EQ(target, expected);
    EXPECT_EQ(dir.read("Default.Spectrum"), writer.bytes());
}

TEST_F(StartupSpectrum, EstablishesAMissingFile) {
    loadStartupSpectrum(target, dir.path(), prompt);
    EXPECT_EQ(prompt.messages, std::vector<Message>{established()});
    EXPECT_EQ(target, builtinSpectrum());
    expectBuiltinFileWritten();
}

TEST_F(StartupSpectrum, ReplacesAnUnreadableFile) {
    const std::string good = encodeSpectrumFile(builtinSpectrum());
    ArchiveWriter nan;
    nan.writeDouble(std::numeric_limits<double>::quiet_NaN());
    std::string poisoned = good;
    poisoned.replace(21 + 8 * 40, 8, nan.bytes());
    const std::string unreadable[] = {
        "\x14xtalspotter.spectrum" + good.substr(21), // signature in other letter case
        good.substr(0, good.size() - 1),              // one byte short of the last double
        poisoned,
    };
    for (const std::string& bytes : unreadable) {
        dir.write("Default.Spectrum", bytes);
        prompt.messages.clear();
        target = Spectrum{};
        loadStartupSpectrum(target, dir.path(), prompt);
        EXPECT_EQ(prompt.messages, (std::vector<Message>{unknownFormat(), established()}));
        EXPECT_EQ(target, builtinSpectrum());
        expectBuiltinFileWritten();
    }
}

TEST_F(StartupSpectrum, FallsBackToTheBuiltinSpectrumWhenTheFileCannotBeCreated) {
    const std::string directory = dir.file("no/such/dir");
    const std::string path = directory + "/Default.Spectrum";
    loadStartupSpectrum(target, directory, prompt);
    const std::vector<Message> expected{
        {"Establishing " + path + " failed!   ", "", MessageIcon::Stop},
        {"An internal spectrum is used.\nUse menu \"Setting | Spectrum\" to modify it if "
         "necessary.",
         ""},
    };
    EXPECT_EQ(prompt.messages, expected);
    EXPECT_EQ(target, builtinSpectrum());
    EXPECT_FALSE(establishDefaultSpectrum(target, path, prompt));
}

} // namespace
} // namespace xtalsp
