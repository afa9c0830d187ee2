// Initial values and the OK sequence of the diffraction settings dialog.
#include "core/computation/diffractiondialogrules.h"

#include "core/computation/filmunits.h"
#include "core/computation/geometry.h"
#include "core/text/numbertext.h"

#include <algorithm>
#include <cmath>

namespace xtalsp {
namespace {

// A limit of about 3 per Angstrom of cell edge reaches spacings of 1/3 Angstrom along each axis,
// short enough for the usual white spectrum.
double proposedIndexLimit(double edge) {
    return std::trunc(3.0 * edge + 0.5);
}

std::array<double, 3> clampPlane(const std::array<double, 3>& plane, const FieldRange& range) {
    return {clampToField(plane[0], range), clampToField(plane[1], range),
            clampToField(plane[2], range)};
}

DiffractionDialogValues clampedToFields(const DiffractionDialogValues& values) {
    DiffractionDialogValues clamped = values;
    clamped.surfacePlane = clampPlane(values.surfacePlane, kSurfaceIndexField);
    clamped.distanceCm = clampToField(values.distanceCm, kDistanceCmField);
    clamped.sidePlane = clampPlane(values.sidePlane, kSideIndexField);
    clamped.Hmax = clampToField(values.Hmax, kIndexLimitField);
    clamped.Kmax = clampToField(values.Kmax, kIndexLimitField);
    clamped.Lmax = clampToField(values.Lmax, kIndexLimitField);
    return clamped;
}

bool isZeroPlane(const std::array<double, 3>& plane) {
    return plane[0] == 0.0 && plane[1] == 0.0 && plane[2] == 0.0;
}

Message nonZeroError(const char* indices) {
    Message message;
    message.text = std::string("At least one of the ") + indices + " indices should be nonzero!";
    message.caption = "Error:";
    message.icon = MessageIcon::Exclamation;
    return message;
}

Message sidePlaneQuestion(const std::array<double, 3>& proposed) {
    Message message;
    message.text = "The vertical side plane you chose is not exactly perpendicular to \n"
                   "the surface plane. I have calculated one for you:\n h = " +
                   formatFixed(proposed[0], 0, 2) + ",     k = " + formatFixed(proposed[1], 0, 2) +
                   ",     l = " + formatFixed(proposed[2], 0, 2) + ".\n Do you accept it?";
    message.caption = "Side plane Information:";
    message.icon = MessageIcon::Question;
    message.buttons = MessageButtons::YesNo;
    message.defaultAnswer = MessageAnswer::Yes;
    return message;
}

// Rotation angles and the parked distance are not the dialog's business and stay as they are.
DiffractionSettings settingsFromEntries(const DiffractionDialogValues& entries,
                                        const std::array<double, 3>& sidePlane,
                                        const DiffractionSettings& current) {
    DiffractionSettings settings = current;
    settings.geometry = entries.geometry;
    settings.surfacePlane = entries.surfacePlane;
    settings.sidePlane = sidePlane;
    settings.distance = filmUnitsFromCm(entries.distanceCm);
    // The limits are whole numbers within 1 to 999 after clamping, so the conversion is safe.
    settings.Hmax = static_cast<std::int32_t>(entries.Hmax);
    settings.Kmax = static_cast<std::int32_t>(entries.Kmax);
    settings.Lmax = static_cast<std::int32_t>(entries.Lmax);
    return settings;
}

} // namespace

double clampToField(double value, double min, double max, bool integer) {
    if (std::isnan(value))
        return min;
    if (integer)
        value = std::round(value);
    return std::clamp(value, min, max);
}

double clampToField(double value, const FieldRange& range) {
    return clampToField(value, range.min, range.max, range.integer);
}

DiffractionDialogValues initialDiffractionDialogValues(const DiffractionSettings& settings,
                                                       double a, double b, double c) {
    DiffractionDialogValues values;
    if (settings.distance >= 1.0 || settings.savedDistance >= 1.0) {
        values.geometry = settings.geometry;
        values.surfacePlane = settings.surfacePlane;
        const double distance =
            settings.distance >= 1.0 ? settings.distance : settings.savedDistance;
        values.distanceCm = cmFromFilmUnits(distance);
        values.sidePlane = settings.sidePlane;
    } else {
        values.geometry = DiffractionGeometry::Transmission;
        values.surfacePlane = {0.0, 0.0, 1.0};
        values.distanceCm = 10.0;
        values.sidePlane = {1.0, 0.0, 0.0};
    }
    if (settings.Hmax < 1) {
        values.Hmax = proposedIndexLimit(a);
        values.Kmax = proposedIndexLimit(b);
        values.Lmax = proposedIndexLimit(c);
    } else {
        values.Hmax = settings.Hmax;
        values.Kmax = settings.Kmax;
        values.Lmax = settings.Lmax;
    }
    return clampedToFields(values);
}

std::optional<DiffractionSettings> acceptDiffractionDialog(const DiffractionDialogValues& values,
                                                           const DiffractionSettings& current,
                                                           const ReciprocalBasis& basis,
                                                           UserPrompt& prompt) {
    const DiffractionDialogValues entries = clampedToFields(values);
    if (isZeroPlane(entries.surfacePlane)) {
        prompt.show(nonZeroError("HKL"));
        return std::nullopt;
    }
    if (isZeroPlane(entries.sidePlane)) {
        prompt.show(nonZeroError("hkl"));
        return std::nullopt;
    }
    const SidePlaneCheck check = checkSidePlane(entries.surfacePlane, entries.sidePlane, basis);
    if (!check.perpendicular &&
        prompt.show(sidePlaneQuestion(check.sidePlane)) != MessageAnswer::Yes)
        return std::nullopt;
    return settingsFromEntries(entries, check.sidePlane, current);
}

} // namespace xtalsp
