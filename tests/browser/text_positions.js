// Every character of converted corpus text pages where the PDF puts it, as headless Chromium
// lays the pages out from disk at 100 % and 200 % and over HTTP at 100 %: the left edge of
// each character's box against the start of its glyph, and the middle of the box (which is
// the baseline in the pages' web fonts, whose ascent equals their descent) against the PDF's
// baseline. Median error at most 0.5 and 99th percentile at most 2 screen pixels.
//
//   node text_positions.js MAKE_TEXT_PAGES WORK_FOLDER CHROMIUM PDF PAGES [PDF PAGES ...]
'use strict';
const { execFileSync, spawn } = require('child_process');
const fs = require('fs');
const path = require('path');

const [maker, work, chromiumPath, ...files] = process.argv.slice(2);
if (!chromiumPath || files.length < 2) {
  console.error('usage: node text_positions.js MAKE_TEXT_PAGES WORK_FOLDER CHROMIUM PDF PAGES [PDF PAGES ...]');
  process.exit(2);
}
const SKIP = 77;

function loadPlaywright() {
  for (const where of ['playwright-core', path.join(work, '..', 'site_browser', 'npm', 'node_modules', 'playwright-core'),
                       path.join(work, 'npm', 'node_modules', 'playwright-core')]) {
    try { return require(where); } catch (e) { /* next */ }
  }
  try {
    execFileSync('npm', ['install', '--no-audit', '--no-fund', '--no-save', '--prefix', path.join(work, 'npm'),
                         'playwright-core'], { stdio: 'inherit', timeout: 300000 });
    return require(path.join(work, 'npm', 'node_modules', 'playwright-core'));
  } catch (e) {
    console.error('text_positions: playwright-core could not be installed with npm; test skipped');
    process.exit(SKIP);
  }
}

// The boxes of the characters of the page's upright blocks, in order, in CSS pixels.
async function measure(page, url) {
  await page.goto(url);
  await page.evaluate(() => document.fonts.ready);
  return page.evaluate(() => {
    const out = [];
    for (const block of document.querySelectorAll('div.r')) {
      if (block.style.transform) continue;
      const span = block.firstElementChild;
      if (!span) continue;
      const web = getComputedStyle(span).fontFamily.startsWith('qf');
      const walker = document.createTreeWalker(span, NodeFilter.SHOW_TEXT);
      for (let node; (node = walker.nextNode());) {
        const text = node.data;
        for (let i = 0; i < text.length; i++) {
          let end = i + 1;
          if (text.charCodeAt(i) >= 0xD800 && text.charCodeAt(i) < 0xDC00) end++;
          const c = text.slice(i, end);
          if (c.trim() !== '') {
            const range = document.createRange();
            range.setStart(node, i);
            range.setEnd(node, end);
            const r = range.getBoundingClientRect();
            out.push({ c, x: r.left + scrollX, y: (r.top + r.bottom) / 2 + scrollY, web });
          }
          i = end - 1;
        }
      }
    }
    return out;
  });
}

// Pairs measured characters with the PDF's in order: each measured one takes the next
// expected character that is the same, looking a few ahead (the PDF may draw a glyph twice
// for boldness, or draw one for a ligature that the page spells in letters).
function pair(expected, measured) {
  const pairs = [];
  let e = 0;
  for (const m of measured) {
    for (let k = e; k < Math.min(expected.length, e + 4); k++) {
      if (expected[k].c === m.c || expected[k].c.replace('\u00AD', '-') === m.c) {
        pairs.push([expected[k], m]);
        e = k + 1;
        break;
      }
    }
  }
  return pairs;
}

function percentile(values, p) {
  if (!values.length) return 0;
  const s = values.slice().sort((a, b) => a - b);
  return s[Math.min(s.length - 1, Math.floor(p * (s.length - 1) + 0.5))];
}

function startServer(root) {
  return new Promise((resolve, reject) => {
    const server = spawn('python3', ['-m', 'http.server', '--bind', '127.0.0.1', '0'], { cwd: root });
    server.stdout.on('data', d => {
      const m = /port (\d+)/.exec(String(d));
      if (m) resolve({ server, base: 'http://127.0.0.1:' + m[1] + '/' });
    });
    server.on('error', reject);
  });
}

(async () => {
  const out = path.join(work, 'pages');
  fs.rmSync(out, { recursive: true, force: true });
  fs.mkdirSync(out, { recursive: true });
  execFileSync(maker, [out, ...files], { stdio: 'inherit' });
  const { chromium } = loadPlaywright();
  const browser = await chromium.launch({
    executablePath: chromiumPath,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking'],
  });
  const { server, base } = await startServer(out);
  let failures = 0;
  try {
    const pages = [];
    for (const dir of fs.readdirSync(out).sort())
      for (const f of fs.readdirSync(path.join(out, dir)).sort())
        if (f.endsWith('.htm')) pages.push(path.join(dir, f));
    for (const [label, scale, http] of [['100 %', 1, false], ['200 %', 2, false], ['HTTP 100 %', 1, true]]) {
      const page = await browser.newPage({ viewport: { width: 1300, height: 1000 }, deviceScaleFactor: scale });
      const dx = [], dy = [];
      let expectedCount = 0, pairedCount = 0;
      for (const p of pages) {
        const expected = JSON.parse(fs.readFileSync(path.join(out, p.replace(/\.htm$/, '.json')), 'utf8'));
        const url = http ? base + p : 'file://' + path.join(out, p);
        const measured = await measure(page, url);
        const pairs = pair(expected, measured);
        expectedCount += expected.filter(e => e.web).length;
        for (const [e, m] of pairs) {
          if (!e.web || !m.web) continue;
          pairedCount++;
          dx.push(Math.abs(m.x - e.x) * scale);
          dy.push(Math.abs(m.y - e.y) * scale);
        }
      }
      await page.close();
      const all = dx.map((v, i) => Math.max(v, dy[i]));
      const median = percentile(all, 0.5), p99 = percentile(all, 0.99);
      const ok = median <= 0.5 && p99 <= 2 && pairedCount >= 0.9 * expectedCount && pairedCount > 1000;
      console.log(`${ok ? '  ok  ' : '  FAIL'}  ${label}: ${pairedCount} of ${expectedCount} characters in web fonts; ` +
                  `x median ${percentile(dx, 0.5).toFixed(3)} p99 ${percentile(dx, 0.99).toFixed(3)}, ` +
                  `baseline median ${percentile(dy, 0.5).toFixed(3)} p99 ${percentile(dy, 0.99).toFixed(3)} ` +
                  `(either: median ${median.toFixed(3)}, p99 ${p99.toFixed(3)} px)`);
      if (!ok) failures++;
    }
  } finally {
    server.kill();
    await browser.close();
  }
  process.exit(failures ? 1 : 0);
})().catch(e => { console.error(e); process.exit(1); });
