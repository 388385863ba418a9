// The page of a fesk web session: what it knows of the session's windows
// (sent by the session's program as differences of snapshots, drawn by
// windows.js), the keyboard handed on as the desktop hands it to the runtime,
// and the connection. (Loaded before sign_in.js.)
'use strict';

const SHIFT = 256, CTRL = 512, ALT = 1024, CHARACTER = 231;
const MOUSE_LEFT = 1, MOUSE_DOUBLE = 5;
const SCROLL_LINE_UP = 0, SCROLL_LINE_DOWN = 1, SCROLL_PAGE_UP = 2, SCROLL_PAGE_DOWN = 3, SCROLL_THUMB = 4;
const THUMB_PX = 16;  // the scroll bar's thumb, as style.css draws it
const BUTTONS = [[1, 'OK'], [2, 'Yes'], [4, 'No'], [8, 'Abort'], [16, 'Retry'], [32, 'Ignore'], [64, 'Cancel'], [128, 'Quit']];
const CANCEL = 64;
const KEYS = { Tab: 9, Enter: 13, Escape: 27, PageUp: 33, PageDown: 34, End: 35, Home: 36,
  ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40, Insert: 45, Delete: 46,
  Backspace: 8, ' ': 32 };
// Keys that an entry keeps for its own editing, and the browser's own
// clipboard keys there (what they paste is sent as typed).
const ENTRY_KEYS = new Set([8, 35, 36, 37, 39, 46]);
const CLIPBOARD_KEYS = new Set([CTRL + 65, CTRL + 67, CTRL + 86, CTRL + 88, CTRL + 45, SHIFT + 45, SHIFT + 46]);

const windows = new Map();  // handle -> {facts, controls: Map(field -> control), order, el, els}
let frameHandle = 0;
let activeHandle = 0;
const boxes = [];
let socket = null;
let endingReason = '';

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
    if (c.shown && c.enabled && c.kind !== 'menu' && c.kind !== 'item' && mnemonicOf(c.text) === letter) return true;
  return false;
}

function keyDown(ev) {
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
  if (inEntry && CLIPBOARD_KEYS.has(code)) return;
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
}

// ---- The connection -------------------------------------------------------------------------

function endedText(m) {
  const why = m.halt ? 'The program ended: ' + m.halt
    : endingReason === 'idle' ? 'The session ended after a time without input.' : 'The program has ended.';
  return m.unsavedDiscarded ? why + ' Typing that was not saved was not kept.' : why;
}

// The runtime's beep: a short tone where the browser may play one, and
// always "Bell!" on the status line for a moment (read out by screen
// readers too) with a flash of the desktop.
let sound = null;
let bellShown = 0;
function bell() {
  const status = document.getElementById('status');
  if (status.textContent !== 'Bell!') status.dataset.before = status.textContent;
  status.textContent = 'Bell!';
  clearTimeout(bellShown);
  bellShown = setTimeout(() => { if (status.textContent === 'Bell!') status.textContent = status.dataset.before || ''; }, 1500);
  const desk = document.getElementById('desktop');
  desk.classList.remove('bell');
  void desk.offsetWidth;  // restarts the flash
  desk.classList.add('bell');
  try {
    sound = sound || new AudioContext();
    const tone = sound.createOscillator();
    const volume = sound.createGain();
    volume.gain.value = 0.05;
    tone.frequency.value = 880;
    tone.connect(volume).connect(sound.destination);
    tone.start();
    tone.stop(sound.currentTime + 0.08);
  } catch (e) {
    // No sound here: the status line and the flash are the bell.
  }
}

// After the end the page says why, and offers to sign in again (the
// session's cookie opens nothing any more: the page loaded is the sign-in).
function ended(text) {
  if (document.body.dataset.ended) return;
  document.body.dataset.ended = 'true';
  document.getElementById('status').textContent = text;
  hideIdleWarning();
  if (signingOut) return signOutForm().submit();
  const layer = el('div', { class: 'boxlayer', id: 'ended' });
  const box = el('div', { class: 'box', role: 'alertdialog', 'aria-label': 'Session ended' });
  const again = el('button', { id: 'sign-in-again' }, 'Sign in again');
  again.addEventListener('click', () => location.assign('/'));
  const row = el('div', { class: 'buttons' });
  row.appendChild(again);
  box.append(el('div', { class: 'title' }, 'fesk'), el('p', {}, text), row);
  layer.appendChild(box);
  document.getElementById('boxes').appendChild(layer);
  again.focus();
}

// A minute before the idle end the page warns; a key or a touch keeps the
// session.
function warnIdle(seconds) {
  const notice = document.getElementById('notice');
  notice.textContent = `The session ends in ${seconds} s without input: press a key to keep it.`;
  notice.hidden = false;
}
function hideIdleWarning() { document.getElementById('notice').hidden = true; }
function keepSession() {
  if (document.getElementById('notice').hidden) return;
  hideIdleWarning();
  send({ t: 'keep' });
}

// Sign out closes the program as File > Exit does, so that it asks about
// typing not saved; the sign-out itself follows once the program has ended.
let signingOut = false;
function signOutForm() { return document.querySelector('#top form'); }
function signOut(ev) {
  if (document.body.dataset.ended || !frameHandle || !socket || socket.readyState !== WebSocket.OPEN) return;
  ev.preventDefault();
  signingOut = true;
  send({ t: 'close', w: frameHandle });
}

// The program's page begins (loaded after a sign-in, or built in place of
// the sign-in page): the session's socket first, so that the program's
// windows are on their way while the rest is set up.
function begin() {
  socket = new WebSocket((location.protocol === 'https:' ? 'wss://' : 'ws://') + location.host + '/session');
  socket.addEventListener('message', (ev) => receive(JSON.parse(ev.data)));
  socket.addEventListener('close', () => { if (!document.body.dataset.ended) ended('The connection to the session was lost.'); });
  document.addEventListener('keydown', keyDown);
  document.addEventListener('mousedown', (ev) => { if (!ev.target.closest('#menubar')) closeMenus(); });
  document.addEventListener('keydown', keepSession, true);
  document.addEventListener('pointerdown', keepSession, true);
  signOutForm().addEventListener('submit', signOut);
  watchScreen();
}
