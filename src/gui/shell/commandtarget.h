// Command routing: the main window offers a command to the active view first, then to the
// application; whoever handles it decides whether it is enabled, checked and how it reads.
#pragma once

#include <QString>
#include <optional>

namespace xtalsp::gui {

struct CommandState {
    bool enabled = true;
    bool checked = false;
    std::optional<QString> text; // a menu text that follows the state ("Hide &Index")
};

class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    // Whether this target handles the command at all.
    virtual bool handlesCommand(int id) const = 0;
    virtual CommandState commandState(int id) const = 0;
    virtual void executeCommand(int id) = 0;
};

} // namespace xtalsp::gui
