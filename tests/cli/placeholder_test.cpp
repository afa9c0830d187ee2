#include "cli/clicommands.h"

#include <gtest/gtest.h>
#include <sstream>

TEST(Cli, WithoutACommandIsAUsageError) {
    std::ostringstream out, err;
    EXPECT_EQ(xtalsp::cli::runCli({}, out, err), xtalsp::cli::kExitUsageError);
}
