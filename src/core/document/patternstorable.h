// The check that a pattern can be saved: a file with a NaN or infinity in it would be refused
// by the pattern reader, and the work in it would be lost.
#pragma once

#include "core/document/xtalspdoc.h"
#include "core/platform/result.h"
#include "core/platform/userprompt.h"

#include <optional>

namespace xtalsp {

// The refusal to show when a number that the pattern file stores is not finite; nothing when
// the pattern can be saved.
Status unstorablePattern(const CXtalspDoc& doc);

} // namespace xtalsp
