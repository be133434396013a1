// How the page turns the engine's keystroke replies into committed text and
// a character in progress (the preedit). Pure functions, no DOM.
//
// The engine composes a whole run of Latin keys from scratch on every
// request and answers with the composed characters, each with the number
// of keys that produced it. The page keeps `run`: the keys typed since the
// last commit. On each key it sends the run with the new key appended and
// splits the reply with splitReply():
//
//   - Every character before the last one is final. libhangul commits a
//     syllable only when a later key cannot change it any more (a final
//     consonant that moves on to the next syllable is counted with the next
//     one), so these are committed, and their keys leave the run.
//   - The last character may still change with the next key. It stays as
//     the preedit, and the keys left in the run are its keys.
//
// Example, layout "2": "dks" gives 안 (3 keys): preedit 안, run "dks".
// "dkss" gives 안, ㄴ (3, 1): commit 안, preedit ㄴ, run "s". "su" gives 녀,
// "sud" 녕, "sudg" 녕, ㅎ (3, 1): commit 녕, run "g"; and so on.
//
// Special cases:
//   - Old Hangul, and an initial with a final but no medial on a three-set
//     layout, come out as two or three conjoining jamo, one per character
//     of the reply. They are one syllable on screen, so the preedit is the
//     whole trailing cluster of conjoining jamo, not just the last one.
//   - A preedit that is not Hangul (a digit or punctuation that the layout
//     maps to itself) is committed at once, as a desktop input method does.
//   - Key counts that do not leave a key for the preedit (the engine gives
//     a character all the remaining keys when it cannot tell them apart)
//     mean the run cannot be cut safely: everything is committed.
//   - A reply with no character (keys that compose nothing) commits
//     nothing and empties the run.
//
// Backspace removes the last key of the run and sends the shorter run, so
// 녕 goes back to 녀, then ㄴ, as keys were typed; an empty run removes the
// preedit.

const HANGUL_RANGES = [
  [0x1100, 0x11ff], // conjoining jamo
  [0x3131, 0x318e], // compatibility jamo
  [0xa960, 0xa97f], // conjoining jamo extended A
  [0xac00, 0xd7a3], // syllables
  [0xd7b0, 0xd7ff], // conjoining jamo extended B
];

function codePoint(ch) {
  return ch.codePointAt(0);
}

export function isHangul(ch) {
  const c = codePoint(ch);
  return HANGUL_RANGES.some(([lo, hi]) => c >= lo && c <= hi);
}

function isConjoining(ch) {
  const c = codePoint(ch);
  return (c >= 0x1100 && c <= 0x11ff) || (c >= 0xa960 && c <= 0xa97f) ||
         (c >= 0xd7b0 && c <= 0xd7ff);
}

// An initial consonant (choseong), the initial filler U+115F included.
function isInitial(ch) {
  const c = codePoint(ch);
  return (c >= 0x1100 && c <= 0x115f) || (c >= 0xa960 && c <= 0xa97f);
}

// Index of the first character of the last syllable on screen.
function lastClusterStart(chars) {
  let start = chars.length - 1;
  if (isConjoining(chars[start])) {
    while (start > 0 && !isInitial(chars[start]) &&
           isConjoining(chars[start - 1])) {
      start--;
    }
  }
  return start;
}

// Splits the reply to a keystroke request for `run`.
//   chars:  the reply's characters (null when none), one string each;
//   counts: their key counts (null when none).
// Returns {commit, preedit, run}: the text to commit, the new preedit and
// the keys that remain composing (the preedit's keys).
export function splitReply(run, chars, counts) {
  if (!chars || chars.length === 0) return {commit: '', preedit: '', run: ''};
  const start = lastClusterStart(chars);
  const all = chars.join('');
  let used = 0;
  for (let k = 0; k < start; k++) used += counts[k];
  const preedit = chars.slice(start).join('');
  if (!isHangul(chars[chars.length - 1]) || used >= run.length) {
    return {commit: all, preedit: '', run: ''};
  }
  return {commit: chars.slice(0, start).join(''), preedit, run: run.slice(used)};
}

// The Latin key for a keydown event, or '' if the event is not a key the
// engine composes. Layouts are defined on the positions of a US keyboard:
// an ASCII `key` is taken as it is (its case matters), and when the system
// reports something else (another national layout, an input method of the
// system) the physical key `code` is mapped to its US character.
const US_KEYS = {
  Backquote: ['`', '~'], Minus: ['-', '_'], Equal: ['=', '+'],
  BracketLeft: ['[', '{'], BracketRight: [']', '}'], Backslash: ['\\', '|'],
  Semicolon: [';', ':'], Quote: ['\'', '"'], Comma: [',', '<'],
  Period: ['.', '>'], Slash: ['/', '?'],
  Digit1: ['1', '!'], Digit2: ['2', '@'], Digit3: ['3', '#'],
  Digit4: ['4', '$'], Digit5: ['5', '%'], Digit6: ['6', '^'],
  Digit7: ['7', '&'], Digit8: ['8', '*'], Digit9: ['9', '('],
  Digit0: ['0', ')'],
};

export function latinKey(key, code, shift, capsLock) {
  if (key.length === 1 && key >= '!' && key <= '~') return key;
  if (/^Key[A-Z]$/.test(code)) {
    const letter = code.slice(3);
    return shift !== capsLock ? letter : letter.toLowerCase();
  }
  const pair = US_KEYS[code];
  return pair ? pair[shift ? 1 : 0] : '';
}

// The Hangul text that ends at `caret` in `text`: the run of Hangul
// characters right before it, at most `limit` long. Returns its start.
// Example: in "저는 한국은|", the word before the caret starts at 한.
export function hangulWordStart(text, caret, limit = 16) {
  let start = caret;
  while (start > 0 && caret - start < limit && isHangul(text[start - 1])) {
    start--;
  }
  return start;
}
