// The silicon crystal of the sample structure file, for tests that need a real structure.
#pragma once

#include "core/structure/crystalstructure.h"
#include "core/structure/samplestructure.h"
#include "core/structure/structurefile.h"

#include <stdexcept>

namespace xtalsp::test {

inline FlatStructure siliconFlat() {
    const Result<FlatStructure> read = readStructureText(kSampleStructureText, "Sample.struct");
    if (!read.ok())
        throw std::runtime_error("the sample structure does not read");
    return read.value();
}

inline CrystalStructure silicon() {
    return fromFlatStructure(siliconFlat());
}

} // namespace xtalsp::test
