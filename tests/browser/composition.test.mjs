// The page's reading of keystroke replies (web/composition.js), on replies
// as the engine gives them.
import assert from 'node:assert/strict';
import {test} from 'node:test';

import {hangulWordStart, latinKey, splitReply} from '../../web/composition.js';

test('splitReply commits the final characters and keeps the last one composing', () => {
  const cases = [
    // run, characters, key counts, expected {commit, preedit, run}
    ['dks', ['안'], [3], {commit: '', preedit: '안', run: 'dks'}],
    ['dkss', ['안', 'ㄴ'], [3, 1], {commit: '안', preedit: 'ㄴ', run: 's'}],
    ['rkrk', ['가', '가'], [2, 2], {commit: '가', preedit: '가', run: 'rk'}],
    ['rkskek', ['가', '나', '다'], [2, 2, 2], {commit: '가나', preedit: '다', run: 'ek'}],
    // a three-set syllable written as conjoining jamo stays one preedit
    ['kx', ['\u1100', '\u1160', '\u11a8'], [2, 1, 1],
     {commit: '', preedit: '\u1100\u1160\u11a8', run: 'kx'}],
    ['fkx', ['ㅏ', '\u1100', '\u1160', '\u11a8'], [1, 1, 1, 1],
     {commit: 'ㅏ', preedit: '\u1100\u1160\u11a8', run: 'kx'}],
    // what the layout maps to itself is committed at once
    ['rk1', ['가', '1'], [2, 1], {commit: '가1', preedit: '', run: ''}],
    ['.', ['.'], [1], {commit: '.', preedit: '', run: ''}],
    // counts that leave no key for the last character commit everything
    ['ab', ['가', '나'], [2, 1], {commit: '가나', preedit: '', run: ''}],
    // keys that compose nothing
    ['   ', null, null, {commit: '', preedit: '', run: ''}],
  ];
  for (const [run, chars, counts, expected] of cases) {
    assert.deepEqual(splitReply(run, chars, counts), expected, run);
  }
});

test('latinKey takes ASCII keys as they are and maps other keys by position', () => {
  const cases = [
    // key, code, shift, caps lock, expected
    ['r', 'KeyR', false, false, 'r'],
    ['R', 'KeyR', true, false, 'R'],
    ['R', 'KeyR', false, false, 'R'],  // a key sent without its Shift
    ['ㄱ', 'KeyR', false, false, 'r'],
    ['Process', 'KeyR', true, false, 'R'],
    ['Process', 'KeyR', false, true, 'R'],
    ['Process', 'KeyR', true, true, 'r'],
    ['é', 'Digit2', false, false, '2'],
    ['é', 'Digit2', true, false, '@'],
    ['ü', 'BracketLeft', false, false, '['],
    [' ', 'Space', false, false, ''],
    ['Enter', 'Enter', false, false, ''],
    ['Backspace', 'Backspace', false, false, ''],
    ['F9', 'F9', false, false, ''],
    ['Dead', 'Quote', true, false, '"'],
  ];
  for (const [key, code, shift, caps, expected] of cases) {
    assert.equal(latinKey(key, code, shift, caps), expected, `${key} ${code}`);
  }
});

test('hangulWordStart finds the Hangul run that ends at the caret', () => {
  const cases = [
    // text with | at the caret, expected word
    ['저는 한국은|', '한국은'],
    ['한국|은', '한국'],
    ['abc한|', '한'],
    ['ㄱ|', 'ㄱ'],
    ['한국 |', ''],
    ['|', ''],
    ['가'.repeat(20) + '|', '가'.repeat(16)],
  ];
  for (const [marked, word] of cases) {
    const caret = marked.indexOf('|');
    const text = marked.replace('|', '');
    assert.equal(text.slice(hangulWordStart(text, caret), caret), word, marked);
  }
});
