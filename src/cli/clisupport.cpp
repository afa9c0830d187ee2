// Message reporting, output writing and argument handling shared by the commands.
#include "cli/clisupport.h"

#include "cli/clicommands.h"
#include "cli/persontext.h"
#include "cli/progressline.h"
#include "core/io/filebytes.h"

#include <ostream>

namespace xtalsp::cli {

void reportMessage(std::ostream& err, const Message& message) {
    if (!message.caption.empty())
        err << personText(message.caption) << (message.caption.back() == ':' ? " " : ": ");
    err << personText(message.text) << '\n';
}

DocumentServices documentServices(CliPrompt& prompt, SettingsStore& settings, ProgressLine& line) {
    DocumentServices services{&prompt, &settings, std::nullopt};
    services.progress = terminalProgress(stderr, line);
    return services;
}

MessageAnswer CliPrompt::show(const Message& message) {
    if (message.buttons == MessageButtons::YesNo || message.buttons == MessageButtons::YesNoCancel)
        return MessageAnswer::Yes;
    const bool information = message.icon == MessageIcon::Information && m_information != nullptr;
    reportMessage(information ? *m_information : m_err, message);
    return message.defaultAnswer;
}

bool writeOutput(const std::string& path, std::string_view bytes, std::ostream& out,
                 std::ostream& err) {
    if (path == "-") {
        // Flushed at once, so that a closed pipe or a full disk is known here and reported.
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (out.flush())
            return true;
        err << "Error while writing to standard output\n";
        return false;
    }
    const FileWritten written = writeFileAtomically(path, bytes);
    if (written.ok())
        return true;
    switch (written.failure()) {
    case FileWriteError::CannotCreate:
        err << "Cannot create the file " << path << "\n";
        return false;
    case FileWriteError::WriteFailed:
        err << "Error while writing the file " << path << "\n";
        return false;
    }
    return false;
}

bool parseCommandLine(const std::vector<std::string>& arguments,
                      const std::vector<OptionSpec>& specs, std::string_view usage,
                      std::ostream& out, std::ostream& err, ParsedArguments& parsed, int& status) {
    std::string error;
    auto result = parseArguments(arguments, specs, error);
    if (!result) {
        err << "xtalsp-cli: " << error << "\n" << usage;
        status = kExitUsageError;
        return false;
    }
    if (result->help) {
        out << usage;
        status = kExitSuccess;
        return false;
    }
    parsed = std::move(*result);
    return true;
}

} // namespace xtalsp::cli
