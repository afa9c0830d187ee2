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
    EXPECT_FALSE(unstorablePattern(doc).has_value());

    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    test::editInputs(doc,
                     [&](PatternInputs& in) { in.intensityScale.strongestIntensity = kInfinity; });
    EXPECT_TRUE(unstorablePattern(doc).has_value());
    test::editInputs(doc, [&](PatternInputs& in) {
        in.intensityScale.strongestIntensity = 1.0;
        in.spectrum.intensity[7] = std::numeric_limits<double>::quiet_NaN();
    });
    const std::optional<Message> refusal = unstorablePattern(doc);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->icon, MessageIcon::Stop);
}

} // namespace
} // namespace xtalsp
