// A DocumentDialogs for tests: records which editor opened with what, and answers from a script
// (an empty answer stands for Cancel).
#pragma once

#include "gui/shell/documentdialogs.h"

#include <functional>
#include <string>
#include <vector>

namespace xtalsp::test {

class ScriptedDocumentDialogs : public gui::DocumentDialogs {
public:
    std::optional<FlatStructure> editStructure(QWidget*, const FlatStructure& start,
                                               const QString& directory) override {
        return record("structure", structureStart, start, structureAnswer, directory);
    }
    std::optional<Spectrum> editSpectrum(QWidget*, const Spectrum& start,
                                         const QString& directory) override {
        return record("spectrum", spectrumStart, start, spectrumAnswer, directory);
    }
    std::optional<DiffractionSettings> editDiffractionSettings(QWidget*,
                                                               const CXtalspDoc& doc) override {
        opened.push_back("diffraction");
        return diffractionAnswer ? diffractionAnswer(doc) : std::nullopt;
    }
    std::optional<gui::RotationAngles> rotateCrystal(QWidget*, gui::RotationAngles start) override {
        return record("rotation", rotationStart, start, rotationAnswer);
    }
    std::optional<double> imagingDistance(QWidget*, double centimetres) override {
        return record("distance", distanceStart, centimetres, distanceAnswer);
    }
    std::optional<gui::IntensityAdjustment>
    adjustIntensity(QWidget*, double saturationPercent, const std::string& minimumText) override {
        minimumTextStart = minimumText;
        return record("intensity", saturationStart, saturationPercent, intensityAnswer);
    }
    std::optional<gui::FilmSizeCm> patternSize(QWidget*, gui::FilmSizeCm start) override {
        return record("pattern size", patternSizeStart, start, patternSizeAnswer);
    }
    std::optional<double> calibrateZoom(QWidget*, double measuredMm) override {
        return record("calibrate", calibrateStart, measuredMm, calibrateAnswer);
    }
    void structureFactor(QWidget*, const CXtalspDoc&) override {
        opened.push_back("structure factor");
    }
    void intensityEquation(QWidget*) override { opened.push_back("equation"); }

    std::vector<std::string> opened; // the editors, in the order they opened

    FlatStructure structureStart;
    Spectrum spectrumStart;
    QString applicationDirectory;
    gui::RotationAngles rotationStart;
    double distanceStart = 0.0, saturationStart = 0.0, calibrateStart = 0.0;
    std::string minimumTextStart;
    gui::FilmSizeCm patternSizeStart;

    std::optional<FlatStructure> structureAnswer;
    std::optional<Spectrum> spectrumAnswer;
    std::function<std::optional<DiffractionSettings>(const CXtalspDoc&)> diffractionAnswer;
    std::optional<gui::RotationAngles> rotationAnswer;
    std::optional<double> distanceAnswer, calibrateAnswer;
    std::optional<gui::IntensityAdjustment> intensityAnswer;
    std::optional<gui::FilmSizeCm> patternSizeAnswer;

private:
    template <typename Start, typename Answer>
    Answer record(const char* name, Start& startSeen, const Start& start, const Answer& answer,
                  const QString& directory = {}) {
        opened.push_back(name);
        startSeen = start;
        applicationDirectory = directory;
        return answer;
    }
};

} // namespace xtalsp::test
