// The progress line a long computation shows on a terminal's error stream.
#pragma once

#include "core/computation/spotcomputation.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <iosfwd>

namespace xtalsp::cli {

// Writes "Computing spots: N %" to the stream once the computation has run for a second, and
// then whenever the whole percentage changes, each time over the line before (carriage return).
// Quick computations show nothing. The destructor clears a line it has written, so that what
// follows starts on a clean line.
class ProgressLine {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    explicit ProgressLine(std::ostream& out, Clock clock = std::chrono::steady_clock::now);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Takes the share done (0 to 1); always lets the computation go on.
    bool update(double done);

private:
    std::ostream& m_out;
    Clock m_clock;
    std::chrono::steady_clock::time_point m_start;
    int m_shownPercent = -1;
};

// A progress callback drawing on `line` when `stream` is a terminal, none otherwise: a log or a
// pipe gets no carriage returns mixed into it.
SpotProgress terminalProgress(std::FILE* stream, ProgressLine& line);

} // namespace xtalsp::cli
