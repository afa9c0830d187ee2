// A FileChooser for tests: answers from a script and records what each dialog offered.
#pragma once

#include "gui/shell/filechooser.h"

#include <QStringList>

#include <vector>

namespace xtalsp::test {

class ScriptedFileChooser : public gui::FileChooser {
public:
    QString openFileName(const gui::FileDialogSpec& request) override { return answer(request); }
    QString saveFileName(const gui::FileDialogSpec& request) override { return answer(request); }

    std::vector<gui::FileDialogSpec> offered;
    QStringList answers; // taken in order; cancelled ("") when empty

private:
    QString answer(const gui::FileDialogSpec& request) {
        offered.push_back(request);
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

} // namespace xtalsp::test
