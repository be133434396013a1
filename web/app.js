// The input-method page: keys typed in the text area go to the engine, and
// its replies become committed text, the preedit and candidate lists.
//
// Every action that depends on a reply (a key, Backspace, the Hanja key, a
// layout switch) runs in one queue, one after another, so that the replies
// apply in the order the keys were typed, however fast they come. The
// decision whether the page handles a key itself is taken at once, in the
// keydown handler; only the work waits in the queue.

import {CandidateWindow} from './candidate_window.js';
import {hangulWordStart, latinKey, splitReply} from './composition.js';
import {Editor} from './editor.js';
import {EngineClient, parseResult} from './engine_client.js';

const LAYOUTS = [
  ['2', '두벌식', 'Dubeolsik'],
  ['2y', '두벌식 옛글', 'Dubeolsik Yetgeul'],
  ['39', '세벌식 390', 'Sebeolsik 390'],
  ['3f', '세벌식 최종', 'Sebeolsik Final'],
  ['3s', '세벌식 순아래', 'Sebeolsik Noshift'],
  ['3y', '세벌식 옛글', 'Sebeolsik Yetgeul'],
  ['32', '세벌식 (두벌식 자리)', 'Sebeolsik on the Dubeolsik layout'],
  ['ro', '로마자', 'Romaja'],
  ['ahn', '안마태', 'Ahnmatae'],
];
const LAYOUT_KEY = 'hangul-ime.layout';
const APP = 'ime';
// The tables count as loaded once both answer: "가" from hanja.txt and
// "ㄱ" from symbol.txt. Asked every PROBE_DELAY ms, and after PROBE_PATIENCE
// tries reported missing (but still asked, less often).
const PROBE_DELAY = 250;
const PROBE_PATIENCE = 40;

const $ = (id) => document.getElementById(id);

class InputMethod {
  constructor() {
    this.textarea = $('text');
    this.editor = new Editor(this.textarea, $('backdrop'));
    this.candidates = new CandidateWindow($('candidates'), {
      onpick: (item) => this.pickCandidate(item),
      onclose: (refocus) => {
        if (refocus) this.textarea.focus();
      },
    });
    this.run = '';
    this.hangulMode = true;
    this.queue = Promise.resolve();
    this.queued = 0;
    this.tables = 'loading';
    this.probeGeneration = 0;
    this.conversion = null;

    this.layout = this.savedLayout();
    this.setUpLayouts();
    this.client = new EngineClient(this.engineUrl());
    this.client.onstate = (state) => this.onConnection(state);

    this.textarea.addEventListener('keydown', (event) => this.onKeyDown(event));
    this.textarea.addEventListener('beforeinput', () => this.commitNow());
    this.textarea.addEventListener('mousedown', () => this.commitNow());
    this.textarea.addEventListener('blur', () => this.commitNow());
    $('hanja').addEventListener('click', () => {
      this.textarea.focus();
      this.enqueue(() => this.openCandidates());
    });
    $('mode').addEventListener('click', () => {
      this.enqueue(() => this.toggleMode());
      this.textarea.focus();
    });
    this.updateStatus();
    this.textarea.focus();
  }

  engineUrl() {
    const url = new URL('engine', location.href);
    url.protocol = location.protocol === 'https:' ? 'wss:' : 'ws:';
    return url.href;
  }

  get busy() {
    return this.queued > 0;
  }

  enqueue(action) {
    this.queued++;
    this.queue = this.queue.then(action)
        .catch((error) => this.say(`오류 Error: ${error.message}`))
        .finally(() => this.queued--);
  }

  // ---- keys ----

  onKeyDown(event) {
    if (event.isComposing) return;
    const key = event.key;
    if (key === 'F9' || key === 'HanjaMode') {
      event.preventDefault();
      this.enqueue(() => this.openCandidates());
      return;
    }
    if ((key === ' ' && event.shiftKey) || key === 'HangulMode') {
      event.preventDefault();
      this.enqueue(() => this.toggleMode());
      return;
    }
    if (event.ctrlKey || event.altKey || event.metaKey) {
      // Shortcuts act on committed text.
      if (!this.busy) this.commitNow();
      return;
    }
    const latin = this.hangulMode
        ? latinKey(key, event.code, event.shiftKey,
                   event.getModifierState('CapsLock'))
        : '';
    if (latin) {
      event.preventDefault();
      this.enqueue(() => this.typeKey(latin));
      return;
    }
    const pending = this.busy || this.editor.composing;
    if (!pending) return;
    // While a composition is open, or replies are awaited, the page does
    // what the key would do, in turn.
    const inserts = {' ': ' ', 'Enter': '\n'};
    event.preventDefault();
    if (key in inserts) {
      this.enqueue(() => this.commit(inserts[key]));
    } else if (key === 'Backspace') {
      this.enqueue(() => this.backspace());
    } else if (key === 'Delete') {
      this.enqueue(() => {
        this.commit('');
        this.editor.deleteForward();
      });
    } else if (['ArrowLeft', 'ArrowRight', 'Home', 'End'].includes(key)) {
      this.enqueue(() => {
        this.commit('');
        this.editor.moveCaret(key);
      });
    } else {
      this.enqueue(() => this.commit(''));
    }
  }

  // Composes `key` after the run of keys typed since the last commit. See
  // composition.js for how the reply is split.
  async typeKey(key) {
    if (this.editor.composing && !this.editor.caretAtPreeditEnd()) {
      this.commit('');
    }
    const run = this.run + key;
    let reply;
    try {
      reply = await this.client.request({app: APP, text: run, num: 0});
    } catch (error) {
      // Without the engine the key goes in as it is, rather than lost.
      this.commit(key);
      throw error;
    }
    this.applyKeys(run, reply);
  }

  async backspace() {
    if (!this.run) {
      this.editor.deleteBackward();
      return;
    }
    const run = this.run.slice(0, -1);
    if (!run) {
      this.editor.compose('', '');
      this.run = '';
      return;
    }
    this.applyKeys(run, await this.client.request({app: APP, text: run, num: 0}));
  }

  applyKeys(run, reply) {
    const result = parseResult(reply);
    if (!result) {
      this.commit('');
      this.say(`엔진 오류 Engine error: ${JSON.stringify(reply)}`);
      return;
    }
    const split = splitReply(run, result.candidates, result.lengths);
    this.editor.compose(split.commit, split.preedit);
    this.run = split.run;
  }

  // Commits the preedit, then inserts `text`.
  commit(text) {
    this.editor.commit();
    this.run = '';
    if (text) this.editor.insert(text);
  }

  // For events that cannot wait (a click moves the caret at once): ends
  // the composition now unless replies are still awaited, in which case
  // it ends in turn.
  commitNow() {
    if (!this.editor.composing && !this.busy) return;
    if (this.busy) {
      this.enqueue(() => this.commit(''));
    } else {
      this.commit('');
    }
  }

  toggleMode() {
    this.commit('');
    this.hangulMode = !this.hangulMode;
    const button = $('mode');
    button.textContent = this.hangulMode ? '한' : 'A';
    button.setAttribute('aria-pressed', String(this.hangulMode));
    this.updateStatus();
  }

  // ---- Hanja and symbols ----

  // Asks for the candidates of the selection, or else of the Hangul word
  // that ends at the caret, and opens the window under the caret. The
  // engine matches prefixes of the text, longest first, so in "한국은" the
  // candidates are those of 한국은, 한국 and 한; a pick replaces the
  // characters it matched and leaves the rest (은) as it was.
  async openCandidates() {
    this.commit('');
    const area = this.textarea;
    const text = area.value;
    let start = area.selectionStart;
    const end = area.selectionEnd;
    if (start === end) start = hangulWordStart(text, end);
    const word = text.slice(start, end);
    if (!word) {
      this.say('커서 앞에 바꿀 한글이 없습니다. No Hangul before the caret.');
      return;
    }
    const result = parseResult(
        await this.client.request({app: APP, text: word, num: 0}));
    if (!result || result.candidates.length === 0) {
      this.say(`“${word}”의 한자·기호가 없습니다. No candidates for “${word}”.`);
      return;
    }
    const chars = Array.from(word);
    const items = result.candidates.map((value, k) => {
      const reading = chars.slice(0, result.lengths[k]).join('');
      return {
        value,
        annotation: result.annotations[k] || '',
        reading: reading === word ? '' : reading,
        replaced: reading.length,
      };
    });
    this.conversion = {start, end};
    this.say('');
    this.candidates.open(items, this.editor.caretRect(end),
                         `“${word}” 후보 Candidates for “${word}”`);
  }

  pickCandidate(item) {
    const {start, end} = this.conversion;
    const replacedEnd = start + item.replaced;
    const caret = end - item.replaced + item.value.length;
    this.editor.replace(start, replacedEnd, item.value, caret);
    this.conversion = null;
  }

  // ---- layouts, connection, status ----

  savedLayout() {
    let saved = null;
    try {
      saved = localStorage.getItem(LAYOUT_KEY);
    } catch (error) {
      // Storage may be disabled; the default layout serves.
    }
    return LAYOUTS.some(([id]) => id === saved) ? saved : '2';
  }

  setUpLayouts() {
    const select = $('layout');
    for (const [id, korean, english] of LAYOUTS) {
      const option = document.createElement('option');
      option.value = id;
      option.textContent = `${korean} · ${english} (${id})`;
      select.append(option);
    }
    select.value = this.layout;
    select.addEventListener('change', () => {
      const id = select.value;
      this.enqueue(() => this.selectLayout(id));
      this.textarea.focus();
    });
  }

  selectLayout(id) {
    this.commit('');
    this.layout = id;
    try {
      localStorage.setItem(LAYOUT_KEY, id);
    } catch (error) {
      // Not kept across reloads, but used now.
    }
    this.client.send({app: APP, keyboard: id});
    this.updateStatus();
  }

  onConnection(state) {
    if (state === 'open') {
      // A new connection is a new instance: on layout "2", tables loading.
      this.client.send({app: APP, keyboard: this.layout});
      this.probeTables();
    } else {
      this.probeGeneration++;
      if (this.tables !== 'loaded') this.tables = 'loading';
    }
    this.updateStatus();
  }

  async probeTables() {
    const generation = ++this.probeGeneration;
    this.tables = 'loading';
    for (let attempt = 1; generation === this.probeGeneration; attempt++) {
      let hanja;
      let symbol;
      try {
        [hanja, symbol] = await Promise.all([
          this.client.request({app: APP, text: '가', num: 1}),
          this.client.request({app: APP, text: 'ㄱ', num: 1}),
        ]);
      } catch (error) {
        return;  // disconnected: the next connection probes again
      }
      if (generation !== this.probeGeneration) return;
      const found = (reply) => {
        const result = parseResult(reply);
        return result !== null && result.candidates.length > 0;
      };
      if (found(hanja) && found(symbol)) {
        this.tables = 'loaded';
        this.updateStatus();
        return;
      }
      if (attempt >= PROBE_PATIENCE) this.tables = 'missing';
      this.updateStatus();
      await new Promise((resolve) => setTimeout(
          resolve, attempt >= PROBE_PATIENCE ? 8 * PROBE_DELAY : PROBE_DELAY));
    }
  }

  updateStatus() {
    const connection = $('status-connection');
    const state = this.client ? this.client.state : 'connecting';
    connection.dataset.state = state;
    const reason = this.client && this.client.closeReason
        ? ` (${this.client.closeReason})` : '';
    connection.textContent = {
      connecting: '연결 중… Connecting',
      open: '연결됨 Connected',
      closed: `끊김 Disconnected${reason}`,
    }[state];

    const tables = $('status-tables');
    tables.dataset.state = this.tables;
    tables.textContent = {
      loading: '사전 읽는 중… Tables loading',
      loaded: '사전 준비됨 Tables loaded',
      missing: '사전 없음 Tables not loaded',
    }[this.tables];

    const layout = LAYOUTS.find(([id]) => id === this.layout);
    const status = $('status-layout');
    status.dataset.layout = this.layout;
    status.textContent = `${layout[1]} · ${layout[2]} (${layout[0]})`;

    const mode = $('status-mode');
    mode.dataset.mode = this.hangulMode ? 'hangul' : 'latin';
    mode.textContent = this.hangulMode ? '한글 Hangul' : '영문 Latin';
  }

  say(message) {
    $('message').textContent = message;
  }
}

window.inputMethod = new InputMethod();
