// libFuzzer target for the readers of untrusted bytes: pattern files, merging files, spectrum
// files, archived and text structure files, CIF structures, tube spectrum names and the image
// settings beside a pattern, and measured-spot CSV. Each must return a value or a failure, never
// crash, overrun or allocate what the bytes cannot hold.
#include "core/document/mergingfile.h"
#include "core/document/patterncodec.h"
#include "core/image/patternimagefile.h"
#include "core/orientation/measuredspots.h"
#include "core/spectrum/spectrumfile.h"
#include "core/spectrum/tubespectrum.h"
#include "core/structure/cifstructure.h"
#include "core/structure/structurefile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)xtalsp::decodePattern(bytes);
    (void)xtalsp::decodeMergingFile(bytes, "fuzz.mrg");
    (void)xtalsp::decodeSpectrumFile(bytes);
    (void)xtalsp::readArchivedStructure(bytes, true);
    (void)xtalsp::readArchivedStructure(bytes, false);
    (void)xtalsp::readStructureText(bytes, "fuzz.struct");
    (void)xtalsp::listCifStructureBlocks(bytes, "fuzz.cif");
    (void)xtalsp::readCifStructure(bytes, "fuzz.cif");
    (void)xtalsp::parseTubeSpectrumName(bytes);
    (void)xtalsp::parsePatternImageSettings(std::string(bytes), "fuzz.ptn.image", "fuzz.ptn");
    (void)xtalsp::readMeasuredSpotsCsv(bytes);
    return 0;
}
