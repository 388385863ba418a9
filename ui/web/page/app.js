// The page of a fesk web session: draws the windows that the session's
// program sends (window snapshots, as differences) and sends back what the
// person does, as the desktop would hand it to the runtime. Record values are
// always set as text, never as markup.
'use strict';

const DU_X = 1.6, DU_Y = 1.9;  // pixels per dialog unit
const SHIFT = 256, CTRL = 512, ALT = 1024, CHARACTER = 231;
const MOUSE_LEFT = 1, MOUSE_DOUBLE = 5;
const BUTTONS = [[1, 'OK'], [2, 'Yes'], [4, 'No'], [8, 'Abort'], [16, 'Retry'], [32, 'Ignore'], [64, 'Cancel']];
const KEYS = { Tab: 9, Enter: 13, Escape: 27, PageUp: 33, PageDown: 34, End: 35, Home: 36,
  ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40, Insert: 45, Delete: 46,
  Backspace: 8, ' ': 32 };
// Keys that an entry keeps for its own editing.
const ENTRY_KEYS = new Set([8, 35, 36, 37, 39, 46]);

const windows = new Map();  // handle -> {facts, controls: Map(field -> control), order, el, els}
let frameHandle = 0;
let activeHandle = 0;
const boxes = [];
let socket = null;

function el(tag, attrs = {}, text) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs)) e.setAttribute(k, v);
  if (text !== undefined) e.textContent = text;
  return e;
}

// A text with its mnemonic: '&&' is an ampersand, '&x' underlines x.
function mnemonicText(target, text) {
  target.textContent = '';
  let key = '';
  for (let i = 0; i < text.length; i++) {
    if (text[i] === '&' && i + 1 < text.length) {
      i++;
      if (text[i] !== '&' && !key) {
        key = text[i].toUpperCase();
        target.appendChild(el('span', { class: 'mnemonic' }, text[i]));
        continue;
      }
    }
    target.appendChild(document.createTextNode(text[i]));
  }
  return key;
}
function plain(text) { return text.replace(/&(.)/g, '$1'); }
function mnemonicOf(text) { const m = /&([^&])/.exec(text.replace(/&&/g, '')); return m ? m[1].toUpperCase() : ''; }

function send(message) { if (socket && socket.readyState === WebSocket.OPEN) socket.send(JSON.stringify(message)); }

// ---- Windows ------------------------------------------------------------------------

function receive(m) {
  switch (m.t) {
    case 'window': return showWindow(m);
    case 'closed': return closeWindow(m.handle);
    case 'box': return showBox(m);
    case 'beep': return;
    case 'ended': return ended(m.halt ? 'The program ended: ' + m.halt : 'The program has ended.');
    case 'progress': return document.getElementById('status').textContent = m.ended ? '' : m.title + ' ' + m.text;
    default: return;
  }
}

function showWindow(m) {
  let w = windows.get(m.handle);
  if (!w) {
    w = { controls: new Map(), els: new Map() };
    windows.set(m.handle, w);
    if (m.kind === 'frame') { if (!frameHandle) frameHandle = m.handle; }
    else makeWindowElement(w, m);
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
  if (w.el) w.el.remove();
  windows.delete(handle);
  if (activeHandle === handle) {
    activeHandle = 0;
    for (const [h, o] of windows) if (o.facts.kind !== 'frame' && o.facts.acceptsInput) activeHandle = h;
  }
  markActive();
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
  for (const c of changed) drawControl(w, c);
  placeRowEditors(w);
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
  }
}

function place(e, c, sheetOffset) {
  const [x, y, width, height] = c.rect;
  e.style.left = x * DU_X + 'px';
  e.style.top = (y + (sheetOffset || 0)) * DU_Y + 'px';
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
    case 'list': case 'droplist': case 'dropcombo': drawList(e, c, handle); break;
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
    case 'list': case 'droplist': case 'dropcombo': {
      const e = el('div', { class: 'control list', role: 'grid', tabindex: '-1' });
      e.addEventListener('wheel', (ev) => { ev.preventDefault(); send({ t: 'wheel', w: handle, f: c.field, up: ev.deltaY < 0 }); });
      e.addEventListener('mousedown', (ev) => { if (!ev.target.closest('tr[data-row]')) click(); });
      return e;
    }
    case 'sheet': return el('div', { class: 'control sheet' });
    default: return null;
  }
}

function drawList(e, c, handle) {
  const table = el('table');
  const columns = c.columns.length ? c.columns : [{ header: '', width: c.rect[2], align: 'left', index: 0 }];
  if (columns.some((col) => col.header)) {
    const head = el('tr', { role: 'row' });
    for (const col of columns) {
      const th = el('th', { role: 'columnheader' }, col.header);
      th.style.width = col.width * DU_X + 'px';
      head.appendChild(th);
    }
    table.appendChild(head);
  }
  c.rows.forEach((row, i) => {
    const tr = el('tr', { role: 'row', 'data-row': i + 1, 'aria-selected': String(c.selected === i + 1) });
    for (const col of columns) {
      const td = el('td', { role: 'gridcell' }, row[col.index] ?? '');
      td.style.textAlign = col.align;
      tr.appendChild(td);
    }
    tr.addEventListener('click', () => send({ t: 'row', w: handle, f: c.field, row: i + 1, mouse: MOUSE_LEFT }));
    tr.addEventListener('dblclick', () => send({ t: 'row', w: handle, f: c.field, row: i + 1, mouse: MOUSE_DOUBLE }));
    table.appendChild(tr);
  });
  e.replaceChildren(table);
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
  for (const menu of all.filter((c) => c.parent === 0 && !c.toolbar && (c.kind === 'menu' || c.kind === 'menuitem'))) {
    if (!menu.shown) continue;
    const holder = el('div', { class: 'menu' });
    const top = el('button', { class: 'top', role: 'menuitem', 'data-mnemonic': mnemonicOf(menu.text) });
    mnemonicText(top, menu.text);
    top.disabled = !menu.enabled;
    holder.appendChild(top);
    bar.appendChild(holder);
    if (menu.kind === 'menuitem') {
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

// ---- Message boxes ------------------------------------------------------------------------

function showBox(m) {
  closeMenus();
  const layer = el('div', { class: 'boxlayer' });
  const box = el('div', { class: 'box', role: 'alertdialog', 'aria-modal': 'true', 'aria-labelledby': 'box-title-' + m.id, 'aria-describedby': 'box-text-' + m.id });
  box.append(el('div', { class: 'title', id: 'box-title-' + m.id }, m.title), el('p', { id: 'box-text-' + m.id }, m.text));
  const row = el('div', { class: 'buttons' });
  let chosen = null;
  const answer = (value) => {
    layer.remove();
    boxes.splice(boxes.indexOf(entry), 1);
    send({ t: 'answer', id: m.id, value });
    placeFocus();
  };
  for (const [value, name] of BUTTONS) {
    if (!(m.buttons & value)) continue;
    const b = el('button', { 'data-value': value }, name);
    b.addEventListener('click', () => answer(value));
    row.appendChild(b);
    if (value === m.default) chosen = b;
  }
  box.appendChild(row);
  layer.appendChild(box);
  document.getElementById('boxes').appendChild(layer);
  const entry = { m, answer, layer };
  boxes.push(entry);
  (chosen || row.querySelector('button')).focus();
}

function boxKey(ev, code) {
  const top = boxes[boxes.length - 1];
  if (code === 27) {
    ev.preventDefault();
    const m = top.m;
    top.answer(m.buttons & 64 ? 64 : m.buttons & 4 && !(m.buttons & 64) ? 4 : m.default);
  } else if (code === 9 || code === 9 + SHIFT) {
    ev.preventDefault();
    const buttons = [...top.layer.querySelectorAll('button')];
    const at = buttons.indexOf(document.activeElement);
    buttons[(at + (code === 9 ? 1 : buttons.length - 1)) % buttons.length].focus();
  } else if (code === 13 || code === 32) {
    ev.preventDefault();
    const b = top.layer.contains(document.activeElement) ? document.activeElement : top.layer.querySelector('button');
    top.answer(Number(b.dataset.value));
  } else {
    ev.preventDefault();
  }
}

// ---- The keyboard -------------------------------------------------------------------------

function keyCode(ev) {
  let code = KEYS[ev.key] ?? 0;
  if (!code && /^F([1-9]|1[0-2])$/.test(ev.key)) code = 111 + Number(ev.key.slice(1));
  if (!code && /^Key[A-Z]$/.test(ev.code)) code = ev.code.charCodeAt(3);
  if (!code && /^Digit[0-9]$/.test(ev.code)) code = ev.code.charCodeAt(5);
  if (!code) return 0;
  return code + (ev.shiftKey ? SHIFT : 0) + (ev.ctrlKey ? CTRL : 0) + (ev.altKey ? ALT : 0);
}

function menuKey(ev, items, code) {
  const buttons = [...items.querySelectorAll('button:not([disabled])')];
  const at = buttons.indexOf(document.activeElement);
  ev.preventDefault();
  if (code === 27) { closeMenus(); placeFocus(); }
  else if (code === 40) buttons[(at + 1) % buttons.length].focus();
  else if (code === 38) buttons[(at + buttons.length - 1) % buttons.length].focus();
  else if (code === 13 && at >= 0) buttons[at].click();
  else {
    const letter = String.fromCharCode(code & 0xff);
    const b = buttons.find((x) => x.dataset.mnemonic === letter);
    if (b) b.click();
  }
}

function windowHasMnemonic(w, letter) {
  for (const c of w.controls.values())
    if (c.shown && c.enabled && c.kind !== 'menu' && c.kind !== 'menuitem' && mnemonicOf(c.text) === letter) return true;
  return false;
}

document.addEventListener('keydown', (ev) => {
  const code = keyCode(ev);
  if (boxes.length) return boxKey(ev, code);
  const items = openMenuElement();
  if (items) return menuKey(ev, items, code);
  const w = windows.get(activeHandle);
  const letter = String.fromCharCode(code & 0xff);
  if (ev.altKey && !ev.ctrlKey && code) {
    ev.preventDefault();
    if (!(w && windowHasMnemonic(w, letter)) && !ev.shiftKey) {
      const top = [...document.querySelectorAll('#menubar button.top')].find((b) => b.dataset.mnemonic === letter);
      if (top) return top.click();
    }
    if (w) send({ t: 'key', w: w.facts.handle, code });
    else if (code === ALT + 115 && frameHandle) send({ t: 'close', w: frameHandle });
    return;
  }
  if (!w) return;
  const inEntry = document.activeElement && document.activeElement.tagName === 'INPUT' && w.el.contains(document.activeElement);
  if (inEntry && !ev.ctrlKey && (ENTRY_KEYS.has(code & 0xff) && !(code & ALT) || (!code && ev.key.length === 1) ||
      (code >= 48 && code <= 90) || (code >= 48 + SHIFT && code <= 90 + SHIFT) || code === 32 || code === 32 + SHIFT)) return;
  if (!code && ev.key.length === 1 && !ev.ctrlKey) {
    // A character without a key code of its own (an accented letter, a sign).
    ev.preventDefault();
    return send({ t: 'key', w: w.facts.handle, code: CHARACTER, ch: ev.key });
  }
  if (!code) return;
  ev.preventDefault();
  send({ t: 'key', w: w.facts.handle, code });
});

document.addEventListener('mousedown', (ev) => { if (!ev.target.closest('#menubar')) closeMenus(); });

// ---- The connection -------------------------------------------------------------------------

function ended(text) {
  document.getElementById('status').textContent = text;
  document.body.dataset.ended = 'true';
}

function connect() {
  socket = new WebSocket((location.protocol === 'https:' ? 'wss://' : 'ws://') + location.host + '/session');
  socket.addEventListener('message', (ev) => receive(JSON.parse(ev.data)));
  socket.addEventListener('close', () => { if (!document.body.dataset.ended) ended('The session has ended; load the page to sign in again.'); });
}
connect();
