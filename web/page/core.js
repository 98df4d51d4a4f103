// The browser game's page, its core: the one object `Page` that the other modules of
// this folder add their parts to, the state they share, the helpers they all use, and
// the page's start and end. The page carries out for the game (main.cpp), which decides
// everything. The modules are built into the program's script ahead of its own code,
// this one first (web/CMakeLists.txt), so the game's calls find `Page` whole:
//   canvas.js   the canvas's size, the drawing, the repaints
//   clock.js    the ticks
//   audio.js    Web Audio: the one voice, its wake and rest
//   menus.js    the menu bar, its labels and keys, the commands, the state shown
//   dialogs.js  the dialogs
//   input.js    the keys and the presses on the board
'use strict';

var Page = {
  text: {},            // the dialogs' texts, by name, from the game
  shortcuts: {},       // key name ("F2") -> command
  menus: [],           // {button, list, mnemonic}
  items: [],           // menu items by command
  entries: [[], []],   // the Level dialog's board and skill entries
  dialog: null,        // the dialog open
  openMenu: null,
  clock: null,         // {origin, done, timer} while the game needs ticks
  ratio: 1,
  paintPending: false,
  painted: false,
  ended: false,
  audio: null,         // {context, buffers, voice, release}
  soundClosed: false,
  lastStatus: '',
  charWidths: {},

  element(tag, attributes, children) {
    const node = document.createElement(tag);
    for (const name of Object.keys(attributes || {})) {
      if (name === 'text') node.textContent = attributes[name];
      else node.setAttribute(name, attributes[name]);
    }
    for (const child of children || []) node.append(child);
    return node;
  },

  // A Latin-1 string of the game's memory (NUL-ended when `length` is left out).
  latin1(pointer, length) {
    let text = '';
    for (let i = 0; length === undefined ? HEAPU8[pointer + i] !== 0 : i < length; ++i)
      text += String.fromCharCode(HEAPU8[pointer + i]);
    return text;
  },

  setup(tickMs) {
    Page.tickMs = tickMs;
  },

  // The page's start, once the game's main has run: the canvas, the dialogs, and each
  // module's events.
  start() {
    Page.canvas = document.getElementById('board');
    Page.context = Page.canvas.getContext('2d', {alpha: false});
    Page.makeDialogs();
    document.getElementById('menubar').addEventListener('keydown', Page.menubarKey);
    document.addEventListener('keydown', Page.onKey);
    // A touch lets sound start only as it ends: a tap's pointerdown is no gesture yet.
    document.addEventListener('pointerup', Page.wakeAudio);
    document.addEventListener('pointerdown', Page.pressOutsideMenu);
    Page.canvas.addEventListener('pointerdown', Page.onPointer);
    document.addEventListener('visibilitychange', Page.onVisibility);
    addEventListener('pagehide', () => _web_end());
    Page.observeSize();
    Page.canvas.focus();
    // Without it (a private window, an insecure origin) the game plays, online only.
    if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').catch(() => {});
  },

  // Quitter: the session is over; the page says so and offers a new one.
  endSession() {
    Page.ended = true;  // the game has stopped its ticks and closed its sound already
    Page.closeMenu(true);
    if (Page.dialog) Page.finishDialog('', Page.dialog, '');
    document.getElementById('game').hidden = true;
    const ended = document.getElementById('ended');
    ended.querySelector('p').textContent = Page.text.ended;
    const again = ended.querySelector('button');
    again.textContent = Page.text.restart;
    again.addEventListener('click', () => location.reload());
    ended.hidden = false;
    again.focus();
    document.documentElement.dataset.session = 'ended';
  },
};

Module['postRun'] = [Page.start];
