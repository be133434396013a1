// The input-method page in Debian's Chromium, against a real server: what
// a person typing sees in the text area, the candidate window and the
// status line. Screenshots go to the build folder's screenshots/.
import assert from 'node:assert/strict';
import {readFile} from 'node:fs/promises';
import path from 'node:path';
import {after, afterEach, before, test} from 'node:test';

import {buildDir, launchBrowser, screenshotDir, startServer, status, waitFor}
    from './harness.mjs';

let server;
let browser;
let shots;

before(async () => {
  server = await startServer();
  browser = await launchBrowser();
  shots = await screenshotDir();
});

after(async () => {
  await browser?.close();
  const code = await server?.stop();
  assert.equal(code, 0, `the server exited with ${code}: ${server?.stderr}`);
});

// A test that fails leaves no tab behind for the next one.
const pages = new Set();
afterEach(async () => {
  for (const page of pages) await page.close();
  pages.clear();
});

// Opens the page on `layout`, connected and with its tables loaded.
async function openPage(layout) {
  const page = await browser.context.newPage();
  pages.add(page);
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  page.errors = errors;
  await page.goto(server.url);
  await page.waitForSelector('#status-connection[data-state="open"]');
  await page.selectOption('#layout', layout);
  await page.waitForSelector(`#status-layout[data-layout="${layout}"]`);
  await page.waitForSelector('#status-tables[data-state="loaded"]',
                             {timeout: 30000});
  await page.focus('#text');
  return page;
}

// Waits until every key has its reply, then reads the text area, the
// preedit (the underlined part) and the caret.
async function screen(page) {
  await page.waitForFunction(() => !window.inputMethod.busy);
  return page.evaluate(() => {
    const area = document.getElementById('text');
    const preedit = document.querySelector('#backdrop .preedit');
    return {
      text: area.value,
      preedit: preedit ? preedit.textContent : '',
      underlined: preedit
          ? getComputedStyle(preedit).textDecorationLine.includes('underline')
          : false,
      caret: area.selectionStart,
      focus: document.activeElement.id,
    };
  });
}

async function candidates(page) {
  await page.waitForSelector('#candidates:not([hidden])');
  return page.evaluate(() => {
    const list = document.querySelector('#candidates [role="listbox"]');
    const options = [...list.querySelectorAll('[role="option"]')];
    const active = document.getElementById(
        list.getAttribute('aria-activedescendant'));
    const value = (option) =>
        option.querySelector('.candidate-value').textContent;
    return {
      focused: document.activeElement === list,
      values: options.map(value),
      notes: options.map(
          (o) => o.querySelector('.candidate-note')?.textContent ?? ''),
      active: active ? value(active) : null,
      selected: options.filter((o) => o.getAttribute('aria-selected') === 'true')
                    .map(value),
      setSize: Number(options[0].getAttribute('aria-setsize')),
      position: active ? Number(active.getAttribute('aria-posinset')) : 0,
      page: document.querySelector('.candidate-page').textContent,
    };
  });
}

function tableEntries(name, reading) {
  return readFile(path.join(buildDir, 'page', name), 'utf8').then((text) =>
      text.split('\n')
          .filter((line) => line.startsWith(`${reading}:`))
          .map((line) => line.split(':')[1]));
}

test('typing dkssudgktpdy composes 안녕하세요, the last syllable underlined', async () => {
  const page = await openPage('2');
  await page.keyboard.type('dkssudgktpdy');
  assert.deepEqual(await screen(page), {
    text: '안녕하세요', preedit: '요', underlined: true, caret: 5, focus: 'text',
  });
  await page.screenshot({path: path.join(shots, 'page.png'), fullPage: true});

  // Space commits; Backspace takes back one key of the syllable in
  // progress, then deletes committed text as usual; Enter commits.
  await page.keyboard.press('Space');
  await page.keyboard.type('gks');
  let now = await screen(page);
  assert.equal(now.text, '안녕하세요 한');
  assert.equal(now.preedit, '한');
  const backspaces = [['하', '안녕하세요 하'], ['ㅎ', '안녕하세요 ㅎ'],
                      ['', '안녕하세요 '], ['', '안녕하세요']];
  for (const [preedit, text] of backspaces) {
    await page.keyboard.press('Backspace');
    now = await screen(page);
    assert.equal(now.text, text);
    assert.equal(now.preedit, preedit);
  }
  await page.keyboard.type('rk');
  await page.keyboard.press('Enter');
  await page.keyboard.type('Rk');
  now = await screen(page);
  assert.equal(now.text, '안녕하세요가\n까');
  assert.equal(now.preedit, '까');

  // Shift+Space commits and switches to Latin, where keys go in as typed.
  await page.keyboard.press('Shift+Space');
  await page.keyboard.type('rk');
  now = await screen(page);
  assert.equal(now.text, '안녕하세요가\n까rk');
  assert.equal(now.preedit, '');
  assert.equal(await page.getAttribute('#status-mode', 'data-mode'), 'latin');
  await page.keyboard.press('Shift+Space');
  await page.keyboard.type('rk');
  assert.equal((await screen(page)).text, '안녕하세요가\n까rk가');
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('layout 39 composes three-set words and is kept across a reload', async () => {
  const page = await openPage('39');
  await page.keyboard.type('mfskgw');
  let now = await screen(page);
  assert.equal(now.text, '한글');
  assert.equal(now.preedit, '글');
  assert.match(await page.textContent('#status-layout'), /세벌식 390/);

  await page.reload();
  await page.waitForSelector('#status-tables[data-state="loaded"]',
                             {timeout: 30000});
  assert.equal(await page.inputValue('#layout'), '39');
  assert.equal(await page.getAttribute('#status-layout', 'data-layout'), '39');
  await page.focus('#text');
  await page.keyboard.type('mfskgw');
  now = await screen(page);
  assert.equal(now.text, '한글', 'the reloaded page selects 39 again');
  await page.screenshot({path: path.join(shots, 'layout-39.png')});
  await page.close();
});

test('F9 converts 한국 to 韓國 with the keyboard alone', async () => {
  const page = await openPage('2');
  await page.keyboard.type('gksrnr');
  await page.keyboard.press('F9');
  let list = await candidates(page);
  assert.ok(list.focused, 'the listbox has the focus');
  assert.equal(list.active, list.values[0]);
  const target = list.values.indexOf('韓國');
  assert.ok(target >= 0, `韓國 on the first page: ${list.values}`);
  assert.equal(list.notes[target], '대한민국');
  assert.equal(list.setSize,
               (await tableEntries('hanja.txt', '한국')).length +
                   (await tableEntries('hanja.txt', '한')).length);

  // Paging there and back.
  await page.keyboard.press('PageDown');
  list = await candidates(page);
  assert.equal(list.position, 10);
  assert.match(list.page, /^2 \/ /);
  await page.keyboard.press('PageUp');
  assert.equal((await candidates(page)).position, 1);

  for (let k = 0; k < target; k++) await page.keyboard.press('ArrowDown');
  list = await candidates(page);
  assert.equal(list.active, '韓國');
  assert.deepEqual(list.selected, ['韓國']);
  await page.screenshot({path: path.join(shots, 'candidates.png')});
  await page.locator('#candidates').screenshot(
      {path: path.join(shots, 'candidate-window.png')});

  await page.keyboard.press('Enter');
  assert.ok(await page.isHidden('#candidates'));
  assert.deepEqual(await screen(page), {
    text: '韓國', preedit: '', underlined: false, caret: 2, focus: 'text',
  });

  // Esc closes without a change; a shorter match replaces only its part.
  await page.keyboard.type(' gksrnrdms');
  await page.keyboard.press('F9');
  await candidates(page);
  await page.keyboard.press('Escape');
  assert.ok(await page.isHidden('#candidates'));
  assert.equal((await screen(page)).text, '韓國 한국은');
  await page.keyboard.press('F9');
  list = await candidates(page);
  await page.keyboard.press(String(list.values.indexOf('韓國') + 1));
  assert.deepEqual(await screen(page), {
    text: '韓國 韓國은', preedit: '', underlined: false, caret: 6,
    focus: 'text',
  });
  await page.close();
});

test('F9 after ㄱ offers its symbols, and a number key picks one', async () => {
  const page = await openPage('2');
  await page.keyboard.type('r');
  assert.equal((await screen(page)).preedit, 'ㄱ');
  await page.click('#hanja');
  const list = await candidates(page);
  const symbols = await tableEntries('symbol.txt', 'ㄱ');
  assert.equal(list.setSize, symbols.length);
  assert.deepEqual(list.values, symbols.slice(0, 9));
  await page.screenshot({path: path.join(shots, 'symbols.png')});
  await page.keyboard.press('3');
  assert.deepEqual(await screen(page), {
    text: symbols[2], preedit: '', underlined: false, caret: symbols[2].length,
    focus: 'text',
  });
  await page.close();
});

test('two tabs on different layouts stay independent', async () => {
  const first = await openPage('2');
  const second = await openPage('39');
  // The same keys, one at a time in turn: each tab composes on its own.
  for (const key of 'mfskgw') {
    await first.keyboard.type(key);
    await second.keyboard.type(key);
  }
  assert.equal((await screen(first)).text, '르낳ㅈ');
  assert.equal((await screen(second)).text, '한글');
  assert.equal(await first.getAttribute('#status-layout', 'data-layout'), '2');
  await first.close();
  await second.close();
});

test('closing a tab frees its instance', async () => {
  // The tabs of the tests before are closed: their instances go too.
  const count = async () => {
    const now = await status(server.url);
    return [now.instances, now.connections];
  };
  await waitFor(async () => (await count())[0] === 0, 5000, 'no instance');
  const page = await openPage('2');
  assert.deepEqual(await count(), [1, 1]);
  await page.close();
  await waitFor(async () => (await count()).join() === '0,0', 5000,
                'the instance to go');
});

test('the status line says when the connection is lost', async () => {
  const own = await startServer();
  const page = await browser.context.newPage();
  await page.goto(own.url);
  await page.waitForSelector('#status-tables[data-state="loaded"]',
                             {timeout: 30000});
  assert.match(await page.textContent('#status-connection'), /Connected/);
  assert.equal(await own.stop(), 0, 'SIGTERM with a page connected');
  await page.waitForSelector('#status-connection[data-state="closed"]');
  assert.match(await page.textContent('#status-connection'), /Disconnected/);
  await page.close();
});
