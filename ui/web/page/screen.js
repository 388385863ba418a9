// How a fesk web session's windows fit the screen it is shown on. On a wide
// screen the window definitions are drawn at the browser's normal text size
// (the desktop's proportions kept, the browser's zoom followed) and a child
// window grows to the room the page gives it, as the desktop's do when
// made larger, so that a browse shows as many rows as fit. On a narrow
// screen (a phone, a tablet upright) the top window alone is shown, its
// controls flowing down the page's width; the browser's back gesture closes
// it, back to the window below. (Loaded before app.js.)
'use strict';

const NARROW = window.matchMedia('(max-width: 700px)');
// The desktop draws 13 px text at 1.6 x 1.9 pixels a dialog unit; the page
// draws the browser's normal 16 px text in the same proportions.
const SCALE = 16 / 13;
const DU_X = 1.6 * SCALE, DU_Y = 1.9 * SCALE;

function narrow() { return NARROW.matches; }

// The room a child window is shown in, in dialog units: the desktop area on
// a wide screen, the page's height on a narrow one. It is read from the
// page's layout when the window is first drawn (before its controls are)
// and when the screen changes, never as the window's contents are drawn.
function measureRoom(w) {
  const desk = document.getElementById('desktop');
  const title = w.el.querySelector('.title');
  const offset = narrow() ? 0 : parseFloat(w.el.style.top) || 0;
  const widthPx = narrow() ? 0 : desk.clientWidth - (parseFloat(w.el.style.left) || 0) - 8;
  // A narrow page scrolls as a whole: the room is the screen's height.
  const room = narrow() ? window.innerHeight - desk.getBoundingClientRect().top : desk.clientHeight;
  const heightPx = room - offset - (title ? title.offsetHeight : 0) - 8;
  w.room = { width: Math.floor(widthPx / DU_X), height: Math.floor(heightPx / DU_Y) };
}

// A child window told the size it is given (never less than its
// definition), as the desktop's grow when made larger.
function fitToScreen(w) {
  if (!w.el || w.facts.kind !== 'child') return;
  if (!w.room) measureRoom(w);
  const width = Math.max(w.facts.width, w.room.width);
  const height = Math.max(w.facts.height, w.room.height);
  // The window keeps its definition's size; the room it is shown in is ours.
  w.body.style.width = width * DU_X + 'px';
  w.body.style.height = height * DU_Y + 'px';
  if (width === w.fitted?.width && height === w.fitted?.height) return;
  w.fitted = { width, height };
  if (width === w.facts.width && height === w.facts.height) return;
  send({ t: 'resize', w: w.facts.handle, width, height });
}

function fitAll() {
  document.body.classList.toggle('narrow', narrow());
  for (const w of windows.values()) { w.room = null; w.fitted = null; fitToScreen(w); }
}

// The program's page follows the screen it is shown on.
function watchScreen() {
  window.addEventListener('resize', fitAll);
  NARROW.addEventListener('change', fitAll);
  window.addEventListener('popstate', stepBack);
  document.body.classList.toggle('narrow', narrow());
}

// ---- The back gesture ---------------------------------------------------------------------

// Each window opened adds a step to the browser's history: going back
// closes the top window (its program may ask first, as its close box
// would). A window the program closes takes its step back out.
let historySteps = 0;
let stepsTakenOut = 0;
// The browser keeps its history in another process, and adding a step waits
// for it: steps are added once the window opened is painted, not before.
let stepsToAdd = 0;

function windowOpened() {
  if (stepsToAdd++ === 0) requestAnimationFrame(() => setTimeout(addSteps));
}

function addSteps() {
  for (; stepsToAdd > 0; stepsToAdd--) history.pushState({ fesk: ++historySteps }, '');
}

function windowClosed() {
  if (stepsToAdd > 0) { stepsToAdd--; return; }  // closed before its step was added
  if (historySteps === 0) return;
  historySteps--;
  stepsTakenOut++;
  history.back();
}

function stepBack() {
  if (stepsTakenOut > 0) { stepsTakenOut--; return; }
  if (historySteps > 0) historySteps--;
  const top = [...document.querySelectorAll('#desktop > .window')].pop();
  if (top) send({ t: 'close', w: Number(top.dataset.handle) });
}
