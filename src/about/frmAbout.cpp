// The About box: layout, load texts, buttons, and the system-information tool found through
// the registry.
#include "zentrik/about/frmAbout.h"

#include <algorithm>
#include <exception>

#include "AboutIcon.h"
#include "zentrik/platform/application.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/files.h"
#include "zentrik/platform/process.h"
#include "zentrik/platform/registry.h"

namespace zentrik {
namespace {

constexpr Integer kKeyReturn = 13;
constexpr Integer kKeyEscape = 27;

// An open registry key, closed when it goes out of scope.
class OpenKey {
 public:
  OpenKey() = default;
  ~OpenKey() {
    if (handle_ != 0) RegCloseKey(handle_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  Long* out() { return &handle_; }
  Long get() const { return handle_; }

 private:
  Long handle_ = 0;
};

std::string load_caption() {
  return "About " + Application::instance().Title();
}

}  // namespace

frmAbout::frmAbout() : picIcon(kIconWidth, kIconHeight, true), start_program_(Shell) {
  picIcon.Move(240, 240, kIconWidth * kTwipsPerPixel, kIconHeight * kTwipsPerPixel);
  draw_about_icon(picIcon);
  lblTitle.Move(1050, 240, 3885, 480);
  lblTitle.SetCaption("Application Title");
  lblVersion.Move(1050, 780, 3885, 225);
  lblVersion.SetCaption("Version");
  lblDescription.Move(1050, 1125, 4005, 1170);
  lblDescription.SetCaption(kDescription);
  Line1[0] = FormLine{90, 2445, 5654, 2445, RGB(128, 128, 128)};
  Line1[1] = FormLine{105, 2460, 5654, 2460, RGB(255, 255, 255)};
  const Long disclaimerTops[3] = {2625, 2880, 3120};
  const char* disclaimerTexts[3] = {kAuthorLine, kMailLine, kWebLine};
  for (std::size_t i = 0; i < lblDisclaimer.size(); ++i) {
    lblDisclaimer[i].Move(i == 0 ? 255 : 240, disclaimerTops[i], 3870, 225);
    lblDisclaimer[i].SetCaption(disclaimerTexts[i]);
  }
  cmdOK.Move(4245, 2625, 1260, 345);
  cmdOK.SetCaption("OK");
  cmdOK.SetDefault(true);
  cmdOK.SetCancel(true);
  cmdOK.OnClick([this] { cmdOK_Click(); });
  cmdSysInfo.Move(4260, 3075, 1245, 345);
  cmdSysInfo.SetCaption("&System Info...");
  cmdSysInfo.OnClick([this] { cmdSysInfo_Click(); });
}

std::string frmAbout::Caption() const {
  return loaded_ ? caption_ : load_caption();
}

void frmAbout::RunModal() {
  if (!loaded_) Load();
  if (interaction_) {
    try {
      interaction_(*this);
    } catch (...) {
      Unload();
      throw;
    }
  }
  // A box still open when the person is done goes away as on Escape.
  if (loaded_) Unload();
}

void frmAbout::Load() {
  const Application& application = Application::instance();
  caption_ = load_caption();
  lblVersion.SetCaption("Version " + application.version_text());
  lblTitle.SetCaption(application.Title());
  loaded_ = true;
}

void frmAbout::Unload() {
  loaded_ = false;
}

void frmAbout::cmdOK_Click() {
  Unload();
}

void frmAbout::cmdSysInfo_Click() {
  StartSysInfo();
}

void frmAbout::KeyPress(Integer keyAscii) {
  for (CommandButton* button : {&cmdOK, &cmdSysInfo}) {
    if ((keyAscii == kKeyReturn && button->Default()) ||
        (keyAscii == kKeyEscape && button->Cancel())) {
      button->Click();
      return;
    }
  }
}

void frmAbout::StartSysInfo() {
  try {
    std::string path;
    if (!is_true(GetKeyValue(HKEY_LOCAL_MACHINE, kSysInfoKey, kSysInfoValue, path))) {
      if (!is_true(
              GetKeyValue(HKEY_LOCAL_MACHINE, kSysInfoLocationKey, kSysInfoLocationValue, path))) {
        MsgBox(kUnavailable, vbOKOnly, kMessageTitle);
        return;
      }
      path += kSysInfoProgram;
      if (!FileExists(path)) {
        MsgBox(kUnavailable, vbOKOnly, kMessageTitle);
        return;
      }
    }
    start_program_(path, vbNormalFocus);
    return;
  } catch (const std::exception&) {
    // Any failure on the way (a program that cannot start included) ends in the message.
  }
  MsgBox(kUnavailable, vbOKOnly, kMessageTitle);
}

Boolean frmAbout::GetKeyValue(Long KeyRoot, const std::string& KeyName,
                              const std::string& SubKeyRef, std::string& KeyVal) {
  constexpr Long kBufferSize = 1024;
  OpenKey key;
  if (RegOpenKeyExA(KeyRoot, KeyName, 0, KEY_ALL_ACCESS, key.out()) != ERROR_SUCCESS) {
    KeyVal.clear();
    return vbFalse;
  }
  std::string buffer(kBufferSize, '\0');
  Long size = kBufferSize;
  Long type = 0;
  if (RegQueryValueExA(key.get(), SubKeyRef, nullptr, &type, reinterpret_cast<Byte*>(buffer.data()),
                       &size) != ERROR_SUCCESS) {
    KeyVal.clear();
    return vbFalse;
  }
  buffer.resize(static_cast<std::size_t>(std::clamp<Long>(size, 0, kBufferSize)));
  if (type == REG_DWORD) {
    // The value's own bytes, little-endian, as the unsigned number a DWORD is.
    std::uint32_t number = 0;
    for (std::size_t i = std::min<std::size_t>(buffer.size(), 4); i-- > 0;) {
      number = (number << 8) | static_cast<Byte>(buffer[i]);
    }
    KeyVal = std::to_string(number);
    return vbTrue;
  }
  if (!buffer.empty() && buffer.back() == '\0') buffer.pop_back();
  if (type == REG_SZ) KeyVal = buffer;
  return vbTrue;
}

void frmAbout::set_interaction(std::function<void(frmAbout&)> interaction) {
  interaction_ = std::move(interaction);
}

void frmAbout::set_program_starter(ProgramStarter starter) {
  start_program_ = starter ? std::move(starter) : ProgramStarter(Shell);
}

}  // namespace zentrik
