// xraylib behind a small interface: errors become 0 and the error object is always freed.
#include "core/spectrum/xraydata.h"

#include <xraylib.h>

namespace xtalsp {
namespace {

// Calls an xraylib function with an error slot; a failed call gives 0.
template <typename Function, typename... Arguments>
double callXraylib(Function function, Arguments... arguments) {
    xrl_error* error = nullptr;
    const double value = function(arguments..., &error);
    if (error != nullptr) {
        xrl_error_free(error);
        return 0.0;
    }
    return value;
}

int shellCode(XrayShell shell) {
    return shell == XrayShell::K ? K_SHELL : L3_SHELL;
}

} // namespace

double absorptionEdgeKeV(int atomicNumber, XrayShell shell) {
    return callXraylib(EdgeEnergy, atomicNumber, shellCode(shell));
}

double fluorescenceYield(int atomicNumber, XrayShell shell) {
    return callXraylib(FluorYield, atomicNumber, shellCode(shell));
}

std::vector<EmissionLine> emissionLines(int atomicNumber, XrayShell shell) {
    // K: Ka2, Ka1, Kb3, Kb1, Kb2 (N2, N3). L3: Ll, La2, La1, Lb6, Lb15, Lb2.
    static const std::vector<int> kLines{KL2_LINE, KL3_LINE, KM2_LINE,
                                         KM3_LINE, KN2_LINE, KN3_LINE};
    static const std::vector<int> l3Lines{L3M1_LINE, L3M4_LINE, L3M5_LINE,
                                          L3N1_LINE, L3N4_LINE, L3N5_LINE};
    std::vector<EmissionLine> lines;
    for (int line : shell == XrayShell::K ? kLines : l3Lines) {
        const double energy = callXraylib(LineEnergy, atomicNumber, line);
        const double rate = callXraylib(RadRate, atomicNumber, line);
        if (energy > 0.0 && rate > 0.0)
            lines.push_back({energy, rate});
    }
    return lines;
}

double massAttenuation(int atomicNumber, double energyKeV) {
    return callXraylib(CS_Total, atomicNumber, energyKeV);
}

} // namespace xtalsp
