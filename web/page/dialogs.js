// The dialogs (Level, the instructions, About), made once from the game's texts and
// shown modally when the game opens one; the Level choice handed back to it.
Object.assign(Page, {
  // A text's lines, broken where it breaks them.
  lines(text) {
    return text.split('\n').flatMap((line, i) => i ? [document.createElement('br'), line] : [line]);
  },

  // The texts (by name) and the Level dialog's entries, from the game.
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
});
