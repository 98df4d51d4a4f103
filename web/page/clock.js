// The clock: while the game needs ticks, a tick every 50 ms, counted from when it
// started, so that timer slop never adds up; ticks missed while the page was hidden
// come due together.
Object.assign(Page, {
  startTicks() {
    Page.stopTicks();
    Page.clock = {origin: performance.now(), done: 0, timer: 0};
    Page.schedule(Page.clock);
  },
  stopTicks() {
    if (Page.clock) clearTimeout(Page.clock.timer);
    Page.clock = null;
  },
  schedule(clock) {
    const wait = clock.origin + (clock.done + 1) * Page.tickMs - performance.now();
    clock.timer = setTimeout(() => Page.ticksDue(clock), Math.max(0, wait));
  },
  ticksDue(clock) {
    if (Page.clock !== clock) return;
    clearTimeout(clock.timer);
    const due = Math.floor((performance.now() - clock.origin) / Page.tickMs) - clock.done;
    if (due > 0) {
      clock.done += due;
      _web_ticks(due);
    }
    if (Page.clock === clock) Page.schedule(clock);
  },
  // A page shown again: the ticks it missed while hidden come due at once.
  onVisibility() {
    if (!document.hidden && Page.clock) Page.ticksDue(Page.clock);
  },
});
