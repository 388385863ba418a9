// The sign-in page loads the program's page script too (the browser keeps
// it for good under its name), and signs in from the page itself: once the
// password is accepted, the program's page is built in place of the sign-in
// and begins at once, without loading another page. Without script the
// form posts as any form does and the program's page is loaded after it.
// (Loaded last.)
'use strict';

function signInInPlace(form) {
  let sending = false;
  form.addEventListener('submit', async (ev) => {
    ev.preventDefault();
    if (sending) return;  // one at a time, as the server checks them
    sending = true;
    const password = form.elements.password;
    let said;
    try {
      // An accepted sign-in is answered by a redirect to the program's page,
      // which the fetch follows with the session's cookie; a refused one by
      // the sign-in page saying why.
      const answer = await fetch(form.action, { method: 'POST', body: new URLSearchParams(new FormData(form)) });
      const page = new DOMParser().parseFromString(await answer.text(), 'text/html');
      if (answer.ok && page.getElementById('frame')) return showProgramPage(page);
      // Accepted, but the program's page asked for without the session's
      // cookie: the browser refused to keep it.
      said = answer.redirected ? 'The browser does not keep this site\'s cookies: allow them to sign in.'
        : page.getElementById('message')?.textContent || `The server answered ${answer.status}: try again.`;
    } catch (e) {
      said = 'The server cannot be reached: try again in a moment.';
    }
    sending = false;
    // The name stays as typed; the password is asked again.
    document.getElementById('message').textContent = said;
    password.value = '';
    password.focus();
  });
}

function showProgramPage(page) {
  // The page's script is this one, already running.
  for (const script of page.querySelectorAll('script')) script.remove();
  document.title = page.title;
  document.body.replaceWith(document.adoptNode(page.body));
  begin();
}

const signInForm = document.querySelector('form[action="/sign-in"]');
if (signInForm) signInInPlace(signInForm);
else begin();
