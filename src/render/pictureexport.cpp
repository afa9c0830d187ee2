// The picture export and the merged picture: a pattern's fixed-scale picture in a file, with
// the spots of merging files drawn over it in their colours.
#include "render/pictureexport.h"

#include "core/document/mergingfile.h"
#include "core/io/filebytes.h"

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <system_error>
#include <vector>

namespace xtalsp {

namespace {

constexpr std::string_view kBlanks = " \t\r\n";

Message stopMessage(std::string text) {
    return Message{std::move(text), "", MessageIcon::Stop, MessageButtons::Ok, MessageAnswer::Ok};
}

Message warningMessage(std::string text) {
    return Message{std::move(text), "", MessageIcon::Exclamation, MessageButtons::Ok,
                   MessageAnswer::Ok};
}

void trimBlanks(std::string& text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) {
        text.clear();
        return;
    }
    text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::unique_ptr<PictureFile> openPicture(const PictureFormat& format, const PatternContent& content,
                                         UserPrompt& prompt) {
    std::unique_ptr<PictureFile> file;
    if (format.open)
        file = format.open(pictureExtent(content.filmWidth, content.filmHeight));
    if (!file)
        prompt.show(stopMessage(format.creationFailure));
    return file;
}

// The finished picture replaces the output only now, in one write; a picture that cannot be
// completed or written (a full disk, say) must not pass for written.
bool commitPicture(PictureFile& file, const PictureFormat& format, const std::string& path,
                   UserPrompt& prompt) {
    const std::optional<std::string> bytes = file.finish();
    if (bytes && writeFileAtomically(path, *bytes).ok())
        return true;
    prompt.show(stopMessage(format.creationFailure));
    return false;
}

Rgb mergedSpotColour(int colourValue, const MergingFile& file, const MergingSpot& spot) {
    switch (colourValue) {
    case MergeRed:
        return kRed;
    case MergeBlue:
        return kBlue;
    default:
        return spotColour(greyLevel(spot.intensity, file.saturationIntensity, file.grayscale));
    }
}

// The file's spots are centred on the pattern's film centre with the file's own spot size.
void drawMergedSpots(Canvas& canvas, const PictureExtent& extent, const MergingFile& file,
                     int colourValue) {
    const CanvasRect fileTemplate = pictureSpotTemplate(extent, file.spotWidth, file.spotHeight);
    for (const MergingSpot& spot : file.spots)
        canvas.fillRect(pictureSpotRect(fileTemplate, spot.x, spot.y),
                        mergedSpotColour(colourValue, file, spot));
}

// Reads a merging file; on a failure shows its message and gives nothing.
std::optional<MergingFile> readMergingInput(const std::string& path, UserPrompt& prompt) {
    MergingReadResult read = readMergingFile(path);
    if (read.ok())
        return std::move(read.file);
    prompt.show(read.failure);
    return std::nullopt;
}

Message mergeSuccessMessage(const std::string& outputPath) {
    return Message{"The merged pattern was successfully generated in " + outputPath +
                       ".\nYou can insert it into a WORD or PowerPoint document to view or edit "
                       "it.",
                   "", MessageIcon::Information, MessageButtons::Ok, MessageAnswer::Ok};
}

} // namespace

bool exportPatternPicture(const PictureFormat& format, const std::string& path,
                          const PatternContent& content, const ViewDrawingOptions& options,
                          UserPrompt& prompt) {
    const std::unique_ptr<PictureFile> file = openPicture(format, content, prompt);
    if (!file)
        return false;
    if (!drawPicture(file->canvas(), content, options))
        prompt.show(fontFailedMessage());
    return commitPicture(*file, format, path, prompt);
}

std::optional<MergeRequestProblem> checkMergeRequest(MergeRequest& request) {
    trimBlanks(request.outputPath);
    trimBlanks(request.file1);
    trimBlanks(request.file2);
    if (request.outputPath.empty())
        return MergeRequestProblem{warningMessage("Please select an output file."),
                                   MergeField::Output};
    if (request.file1.empty())
        return MergeRequestProblem{warningMessage("Please select a merging file."),
                                   MergeField::File1};
    if (request.file2 == request.file1)
        return MergeRequestProblem{warningMessage("Please select a different file."),
                                   MergeField::File2};
    return std::nullopt;
}

bool mergeOutputIsAnInput(const MergeRequest& request) {
    for (const std::string* input : {&request.file1, &request.file2}) {
        std::error_code error;
        if (!input->empty() && (*input == request.outputPath ||
                                std::filesystem::equivalent(request.outputPath, *input, error)))
            return true;
    }
    return false;
}

Message differentOutputMessage() {
    return warningMessage("Please select a different output file.");
}

bool mergePatternPicture(const PictureFormat& format, const MergeRequest& request,
                         const PatternContent& content, const ViewDrawingOptions& options,
                         UserPrompt& prompt) {
    // Both files are read before anything is drawn, so a file that cannot be read leaves the
    // output as it was.
    std::vector<MergingFile> inputs;
    for (const std::string* path : {&request.file1, &request.file2}) {
        if (path->empty())
            continue;
        std::optional<MergingFile> input = readMergingInput(*path, prompt);
        if (!input)
            return false;
        inputs.push_back(std::move(*input));
    }
    const std::unique_ptr<PictureFile> file = openPicture(format, content, prompt);
    if (!file)
        return false;
    // Green keeps the beam centre visible among blue spots.
    const bool blueChosen = request.colour1 == MergeBlue || request.colour2 == MergeBlue;
    PictureOptions pictureOptions;
    pictureOptions.centreMarkColour = blueChosen ? kGreen : kRed;
    pictureOptions.drawLabels = false;
    pictureOptions.drawOverlay = [&](Canvas& canvas, const PictureExtent& extent) {
        const int colours[] = {request.colour1, request.colour2};
        for (std::size_t i = 0; i < inputs.size(); ++i)
            drawMergedSpots(canvas, extent, inputs[i], colours[i]);
        return true;
    };
    drawPicture(file->canvas(), content, options, pictureOptions);
    if (!commitPicture(*file, format, request.outputPath, prompt))
        return false;
    prompt.show(mergeSuccessMessage(request.outputPath));
    return true;
}

} // namespace xtalsp
