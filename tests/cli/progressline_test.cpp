#include "cli/progressline.h"

#include <gtest/gtest.h>
#include <sstream>

namespace xtalsp::cli {
namespace {

TEST(ProgressLine, StaysQuietForASecondThenRewritesOneLine) {
    using namespace std::chrono_literals;
    std::chrono::steady_clock::time_point now{};
    std::ostringstream out;
    {
        ProgressLine line(out, [&now] { return now; });
        now += 900ms;
        EXPECT_TRUE(line.update(0.2));
        EXPECT_EQ(out.str(), "");
        now += 200ms;
        EXPECT_TRUE(line.update(0.421));
        EXPECT_TRUE(line.update(0.425)); // still 42 %: nothing new to show
        EXPECT_TRUE(line.update(2.0));
        EXPECT_EQ(out.str(), "\rComputing spots: 42 %\rComputing spots: 100 %");
        out.str("");
    }
    EXPECT_EQ(out.str(), "\r" + std::string(22, ' ') + "\r");
}

TEST(ProgressLine, AQuickComputationLeavesNoTrace) {
    std::ostringstream out;
    {
        ProgressLine line(out);
        line.update(0.5);
    }
    EXPECT_EQ(out.str(), "");
}

} // namespace
} // namespace xtalsp::cli
