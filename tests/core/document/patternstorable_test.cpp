#include "core/document/patternstorable.h"

#include "support/editinputs.h"
#include "support/recordingprompt.h"

#include <gtest/gtest.h>

#include <limits>

namespace xtalsp {
namespace {

// The pattern reader refuses a file with NaN or infinity in it, so saving one would lose the
// pattern.
TEST(PatternSaving, ANumberThatIsNotFiniteIsRefused) {
    test::RecordingPrompt prompt;
    CXtalspDoc doc(DocumentServices{&prompt, nullptr, std::nullopt});
    EXPECT_TRUE(unstorablePattern(doc).ok());

    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    test::editInputs(doc,
                     [&](PatternInputs& in) { in.intensityScale.strongestIntensity = kInfinity; });
    EXPECT_FALSE(unstorablePattern(doc).ok());
    test::editInputs(doc, [&](PatternInputs& in) {
        in.intensityScale.strongestIntensity = 1.0;
        in.spectrum.intensity[7] = std::numeric_limits<double>::quiet_NaN();
    });
    const Status refusal = unstorablePattern(doc);
    ASSERT_FALSE(refusal.ok());
    EXPECT_EQ(refusal.failure().icon, MessageIcon::Stop);
}

} // namespace
} // namespace xtalsp
