// The browser game's page: the canvas, the menu bar, the dialogs, the clock and Web Audio,
// carried out for the game (main.cpp), which decides everything. Built into the
// program's script ahead of its own code, so the game's calls find `Page`.
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

  // "Ni&veau...\tF3": the label with its mnemonic underlined, the mnemonic, the key.
  label(text) {
    const [shown, key] = text.split('\t');
    const at = shown.indexOf('&');
    const span = document.createElement('span');
    if (at < 0) {
      span.textContent = shown;
      return {span, mnemonic: '', key: key || ''};
    }
    const mnemonic = shown.charAt(at + 1);
    span.append(shown.slice(0, at), Page.element('u', {text: mnemonic}), shown.slice(at + 2));
    return {span, mnemonic: mnemonic.toLowerCase(), key: key || ''};
  },

  // A text's lines, broken where it breaks them.
  lines(text) {
    return text.split('\n').flatMap((line, i) => i ? [document.createElement('br'), line] : [line]);
  },

  // Drawing, in the canvas's device pixels.
  css(colour) { return '#' + (colour >>> 0).toString(16).padStart(6, '0'); },
  colourOf(cssColour) {
    const [r, g, b] = cssColour.match(/\d+/g).map(Number);
    return (r << 16) | (g << 8) | b;
  },
  textColour() { return Page.colourOf(getComputedStyle(Page.canvas).color); },
  background() { return Page.colourOf(getComputedStyle(Page.canvas).backgroundColor); },
  fill(left, top, right, bottom, colour) {
    Page.context.fillStyle = Page.css(colour);
    Page.context.fillRect(left, top, right - left, bottom - top);
  },
  // Runs of three pixels on, three off, from the first point up to the last (left out),
  // each run a filled rectangle: a canvas stroke would blur the dots.
  dottedLine(x0, y0, x1, y1, colour) {
    const dx = Math.sign(x1 - x0), dy = Math.sign(y1 - y0);
    const length = Math.max(Math.abs(x1 - x0), Math.abs(y1 - y0));
    Page.context.fillStyle = Page.css(colour);
    for (let i = 0; i < length; i += 6) {
      const run = Math.min(3, length - i) - 1;
      const xa = x0 + dx * i, ya = y0 + dy * i, xb = xa + dx * run, yb = ya + dy * run;
      Page.context.fillRect(Math.min(xa, xb), Math.min(ya, yb), Math.abs(xb - xa) + 1,
                            Math.abs(yb - ya) + 1);
    }
  },
  // The status font: Arial (or its metric twin) at the points' device pixels, rounded.
  font(points) {
    return Math.max(1, Math.round(points * 96 * Page.ratio / 72)) + 'px Arial, "Liberation Sans"';
  },
  writeText(text, left, top, right, bottom, colour, points, centred) {
    const context = Page.context;
    context.font = Page.font(points);
    context.fillStyle = Page.css(colour);
    context.textAlign = centred ? 'center' : 'left';
    context.textBaseline = 'alphabetic';
    const measure = context.measureText(text);
    const ascent = measure.fontBoundingBoxAscent, descent = measure.fontBoundingBoxDescent;
    const baseline = top + Math.round((bottom - top - (ascent + descent)) / 2 + ascent);
    context.fillText(text, centred ? Math.floor((left + right) / 2) : left, baseline);
  },
  // A font's average character width as desktop fonts state it: the mean width of the
  // lowercase letters and the space, weighted by how often each occurs in text.
  averageCharWidth(points) {
    const font = Page.font(points);
    if (Page.charWidths[font] === undefined) {
      const weights = [64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6, 35, 20, 56, 56, 17, 4, 49, 56,
                       71, 31, 10, 18, 3, 18, 2];
      Page.context.font = font;
      let sum = 166 * Page.context.measureText(' ').width;
      weights.forEach((weight, i) => {
        sum += weight * Page.context.measureText(String.fromCharCode(97 + i)).width;
      });
      Page.charWidths[font] = Math.round(sum / 1000);
    }
    return Page.charWidths[font];
  },
  // The whole board at the next frame, or at once.
  repaint(now) {
    if (now) return _web_paint();
    if (Page.paintPending) return;
    Page.paintPending = true;
    requestAnimationFrame(() => {
      Page.paintPending = false;
      if (!Page.ended) _web_paint();
    });
  },
  // The canvas takes the device pixels of its box, at the device's current ratio.
  fitCanvas(width, height) {
    Page.ratio = window.devicePixelRatio || 1;
    Page.charWidths = {};
    Page.canvas.width = width;
    Page.canvas.height = height;
    _web_resize(width, height);
    if (!Page.painted) {
      Page.painted = true;
      requestAnimationFrame(() => {
        performance.mark('board-shown');  // the first frame showing the board, for measures
        setTimeout(Page.makeAudio, 0);
      });
    }
  },
  // Where the engine reports no device-pixel box (WebKit): the content box's edges
  // snapped to device pixels, as the engines snap the canvas where they draw it.
  snappedSize() {
    const box = Page.canvas.getBoundingClientRect(), ratio = window.devicePixelRatio || 1;
    const snap = edge => Math.round(edge * ratio);
    return [snap(box.right) - snap(box.left), snap(box.bottom) - snap(box.top)];
  },
  // The canvas follows its box and the device's ratio. A new ratio (a zoom, another
  // screen) has the box observed afresh, which reports it again in the new pixels.
  observeSize() {
    const observer = new ResizeObserver(entries => {
      const box = entries[entries.length - 1].devicePixelContentBoxSize;
      if (Page.ended) return;
      if (box) Page.fitCanvas(box[0].inlineSize, box[0].blockSize);
      else Page.fitCanvas(...Page.snappedSize());
    });
    const observe = () => {
      try {
        observer.observe(Page.canvas, {box: 'device-pixel-content-box'});
      } catch (error) {
        observer.observe(Page.canvas);
      }
    };
    const followRatio = () => {
      matchMedia('(resolution: ' + window.devicePixelRatio + 'dppx)').addEventListener('change', () => {
        observer.unobserve(Page.canvas);
        observe();
        followRatio();
      }, {once: true});
    };
    observe();
    followRatio();
  },

  // The clock: a tick every 50 ms, counted from when it started, so that timer slop
  // never adds up; ticks missed while the page was hidden come due together.
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

  // Web Audio: one voice; a sound that stops or is replaced fades over the release.
  // After a while of silence the context rests (no processor time, as the desktop
  // games' streams rest) and the next sound wakes it.
  makeAudio() {
    if (Page.audio || Page.soundClosed) return;
    let context;
    try {
      context = new AudioContext({latencyHint: 0.001});
    } catch (error) {
      return;  // no audio: the game plays on silently
    }
    const audio = {context, buffers: [], voice: null, quietAt: 0, resting: false, restTimer: 0,
                   started: false, lead: 128 / context.sampleRate, leadMeasured: false};
    Page.audio = audio;
    context.addEventListener('statechange', () => {
      if (context.state !== 'running') return;
      audio.started = true;
      Page.measureLead(audio);
    });
    _web_hand_sounds();
    Page.restSoon();
  },
  // How far past its currentTime the engine may have rendered already: a fade that began
  // there would start part-way down, with a step. A render quantum at least; the engine's
  // own processing latency where it states one (a quantum in Chromium and WebKit); where
  // it does not (Firefox, which renders about 20 ms at a time), the largest step of
  // currentTime seen in its first 100 ms of running.
  measureLead(audio) {
    if (audio.leadMeasured) return;
    audio.leadMeasured = true;
    const context = audio.context, until = performance.now() + 100;
    audio.lead = Math.max(audio.lead, context.baseLatency || 0);
    if (context.baseLatency > 0) return;
    let last = context.currentTime;
    const look = () => {
      const now = context.currentTime;
      if (last > 0 && now > last) audio.lead = Math.max(audio.lead, now - last);
      last = now;
      if (performance.now() < until && context.state === 'running') setTimeout(look, 1);
    };
    look();
  },
  setupAudio(releaseMs, idleMs) {
    Page.audio.release = releaseMs / 1000;
    Page.audio.idleMs = idleMs;
  },
  addSound(id, samples, rate) {
    const buffer = Page.audio.context.createBuffer(1, samples.length, rate);
    const data = buffer.getChannelData(0);
    for (let i = 0; i < samples.length; ++i) data[i] = samples[i] / 32768;
    Page.audio.buffers[id] = buffer;
  },
  // The first key, click or tap starts the page's sound (the browsers' autoplay rule),
  // even at rest: Safari lets it start within such a gesture only, and the game's first
  // note comes later, at a tick. Once started, it wakes by itself when a sound plays;
  // a gesture brings it back after an interruption (a phone call). A resume outside a
  // gesture may be refused; the next gesture tries again.
  wakeAudio() {
    const audio = Page.audio;
    if (!audio || audio.context.state === 'running' || (audio.resting && audio.started)) return;
    audio.context.resume().catch(() => {});
    Page.restSoon();
  },
  restSoon() {
    const audio = Page.audio;
    clearTimeout(audio.restTimer);
    audio.restTimer = setTimeout(() => {
      if (audio.voice && !audio.voice.ended) return;
      audio.resting = true;
      audio.context.suspend().catch(() => {});
    }, audio.idleMs);
  },
  play(id, loop) {
    const audio = Page.audio;
    if (!audio || !audio.buffers[id]) return;
    const context = audio.context;
    clearTimeout(audio.restTimer);
    if (audio.resting) {
      audio.resting = false;
      context.resume().catch(() => {});
    }
    // After the fade of whatever sounded last, as one voice plays. The sounds' first
    // samples step up from silence; a rise over the first millisecond keeps that step
    // no larger than the notes' own (the browser takes the sounds to the device's rate
    // by straight lines between samples, which keeps such a step).
    const start = Math.max(Page.stop(), audio.quietAt, context.currentTime);
    const source = context.createBufferSource();
    source.buffer = audio.buffers[id];
    source.loop = loop !== 0;
    const gain = context.createGain();
    gain.gain.setValueAtTime(0, start);
    gain.gain.linearRampToValueAtTime(1, start + 0.001);
    source.connect(gain).connect(context.destination);
    source.start(start);
    const voice = {source, gain, ended: false};
    source.onended = () => {
      voice.ended = true;
      if (audio.voice === voice) Page.restSoon();
    };
    audio.voice = voice;
  },
  // The fade starts past what the engine may have rendered already (the lead).
  stop(audio = Page.audio) {
    const voice = audio && audio.voice;
    if (!voice || voice.ended) return 0;
    const begin = audio.context.currentTime + audio.lead;
    voice.gain.gain.setValueAtTime(1, begin);
    voice.gain.gain.linearRampToValueAtTime(0, begin + audio.release);
    voice.source.stop(begin + audio.release);
    audio.voice = null;
    audio.quietAt = begin + audio.release;
    if (audio === Page.audio) Page.restSoon();
    return audio.quietAt;
  },
  // The sound ends as a stop does, faded, and the context closes after the fade.
  closeSound() {
    const audio = Page.audio;
    Page.audio = null;
    Page.soundClosed = true;
    if (audio) {
      clearTimeout(audio.restTimer);
      // Closed once the fade has been heard: closing drops what the output still holds.
      Page.stop(audio);
      const heard = audio.quietAt + (audio.context.outputLatency || 0.1);
      const wait = Math.max(0, heard - audio.context.currentTime) * 1000 + 20;
      setTimeout(() => audio.context.close().then(Page.soundEnded, Page.soundEnded), wait);
    } else {
      Page.soundEnded();
    }
  },
  soundEnded() {
    document.documentElement.dataset.sound = 'closed';
  },
  setup(tickMs, soundCommand) {
    Page.tickMs = tickMs;
    Page.soundCommand = soundCommand;
  },

  // The menu bar, built item by item from the game's table.
  addMenuItem(menuText, itemText, command, separatorBefore) {
    let menu = Page.menus[Page.menus.length - 1];
    if (!menu || menu.text !== menuText) {
      const title = Page.label(menuText);
      const id = 'menu-' + Page.menus.length;
      const button = Page.element('button', {id, role: 'menuitem', 'aria-haspopup': 'menu',
                                             'aria-expanded': 'false', tabindex: '-1'},
                                  [title.span]);
      const list = Page.element('div', {role: 'menu', 'aria-labelledby': id, hidden: ''});
      menu = {text: menuText, button, list, mnemonic: title.mnemonic, entries: []};
      button.addEventListener('click', () => Page.toggleMenu(menu));
      button.addEventListener('pointerenter', () => {
        if (Page.openMenu && Page.openMenu !== menu) Page.showMenu(menu, false);
      });
      Page.menus.push(menu);
      document.getElementById('menubar').append(Page.element('div', {class: 'menu'},
                                                             [button, list]));
    }
    if (separatorBefore) menu.list.append(Page.element('div', {role: 'separator'}));
    const label = Page.label(itemText);
    const checkable = command === Page.soundCommand;
    const item = Page.element('div', {role: checkable ? 'menuitemcheckbox' : 'menuitem',
                                      'data-command': command, tabindex: '-1',
                                      'aria-disabled': 'false'},
                              [label.span, Page.element('span', {class: 'key', text: label.key})]);
    if (checkable) item.setAttribute('aria-checked', 'false');
    if (label.key) {
      item.setAttribute('aria-keyshortcuts', label.key);
      Page.shortcuts[label.key] = command;
    }
    // Any command that arrives goes to the game, which refuses what its state refuses;
    // a greyed item leaves its menu open.
    item.addEventListener('click', () => {
      if (item.getAttribute('aria-disabled') !== 'true') Page.closeMenu();
      Page.command(command);
    });
    item.addEventListener('pointerenter', () => item.focus());
    menu.list.append(item);
    menu.entries.push({item, mnemonic: label.mnemonic});
    Page.items[command] = item;
  },
  command(command) {
    Page.wakeAudio();
    if (!Page.ended) _web_command(command);
    if (!Page.dialog && !Page.openMenu && !Page.ended) Page.canvas.focus();
  },
  showMenu(menu, focusFirst) {
    if (Page.openMenu && Page.openMenu !== menu) Page.closeMenu(true);
    Page.openMenu = menu;
    menu.list.hidden = false;
    menu.button.setAttribute('aria-expanded', 'true');
    (focusFirst ? menu.entries[0].item : menu.button).focus();
  },
  toggleMenu(menu) {
    if (Page.openMenu === menu) Page.closeMenu();
    else Page.showMenu(menu, false);
  },
  closeMenu(keepFocus) {
    const menu = Page.openMenu;
    if (!menu) return;
    Page.openMenu = null;
    menu.list.hidden = true;
    menu.button.setAttribute('aria-expanded', 'false');
    if (!keepFocus) Page.canvas.focus();
  },
  // Keys while a menu is open: arrows move, Enter or Space choose, a mnemonic chooses
  // its item, Esc closes.
  menuKey(event) {
    const menu = Page.openMenu;
    const items = menu.entries.map(entry => entry.item);
    const at = items.indexOf(document.activeElement);
    const move = step => items[(at + step + items.length) % items.length].focus();
    const other = step => Page.menus[(Page.menus.indexOf(menu) + step + Page.menus.length) %
                                     Page.menus.length];
    switch (event.key) {
      case 'ArrowDown': at < 0 ? items[0].focus() : move(1); break;
      case 'ArrowUp': at < 0 ? items[items.length - 1].focus() : move(-1); break;
      case 'Home': items[0].focus(); break;
      case 'End': items[items.length - 1].focus(); break;
      case 'ArrowRight': Page.showMenu(other(1), true); break;
      case 'ArrowLeft': Page.showMenu(other(-1), true); break;
      case 'Escape': case 'Tab': Page.closeMenu(); break;
      case 'Enter': case ' ':
        if (at >= 0) items[at].click();
        else Page.showMenu(menu, true);
        break;
      default: {
        const entry = menu.entries.find(e => e.mnemonic && e.mnemonic === event.key.toLowerCase());
        if (entry && !event.altKey && !event.ctrlKey) entry.item.click();
        else return;
      }
    }
    event.preventDefault();
  },

  // What the game shows beside the board: the menu's state, the status line told to
  // screen readers, the board's keys.
  showState(enabled, soundChecked, statusLine, boardKeys) {
    Page.items.forEach((item, command) => {
      item.setAttribute('aria-disabled', String((enabled & (1 << command)) === 0));
    });
    Page.items[Page.soundCommand].setAttribute('aria-checked', String(soundChecked !== 0));
    if (statusLine !== Page.lastStatus) {
      Page.lastStatus = statusLine;
      document.getElementById('status').textContent = statusLine;
    }
    document.getElementById('board-keys').textContent = boardKeys;
  },

  // The dialogs, made once from the game's texts and shown modally.
  setText(name, text) { Page.text[name] = text.replace(/\r\n/g, '\n'); },
  addLevelEntry(list, text) { Page.entries[list].push(text); },
  // A dialog closes at once when a button or Esc says so: it is no longer open for the
  // game from that moment, and the Level choice is applied then.
  makeDialog(name, children, buttons) {
    const t = Page.text;
    const caption = Page.element('h2', {class: 'caption', id: name + '-caption',
                                        text: t[name + 'Caption']});
    const row = Page.element('div', {class: 'buttons'}, buttons.map(([value, text]) =>
        Page.element('button', {type: 'button', value, text})));
    const dialog = Page.element('dialog', {id: name + '-dialog', 'aria-labelledby': caption.id},
                                [caption, ...children, row]);
    const finish = value => Page.finishDialog(name, dialog, value);
    row.addEventListener('click', event => {
      if (event.target.value) finish(event.target.value);
    });
    dialog.addEventListener('keydown', event => {  // Enter: the first button, the default
      if (event.key === 'Enter' && !['BUTTON', 'TEXTAREA'].includes(event.target.tagName)) {
        event.preventDefault();
        finish(buttons[0][0]);
      }
    });
    dialog.addEventListener('cancel', event => {
      event.preventDefault();
      finish('');
    });
    // A close by the browser itself; a close event that comes after the dialog was
    // opened again is an old one.
    dialog.addEventListener('close', () => {
      if (!dialog.open) finish('');
    });
    document.body.append(dialog);
    return dialog;
  },
  makeDialogs() {
    const t = Page.text;
    const list = (id, entries) => Page.element('select', {id},
        entries.map(text => Page.element('option', {text})));
    Page.dialogs = {
      level: Page.makeDialog('level', [
        Page.element('p', {text: t.levelPrompt}),
        Page.element('div', {class: 'form'}, [
          Page.element('label', {for: 'board-list', text: t.levelBoard}),
          list('board-list', Page.entries[0]),
          Page.element('label', {for: 'skill-list', text: t.levelSkill}),
          list('skill-list', Page.entries[1])])],
        [['ok', t.ok], ['cancel', t.cancel]]),
      instructions: Page.makeDialog('instructions', [
        Page.element('textarea', {class: 'text', readonly: '', lang: 'en', rows: '18',
                                  'aria-label': t.instructionsCaption})],
        [['close', t.close]]),
      about: Page.makeDialog('about', [
        Page.element('div', {class: 'about'}, [
          Page.element('img', {src: 'icon.svg', alt: '', width: '32', height: '32'}),
          Page.element('p', {class: 'text', lang: 'en'}, Page.lines(t.aboutText))])],
        [['ok', t.ok]]),
    };
    Page.dialogs.instructions.querySelector('textarea').value = t.helpText;
  },
  dialogOpen() { return Page.dialog ? 1 : 0; },
  openDialog(name, board, skill) {
    const dialog = Page.dialogs[name];
    Page.closeMenu(true);
    if (name === 'level') {
      dialog.querySelector('#board-list').selectedIndex = board;
      dialog.querySelector('#skill-list').selectedIndex = skill;
    }
    Page.dialog = dialog;
    dialog.showModal();
    const text = dialog.querySelector('textarea');
    if (text) {
      text.scrollTop = 0;
      text.setSelectionRange(0, 0);
    }
  },
  finishDialog(name, dialog, value) {
    if (Page.dialog !== dialog) return;
    Page.dialog = null;
    if (dialog.open) dialog.close();
    if (Page.ended) return;
    Page.canvas.focus();
    if (name === 'level' && value === 'ok') {
      _web_choose_level(dialog.querySelector('#board-list').selectedIndex,
                        dialog.querySelector('#skill-list').selectedIndex);
    }
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

  start() {
    Page.canvas = document.getElementById('board');
    Page.context = Page.canvas.getContext('2d', {alpha: false});
    Page.makeDialogs();
    document.getElementById('menubar').addEventListener('keydown', event => {
      const menu = Page.menus.find(m => m.button === document.activeElement);
      if (menu && !Page.openMenu && ['Enter', ' ', 'ArrowDown'].includes(event.key)) {
        event.preventDefault();
        event.stopPropagation();
        Page.showMenu(menu, true);
      }
    });
    document.addEventListener('keydown', Page.onKey);
    // A touch lets sound start only as it ends: a tap's pointerdown is no gesture yet.
    document.addEventListener('pointerup', Page.wakeAudio);
    document.addEventListener('pointerdown', event => {
      if (Page.openMenu && !Page.openMenu.list.parentNode.contains(event.target) &&
          event.target !== Page.canvas)
        Page.closeMenu(true);
    });
    Page.canvas.addEventListener('pointerdown', Page.onPointer);
    document.addEventListener('visibilitychange', () => {
      if (!document.hidden && Page.clock) Page.ticksDue(Page.clock);
    });
    addEventListener('pagehide', () => _web_end());
    Page.observeSize();
    Page.canvas.focus();
    // Without it (a private window, an insecure origin) the game plays, online only.
    if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').catch(() => {});
  },
};

Module['postRun'] = [Page.start];
