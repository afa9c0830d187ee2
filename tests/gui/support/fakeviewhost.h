// A ViewHost for tests: records the zoom box and status panes, answers the view's dialogs from
// a script and prints to PDF files instead of a printer.
#pragma once

#include "gui/support/scriptedfilechooser.h"
#include "gui/view/viewdialogs.h"
#include "gui/view/viewhost.h"
#include "support/recordingprompt.h"

#include <QPrinter>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

namespace xtalsp::test {

// Prints to a PDF file, one file per job; the preview paints on a PDF printer as well.
class ScriptedViewDialogs : public gui::ViewDialogs {
public:
    std::optional<double> customZoom(QWidget*, double percentage) override {
        customZoomOffered.push_back(percentage);
        return take(customZoomAnswers);
    }
    std::optional<gui::SpotSizeMm> spotSize(QWidget*, gui::SpotSizeMm initial) override {
        spotSizeOffered.push_back(initial);
        return take(spotSizeAnswers);
    }
    bool print(QWidget*, const gui::PagePainter& paintPage) override {
        ++printDialogs;
        if (whilePrinting)
            whilePrinting();
        if (pdfPath.isEmpty())
            return false; // the user cancelled the print dialog
        return paintPage(*pdfPrinter());
    }
    void printPreview(QWidget*, const gui::PagePainter& paintPage) override {
        ++previews;
        if (whilePrinting)
            whilePrinting();
        if (!pdfPath.isEmpty())
            paintPage(*pdfPrinter());
    }
    void printSetup(QWidget*) override { ++printSetups; }

    void spotDetails(QWidget*, const SpotDetails& details) override {
        spotDetailsShown.push_back(details);
    }
    std::vector<SpotDetails> spotDetailsShown;

    std::optional<MergeRequest> mergeFiles(QWidget*, gui::FileChooser&, UserPrompt&) override {
        ++mergeDialogs;
        return take(mergeAnswers);
    }
    std::deque<std::optional<MergeRequest>> mergeAnswers; // Cancel when empty
    int mergeDialogs = 0;

    std::deque<std::optional<double>> customZoomAnswers;
    std::deque<std::optional<gui::SpotSizeMm>> spotSizeAnswers;
    std::vector<double> customZoomOffered;
    std::vector<gui::SpotSizeMm> spotSizeOffered;
    int printSetups = 0;
    QString pdfPath;                     // where pages go; empty: the print dialog is cancelled
    std::function<void()> whilePrinting; // runs while the dialog would be open
    int printDialogs = 0, previews = 0;

private:
    template <typename T> static std::optional<T> take(std::deque<std::optional<T>>& answers) {
        if (answers.empty())
            return std::nullopt;
        std::optional<T> answer = answers.front();
        answers.pop_front();
        return answer;
    }
    QPrinter* pdfPrinter() {
        m_printer.setOutputFormat(QPrinter::PdfFormat);
        m_printer.setOutputFileName(pdfPath);
        return &m_printer;
    }
    QPrinter m_printer{QPrinter::HighResolution};
};

class FakeViewHost : public gui::ViewHost {
public:
    void showZoomPercentage(int percentage) override {
        zoomBox = percentage;
        zoomBoxText = QString::number(percentage) + "%";
    }
    int zoomBoxPercentage() const override { return zoomBox; }
    void showPatternStatus(const QString& text) override { patternStatus.append(text); }
    void showGeometryStatus(const QString& text) override { geometryStatus.append(text); }
    bool isActiveView(const gui::CXtalspView* view) const override {
        return view != nullptr && view == activeView;
    }
    UserPrompt& prompt() override { return recordingPrompt; }
    gui::FileChooser& fileChooser() override { return files; }
    gui::ViewDialogs& viewDialogs() override { return dialogs; }
    SettingsStore& settings() override { return store; }

    int zoomBox = 100;
    QString zoomBoxText;
    QStringList patternStatus; // every text given to pane 1, in order
    QStringList geometryStatus;
    const gui::CXtalspView* activeView = nullptr;
    RecordingPrompt recordingPrompt;
    ScriptedFileChooser files;
    ScriptedViewDialogs dialogs;
    MemorySettingsStore store;
};

} // namespace xtalsp::test
