// Setting up a document's inputs in a test, through the document's own operation.
#pragma once

#include "core/document/xtalspdoc.h"

#include <utility>

namespace xtalsp::test {

// Hands a copy of the document's inputs to `edit` and has the document take the result. The
// spots are cleared, as after opening a file; compute them again where a test needs them.
template <typename Edit> void editInputs(CXtalspDoc& doc, Edit edit) {
    PatternInputs inputs = doc.inputs();
    edit(inputs);
    doc.restoreInputs(std::move(inputs));
}

} // namespace xtalsp::test
