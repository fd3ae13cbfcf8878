// The presenters of modal message boxes and forms, and the one in use.
#include "zentrik/platform/message_box.h"

#include <iostream>
#include <mutex>

namespace zentrik {
namespace {

inline constexpr Long vbCancel = 2;
inline constexpr Long vbAbort = 3;
inline constexpr Long vbRetry = 4;
inline constexpr Long vbIgnore = 5;

// The answer of the default button: the buttons come from the low four bits of the style, the
// default button's position from bits 8 and 9 (the first button when it names none there).
Long default_answer(Long style) {
  static constexpr Long kButtons[][3] = {
      {vbOK, 0, 0},
      {vbOK, vbCancel, 0},
      {vbAbort, vbRetry, vbIgnore},
      {vbYes, vbNo, vbCancel},
      {vbYes, vbNo, 0},
      {vbRetry, vbCancel, 0},
  };
  const Long kind = style & 0xF;
  if (kind > 5) return vbOK;
  const Long position = (style >> 8) & 0x3;
  const Long answer = position < 3 ? kButtons[kind][position] : 0;
  return answer != 0 ? answer : kButtons[kind][0];
}

struct PresenterSlot {
  std::mutex mutex;
  std::shared_ptr<Presenter> current = std::make_shared<StderrPresenter>();
};

PresenterSlot& slot() {
  static PresenterSlot* instance = new PresenterSlot();
  return *instance;
}

std::shared_ptr<Presenter> current_presenter() {
  std::lock_guard lock(slot().mutex);
  return slot().current;
}

}  // namespace

Long StderrPresenter::message_box(const std::string& text, Long style, const std::string& title) {
  std::cerr << title << ": " << text << std::endl;
  return default_answer(style);
}

void StderrPresenter::show_modal(ModalForm& form) {
  std::cerr << form.Caption() << std::endl;
  form.RunModal();
}

Long ScriptedPresenter::message_box(const std::string& text, Long style, const std::string& title) {
  boxes_.push_back(Box{text, style, title});
  if (answers_.empty()) return default_answer(style);
  const Long answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void ScriptedPresenter::show_modal(ModalForm& form) {
  forms_.push_back(form.Caption());
  form.RunModal();
}

Presenter& presenter() {
  return *current_presenter();
}

std::shared_ptr<Presenter> set_presenter(std::shared_ptr<Presenter> presenter) {
  if (!presenter) presenter = std::make_shared<StderrPresenter>();
  std::lock_guard lock(slot().mutex);
  slot().current.swap(presenter);
  return presenter;
}

Long MsgBox(const std::string& text, Long style, const std::string& title) {
  // Held for the whole box, so that a box that replaces the presenter keeps its own alive.
  std::shared_ptr<Presenter> shown = current_presenter();
  return shown->message_box(text, style, title);
}

}  // namespace zentrik
