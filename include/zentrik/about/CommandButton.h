// A push button of a form: a caption, the default and cancel roles, and a Click that runs the
// form's handler, as a person's press (or Enter or Escape for the roles) would.
#pragma once

#include <functional>
#include <string>

#include "zentrik/platform/forms.h"

namespace zentrik {

class CommandButton : public FormControl {
 public:
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { caption_ = std::move(caption); }
  bool Default() const { return default_; }  // pressed by Enter
  bool Cancel() const { return cancel_; }    // pressed by Escape
  void SetDefault(bool value) { default_ = value; }
  void SetCancel(bool value) { cancel_ = value; }

  void OnClick(std::function<void()> handler) { click_ = std::move(handler); }
  // Presses the button: runs the handler, if any.
  void Click() {
    if (click_) click_();
  }

 private:
  std::string caption_;
  bool default_ = false;
  bool cancel_ = false;
  std::function<void()> click_;
};

}  // namespace zentrik
