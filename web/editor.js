// Editor: the text area with the character in progress (the preedit) kept
// in its text and underlined by a backdrop drawn behind it. The backdrop is
// a copy of the text in the same font and wrapping, with the glyphs
// transparent, so only the underline shows through; it also tells where
// the caret is on screen, for the candidate window.
//
// Positions are UTF-16 offsets into the text, as the text area counts.

export class Editor {
  constructor(textarea, backdrop) {
    this.textarea = textarea;
    this.backdrop = backdrop;
    this.preeditStart = -1;
    this.preeditLength = 0;
    textarea.addEventListener('scroll', () => this.syncScroll());
    textarea.addEventListener('input', () => this.render());
    new ResizeObserver(() => this.render()).observe(textarea);
    this.render();
  }

  get composing() {
    return this.preeditLength > 0;
  }

  get preedit() {
    if (!this.composing) return '';
    return this.textarea.value.substr(this.preeditStart, this.preeditLength);
  }

  // True while the caret sits right after the preedit, with nothing
  // selected: where the next key continues the composition.
  caretAtPreeditEnd() {
    const end = this.preeditStart + this.preeditLength;
    return this.textarea.selectionStart === end &&
           this.textarea.selectionEnd === end;
  }

  // Replaces the preedit (or, when there is none, the selection) with the
  // committed text `commit` followed by the new preedit `preedit`, and
  // puts the caret after them.
  compose(commit, preedit) {
    const area = this.textarea;
    let start = area.selectionStart;
    let end = area.selectionEnd;
    if (this.composing) {
      start = this.preeditStart;
      end = start + this.preeditLength;
    }
    area.setRangeText(commit + preedit, start, end, 'end');
    this.preeditStart = start + commit.length;
    this.preeditLength = preedit.length;
    if (!this.composing) this.preeditStart = -1;
    this.render();
  }

  // Ends the composition: the preedit stays as ordinary text.
  commit() {
    this.preeditStart = -1;
    this.preeditLength = 0;
    this.render();
  }

  // Inserts `text` in place of the selection, caret after it.
  insert(text) {
    const area = this.textarea;
    area.setRangeText(text, area.selectionStart, area.selectionEnd, 'end');
    this.render();
  }

  // Replaces the text from `start` to `end` with `text`, caret at `caret`.
  replace(start, end, text, caret) {
    this.textarea.setRangeText(text, start, end);
    this.textarea.setSelectionRange(caret, caret);
    this.render();
  }

  // Deletes the selection, or else the character before the caret (a
  // surrogate pair as one).
  deleteBackward() {
    const area = this.textarea;
    let start = area.selectionStart;
    const end = area.selectionEnd;
    if (start === end) {
      if (start === 0) return;
      const low = area.value.charCodeAt(start - 1);
      start -= low >= 0xdc00 && low <= 0xdfff && start >= 2 ? 2 : 1;
    }
    area.setRangeText('', start, end, 'end');
    this.render();
  }

  // Deletes the selection, or else the character after the caret.
  deleteForward() {
    const area = this.textarea;
    const start = area.selectionStart;
    let end = area.selectionEnd;
    if (start === end) {
      if (end >= area.value.length) return;
      const high = area.value.charCodeAt(end);
      end += high >= 0xd800 && high <= 0xdbff ? 2 : 1;
    }
    area.setRangeText('', start, end, 'end');
    this.render();
  }

  // Moves the caret, for the keys the page replays itself.
  moveCaret(key) {
    const area = this.textarea;
    const text = area.value;
    let at = area.selectionEnd;
    if (key === 'ArrowLeft') at = Math.max(0, area.selectionStart - 1);
    if (key === 'ArrowRight') at = Math.min(text.length, at + 1);
    if (key === 'Home') at = text.lastIndexOf('\n', area.selectionStart - 1) + 1;
    if (key === 'End') {
      at = text.indexOf('\n', at);
      if (at < 0) at = text.length;
    }
    area.setSelectionRange(at, at);
  }

  // The screen rectangle of the caret position `at`: {left, top, bottom},
  // in page coordinates.
  caretRect(at) {
    this.render(at);
    const marker = this.backdrop.querySelector('.caret-marker');
    const box = marker.getBoundingClientRect();
    this.render();
    return {
      left: box.left + window.scrollX,
      top: box.top + window.scrollY,
      bottom: box.bottom + window.scrollY,
    };
  }

  // Redraws the backdrop; with `marker` set, an empty marker element sits
  // at that position.
  render(marker = -1) {
    const text = this.textarea.value;
    const cuts = [];
    if (this.composing) {
      cuts.push([this.preeditStart, 'open'],
                [this.preeditStart + this.preeditLength, 'close']);
    }
    if (marker >= 0) cuts.push([marker, 'marker']);
    cuts.sort((a, b) => a[0] - b[0] || (a[1] === 'marker' ? 1 : -1));

    const backdrop = this.backdrop;
    backdrop.textContent = '';
    let parent = backdrop;
    let at = 0;
    for (const [position, kind] of cuts) {
      parent.append(text.slice(at, position));
      at = position;
      if (kind === 'open') {
        const span = document.createElement('span');
        span.className = 'preedit';
        parent.append(span);
        parent = span;
      } else if (kind === 'close') {
        parent = backdrop;
      } else {
        const span = document.createElement('span');
        span.className = 'caret-marker';
        span.textContent = '\u200b';
        parent.append(span);
      }
    }
    // A final line feed only shows as a line with something after it.
    parent.append(text.slice(at));
    backdrop.append('\u200b');
    this.syncScroll();
  }

  syncScroll() {
    this.backdrop.scrollTop = this.textarea.scrollTop;
    this.backdrop.scrollLeft = this.textarea.scrollLeft;
  }
}
