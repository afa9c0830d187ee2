// The terminal progress line of long computations.
#include "cli/progressline.h"

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>
#include <utility>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace xtalsp::cli {
namespace {

// Computations shorter than this finish before a progress line would help.
constexpr std::chrono::seconds kQuietTime{1};
constexpr const char* kLabel = "Computing spots: ";

bool isTerminal(std::FILE* stream) {
#if defined(_WIN32)
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

} // namespace

ProgressLine::ProgressLine(std::ostream& out, Clock clock)
    : m_out(out), m_clock(std::move(clock)), m_start(m_clock()) {}

ProgressLine::~ProgressLine() {
    if (m_shownPercent < 0)
        return;
    // Blanks as wide as the longest line ("100 %"), then back to the line's start.
    m_out << '\r' << std::string(std::char_traits<char>::length(kLabel) + 5, ' ') << '\r'
          << std::flush;
}

bool ProgressLine::update(double done) {
    if (m_clock() - m_start < kQuietTime)
        return true;
    // The negated test also maps NaN to 0.
    const double share = !(done > 0.0) ? 0.0 : std::min(done, 1.0);
    const int percent = static_cast<int>(std::floor(share * 100.0));
    if (percent == m_shownPercent)
        return true;
    m_shownPercent = percent;
    m_out << '\r' << kLabel << std::to_string(percent) << " %" << std::flush;
    return true;
}

SpotProgress terminalProgress(std::FILE* stream, ProgressLine& line) {
    if (!isTerminal(stream))
        return {};
    return [&line](double done) { return line.update(done); };
}

} // namespace xtalsp::cli
