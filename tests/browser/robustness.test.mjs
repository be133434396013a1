// The web host under abuse and load, spoken to over plain WebSockets: none
// of these may crash the server, disturb other connections or lose a
// reply. Also its refusals: foreign origins and hosts, too many
// connections, paths outside the page. The memory that each connection
// costs is printed as a diagnostic.
import assert from 'node:assert/strict';
import {mkdtemp, rm, writeFile} from 'node:fs/promises';
import http from 'node:http';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {after, afterEach, before, test} from 'node:test';

import WebSocket from 'ws';

import {startServer, status, waitFor} from './harness.mjs';

let server;

before(async () => {
  server = await startServer();
});

// A test that fails leaves no connection behind for the next one.
const open = new Set();
afterEach(() => {
  for (const socket of open) socket.terminate();
  open.clear();
});

after(async () => {
  const code = await server?.stop();
  assert.equal(code, 0, `the server exited with ${code}: ${server?.stderr}`);
});

const engineUrl = (url) => url.replace(/^http/, 'ws') + 'engine';

// A connection with its replies in arrival order.
function connect(url = server.url, options = {}) {
  const socket = new WebSocket(engineUrl(url), {maxPayload: 0, ...options});
  open.add(socket);
  socket.replies = [];
  socket.on('message', (data, binary) => {
    socket.replies.push(binary ? '<binary>' : data.toString());
  });
  socket.closed = new Promise((resolve) => {
    socket.on('close', (code, reason) => resolve({code, reason: `${reason}`}));
  });
  socket.opened = new Promise((resolve, reject) => {
    socket.once('open', resolve);
    socket.once('error', reject);
  });
  return socket;
}

function keys(text) {
  return JSON.stringify({app: 'ime', text, num: 0});
}

async function ask(socket, message) {
  const count = socket.replies.length;
  socket.send(message);
  await waitFor(() => socket.replies.length > count, 10000, 'a reply');
  return socket.replies[count];
}

const ANNYEONG =
    '["SUCCESS",[["dkssud",["안","녕"],[3,3],{"candidate_type":[0,0],' +
    '"is_confident":[1,0],"matched_length":[3,3]}]]]\n';

async function idle() {
  await waitFor(async () => {
    const now = await status(server.url);
    return now.instances === 0 && now.connections === 0;
  }, 10000, 'every instance to go');
}

test('text frames are requests, binary frames are not strings', async () => {
  const socket = connect();
  await socket.opened;
  assert.equal(await ask(socket, keys('dkssud')), ANNYEONG);
  assert.equal(await ask(socket, Buffer.from(keys('dkssud'))),
               '["ERROR","Request is not a string"]\n');
  assert.equal(await ask(socket, '{"app":"ime"}'),
               '["ERROR","Invalid request: {\\"app\\":\\"ime\\"}"]\n');
  socket.close();
  await socket.closed;
  await idle();
});

test('a 10 MB frame closes that connection alone, with code 1009', async () => {
  const bystander = connect();
  await bystander.opened;
  const sender = connect();
  await sender.opened;
  sender.send('x'.repeat(10 << 20));
  const closed = await sender.closed;
  assert.equal(closed.code, 1009);
  assert.match(closed.reason, /message too big: the limit is 65536 bytes/);
  assert.equal(await ask(bystander, keys('dkssud')), ANNYEONG);
  // Just under the limit still passes.
  const big = keys('a'.repeat((64 << 10) - 40));
  assert.ok(Buffer.byteLength(big) <= 64 << 10);
  assert.match(await ask(bystander, big), /^\["SUCCESS"/);
  bystander.close();
  await bystander.closed;
  await idle();
});

test('10,000 messages in a burst are all answered, in order', async () => {
  const socket = connect();
  await socket.opened;
  const count = 10000;
  for (let i = 0; i < count; i++) socket.send(keys(String(i)));
  await waitFor(() => socket.replies.length === count, 60000, 'every reply');
  for (let i = 0; i < count; i++) {
    const [kind, [[echo, characters]]] = JSON.parse(socket.replies[i]);
    assert.equal(kind, 'SUCCESS');
    assert.equal(echo, String(i), `reply ${i} in its place`);
    assert.equal(characters.join(''), String(i));
  }
  socket.close();
  await socket.closed;
  await idle();
});

test('a client that stops reading still gets every reply afterwards', async () => {
  const socket = connect();
  await socket.opened;
  // Long replies (every Hanja for 가), far more than the server queues
  // before it stops reading.
  await waitFor(async () => JSON.parse(await ask(socket, keys('가')))[1][0][1],
                30000, 'the tables');
  const expected = socket.replies[socket.replies.length - 1];
  socket.replies = [];
  socket._socket.pause();
  const count = 8000;
  for (let i = 0; i < count; i++) socket.send(keys('가'));
  await new Promise((resolve) => setTimeout(resolve, 500));
  socket._socket.resume();
  await waitFor(() => socket.replies.length === count, 60000, 'every reply');
  assert.ok(socket.replies.every((reply) => reply === expected));
  assert.ok(Buffer.byteLength(expected) * count > 16 << 20,
            'more than the queue and the sockets hold');
  socket.close();
  await socket.closed;
  await idle();
});

test('clients that leave while their tables download do no harm', async () => {
  let seenLoading = 0;
  for (let i = 0; i < 20; i++) {
    const socket = connect();
    await socket.opened;
    if ((await status(server.url)).loading > 0) seenLoading++;
    socket.terminate();
  }
  assert.ok(seenLoading > 0, 'some left with downloads in flight');
  await idle();
  const now = await status(server.url);
  assert.equal(now.loading, 0);
  // The server still serves tables to the next one.
  const socket = connect();
  await socket.opened;
  await waitFor(async () => JSON.parse(await ask(socket, keys('한국')))[1][0][1],
                30000, 'candidates for 한국');
  socket.close();
  await socket.closed;
  await idle();
});

test('50 connections at once each get their own instance', async (t) => {
  const start = await status(server.url);
  const sockets = Array.from({length: 50}, () => connect());
  await Promise.all(sockets.map((socket) => socket.opened));
  assert.equal((await status(server.url)).instances, 50);
  // Half of them switch to 39: the same keys then compose differently.
  sockets.forEach((socket, k) => {
    if (k % 2) socket.send('{"app":"ime","keyboard":"39"}');
  });
  const replies = await Promise.all(
      sockets.map((socket) => ask(socket, keys('mfskgw'))));
  replies.forEach((reply, k) => {
    assert.deepEqual(JSON.parse(reply)[1][0][1],
                     k % 2 ? ['한', '글'] : ['르', '낳', 'ㅈ']);
  });
  await waitFor(async () => (await status(server.url)).loading === 0, 120000,
                'every table download');
  const loaded = await status(server.url);
  const hanja = await Promise.all(
      sockets.map((socket) => ask(socket, keys('한국'))));
  assert.ok(hanja.every((reply) => JSON.parse(reply)[1][0][1].includes('韓國')));
  const perConnection = (loaded.rss_bytes - start.rss_bytes) / 50;
  t.diagnostic(`memory per connection, tables loaded: ${
      (perConnection / (1 << 20)).toFixed(1)} MiB (RSS ${
      (start.rss_bytes / (1 << 20)).toFixed(1)} -> ${
      (loaded.rss_bytes / (1 << 20)).toFixed(1)} MiB for 50)`);
  sockets.forEach((socket) => socket.close());
  await Promise.all(sockets.map((socket) => socket.closed));
  await idle();
  const after = await status(server.url);
  t.diagnostic(`RSS after they closed: ${
      (after.rss_bytes / (1 << 20)).toFixed(1)} MiB`);
});

test('instances fetch their tables from the served folder', async () => {
  // A folder served before the bundled page, with tables of its own.
  const root = await mkdtemp(path.join(tmpdir(), 'hangul-root-'));
  await writeFile(path.join(root, 'hanja.txt'), '# test\n시험:試驗:test\n');
  await writeFile(path.join(root, 'symbol.txt'), 'ㄱ:★:star\n');
  const own = await startServer(['--root', root]);
  try {
    const socket = connect(own.url);
    await socket.opened;
    await waitFor(async () => (await status(own.url)).loading === 0);
    assert.equal(await ask(socket, keys('시험')),
                 '["SUCCESS",[["시험",["試驗"],[2],{"annotation":["test"],' +
                 '"candidate_type":[0],"is_confident":[0],' +
                 '"matched_length":[2]}]]]\n');
    assert.match(await ask(socket, keys('ㄱ')), /^\["SUCCESS",\[\["ㄱ",\["★"\]/);
    assert.match(await ask(socket, keys('한국')), /null,null/);
  } finally {
    assert.equal(await own.stop(), 0);
    await rm(root, {recursive: true, force: true});
  }
});

test('connections beyond the limit are refused with a reason', async () => {
  const small = await startServer(['--max-connections', '2']);
  try {
    const first = connect(small.url);
    const second = connect(small.url);
    await Promise.all([first.opened, second.opened]);
    const third = connect(small.url);
    const refused = await third.closed;
    assert.equal(refused.code, 1013);
    assert.match(refused.reason, /too many connections: the limit is 2/);
    assert.equal(await ask(first, keys('dkssud')), ANNYEONG);
    first.close();
    await first.closed;
    await waitFor(async () => (await status(small.url)).connections === 1);
    const fourth = connect(small.url);
    await fourth.opened;
    assert.equal(await ask(fourth, keys('dkssud')), ANNYEONG);
  } finally {
    assert.equal(await small.stop(), 0);
  }
});

// A raw HTTP request, so that Host and the path go out as written.
function request(url, {method = 'GET', path, headers = {}}) {
  const {hostname, port} = new URL(url);
  return new Promise((resolve, reject) => {
    const req = http.request({hostname, port, method, path, headers},
                             (response) => {
      let body = '';
      response.on('data', (data) => { body += data; });
      response.on('end', () => resolve({
        status: response.statusCode,
        type: response.headers['content-type'],
        body,
      }));
    });
    req.on('error', reject);
    req.end();
  });
}

test('other origins and hosts are refused; only the page is served', async () => {
  const foreign = connect(server.url, {origin: 'http://evil.example'});
  await assert.rejects(foreign.opened, /Unexpected server response: 403/);
  const own = connect(server.url, {origin: new URL(server.url).origin});
  await own.opened;
  own.close();
  await own.closed;

  const cases = [
    // request, expected status, expected content type
    [{path: '/'}, 200, 'text/html; charset=utf-8'],
    [{path: '/app.js'}, 200, 'text/javascript; charset=utf-8'],
    [{path: '/symbol.txt'}, 200, 'text/plain; charset=utf-8'],
    [{path: '/status'}, 200, 'application/json; charset=utf-8'],
    [{path: '/../CMakeCache.txt'}, 404],
    [{path: '/%2e%2e/CMakeCache.txt'}, 404],
    [{path: '/.hidden'}, 404],
    [{path: '/missing.txt'}, 404],
    [{path: '/', headers: {host: 'evil.example'}}, 403],
    [{path: '/', method: 'POST'}, 405],
  ];
  for (const [options, code, type] of cases) {
    const response = await request(server.url, options);
    const what = `${options.method || 'GET'} ${options.path} ${
        JSON.stringify(options.headers || {})}`;
    assert.equal(response.status, code, what);
    if (type) assert.equal(response.type, type, what);
  }
  const symbols = await request(server.url, {path: '/symbol.txt'});
  assert.match(symbols.body, /^ㄱ:/m, 'UTF-8 text arrives intact');
  await idle();
});
