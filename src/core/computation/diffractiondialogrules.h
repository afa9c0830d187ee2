// What the diffraction settings dialog starts with and what its OK button accepts, without any
// widget: field ranges, initial values, the non-zero checks and the side-plane question.
#pragma once

#include "core/computation/diffractionsettings.h"
#include "core/platform/userprompt.h"

#include <array>
#include <cstdint>
#include <optional>

namespace xtalsp {

// The entries of the dialog as the user sees them: D in centimetres, index limits as typed.
struct DiffractionDialogValues {
    DiffractionGeometry geometry = DiffractionGeometry::Transmission;
    std::array<double, 3> surfacePlane{}; // H K L
    double distanceCm = 0.0;              // D
    std::array<double, 3> sidePlane{};    // h k l
    double Hmax = 0.0, Kmax = 0.0, Lmax = 0.0;

    bool operator==(const DiffractionDialogValues&) const = default;
};

// Range of a numeric entry field; integer fields hold whole numbers only.
struct FieldRange {
    double min;
    double max;
    bool integer;
};

inline constexpr FieldRange kSurfaceIndexField{-999.0, 999.0, false};
inline constexpr FieldRange kDistanceCmField{0.02, 500.0, false};
inline constexpr FieldRange kSideIndexField{-1e308, 1e308, false};
inline constexpr FieldRange kIndexLimitField{1.0, 999.0, true};

// What an entry field makes of a value: below min becomes min, above max becomes max, an integer
// field takes the nearest whole number (halves away from zero). NaN becomes min.
double clampToField(double value, double min, double max, bool integer);
double clampToField(double value, const FieldRange& range);

// The entries the dialog opens with, for the document's settings and lattice constants a, b, c
// (Angstrom). Settings that were established once (also those parked by a lattice change) are
// shown as they are; otherwise the dialog proposes transmission, (001), 10 cm and (100). Index
// limits below 1 are replaced by about three per Angstrom of the cell edge.
DiffractionDialogValues initialDiffractionDialogValues(const DiffractionSettings& settings,
                                                       double a, double b, double c);

// The OK button: clamps the entries, insists on non-zero surface and side planes, and offers a
// corrected side plane when the entered one is not perpendicular to the surface plane. Returns
// the settings to take, `current` with geometry, planes, distance (film units) and index limits
// replaced, or nullopt while the dialog stays open.
std::optional<DiffractionSettings> acceptDiffractionDialog(const DiffractionDialogValues& values,
                                                           const DiffractionSettings& current,
                                                           const ReciprocalBasis& basis,
                                                           UserPrompt& prompt);

} // namespace xtalsp
