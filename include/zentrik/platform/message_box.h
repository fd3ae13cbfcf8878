// Modal message boxes and modal forms, shown through a presenter that hosts replace. The
// default presenter writes each box to standard error and answers with the default button;
// tests install a ScriptedPresenter that records every box and gives scripted answers.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "zentrik/platform/automation.h"

namespace zentrik {

// Buttons, icons and answers, with the platform's values.
inline constexpr Long vbOKOnly = 0;
inline constexpr Long vbYesNo = 4;
inline constexpr Long vbCritical = 16;
inline constexpr Long vbQuestion = 32;
inline constexpr Long vbExclamation = 48;
inline constexpr Long vbInformation = 64;
inline constexpr Long vbOK = 1;
inline constexpr Long vbYes = 6;
inline constexpr Long vbNo = 7;

// A form that can be shown modally (the About box).
class ModalForm {
 public:
  virtual ~ModalForm() = default;
  virtual std::string Caption() const = 0;
  // Called by the presenter once the form is on screen; returns when the form is closed.
  virtual void RunModal() = 0;
};

class Presenter {
 public:
  virtual ~Presenter() = default;
  // Shows a modal box and returns the answer (vbOK, vbYes, vbNo, ...).
  virtual Long message_box(const std::string& text, Long style, const std::string& title) = 0;
  virtual void show_modal(ModalForm& form) = 0;
};

// Writes "title: text" to standard error; answers vbOK, or vbYes for Yes/No boxes.
class StderrPresenter : public Presenter {
 public:
  Long message_box(const std::string& text, Long style, const std::string& title) override;
  void show_modal(ModalForm& form) override;
};

class ScriptedPresenter : public Presenter {
 public:
  struct Box {
    std::string text;
    Long style;
    std::string title;
  };
  Long message_box(const std::string& text, Long style, const std::string& title) override;
  void show_modal(ModalForm& form) override;

  void script_answer(Long answer) { answers_.push_back(answer); }
  const std::vector<Box>& boxes() const { return boxes_; }
  const std::vector<std::string>& forms() const { return forms_; }
  void clear() {
    boxes_.clear();
    forms_.clear();
  }

 private:
  std::deque<Long> answers_;  // when empty, the default button answers
  std::vector<Box> boxes_;
  std::vector<std::string> forms_;
};

// The presenter in use (a StderrPresenter until one is set); set returns the previous one.
Presenter& presenter();
std::shared_ptr<Presenter> set_presenter(std::shared_ptr<Presenter> presenter);

// A modal message box through the presenter in use.
Long MsgBox(const std::string& text, Long style, const std::string& title);

}  // namespace zentrik
