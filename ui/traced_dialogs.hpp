// The boxes and file dialogs of a window, with what they showed and what the user answered noted
// in the program's trace (link/trace.hpp): each box's text, each question and its answer, each
// file chosen or the dialog cancelled. The shells put them around the toolkit's own.
#pragma once

#include <optional>
#include <string>

#include "link/trace.hpp"
#include "ui/controls.hpp"

namespace zrt::ui {

// A box's text on one line of the trace: its line breaks as " / ".
inline std::string TraceText(const std::string& text) {
    std::string line;
    for (const char c : text) {
        if (c == '\n') {
            line += " / ";
        } else if (c != '\r') {
            line += c;
        }
    }
    return line;
}

class TracedDialogs final : public Dialogs {
  public:
    explicit TracedDialogs(Dialogs& inner) : inner_(inner) {}
    void ShowMessage(const std::string& text) override {
        link::Trace::Note("box: " + TraceText(text));
        inner_.ShowMessage(text);
    }
    bool AskYesNo(const std::string& caption, const std::string& text) override {
        link::Trace::Note("question: " + caption + ": " + TraceText(text));
        const bool yes = inner_.AskYesNo(caption, text);
        link::Trace::Note(yes ? "answer: yes" : "answer: no");
        return yes;
    }

  private:
    Dialogs& inner_;
};

class TracedFileDialogs final : public FileDialogs {
  public:
    explicit TracedFileDialogs(FileDialogs& inner) : inner_(inner) {}
    std::optional<std::string> ChooseFileToOpen(const FileChoice& choice) override {
        return Noted(choice, inner_.ChooseFileToOpen(choice));
    }
    std::optional<std::string> ChooseFileToSave(const FileChoice& choice) override {
        return Noted(choice, inner_.ChooseFileToSave(choice));
    }

  private:
    static std::optional<std::string> Noted(const FileChoice& choice,
                                            std::optional<std::string> path) {
        link::Trace::Note("dialog: " + choice.title + ": " + (path ? *path : "cancelled"));
        return path;
    }
    FileDialogs& inner_;
};

}  // namespace zrt::ui
