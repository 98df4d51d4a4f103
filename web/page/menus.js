// The menu bar: built item by item from the game's table (labels, mnemonics, shortcut
// keys, check marks), opened and closed by key and by pointer; the commands its
// items and keys send the game; and the menus' state and the status line the game shows.
Object.assign(Page, {
  // A label with its mnemonic (an index into the text, -1 for none) underlined.
  label(text, mnemonic) {
    const span = document.createElement('span');
    if (mnemonic < 0) {
      span.textContent = text;
      return {span, mnemonic: ''};
    }
    const letter = text.charAt(mnemonic);
    span.append(text.slice(0, mnemonic), Page.element('u', {text: letter}),
                text.slice(mnemonic + 1));
    return {span, mnemonic: letter.toLowerCase()};
  },

  // The menu bar, built item by item from the game's table.
  addMenuItem(menuText, menuMnemonic, itemText, itemMnemonic, key, checkable, command,
              separatorBefore) {
    let menu = Page.menus[Page.menus.length - 1];
    if (!menu || menu.text !== menuText) {
      const title = Page.label(menuText, menuMnemonic);
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
    const label = Page.label(itemText, itemMnemonic);
    const item = Page.element('div', {role: checkable ? 'menuitemcheckbox' : 'menuitem',
                                      'data-command': command, tabindex: '-1',
                                      'aria-disabled': 'false'},
                              [label.span, Page.element('span', {class: 'key', text: key})]);
    if (checkable) item.setAttribute('aria-checked', 'false');
    if (key) {
      item.setAttribute('aria-keyshortcuts', key);
      Page.shortcuts[key] = command;
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
  // Enter, Space or Down on a menu's button opens it, its first item chosen.
  menubarKey(event) {
    const menu = Page.menus.find(m => m.button === document.activeElement);
    if (menu && !Page.openMenu && ['Enter', ' ', 'ArrowDown'].includes(event.key)) {
      event.preventDefault();
      event.stopPropagation();
      Page.showMenu(menu, true);
    }
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
  // A press outside the open menu closes it; one on the board is the board's (onPointer).
  pressOutsideMenu(event) {
    if (Page.openMenu && !Page.openMenu.list.parentNode.contains(event.target) &&
        event.target !== Page.canvas)
      Page.closeMenu(true);
  },

  // What the game shows beside the board: the menu's state, the status line told to
  // screen readers, the board's keys.
  showState(enabled, checked, statusLine, boardKeys) {
    Page.items.forEach((item, command) => {
      item.setAttribute('aria-disabled', String((enabled & (1 << command)) === 0));
      if (item.hasAttribute('aria-checked'))
        item.setAttribute('aria-checked', String((checked & (1 << command)) !== 0));
    });
    if (statusLine !== Page.lastStatus) {
      Page.lastStatus = statusLine;
      document.getElementById('status').textContent = statusLine;
    }
    document.getElementById('board-keys').textContent = boardKeys;
  },
});
