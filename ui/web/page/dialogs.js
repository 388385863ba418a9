// What a fesk web session shows over its windows: message boxes, help pages,
// the window arrangements of the Window menu and the progress of long work.
// (Loaded before app.js.)
'use strict';

// ---- Standard actions and help ------------------------------------------------------------

function childWindows() { return [...windows.values()].filter((w) => w.el); }

function standardAction(action) {
  const all = childWindows();
  // Moved, a window has another room: it is measured at its next draw.
  if (action === 2 || action === 3) for (const w of all) w.room = null;
  if (action === 3) {  // cascade
    all.forEach((w, i) => { w.el.style.left = 20 * i + 'px'; w.el.style.top = 20 * i + 'px'; });
  } else if (action === 2) {  // tile: side by side, in as many rows as it takes
    const desk = document.getElementById('desktop');
    const columns = Math.ceil(Math.sqrt(all.length));
    const rows = Math.ceil(all.length / columns);
    all.forEach((w, i) => {
      w.el.style.left = (i % columns) * desk.clientWidth / columns + 'px';
      w.el.style.top = Math.floor(i / columns) * desk.clientHeight / rows + 'px';
    });
  } else if (action >= 5 && action <= 7) {
    showHelp('');
  }
}

function showHelp(id) {
  const layer = el('div', { class: 'boxlayer' });
  const box = el('div', { class: 'box help', role: 'dialog', 'aria-label': 'Help' });
  const frame = el('iframe', { src: '/help/' + encodeURIComponent(id || 'index') + '.html', title: 'Help' });
  const close = el('button', {}, 'Close');
  const entry = { m: { buttons: CANCEL, default: CANCEL }, layer, answer: () => closeBox(entry) };
  close.addEventListener('click', () => entry.answer());
  const row = el('div', { class: 'buttons' });
  row.appendChild(close);
  box.append(el('div', { class: 'title' }, 'Help'), frame, row);
  layer.appendChild(box);
  document.getElementById('boxes').appendChild(layer);
  boxes.push(entry);
  close.focus();
}

// A list the program wrote (File > Export List, Print List) goes to the
// browser's downloads, where the person chooses where it is kept.
function download(name) {
  const link = el('a', { href: '/files/' + encodeURIComponent(name), download: name });
  document.body.appendChild(link);
  link.click();
  link.remove();
}

// ---- Message boxes ------------------------------------------------------------------------

function showBox(m) {
  closeMenus();
  const layer = el('div', { class: 'boxlayer' });
  const box = el('div', { class: 'box', role: 'alertdialog', 'aria-modal': 'true', 'aria-labelledby': 'box-title-' + m.id, 'aria-describedby': 'box-text-' + m.id });
  box.append(el('div', { class: 'title', id: 'box-title-' + m.id }, m.title), el('p', { id: 'box-text-' + m.id }, m.text));
  const row = el('div', { class: 'buttons' });
  let chosen = null;
  const answer = (value) => {
    closeBox(entry);
    // Cancel keeps the program running: the Sign out that asked is given up,
    // and a later end is not taken for it.
    if (value === CANCEL) signingOut = false;
    send({ t: 'answer', id: m.id, value });
  };
  for (const [value, name] of BUTTONS) {
    if (!(m.buttons & value)) continue;
    // The OK button may say what it does ("Exit anyway").
    const b = el('button', { 'data-value': value }, value === 1 && m.okText ? m.okText : name);
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

// A box taken off the page gives the focus back to the window under it.
function closeBox(entry) {
  entry.layer.remove();
  boxes.splice(boxes.indexOf(entry), 1);
  placeFocus();
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

// ---- Long work ----------------------------------------------------------------------------

// Long work (a Find Next through many records) is told in the status line as
// it goes; once it has lasted a moment a box shows it too, whose Cancel (or
// Esc) asks the program to stop it, as the desktop's progress box does.
const PROGRESS_BOX_AFTER_MS = 500;
const works = new Map();  // the report's id -> {m, timer, entry, text, bar, stopped}

function showProgress(m) {
  document.getElementById('status').textContent = m.ended ? '' : m.title + ' ' + m.text;
  let work = works.get(m.id);
  if (m.ended) {
    if (!work) return;
    clearTimeout(work.timer);
    if (work.entry && boxes.includes(work.entry)) closeBox(work.entry);
    works.delete(m.id);
    return;
  }
  if (!work) {
    work = { timer: setTimeout(() => openProgressBox(work, m.id), PROGRESS_BOX_AFTER_MS) };
    works.set(m.id, work);
  }
  work.m = m;
  if (work.entry) drawProgress(work);
}

function openProgressBox(work, id) {
  if (work.stopped || document.body.dataset.ended) return;
  closeMenus();
  const layer = el('div', { class: 'boxlayer' });
  const box = el('div', { class: 'box progress', role: 'alertdialog', 'aria-modal': 'true',
    'aria-labelledby': 'progress-title-' + id, 'aria-describedby': 'progress-text-' + id });
  work.text = el('p', { id: 'progress-text-' + id });
  work.bar = el('progress', { 'aria-labelledby': 'progress-title-' + id });
  const cancel = el('button', { 'data-value': CANCEL }, 'Cancel');
  // Asked once: the box goes at once, the work ends at the program's next
  // report and says so itself (the search line's "Find stopped").
  const entry = { m: { buttons: CANCEL, default: CANCEL }, layer, answer: () => {
    work.stopped = true;
    closeBox(entry);
    send({ t: 'stop', id });
  } };
  cancel.addEventListener('click', () => entry.answer());
  const row = el('div', { class: 'buttons' });
  row.appendChild(cancel);
  box.append(el('div', { class: 'title', id: 'progress-title-' + id }, work.m.title), work.text, work.bar, row);
  layer.appendChild(box);
  document.getElementById('boxes').appendChild(layer);
  work.entry = entry;
  boxes.push(entry);
  drawProgress(work);
  cancel.focus();
}

// A known total fills the bar; without one it moves without a measure.
function drawProgress(work) {
  work.text.textContent = work.m.text;
  if (work.m.total > 0) {
    work.bar.max = work.m.total;
    work.bar.value = Math.min(work.m.done, work.m.total);
  } else {
    work.bar.removeAttribute('value');
  }
}
