// A camera's zones: the configured script, the page's edits through the control's members, and
// the edits file that keeps them across restarts.
//
// The edits never touch the user's own script. They go to STATE/<camera>.zentrik, a control
// script the host rewrites (atomically) after every edit and runs after the camera's own script
// at start. It holds the final definition of every zone slot the page has changed, so it stays
// small however often the page edits; comment lines a person adds to it are kept.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "camera.h"
#include "zentrik/control/orvex.h"
#include "zentrik/platform/files.h"
#include "zentrik/script/ControlScript.h"

namespace zentrik {
namespace {

const NamedConstant kConstants[] = {{"low", 16}, {"medium", 256}, {"high", 65535}};
// The first three lines of an edits file; the camera's name follows the first.
constexpr const char* kEditsHeader[] = {
    "' Zones edited on the zentrik serve page for camera ",
    "' The server rewrites this file after every edit and runs it after the camera's own script\n",
    "' at start; delete it to go back to that script alone. Comment lines added here are kept.\n"};

void run_checked(const ControlScript& script, Dispatchable& control) {
  ControlScript checked = script;
  checked.check(control.type_info());
  if (!checked.ok()) {
    std::string text;
    for (const std::string& line : checked.messages()) text += (text.empty() ? "" : "\n") + line;
    throw std::runtime_error(text);
  }
  checked.run(control);
}

bool is_zone_member(const std::string& member) {
  return member == "add_motion_detection" || member == "add_color_detection";
}

// Comment lines of an earlier edits file that are not the host's own header.
std::string kept_comments(const std::string& file) {
  std::optional<std::string> text = read_file(file);
  if (!text) return {};
  std::istringstream in(*text);
  std::string line, kept;
  int line_number = 0;
  const int header_lines = 3;
  while (std::getline(in, line)) {
    ++line_number;
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line_number <= header_lines) continue;
    if (line[first] == '\'' || line[first] == '#') kept += line + "\n";
  }
  return kept;
}

}  // namespace

void Camera::run_scripts() {
  if (!config_.script.empty()) {
    run_checked(ControlScript::load(config_.script, kConstants), *control_);
  } else if (!services_.default_script_text.empty()) {
    run_checked(ControlScript::parse(services_.default_script_text, services_.default_script_name,
                                     kConstants),
                *control_);
  }
  if (!FileExists(edits_file_)) return;
  const ControlScript edits = ControlScript::load(edits_file_, kConstants);
  for (const ScriptStatement& statement : edits.statements()) {
    if (!is_zone_member(statement.member) || statement.arguments.size() < 2) continue;
    edited_slots_.insert({static_cast<int>(statement.arguments[0].number),
                          static_cast<int>(statement.arguments[1].number)});
  }
  run_checked(edits, *control_);
}

void Camera::set_zone(int layer, int zone, bool color_kind, int left, int top, int width,
                      int height, long color, int percentage) {
  Integer l = static_cast<Integer>(layer), z = static_cast<Integer>(zone);
  Integer x = static_cast<Integer>(left), y = static_cast<Integer>(top);
  Integer w = static_cast<Integer>(width), h = static_cast<Integer>(height);
  Integer p = static_cast<Integer>(percentage);
  Long c = static_cast<Long>(color);
  std::vector<Variant> args{Variant::ref(l), Variant::ref(z), Variant::ref(x),
                            Variant::ref(y), Variant::ref(w), Variant::ref(h)};
  if (color_kind) args.push_back(Variant::ref(c));
  args.push_back(Variant::ref(p));
  invoke(color_kind ? "add_color_detection" : "add_motion_detection", MemberKind::Method, args);
  edited_slots_.insert({layer, zone});
}

// The control shows a layer's outlines when `layer` is written; a host that changes the zones of
// the active layer writes it again so the outlines follow.
void Camera::refresh_outlines(int edited_layer) {
  if (control_->layer() == edited_layer) put("layer", Variant(control_->layer()));
  publish_outlines_if_changed();
}

void Camera::add_zone(const ZoneEdit& e) {
  set_zone(e.layer, e.zone, e.color_kind, e.left, e.top, e.width, e.height, e.color, e.percentage);
  save_edits();
  refresh_outlines(e.layer);
}

void Camera::remove_zone(int layer, int zone, bool color_kind) {
  const OrvexState& s = control_->state();
  const Integer l = static_cast<Integer>(layer), z = static_cast<Integer>(zone);
  if ((color_kind ? s.color_percentage(l, z) : s.motion_percentage(l, z)) <= 0) {
    throw ApiError(404, std::string("there is no ") + (color_kind ? "colour" : "motion") +
                            " zone " + std::to_string(zone) + " in layer " + std::to_string(layer));
  }
  // Percentage 0 takes a zone out of evaluation and outlines; its geometry stays.
  if (color_kind) {
    set_zone(layer, zone, true, s.color_left(l, z), s.color_top(l, z), s.color_width(l, z),
             s.color_height(l, z), s.color_value(l, z), 0);
  } else {
    set_zone(layer, zone, false, s.motion_left(l, z), s.motion_top(l, z), s.motion_width(l, z),
             s.motion_height(l, z), 0, 0);
  }
  save_edits();
  refresh_outlines(layer);
}

void Camera::clear_layer(int layer) {
  const OrvexState& s = control_->state();
  const Integer l = static_cast<Integer>(layer);
  for (Integer z = 1; z <= kZonesPerLayer; ++z) {
    if (s.motion_percentage(l, z) > 0 || s.color_percentage(l, z) > 0) {
      edited_slots_.insert({layer, z});
    }
  }
  if (control_->layer() != l) {
    Integer which = l;
    std::vector<Variant> args{Variant::ref(which)};
    invoke("Clear", MemberKind::Method, args);
  } else {
    // The control never clears the active layer; the host takes its zones out one by one.
    for (Integer z = 1; z <= kZonesPerLayer; ++z) {
      if (s.motion_percentage(l, z) > 0) {
        set_zone(layer, z, false, s.motion_left(l, z), s.motion_top(l, z), s.motion_width(l, z),
                 s.motion_height(l, z), 0, 0);
      }
      if (s.color_percentage(l, z) > 0) {
        set_zone(layer, z, true, s.color_left(l, z), s.color_top(l, z), s.color_width(l, z),
                 s.color_height(l, z), s.color_value(l, z), 0);
      }
    }
  }
  save_edits();
  refresh_outlines(layer);
}

void Camera::save_edits() {
  std::filesystem::create_directories(services_.state_dir);
  const OrvexState& s = control_->state();
  char line[160];
  std::string text = kEditsHeader[0] + id() + "\n" + kEditsHeader[1] + kEditsHeader[2] +
                     kept_comments(edits_file_);
  for (const auto& [layer, zone] : edited_slots_) {
    const Integer l = static_cast<Integer>(layer), z = static_cast<Integer>(zone);
    if (s.motion_percentage(l, z) > 0 || s.motion_width(l, z) != 0 || s.motion_height(l, z) != 0) {
      std::snprintf(line, sizeof line, "add_motion_detection %d, %d, %d, %d, %d, %d, %d\n", l, z,
                    s.motion_left(l, z), s.motion_top(l, z), s.motion_width(l, z),
                    s.motion_height(l, z), std::max<int>(0, s.motion_percentage(l, z)));
      text += line;
    }
    if (s.color_percentage(l, z) > 0 || s.color_width(l, z) != 0 || s.color_height(l, z) != 0) {
      std::snprintf(line, sizeof line, "add_color_detection %d, %d, %d, %d, %d, %d, &H%06lX, %d\n",
                    l, z, s.color_left(l, z), s.color_top(l, z), s.color_width(l, z),
                    s.color_height(l, z),
                    static_cast<unsigned long>(static_cast<std::uint32_t>(s.color_value(l, z))),
                    std::max<int>(0, s.color_percentage(l, z)));
      text += line;
    }
  }
  ReplacingFileWriter writer;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  if (!writer.open(edits_file_) || writer.write({bytes, text.size()}) != text.size() ||
      !writer.commit()) {
    throw ApiError(507, "cannot save the zone edits to " + edits_file_ + ": " +
                            std::strerror(static_cast<int>(writer.error())));
  }
}

}  // namespace zentrik
