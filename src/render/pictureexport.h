// Writing a pattern's picture to a file, alone or merged with the spots of merging files.
#pragma once

#include "core/platform/userprompt.h"
#include "render/patterndrawing.h"
#include "render/picturefile.h"

#include <optional>
#include <string>

namespace xtalsp {

// Writes the pattern's picture (no selection, no status texts): drawn in memory, then written
// in one piece, so a failure leaves the old file as it was. Messages go to the prompt: the
// format's creation failure, "Font failed." when the label font cannot be made (the picture is
// still completed). Returns whether the picture was written.
bool exportPatternPicture(const PictureFormat& format, const std::string& path,
                          const PatternContent& content, const ViewDrawingOptions& options,
                          UserPrompt& prompt);

// Colour values of merged files.
enum MergeColour : int { MergeGreyLevels = 0, MergeRed = 1, MergeBlue = 2 };

struct MergeRequest {
    std::string outputPath;
    std::string file1;
    int colour1 = MergeGreyLevels;
    std::string file2; // empty: only one merging file
    int colour2 = MergeGreyLevels;
    bool operator==(const MergeRequest&) const = default;
};

enum class MergeField { Output, File1, File2 };

struct MergeRequestProblem {
    Message message;
    MergeField field; // the box that gets the focus
};

// The merge dialog's OK check: trims blanks from the three paths (in place) and returns the
// first problem, or nothing when the request can be carried out.
std::optional<MergeRequestProblem> checkMergeRequest(MergeRequest& request);

// Whether the output path names one of the merging files (the same file by another name
// included): the merge would replace a file it reads.
bool mergeOutputIsAnInput(const MergeRequest& request);
// "Please select a different output file." for that case.
Message differentOutputMessage();

// Draws the active pattern with one or two merging files in their colours into one picture
// and reports the outcome on the prompt (success ends with the message naming the output
// path). The merging files are read first: a reading failure leaves the output untouched.
// Returns whether the merged picture was written.
bool mergePatternPicture(const PictureFormat& format, const MergeRequest& request,
                         const PatternContent& content, const ViewDrawingOptions& options,
                         UserPrompt& prompt);

} // namespace xtalsp
