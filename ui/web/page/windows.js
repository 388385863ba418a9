// The windows of a fesk web session drawn from the runtime's snapshots: the
// frame's menus and tool bar, and each window's controls. Record values are
// always set as text, never as markup. (Loaded first.)
'use strict';

// ---- Windows ------------------------------------------------------------------------

function receive(m) {
  switch (m.t) {
    case 'window': return showWindow(m);
    case 'closed': return closeWindow(m.handle);
    case 'box': return showBox(m);
    case 'beep': return bell();
    case 'help': return showHelp(m.id);
    case 'action': return standardAction(m.action);
    case 'front': return bringToFront(m.window);
    case 'ending': endingReason = m.reason; return;
    case 'idle': return warnIdle(m.seconds);
    case 'ended': return ended(endedText(m));
    case 'file': return download(m.name);
    case 'progress': return showProgress(m);
    default: return;
  }
}

function showWindow(m) {
  let w = windows.get(m.handle);
  if (!w) {
    w = { controls: new Map(), els: new Map() };
    windows.set(m.handle, w);
    if (m.kind === 'frame') { if (!frameHandle) frameHandle = m.handle; }
    else { makeWindowElement(w, m); windowOpened(); }
  }
  w.facts = m;
  for (const c of m.controls) w.controls.set(c.field, c);
  for (const f of m.removed) { w.controls.delete(f); const e = w.els.get(f); if (e) e.remove(); w.els.delete(f); }
  w.order = m.order;
  if (m.kind === 'frame') return drawFrame(w);
  if (m.acceptsInput) activeHandle = m.handle;
  drawWindow(w, m.controls);
  markActive();
}

function closeWindow(handle) {
  const w = windows.get(handle);
  if (!w) return;
  if (w.el) { w.el.remove(); windowClosed(); }
  windows.delete(handle);
  if (activeHandle === handle) {
    activeHandle = 0;
    for (const [h, o] of windows) if (o.facts.kind !== 'frame' && o.facts.acceptsInput) activeHandle = h;
  }
  markActive();
}

// A window that needs the user (one holding typing not saved) is put on top
// of the others and into view.
function bringToFront(handle) {
  const w = windows.get(handle);
  if (!w || !w.el) return;
  w.el.parentNode.appendChild(w.el);
  w.el.scrollIntoView({ block: 'nearest', inline: 'nearest' });
}

function markActive() {
  for (const [h, w] of windows) if (w.el) w.el.classList.toggle('active', h === activeHandle);
  placeFocus();
}

function makeWindowElement(w, m) {
  const win = el('div', { class: 'window', role: m.kind === 'dialog' ? 'dialog' : 'region' });
  const bar = el('div', { class: 'title' });
  const title = el('span', { id: 'title-' + m.handle });
  const close = el('button', { 'aria-label': 'Close', tabindex: '-1' }, '\u00d7');
  close.addEventListener('click', () => send({ t: 'close', w: m.handle }));
  bar.append(title, close);
  const body = el('div', { class: 'body' });
  win.append(bar, body);
  win.setAttribute('aria-labelledby', title.id);
  win.addEventListener('mousedown', (ev) => {
    // The runtime decides where the focus goes; a click leaves it alone
    // (an entry still takes the caret where it was clicked).
    if (ev.target.tagName !== 'INPUT') ev.preventDefault();
    if (activeHandle !== m.handle && m.acceptsInput) send({ t: 'activate', w: m.handle });
  });
  const offset = 20 * (windows.size % 8);
  win.style.left = offset + 'px';
  win.style.top = offset + 'px';
  document.getElementById('desktop').appendChild(win);
  w.el = win; w.body = body; w.title = title;
}

function drawWindow(w, changed) {
  const m = w.facts;
  w.title.textContent = m.title;
  w.el.dataset.handle = m.handle;
  w.el.classList.toggle('busy', m.busy);
  w.el.classList.toggle('refusing', !m.acceptsInput);
  w.el.setAttribute('aria-disabled', String(!m.acceptsInput));
  w.body.style.width = m.width * DU_X + 'px';
  w.body.style.height = m.height * DU_Y + 'px';
  fitToScreen(w);
  for (const c of changed) drawControl(w, c);
  placeRowEditors(w);
  drawFindLine(w);
  // The focus may have moved to a control that was only now drawn.
  if (m.handle === activeHandle) placeFocus();
}

// The in-line editor: entries that a list column lays over the selected row's
// cell, named after the column for assistive technology.
function placeRowEditors(w) {
  for (const c of w.controls.values()) {
    if (c.kind !== 'entry' || !c.overList) continue;
    const e = w.els.get(c.field);
    const list = w.els.get(c.overList);
    const listControl = w.controls.get(c.overList);
    if (!e || !list || !listControl) continue;
    const row = list.querySelector(`tr[data-row="${listControl.selected}"]`);
    const cell = row && row.cells[c.overColumn - 1];
    if (!cell || !c.shown) { e.hidden = true; continue; }
    const column = listControl.columns[c.overColumn - 1];
    if (column) e.setAttribute('aria-label', column.header);
    const body = w.body.getBoundingClientRect();
    const r = cell.getBoundingClientRect();
    e.style.left = r.left - body.left + 'px';
    e.style.top = r.top - body.top + 'px';
    e.style.width = r.width + 'px';
    e.style.height = r.height + 'px';
    e.style.zIndex = 2;
    e.classList.add('overlist');
  }
}

// The search line over a list (Ctrl+F, Edit > Find...): what was typed and
// how the last search went, across the list's bottom. The keys stay the
// list's: the line only shows what the program keeps.
function drawFindLine(w) {
  const f = w.facts.find;
  const list = f && f.open ? w.els.get(f.list) : null;
  if (!list) { if (w.findLine) w.findLine.hidden = true; return; }
  if (!w.findLine) {
    w.findLine = el('div', { class: 'findline', role: 'status', 'aria-live': 'polite' });
    w.body.appendChild(w.findLine);
  }
  const line = w.findLine;
  line.hidden = false;
  line.textContent = 'Find: ' + f.text + (f.message ? '   ' + f.message : '');
  line.style.left = list.offsetLeft + 'px';
  line.style.width = list.offsetWidth + 'px';
  line.style.top = list.offsetTop + list.offsetHeight - line.offsetHeight + 'px';
}

function place(e, c) {
  const [x, y, width, height] = c.rect;
  // On a narrow screen the controls flow down the window in this order.
  e.style.order = String(y * 1000 + x);
  e.style.left = x * DU_X + 'px';
  e.style.top = y * DU_Y + 'px';
  if (width) e.style.width = width * DU_X + 'px';
  if (height) e.style.height = height * DU_Y + 'px';
}

function drawControl(w, c) {
  const handle = w.facts.handle;
  let e = w.els.get(c.field);
  if (c.kind === 'tab') return drawTab(w, c);
  if (!e) {
    e = makeControl(w, c);
    if (!e) return;
    w.els.set(c.field, e);
    w.body.appendChild(e);
  }
  place(e, c);
  e.hidden = !c.shown;
  if ('disabled' in e) e.disabled = !c.enabled;
  e.dataset.field = c.field;
  switch (c.kind) {
    case 'prompt': case 'button': mnemonicText(e, c.text); break;
    case 'entry':
      // What the runtime shows may lag behind what is typed: a value this page
      // sent itself is not put back, or it would undo the keys typed since.
      if (e.value !== c.text && !(e.sent && e.sent.has(c.text))) e.value = c.text;
      if (c.required) e.setAttribute('aria-required', 'true');
      // A string picture (@s20) holds that many characters, as on the desktop.
      { const m = /^@[sS](\d+)/.exec(c.picture); if (m) e.maxLength = Number(m[1]); }
      e.title = c.message;
      break;
    case 'list': drawList(e, c, handle); break;
    case 'droplist': case 'dropcombo': drawDrop(e, c, handle); break;
    case 'sheet':
      // Its chosen tab is a fact of the sheet: the tabs show it anew.
      for (const t of w.controls.values()) if (t.kind === 'tab' && t.parent === c.field) drawTab(w, t);
      break;
    default: break;
  }
}

function makeControl(w, c) {
  const handle = w.facts.handle;
  const click = () => send({ t: 'click', w: handle, f: c.field });
  switch (c.kind) {
    case 'prompt': {
      const e = el('label', { class: 'control' });
      e.addEventListener('click', click);
      return e;
    }
    case 'button': {
      const e = el('button', { class: 'control', tabindex: '-1' });
      e.addEventListener('click', click);
      return e;
    }
    case 'entry': {
      const e = el('input', { class: 'control', type: 'text', autocomplete: 'off', tabindex: '-1' });
      e.addEventListener('input', () => {
        (e.sent = e.sent || new Set()).add(e.value);
        send({ t: 'typed', w: handle, f: c.field, text: e.value });
      });
      e.addEventListener('blur', () => { e.sent = null; });
      e.addEventListener('mousedown', () => { if (w.facts.focus !== c.field) click(); });
      // The label before the entry names it for assistive technology.
      const label = [...w.controls.values()].find((p) => p.kind === 'prompt' && w.order.indexOf(p.field) === w.order.indexOf(c.field) - 1);
      if (label) e.setAttribute('aria-label', plain(label.text));
      return e;
    }
    case 'list': {
      const e = el('div', { class: 'control list', role: 'grid', tabindex: '-1' });
      wheelScrolls(e, handle, c.field);
      swipeScrolls(e, handle, c.field);
      rowClicks(e, handle, c.field);
      e.addEventListener('mousedown', (ev) => { if (!ev.target.closest('tr[data-row], .scrollbar')) click(); });
      return e;
    }
    case 'droplist': case 'dropcombo': {
      // As the desktop draws it: the chosen row and a drop button; the list
      // opens below when the runtime says it is dropped down.
      const e = el('div', { class: 'control drop', role: 'combobox', tabindex: '-1', 'aria-haspopup': 'grid' });
      const button = el('button', { class: 'dropbutton', tabindex: '-1', 'aria-label': 'Open' }, '\u25be');
      button.addEventListener('click', () => send({ t: 'drop', w: handle, f: c.field }));
      const popup = el('div', { class: 'list popup', role: 'grid' });
      wheelScrolls(popup, handle, c.field);
      rowClicks(popup, handle, c.field);
      e.append(el('span', { class: 'shown' }), button, popup);
      return e;
    }
    case 'sheet': return el('div', { class: 'control sheet' });
    default: return null;
  }
}

// A swipe over a list pages it, as PgUp and PgDn do; a tap is a click.
function swipeScrolls(e, handle, field) {
  let startY = null;
  e.addEventListener('touchstart', (ev) => { startY = ev.touches.length === 1 ? ev.touches[0].clientY : null; }, { passive: true });
  e.addEventListener('touchend', (ev) => {
    if (startY === null) return;
    const dy = ev.changedTouches[0].clientY - startY;
    startY = null;
    if (Math.abs(dy) < 30) return;
    ev.preventDefault();  // a swipe, not a tap
    send({ t: 'scroll', w: handle, f: field, code: dy < 0 ? SCROLL_PAGE_DOWN : SCROLL_PAGE_UP });
  });
}

// The wheel pages as on the desktop: a notch at a time, however far the
// browser says it turned.
function wheelScrolls(e, handle, field) {
  e.addEventListener('wheel', (ev) => { ev.preventDefault(); if (ev.deltaY) send({ t: 'wheel', w: handle, f: field, up: ev.deltaY < 0 }); });
}

// A list's rows stay the same elements from one draw to the next, only their
// text and state changing, and its clicks are taken on the list itself: the
// two clicks of a double click meet the same row however soon the answer to
// the first one is drawn. Its rows share the height below the header by the
// style sheet (as on the desktop, every row the runtime shows is seen), so
// that drawing them asks nothing of the page's layout.
function drawList(e, c, handle) {
  const table = e.querySelector(':scope > table') || e.insertBefore(el('table'), e.firstChild);
  drawRows(table, c);
  e.querySelector(':scope > .scrollbar')?.remove();
  if (c.scrollBar) e.appendChild(scrollBar(c, handle));
  e.classList.toggle('scrolled', c.scrollBar);
  if (c.visibleRows > 0) e.style.setProperty('--rows', c.visibleRows);
  else e.style.removeProperty('--rows');
}

// A click or a double click on a row of the list `e`, by the row's number.
function rowClicks(e, handle, field) {
  const sendRow = (ev, mouse) => {
    const tr = ev.target.closest('tr[data-row]');
    if (tr && e.contains(tr)) send({ t: 'row', w: handle, f: field, row: Number(tr.dataset.row), mouse });
  };
  e.addEventListener('click', (ev) => sendRow(ev, MOUSE_LEFT));
  e.addEventListener('dblclick', (ev) => sendRow(ev, MOUSE_DOUBLE));
}

function drawDrop(e, c, handle) {
  // The control's height as defined is that of its open list.
  e.style.height = '';
  const chosen = c.rows[c.selected - 1];
  e.querySelector('.shown').textContent = chosen ? chosen[0] ?? '' : '';
  e.setAttribute('aria-expanded', String(c.droppedDown));
  const popup = e.querySelector('.popup');
  popup.hidden = !c.droppedDown;
  popup.style.height = c.rect[3] * DU_Y + 'px';
  drawList(popup, c, handle);
}

// The list's scroll bar, as the desktop's: the arrows scroll a row, the
// track beside the thumb a page, and the thumb dragged and let go puts the
// list at that point of the file (0 the first record, 100 the last).
function scrollBar(c, handle) {
  const scroll = (code, thumb = 0) => send({ t: 'scroll', w: handle, f: c.field, code, thumb });
  const bar = el('div', { class: 'scrollbar', role: 'scrollbar', 'aria-orientation': 'vertical', 'aria-valuemin': '0', 'aria-valuemax': '100', 'aria-valuenow': String(c.thumb) });
  const up = el('div', { class: 'arrow' }, '\u25b4');
  const track = el('div', { class: 'track' });
  const thumb = el('div', { class: 'thumb' });
  const down = el('div', { class: 'arrow' }, '\u25be');
  const placeThumb = (at) => { thumb.style.top = `calc((100% - ${THUMB_PX}px) * ${at / 100})`; };
  placeThumb(c.thumb);
  track.appendChild(thumb);
  bar.append(up, track, down);
  up.addEventListener('mousedown', () => scroll(SCROLL_LINE_UP));
  down.addEventListener('mousedown', () => scroll(SCROLL_LINE_DOWN));
  track.addEventListener('mousedown', (ev) => {
    if (ev.target !== track) return;
    scroll(ev.clientY < thumb.getBoundingClientRect().top ? SCROLL_PAGE_UP : SCROLL_PAGE_DOWN);
  });
  thumb.addEventListener('mousedown', (ev) => {
    const grab = ev.clientY - thumb.getBoundingClientRect().top;
    let at = c.thumb;
    const move = (m) => {
      const r = track.getBoundingClientRect();
      at = Math.round(Math.min(1, Math.max(0, (m.clientY - grab - r.top) / (r.height - THUMB_PX))) * 100);
      placeThumb(at);
    };
    const release = () => {
      document.removeEventListener('mousemove', move);
      document.removeEventListener('mouseup', release);
      scroll(SCROLL_THUMB, at);
    };
    document.addEventListener('mousemove', move);
    document.addEventListener('mouseup', release);
  });
  return bar;
}

// The children `have` of `parent` made `count` long: new ones made by `make`
// at the end, or the last ones taken off.
function keepCount(parent, have, count, make) {
  while (have.length > count) have.pop().remove();
  while (have.length < count) have.push(parent.appendChild(make()));
  return have;
}

function setText(e, text) { if (e.textContent !== text) e.textContent = text; }

function drawRows(table, c) {
  const columns = c.columns.length ? c.columns : [{ header: '', width: c.rect[2], align: 'left', index: 0 }];
  const headed = columns.some((col) => col.header);
  let head = table.querySelector(':scope > tr:not([data-row])');
  if (head && !headed) head.remove();
  if (!head && headed) head = table.insertBefore(el('tr', { role: 'row' }), table.firstChild);
  table.parentNode.classList.toggle('headed', headed);
  if (headed) {
    keepCount(head, [...head.cells], columns.length, () => el('th', { role: 'columnheader' })).forEach((th, i) => {
      setText(th, columns[i].header);
      th.style.width = columns[i].width * DU_X + 'px';
    });
  }
  const rows = keepCount(table, [...table.querySelectorAll(':scope > tr[data-row]')], c.rows.length,
    () => el('tr', { role: 'row', 'data-row': '' }));
  rows.forEach((tr, i) => {
    tr.dataset.row = i + 1;
    tr.setAttribute('aria-selected', String(c.selected === i + 1));
    keepCount(tr, [...tr.cells], columns.length, () => el('td', { role: 'gridcell' })).forEach((td, k) => {
      setText(td, c.rows[i][columns[k].index] ?? '');
      td.style.textAlign = columns[k].align;
    });
  });
}

function drawTab(w, c) {
  const sheet = w.controls.get(c.parent);
  const sheetEl = w.els.get(c.parent);
  if (!sheet || !sheetEl) return;
  let strip = sheetEl.querySelector('.tabs');
  if (!strip) { strip = el('div', { class: 'tabs', role: 'tablist' }); sheetEl.appendChild(strip); }
  let b = w.els.get(c.field);
  if (!b) {
    b = el('button', { role: 'tab', tabindex: '-1' });
    b.addEventListener('click', () => {
      const tabs = [...w.controls.values()].filter((t) => t.kind === 'tab' && t.parent === c.parent);
      tabs.sort((a, z) => w.order.indexOf(a.field) - w.order.indexOf(z.field));
      send({ t: 'tab', w: w.facts.handle, f: c.parent, tab: tabs.findIndex((t) => t.field === c.field) + 1 });
    });
    w.els.set(c.field, b);
    strip.appendChild(b);
  }
  mnemonicText(b, c.text);
  b.hidden = c.hidden;
  b.setAttribute('aria-selected', String(c.shown && isChosenTab(w, c)));
}

function isChosenTab(w, c) {
  const sheet = w.controls.get(c.parent);
  const tabs = w.order.filter((f) => { const t = w.controls.get(f); return t && t.kind === 'tab' && t.parent === c.parent; });
  return sheet && tabs[sheet.choice - 1] === c.field;
}

// The runtime decides where the focus is; the page follows it.
function placeFocus() {
  if (boxes.length) return;
  const w = windows.get(activeHandle);
  if (!w) return;
  const e = w.els.get(w.facts.focus);
  if (!e || e === document.activeElement) return;
  e.focus();
  if (e.tagName === 'INPUT') e.select();
}

// ---- The frame: menus and tool bar ------------------------------------------------------

function drawFrame(w) {
  const bar = document.getElementById('menubar');
  const tools = document.getElementById('toolbar');
  bar.replaceChildren();
  tools.replaceChildren();
  const all = w.order.map((f) => w.controls.get(f)).filter((c) => c);
  for (const menu of all.filter((c) => c.parent === 0 && !c.toolbar && (c.kind === 'menu' || c.kind === 'item'))) {
    if (!menu.shown) continue;
    const holder = el('div', { class: 'menu' });
    const top = el('button', { class: 'top', role: 'menuitem', 'data-mnemonic': mnemonicOf(menu.text) });
    mnemonicText(top, menu.text);
    top.disabled = !menu.enabled;
    holder.appendChild(top);
    bar.appendChild(holder);
    if (menu.kind === 'item') {
      // An item of the menu bar itself is chosen at once.
      top.addEventListener('click', () => { closeMenus(); send({ t: 'menu', w: w.facts.handle, f: menu.field }); });
      continue;
    }
    top.setAttribute('aria-haspopup', 'true');
    const items = el('div', { class: 'items', role: 'menu' });
    items.hidden = true;
    for (const item of all.filter((c) => c.parent === menu.field)) {
      if (!item.shown) continue;
      if (item.kind === 'separator') { items.appendChild(el('hr', { role: 'separator' })); continue; }
      const b = el('button', { role: 'menuitem', 'data-mnemonic': mnemonicOf(item.text) });
      mnemonicText(b, item.text);
      b.disabled = !item.enabled;
      b.title = item.hint;
      b.addEventListener('click', () => { closeMenus(); send({ t: 'menu', w: w.facts.handle, f: item.field }); });
      items.appendChild(b);
    }
    top.addEventListener('click', () => openMenu(items));
    holder.appendChild(items);
  }
  for (const b of all.filter((c) => c.toolbar && c.kind === 'button')) {
    if (!b.shown) continue;
    const e = el('button', { tabindex: '-1', title: b.hint || plain(b.text) });
    mnemonicText(e, b.text);
    e.disabled = !b.enabled;
    e.addEventListener('click', () => send({ t: 'click', w: w.facts.handle, f: b.field }));
    tools.appendChild(e);
  }
}

function openMenu(items) {
  const wasOpen = !items.hidden;
  closeMenus();
  if (wasOpen) return;
  items.hidden = false;
  const first = items.querySelector('button:not([disabled])');
  if (first) first.focus();
}
function closeMenus() { for (const i of document.querySelectorAll('#menubar .items')) i.hidden = true; }
function openMenuElement() { return document.querySelector('#menubar .items:not([hidden])'); }
