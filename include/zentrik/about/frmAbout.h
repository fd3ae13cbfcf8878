// frmAbout: the About box that the control's ShowAbout shows modally: the product, its version,
// a description and contact lines, and a button that starts the system-information tool.
//
// Shown through the platform's presenter: show_modal() calls RunModal(), which loads the form,
// lets the interaction set with set_interaction() press its buttons (a person's part; none by
// default), and closes the form as Escape would when that left it open. Positions and sizes of
// the child controls are in twips.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "zentrik/about/CommandButton.h"
#include "zentrik/about/FormLine.h"
#include "zentrik/platform/automation.h"
#include "zentrik/platform/forms.h"
#include "zentrik/platform/message_box.h"

namespace zentrik {

class frmAbout : public ModalForm {
 public:
  // The client area of the fixed dialog (no minimise or maximise buttons).
  static constexpr Long kClientWidth = 5730;
  static constexpr Long kClientHeight = 3555;
  static constexpr Long kIconWidth = 32;  // pixels
  static constexpr Long kIconHeight = 30;

  static constexpr const char* kDescription =
      "Zentrik is a camera watcher control: it previews a camera and reports motion and colours "
      "in zones of the picture. It works only together with the camera sources Zentrik "
      "supports: its built-in virtual camera, V4L2 cameras and video files.\n"
      "Many thanks to our beta tester for trying every release.";
  static constexpr const char* kAuthorLine = "Copyright (C) 2026 Zentrik developers";
  static constexpr const char* kMailLine = "E-mail: zentrik@example.org";
  static constexpr const char* kWebLine = "Web: https://zentrik.example.org";
  static constexpr const char* kUnavailable = "System Information Is Unavailable At This Time";
  static constexpr const char* kMessageTitle = "Zentrik";

  // Where the system-information tool is registered.
  static constexpr const char* kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
  static constexpr const char* kSysInfoValue = "PATH";
  static constexpr const char* kSysInfoLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
  static constexpr const char* kSysInfoLocationValue = "MSINFO";
  static constexpr const char* kSysInfoProgram = "\\MSINFO32.EXE";

  // Starts a program (path, window style) and returns its process id; raises on failure.
  using ProgramStarter = std::function<Long(const std::string&, Long)>;

  frmAbout();
  frmAbout(const frmAbout&) = delete;
  frmAbout& operator=(const frmAbout&) = delete;

  // The window caption as shown: Load sets it before the form appears, so an unloaded form
  // answers with the caption it will show.
  std::string Caption() const override;
  void RunModal() override;

  // Form events and button handlers.
  void Load();
  void Unload();
  bool Loaded() const { return loaded_; }
  void cmdOK_Click();
  void cmdSysInfo_Click();
  // Enter presses the default button, Escape the cancel button (both cmdOK).
  void KeyPress(Integer keyAscii);

  // Starts the system-information tool, or says that it is unavailable.
  void StartSysInfo();
  // Reads one registry value as text into KeyVal; vbTrue on success.
  Boolean GetKeyValue(Long KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                      std::string& KeyVal);

  // What a person does while the box is shown (clicks, keys); nothing by default.
  void set_interaction(std::function<void(frmAbout&)> interaction);
  // How programs are started (Shell by default).
  void set_program_starter(ProgramStarter starter);

  // Child controls.
  PictureBox picIcon;
  Label lblTitle;
  Label lblVersion;
  Label lblDescription;
  std::array<FormLine, 2> Line1;
  std::array<Label, 3> lblDisclaimer;
  CommandButton cmdOK;
  CommandButton cmdSysInfo;

 private:
  std::string caption_ = "About";
  bool loaded_ = false;
  std::function<void(frmAbout&)> interaction_;
  ProgramStarter start_program_;
};

}  // namespace zentrik
