// CandidateWindow: the list of Hanja and symbol candidates shown under the
// caret, as an ARIA listbox. While it is open the listbox has the focus and
// its active option is named by aria-activedescendant; the options of one
// page (nine, numbered 1-9) are in the document at a time, each with its
// position in the whole list (aria-posinset, aria-setsize).
//
// Keys: arrows move (Up/Left back, Down/Right on, across pages), PgUp/PgDn
// turn the page, Home/End go to the first/last candidate, 1-9 pick on the
// page, Enter picks the active one, Esc (or F9, or Tab) closes. A click
// picks too.

export const PAGE_SIZE = 9;

export class CandidateWindow {
  // `root` holds the listbox and the page indicator. `onpick(item)` and
  // `onclose(refocus)` are called after the window has closed; `refocus`
  // is false when the focus has already gone elsewhere.
  constructor(root, {onpick, onclose}) {
    this.root = root;
    this.list = root.querySelector('[role="listbox"]');
    this.pageLabel = root.querySelector('.candidate-page');
    this.onpick = onpick;
    this.onclose = onclose;
    this.items = [];
    this.active = 0;
    this.list.addEventListener('keydown', (event) => this.onKeyDown(event));
    this.list.addEventListener('mousedown', (event) => event.preventDefault());
    this.list.addEventListener('click', (event) => {
      const option = event.target.closest('[role="option"]');
      if (option) this.pick(Number(option.dataset.index));
    });
    // Focus leaving the list (a click elsewhere) closes it, and the focus
    // stays where it went.
    this.list.addEventListener('focusout', () => this.close(false));
  }

  get isOpen() {
    return !this.root.hidden;
  }

  // Shows `items` ({value, annotation, reading}) with its top left corner
  // at `anchor` ({left, bottom} in page coordinates), and focuses the list.
  open(items, anchor, label) {
    this.items = items;
    this.active = 0;
    this.list.setAttribute('aria-label', label);
    this.root.hidden = false;
    this.render();
    this.place(anchor);
    this.list.focus({preventScroll: true});
  }

  close(refocus = true) {
    if (!this.isOpen) return;
    this.root.hidden = true;
    this.list.removeAttribute('aria-activedescendant');
    this.list.textContent = '';
    this.onclose(refocus);
  }

  pick(index) {
    const item = this.items[index];
    if (!item) return;
    this.close();
    this.onpick(item);
  }

  move(index) {
    this.active = Math.max(0, Math.min(this.items.length - 1, index));
    this.render();
  }

  onKeyDown(event) {
    const page = Math.floor(this.active / PAGE_SIZE);
    const digit = /^(Digit|Numpad)([1-9])$/.exec(event.code);
    const number = /^[1-9]$/.test(event.key) ? Number(event.key)
                 : digit ? Number(digit[2]) : 0;
    let handled = true;
    if (number) {
      this.pick(page * PAGE_SIZE + number - 1);
    } else {
      switch (event.key) {
        case 'ArrowDown':
        case 'ArrowRight':
          this.move(this.active + 1);
          break;
        case 'ArrowUp':
        case 'ArrowLeft':
          this.move(this.active - 1);
          break;
        case 'PageDown':
          this.move(Math.min((page + 1) * PAGE_SIZE + this.active % PAGE_SIZE,
                             this.items.length - 1));
          break;
        case 'PageUp':
          this.move(this.active - PAGE_SIZE);
          break;
        case 'Home':
          this.move(0);
          break;
        case 'End':
          this.move(this.items.length - 1);
          break;
        case 'Enter':
          this.pick(this.active);
          break;
        case 'Escape':
        case 'Tab':
        case 'F9':
          this.close();
          break;
        default:
          handled = false;
      }
    }
    if (handled) event.preventDefault();
  }

  render() {
    const page = Math.floor(this.active / PAGE_SIZE);
    const pages = Math.ceil(this.items.length / PAGE_SIZE);
    const first = page * PAGE_SIZE;
    this.list.textContent = '';
    this.items.slice(first, first + PAGE_SIZE).forEach((item, k) => {
      const index = first + k;
      const option = document.createElement('div');
      option.setAttribute('role', 'option');
      option.id = `candidate-${index}`;
      option.dataset.index = index;
      option.setAttribute('aria-selected', index === this.active);
      option.setAttribute('aria-posinset', index + 1);
      option.setAttribute('aria-setsize', this.items.length);
      const number = document.createElement('span');
      number.className = 'candidate-number';
      number.textContent = k + 1;
      number.setAttribute('aria-hidden', 'true');
      const value = document.createElement('span');
      value.className = 'candidate-value';
      value.textContent = item.value;
      option.append(number, value);
      // A blank candidate (the ideographic space) shows its extent and
      // code point.
      const blank = item.value.trim() === '';
      if (blank) value.classList.add('candidate-blank');
      // A candidate for a shorter part of the text says which part.
      if (item.reading) {
        const reading = document.createElement('span');
        reading.className = 'candidate-reading';
        reading.textContent = item.reading;
        option.append(reading);
      }
      const annotation = item.annotation || (blank ? [...item.value].map(
          (c) => `U+${c.codePointAt(0).toString(16).toUpperCase()}`).join(' ')
          : '');
      if (annotation) {
        const note = document.createElement('span');
        note.className = 'candidate-note';
        note.textContent = annotation;
        option.append(note);
      }
      this.list.append(option);
    });
    this.list.setAttribute('aria-activedescendant', `candidate-${this.active}`);
    this.pageLabel.textContent = pages > 1 ? `${page + 1} / ${pages}` : '';
  }

  // Below the anchor, or above the line when there is no room below; kept
  // inside the window horizontally.
  place(anchor) {
    const box = this.root;
    box.style.left = '0px';
    box.style.top = '0px';
    const width = box.offsetWidth;
    const height = box.offsetHeight;
    const maxLeft = window.scrollX + document.documentElement.clientWidth -
                    width - 8;
    let top = anchor.bottom + 4;
    if (top + height > window.scrollY + window.innerHeight &&
        anchor.top - height - 4 >= window.scrollY) {
      top = anchor.top - height - 4;
    }
    box.style.left = `${Math.max(window.scrollX + 8, Math.min(anchor.left, maxLeft))}px`;
    box.style.top = `${top}px`;
  }
}
