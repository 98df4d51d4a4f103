// The input: the keys, wherever they arrive, and the presses on the board.
Object.assign(Page, {
  // Keys: the shortcut keys (the browser's own use of them prevented), Alt and a menu's
  // mnemonic, the menus' keys, and a typed character for the board, by character as
  // the desktop games take it.
  onKey(event) {
    Page.wakeAudio();
    if (Page.ended) return;
    const plain = !event.altKey && !event.ctrlKey && !event.metaKey;
    const shortcut = Page.shortcuts[event.key];
    if (shortcut !== undefined && plain && !event.shiftKey) {
      event.preventDefault();
      if (Page.dialog) return;  // a modal dialog takes the keys
      Page.closeMenu(true);
      return Page.command(shortcut);
    }
    if (Page.dialog) return;
    if (event.altKey && !event.ctrlKey && !event.metaKey && event.key.length === 1) {
      const menu = Page.menus.find(m => m.mnemonic === event.key.toLowerCase());
      if (menu) {
        event.preventDefault();
        if (Page.openMenu === menu) Page.closeMenu();
        else Page.showMenu(menu, true);
        return;
      }
    }
    if (Page.openMenu) return Page.menuKey(event);
    if (document.activeElement !== Page.canvas && document.activeElement !== document.body) return;
    if (plain && event.key.length === 1 && event.key.charCodeAt(0) <= 0x7f)
      _web_typed(event.key.charCodeAt(0), event.repeat ? 1 : 0);
  },
  // A press of the primary button, a pen or a finger, in device pixels.
  onPointer(event) {
    Page.wakeAudio();
    if (event.button !== 0 || Page.ended) return;
    if (Page.openMenu) return Page.closeMenu();
    Page.canvas.focus();
    const box = Page.canvas.getBoundingClientRect();
    _web_click(Math.floor((event.clientX - box.left) * Page.ratio),
               Math.floor((event.clientY - box.top) * Page.ratio));
  },
});
