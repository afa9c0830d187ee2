// A FileChooser for tests: answers from a script and records what each dialog offered.
#pragma once

#include "shell/filechooser.h"

#include <QStringList>

#include <vector>

namespace xtalsp::test {

class ScriptedFileChooser : public gui::FileChooser {
public:
    QString openFileName(const gui::FileDialogSpec& spec) override { return answer(spec); }
    QString saveFileName(const gui::FileDialogSpec& spec) override { return answer(spec); }

    std::vector<gui::FileDialogSpec> offered;
    QStringList answers; // taken in order; cancelled ("") when empty

private:
    QString answer(const gui::FileDialogSpec& spec) {
        offered.push_back(spec);
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

} // namespace xtalsp::test
