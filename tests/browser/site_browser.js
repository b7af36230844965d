// The converted site in headless Chromium, opened from disk (every file its own origin, so
// the frames talk through postMessage) and served over HTTP by Python's http.server (one
// origin). Builds the site with make_test_site first; playwright-core comes from NODE_FOLDER,
// where tools/install-deps.sh put it, so the test needs no network.
//
//   node site_browser.js MAKE_TEST_SITE PDF WORK_FOLDER CHROMIUM NODE_FOLDER
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const path = require('path');

const [maker, pdf, work, chromiumPath, nodeFolder] = process.argv.slice(2);
if (!nodeFolder) {
  console.error('usage: node site_browser.js MAKE_TEST_SITE PDF WORK_FOLDER CHROMIUM NODE_FOLDER');
  process.exit(2);
}
const { check, waitFor, expectSoon, startServer, launchChromium, run } = require('./browser_common');
const SLOW = 15000;  // a loaded machine may take this long to show a page

async function drive(browser, url, mode, shotFolder) {
  console.log(mode + ': ' + url);
  const page = await browser.newPage({ viewport: { width: 1000, height: 700 } });
  const errors = [];
  page.on('pageerror', e => errors.push(e.message));
  await page.goto(url);
  const frame = name => page.frame({ name });
  const contentsFile = () => path.basename(new URL(frame('contents').url()).pathname);
  const counter = () => frame('ltop').$eval('#page', e => e.value);
  // The page counts as shown once its runs are fitted (when its document is parsed).
  const onPage = async (n, what) => {
    const file = 'pg_' + String(n).padStart(4, '0') + '.htm';
    await expectSoon(what + ': contents shows ' + file, async () => contentsFile() === file &&
      (await frame('contents').evaluate(() => document.readyState !== 'loading')), SLOW);
    await expectSoon(what + ': counter reads ' + n, async () => (await counter()) === String(n), SLOW);
  };

  await onPage(1, 'opened');
  const crossOrigin = await frame('ltop').evaluate(() => {
    try { return typeof parent.lastpage !== 'number'; } catch (e) { return true; }
  });
  check(crossOrigin === (mode === 'file'), 'frames are ' + (mode === 'file' ? 'separate origins' : 'one origin'));
  check(await frame('ltop').$eval('#count', e => e.textContent) === '30', 'the bar counts 30 pages');
  check(await frame('ltop').$eval('#prev', e => e.disabled), 'previous is off on the first page');

  await frame('ltop').click('#next');
  await onPage(2, 'next button');

  await frame('ltop').selectOption('#zoom', '150');
  await expectSoon('zoom 150 % scales the page', async () =>
    (await frame('contents').evaluate(() => document.body.style.zoom)) === '1.5');
  const box = await frame('contents').evaluate(() => document.querySelector('img').getBoundingClientRect().width);
  check(box > 1200, 'the page picture is drawn at 150 % (' + Math.round(box) + ' px wide)');
  await frame('ltop').click('#next');
  await onPage(3, 'next button again');
  await expectSoon('the next page keeps 150 %', async () =>
    (await frame('contents').evaluate(() => document.body.style.zoom)) === '1.5');
  // Each run is held to its width on the PDF page, also under zoom: the median run is within
  // 3 % of its data-w (times the zoom) on screen.
  const fit = await frame('contents').evaluate(() => {
    const z = +document.body.style.zoom || 1;
    const d = Array.from(document.querySelectorAll('span[data-w]'))
      .filter(e => +e.getAttribute('data-w') > 20)
      .map(e => Math.abs(e.getBoundingClientRect().width / (+e.getAttribute('data-w') * z) - 1))
      .sort((a, b) => a - b);
    return { runs: d.length, median: d.length ? d[Math.floor(d.length / 2)] : 1 };
  });
  check(fit.runs >= 2 && fit.median < 0.03,
        'text runs keep their page widths at 150 % (' + fit.runs + ' runs, median off by ' +
        (fit.median * 100).toFixed(1) + ' %)');
  // Blanks a run keeps at its end take no room on the PDF page: its ink is what is held.
  const kept = await frame('contents').evaluate(() => {
    const z = +document.body.style.zoom || 1;
    const span = document.querySelector('#kept-blanks span');
    const text = span.firstChild;
    const range = document.createRange();
    range.setStart(text, 0);
    range.setEnd(text, text.data.replace(/\s+$/, '').length);
    return range.getBoundingClientRect().width / (+span.getAttribute('data-w') * z) - 1;
  });
  check(Math.abs(kept) < 0.03, 'a run ending in blanks keeps its ink to its page width (off by ' +
        (kept * 100).toFixed(1) + ' %)');
  if (shotFolder) await page.screenshot({ path: path.join(shotFolder, mode + '-zoom150.png') });
  await frame('ltop').selectOption('#zoom', '100');

  await frame('lbottom').click('#list a[data-page="5"]');
  await onPage(5, 'page list entry 5');
  await expectSoon('the page list marks page 5', async () =>
    (await frame('lbottom').$eval('#list a.on', e => e.getAttribute('data-page'))) === '5');
  check(await frame('lbottom').$$eval('#list img', l => l.length) === 30, 'the page list has 30 pictures');
  const home = await frame('lbottom').$eval('table a', a => [a.getAttribute('href'), a.target]);
  check(home[0] === 'https://example.org/?a=1&b=2' && home[1] === '_top', 'the home link ends the page list');

  await frame('ltop').fill('#page', '7');
  await frame('ltop').press('#page', 'Enter');
  await onPage(7, 'page number typed');

  await frame('contents').click('body', { position: { x: 400, y: 400 } });
  await page.keyboard.press('n');
  await onPage(8, 'key n in the page');
  await frame('ltop').click('#zoom');
  await page.keyboard.press('Escape');
  await frame('ltop').focus('#next');
  await page.keyboard.press('ArrowLeft');
  await onPage(7, 'left arrow in the bar');

  await frame('ltop').click('#last');
  await onPage(30, 'last button');
  check(await frame('ltop').$eval('#next', e => e.disabled), 'next is off on the last page');

  await frame('lbottom').click('text=Bookmarks');
  await waitFor('the bookmark view opens', async () => /pg_bmark\.htm$/.test(frame('lbottom').url()), SLOW);
  await frame('lbottom').waitForSelector('.tree');
  await frame('lbottom').click('a:text("Trepak 2")');
  await onPage(16, 'bookmark Trepak 2');
  check(!(await frame('lbottom').isVisible('a:text("Amanda 1.1")')), 'folders start closed');
  await frame('lbottom').click('li:has(> .row a:text("Isis 1")) > .row .tw');
  await frame('lbottom').click('a:text("Amanda 1.1")');
  await onPage(12, 'bookmark Amanda 1.1 inside an opened folder');
  if (shotFolder) await page.screenshot({ path: path.join(shotFolder, mode + '-bookmarks.png') });
  await frame('lbottom').click('text=Pages');
  await waitFor('back to the page list', async () => /pg_index\.htm$/.test(frame('lbottom').url()), SLOW);
  await expectSoon('the page list marks page 12', async () =>
    (await frame('lbottom').$eval('#list a.on', e => e.getAttribute('data-page'))) === '12');

  check(errors.length === 0, 'no script errors' + (errors.length ? ': ' + errors.join('; ') : ''));
  await page.close();
}

run(async () => {
  const site = path.join(work, 'site');
  fs.rmSync(site, { recursive: true, force: true });
  fs.mkdirSync(work, { recursive: true });
  execFileSync(maker, [site, pdf], { stdio: 'inherit' });
  const { browser, shots } = await launchChromium(work, chromiumPath, nodeFolder);
  let server;
  try {
    await drive(browser, 'file://' + path.join(site, 'index.htm'), 'file', shots);
    const started = await startServer(site);
    server = started.server;
    await drive(browser, started.base + 'index.htm', 'http', shots);
    for (const [w, h] of [[800, 600], [1280, 800], [1920, 1080]]) {
      const page = await browser.newPage({ viewport: { width: w, height: h } });
      await page.goto('file://' + path.join(site, 'index.htm'));
      await waitFor('the first page and thumbnails are drawn at ' + w + ' x ' + h, async () =>
        (await page.frame({ name: 'contents' }).evaluate(() => document.readyState === 'complete' &&
          Array.from(document.images).every(i => i.complete))) &&
        page.frame({ name: 'lbottom' }).$$eval('#list img', l => l.length > 0 && l.slice(0, 4).every(i => i.complete)), SLOW);
      await page.screenshot({ path: path.join(shots, 'site-' + w + 'x' + h + '.png') });
      await page.close();
    }
  } finally {
    if (server) server.kill();
    await browser.close();
  }
});
