// A shell that carries out nothing and keeps what a shell keeps: each request is a word
// in one log ("repaint 0,0,640,480 now", "start ticks", "level", "status", "close"), in
// which its sound output (a Recorder) logs too; whether its clock runs; the dialog
// showing. A request no shell could carry out is its fault.
#pragma once

#include <functional>
#include <string>

#include "rules/game_host.h"
#include "tests/support/recorder.h"

class RecordingShell final : public Shell {
 public:
  Recorder log;
  bool ticking = false;
  std::string dialog;  // "level", "instructions" or "about" while one shows
  std::string fault;   // the first request no shell could carry out
  // When set, repaints go here instead of the log.
  std::function<void(const Rect&, PaintTime)> onRepaint;

  void Repaint(const Rect& r, PaintTime when) override {
    if (onRepaint) return onRepaint(r, when);
    log.Add("repaint " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
            std::to_string(r.right) + "," + std::to_string(r.bottom) +
            (when == PaintTime::Now ? " now" : ""));
  }
  void StartTicks() override {
    if (ticking) Fault("a running clock started again");
    ticking = true;
    log.Add("start ticks");
  }
  void StopTicks() override {
    ticking = false;
    log.Add("stop ticks");
  }
  bool DialogOpen() override { return !dialog.empty(); }
  void OpenLevelDialog() override { Open("level"); }
  void OpenInstructions() override { Open("instructions"); }
  void OpenAbout() override { Open("about"); }
  void CloseMainWindow() override { log.Add("close"); }
  void StatusChanged() override { log.Add("status"); }

  // The dialogs opened since the log was last emptied.
  int DialogsOpened() const {
    int opened = 0;
    for (const std::string& e : log.events)
      opened += e == "level" || e == "instructions" || e == "about";
    return opened;
  }

 private:
  void Open(const char* which) {
    if (!dialog.empty()) Fault("a dialog opened over another");
    dialog = which;
    log.Add(which);
  }
  void Fault(const char* what) {
    if (fault.empty()) fault = what;
  }
};
