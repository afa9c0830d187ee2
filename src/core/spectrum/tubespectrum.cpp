// Tube spectrum: continuum after Kramers, characteristic lines after the empirical
// overvoltage rule, both attenuated by the beryllium window.
#include "core/spectrum/tubespectrum.h"

#include "core/spectrum/xraydata.h"
#include "core/structure/elements.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

namespace xtalsp {
namespace {

// Photon yields per second, steradian and mA, after Pella, Feng and Small, X-Ray Spectrom. 14
// (1985) 125, as restated by Ebel, X-Ray Spectrom. 28 (1999) 255. Continuum:
//   dN/dE = kContinuum Z (E0/E - 1)   per keV   (Kramers, the exponent taken as 1).
// Lines: N = kLineConstant * omega * rate * (U - 1)^1.63 / Z with U = E0 / E_edge. Their line
// constants (5e13 for K, 0.69e13 for L shells) times the stopping-power factor 1/S, evaluated at
// U = 2 with a backscatter factor of 0.75, give about 2.0e13/Z (K, Mo to W) and 1.2e13/Z (L3,
// W); the exponent 1.63 replaces their U ln U + 1 - U (Green and Cosslett, Proc. Phys. Soc. 78
// (1961) 1206). The line-to-continuum ratio is thus good to about a factor of two.
constexpr double kContinuum = 1.35e9;
constexpr double kLineConstantK = 2.0e13;
constexpr double kLineConstantL3 = 1.2e13;
constexpr double kOvervoltageExponent = 1.63;
constexpr double kBerylliumDensity = 1.848; // g/cm^3
constexpr int kBeryllium = 4;

double wavelengthOfSample(std::size_t index) {
    return static_cast<double>(index) * kSpectrumStep;
}

// Energy per unit wavelength of the continuum: E dN/dE |dE/dlambda| with E = hc/lambda gives
// kContinuum (hc)^2 Z (lambda/lambdaMin - 1) / lambda^3, zero at and below lambdaMin.
void addContinuum(const TubeSettings& settings, Spectrum& spectrum) {
    const double lambdaMin = shortWavelengthLimit(settings.kilovolts);
    const double scale = kContinuum * kPlanckTimesLightSpeed * kPlanckTimesLightSpeed *
                         static_cast<double>(settings.anode);
    for (std::size_t i = 1; i < kSpectrumSize; ++i) {
        const double lambda = wavelengthOfSample(i);
        if (lambda > lambdaMin)
            spectrum.intensity[i] +=
                scale * (lambda / lambdaMin - 1.0) / (lambda * lambda * lambda);
    }
}

// A line's energy, integrated over its width, lands on the sample holding its wavelength as a
// density per Angstrom; neighbouring lines (K-alpha1 and K-alpha2) may share one sample.
void addShellLines(const TubeSettings& settings, XrayShell shell, double lineConstant,
                   Spectrum& spectrum) {
    const double edge = absorptionEdgeKeV(settings.anode, shell);
    if (edge <= 0.0 || settings.kilovolts <= edge)
        return;
    const double excitation = std::pow(settings.kilovolts / edge - 1.0, kOvervoltageExponent);
    const double shellPhotons = lineConstant * fluorescenceYield(settings.anode, shell) *
                                excitation / static_cast<double>(settings.anode);
    for (const EmissionLine& line : emissionLines(settings.anode, shell)) {
        const double lambda = kPlanckTimesLightSpeed / line.energyKeV;
        const double index = std::round(lambda / kSpectrumStep);
        if (index < 1.0 || index >= static_cast<double>(kSpectrumSize))
            continue;
        spectrum.intensity[static_cast<std::size_t>(index)] +=
            line.energyKeV * shellPhotons * line.relativeRate / kSpectrumStep;
    }
}

// exp(-mu rho t) of the window at every sample's wavelength.
void attenuateByWindow(double berylliumMm, Spectrum& spectrum) {
    if (berylliumMm <= 0.0)
        return;
    const double arealDensity = kBerylliumDensity * berylliumMm * 0.1; // g/cm^2
    for (std::size_t i = 1; i < kSpectrumSize; ++i) {
        if (spectrum.intensity[i] <= 0.0)
            continue;
        const double energy = kPlanckTimesLightSpeed / wavelengthOfSample(i);
        spectrum.intensity[i] *= std::exp(-massAttenuation(kBeryllium, energy) * arealDensity);
    }
}

bool isTubeAnode(int atomicNumber) {
    return std::find(kTubeAnodes.begin(), kTubeAnodes.end(), atomicNumber) != kTubeAnodes.end();
}

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// The whole text as a finite number, nothing otherwise.
std::optional<double> wholeNumber(std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::vector<std::string_view> splitAtColons(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t colon; (colon = text.find(':', start)) != std::string_view::npos;
         start = colon + 1)
        parts.push_back(text.substr(start, colon - start));
    parts.push_back(text.substr(start));
    return parts;
}

Message tubeNameFailure(std::string_view name, const std::string& what) {
    return {"Invalid tube spectrum \"" + std::string(name) +
                "\" (tube:ANODE:KV[:nolines][:be=MM]): " + what,
            "", MessageIcon::Exclamation};
}

} // namespace

double shortWavelengthLimit(double kilovolts) {
    return kPlanckTimesLightSpeed / kilovolts;
}

Status checkTubeSettings(const TubeSettings& settings) {
    if (!isTubeAnode(settings.anode))
        return Message{"The anode must be W, Mo, Cu, Ag, Rh or Cr.", "", MessageIcon::Exclamation};
    if (!(settings.kilovolts >= kMinTubeKilovolts && settings.kilovolts <= kMaxTubeKilovolts))
        return Message{"The tube voltage must lie between 5 and 100 kV.", "",
                       MessageIcon::Exclamation};
    if (!(settings.berylliumMm >= 0.0 && settings.berylliumMm <= kMaxBerylliumMm))
        return Message{"The beryllium window must be 0 to 5 mm thick.", "",
                       MessageIcon::Exclamation};
    return Status::success();
}

Result<Spectrum> tubeSpectrum(const TubeSettings& settings) {
    if (Status refusal = checkTubeSettings(settings); !refusal.ok())
        return refusal.failure();
    Spectrum spectrum;
    addContinuum(settings, spectrum);
    if (settings.withLines) {
        addShellLines(settings, XrayShell::K, kLineConstantK, spectrum);
        addShellLines(settings, XrayShell::L3, kLineConstantL3, spectrum);
    }
    attenuateByWindow(settings.berylliumMm, spectrum);
    if (Status refusal = NormalizeSpectrum(spectrum); !refusal.ok())
        return refusal.failure();
    return spectrum;
}

bool isTubeSpectrumName(std::string_view name) {
    return name.size() >= 5 && lowerCase(name.substr(0, 5)) == "tube:";
}

Result<TubeSettings> parseTubeSpectrumName(std::string_view name) {
    const std::vector<std::string_view> parts = splitAtColons(name);
    if (parts.size() < 3 || lowerCase(parts[0]) != "tube")
        return tubeNameFailure(name, "Anode and voltage are missing.");
    TubeSettings settings;
    settings.anode = LookUpElement(parts[1]);
    if (!isTubeAnode(settings.anode))
        return tubeNameFailure(name, "The anode must be W, Mo, Cu, Ag, Rh or Cr.");
    const std::optional<double> kilovolts = wholeNumber(parts[2]);
    if (!kilovolts)
        return tubeNameFailure(name, "The voltage is not a number.");
    settings.kilovolts = *kilovolts;
    for (std::size_t i = 3; i < parts.size(); ++i) {
        const std::string option = lowerCase(parts[i]);
        if (option == "nolines") {
            settings.withLines = false;
        } else if (option.starts_with("be=")) {
            const std::optional<double> thickness = wholeNumber(parts[i].substr(3));
            if (!thickness)
                return tubeNameFailure(name, "The window thickness is not a number.");
            settings.berylliumMm = *thickness;
        } else {
            return tubeNameFailure(name, "Unknown part \"" + std::string(parts[i]) + "\".");
        }
    }
    if (Status refusal = checkTubeSettings(settings); !refusal.ok())
        return tubeNameFailure(name, refusal.failure().text);
    return settings;
}

} // namespace xtalsp
