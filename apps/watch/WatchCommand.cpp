// `zentrik watch`: hosts the orvex control on the message loop, drives it with a control script,
// and prints its events and frame rate until the run length is reached, the source ends, or
// Ctrl-C stops capture.
#include <optional>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "watch/WatchOptions.h"
#include "watch/WatchSession.h"

namespace zentrik::cli {

const char* const kWatchHelp =
    "usage: zentrik watch [OPTIONS]\n"
    "\n"
    "Watches a source with the orvex control and prints its motion and color events.\n"
    "With no options it runs the demo: the built-in virtual camera with the zones of\n"
    "examples/demo.zentrik for ten seconds, writing a snapshot into ./zentrik-snapshots when a\n"
    "zone first triggers.\n"
    "\n"
    "options:\n"
    "  --source SRC         a video file, a stream URL (rtsp://, http://, tcp://) or a camera\n"
    "                       (/dev/video0); without it the control picks a camera if there is\n"
    "                       one, else the virtual camera\n"
    "  --script FILE        control script run before capture starts (default: the demo\n"
    "                       script when no --source is given)\n"
    "  --frames N           stop after N frames\n"
    "  --seconds S          stop after S seconds (default: 10 for the demo, else until the\n"
    "                       source ends or Ctrl-C)\n"
    "  --fast               deliver frames as fast as they can be handled (files, tests)\n"
    "  --format text|json   event lines: readable (default) or JSON with time and frame\n"
    "  --snapshots DIR      write a JPEG snapshot into DIR when a zone first triggers, at the\n"
    "                       source's full resolution with the zone's rectangle drawn\n"
    "  --every-trigger      with --snapshots: a snapshot on every trigger, not only the first\n"
    "  --plain-snapshots    with --snapshots: no rectangle drawn\n"
    "  --on-event CMD       run CMD through /bin/sh on each event, with ZENTRIK_EVENT,\n"
    "                       ZENTRIK_LAYER, ZENTRIK_ZONE, ZENTRIK_STATUS, ZENTRIK_PERCENTAGE,\n"
    "                       ZENTRIK_COLOR, ZENTRIK_FRAME and ZENTRIK_TIME in its environment\n"
    "  --quiet-fps          do not print the frames-per-second figure each second\n"
    "  --steady[=SETTINGS]  steady the picture before the control sees it: sensor noise, lone\n"
    "                       flickering points and changes of light raise nothing; SETTINGS\n"
    "                       as tolerance=24,neighbours=2,light=64 (the defaults)\n"
    "  --analyse-fps N      hand the control at most N frames a second of a video file,\n"
    "                       stream or camera; the others are not scaled, and not decoded\n"
    "                       where nothing refers to them\n"
    "  --full-decode        decode pictures in full; otherwise pictures at least 640 x 480\n"
    "                       skip the loop filter, which the 320 x 240 frame cannot show\n"
    "  --retries N          with a stream or camera: reconnection attempts after it drops,\n"
    "                       0 to 1000 (default 8); the pause doubles from 0.5 s up to 10 s\n"
    "  --zone-name L:Z=NAME[,...]  names for zones (letters, digits, _ and -), shown in the\n"
    "                       event lines and used in MQTT topics\n"
    "  --mqtt URL           publish events, zone states and snapshots to an MQTT broker:\n"
    "                       mqtt://[user[:password]@]host[:port][/prefix][?client_id=ID],\n"
    "                       mqtts://... for TLS (see the README for topics and Home Assistant)\n"
    "  --mqtt-ca FILE       with mqtts://: the CA certificate that signed the broker's one\n"
    "  --camera NAME        the camera's name in MQTT topics (default: the host name)\n"
    "  --hold SECONDS       a zone's MQTT state goes OFF only after the zone stayed off this\n"
    "                       long (default 0: every transition as the control raises it);\n"
    "                       LAYER:ZONE=SECONDS for one zone, e.g. --hold 5,1:2=30,1:3=0\n"
    "\n"
    "The first frame evaluated with a layer compares against black, so its transitions and\n"
    "their reversal on the next frame are marked warm-up and take no snapshot.\n"
    "\n"
    "A stream or camera that drops is reconnected; when the attempts give up, the run ends\n"
    "with status 1. Ctrl-C or SIGTERM stops cleanly with status 0 at any moment. Exit status\n"
    "2: a wrong option or script; 1: the source could not be used or was lost.\n";

int run_watch(const std::vector<std::string>& args) {
  WatchSession session(read_watch_options(args));
  if (const std::optional<int> status = session.set_up()) return *status;
  session.run();
  return session.finish();
}

}  // namespace zentrik::cli
