// What the browser tests share: playwright-core, checks that count failures, polling, and a
// local HTTP server.
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const path = require('path');

// playwright-core from the folder tools/install-deps.sh installed it into.
function loadPlaywright(nodeFolder) {
  const local = path.join(nodeFolder, 'node_modules', 'playwright-core');
  if (!fs.existsSync(path.join(local, 'package.json'))) {
    console.error('playwright-core is not installed in ' + nodeFolder +
                  ' (npm package playwright-core); run tools/install-deps.sh ' + nodeFolder);
    process.exit(1);
  }
  return require(local);
}

let failures = 0;
function check(ok, what) {
  if (ok) {
    console.log('  ok    ' + what);
  } else {
    failures++;
    console.log('  FAIL  ' + what);
  }
  return !!ok;
}

// Polls `probe` until it gives a true value; a timeout is a failed check.
async function waitFor(what, probe, timeoutMs = 5000) {
  const end = Date.now() + timeoutMs;
  let last;
  while (Date.now() < end) {
    try {
      last = await probe();
      if (last) return true;
    } catch (e) { last = e.message; }
    await new Promise(r => setTimeout(r, 50));
  }
  check(false, what + ' (last seen: ' + JSON.stringify(last) + ')');
  return false;
}

// waitFor, with an ok line when it holds.
async function expectSoon(what, probe, timeoutMs) {
  if (await waitFor(what, probe, timeoutMs)) check(true, what);
}

// Python's http.server on 127.0.0.1 with a port the system picks; resolves to its address.
function startServer(folder) {
  return new Promise((resolve, reject) => {
    const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', folder],
                         { stdio: ['ignore', 'pipe', 'pipe'] });
    let seen = '';
    const timer = setTimeout(() => reject(new Error('http.server did not start: ' + seen)), 15000);
    server.stdout.on('data', chunk => {
      seen += chunk;
      const m = /port (\d+)/.exec(seen);
      if (m) {
        clearTimeout(timer);
        resolve({ server, base: 'http://127.0.0.1:' + m[1] + '/' });
      }
    });
    server.stderr.on('data', () => {});  // request log
    server.on('exit', code => reject(new Error('http.server ended with ' + code)));
  });
}

const chromiumArgs = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                      '--disable-background-networking', '--disable-component-update', '--disable-sync'];

// Headless Chromium, and the folder its screenshots go to.
async function launchChromium(work, executablePath, nodeFolder) {
  const { chromium } = loadPlaywright(nodeFolder);
  const browser = await chromium.launch({ executablePath, args: chromiumArgs });
  const shots = path.join(work, 'screenshots');
  fs.mkdirSync(shots, { recursive: true });
  return { browser, shots };
}

// Runs the test's body, then reports and exits with 1 when a check failed or it threw.
function run(body) {
  body().then(() => {
    console.log(failures ? failures + ' check(s) failed' : 'all checks passed');
    process.exit(failures ? 1 : 0);
  }, e => {
    console.error(e);
    process.exit(1);
  });
}

module.exports = { check, waitFor, expectSoon, startServer, launchChromium, run };
