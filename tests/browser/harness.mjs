// Shared by the tests of the web host: starting `hangul-engine serve` on a
// free port, launching Debian's Chromium through playwright-core, and
// reading the server's status.
import {spawn} from 'node:child_process';
import {mkdtemp, mkdir, rm} from 'node:fs/promises';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const sourceDir = path.resolve(here, '../..');

// The program under test and the build folder that screenshots go to; CTest
// sets both, and by hand they default to the usual build.
export const engine = process.env.HANGUL_ENGINE ||
                      path.join(sourceDir, 'build', 'hangul-engine');
export const buildDir = process.env.HANGUL_BUILD_DIR ||
                        path.join(sourceDir, 'build');
export const chromiumPath = process.env.CHROMIUM || '/usr/bin/chromium';

// Starts the server on a free port. Resolves with {url, process, stop()}
// once it has printed its URL; `args` are further options.
export async function startServer(args = []) {
  const child = spawn(engine, ['serve', '--port', '0', ...args],
                      {stdio: ['ignore', 'pipe', 'pipe']});
  let stderr = '';
  child.stderr.on('data', (data) => { stderr += data; });
  const url = await new Promise((resolve, reject) => {
    let stdout = '';
    child.stdout.on('data', (data) => {
      stdout += data;
      const match = /(http:\/\/[^\s]+\/)/.exec(stdout);
      if (match) resolve(match[1]);
    });
    child.on('exit', (code) => reject(new Error(
        `server exited with ${code} before listening: ${stderr}`)));
    setTimeout(() => reject(new Error('server did not start')), 10000);
  });
  return {
    url,
    process: child,
    get stderr() { return stderr; },
    // Stops the server; resolves with its exit code (0 after SIGTERM).
    stop() {
      if (child.exitCode !== null) return Promise.resolve(child.exitCode);
      return new Promise((resolve) => {
        child.once('exit', (code, signal) => resolve(code ?? signal));
        child.kill('SIGTERM');
      });
    },
  };
}

export async function status(url) {
  const response = await fetch(new URL('status', url));
  return response.json();
}

// Polls `probe` until it returns a truthy value; fails after `ms`.
export async function waitFor(probe, ms = 10000, what = 'condition') {
  const deadline = Date.now() + ms;
  for (;;) {
    const value = await probe();
    if (value) return value;
    if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

// Launches Chromium on a fresh profile. Resolves with {context, close()}.
export async function launchBrowser() {
  const {chromium} = await import('playwright-core');
  const profile = await mkdtemp(path.join(tmpdir(), 'hangul-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: chromiumPath,
    headless: true,
    viewport: {width: 1000, height: 700},
    args: [
      '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
      '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync',
    ],
  });
  return {
    context,
    async close() {
      await context.close();
      await rm(profile, {recursive: true, force: true});
    },
  };
}

export async function screenshotDir() {
  const dir = path.join(buildDir, 'screenshots');
  await mkdir(dir, {recursive: true});
  return dir;
}
