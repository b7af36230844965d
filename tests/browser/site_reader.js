// The converted site as a reader uses it, in headless Chromium from disk and over HTTP: a
// real conversion of a corpus document (by the vellumix command line) is searched, paged
// with the keys from every frame, opened at an address, reloaded with its zoom, walked back
// through its history, tabbed through, and kept to its own folder. The same site in Firefox
// (headless, --screenshot) must show what Chromium shows.
//
//   node site_reader.js VELLUMIX PDF WORK_FOLDER CHROMIUM NODE_FOLDER [FIREFOX]
//
// playwright-core comes from NODE_FOLDER, where tools/install-deps.sh put it.
//
// The document is the 117-page geometry script of the corpus: its title, a word found only on
// its last page and its page count are known here.
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const path = require('path');
const { check, waitFor, expectSoon, startServer, launchChromium, run } = require('./browser_common');
const match = require(path.join(__dirname, '..', '..', 'data', 'site', 'pg_match.js'));

const [vellumix, pdf, work, chromiumPath, nodeFolder, firefoxPath] = process.argv.slice(2);
if (!nodeFolder) {
  console.error('usage: node site_reader.js VELLUMIX PDF WORK_FOLDER CHROMIUM NODE_FOLDER [FIREFOX]');
  process.exit(2);
}
const PAGES = 117;
const TITLE = 'Geometrie und Topologie';
const LAST_PAGE_WORD = 'UNZUSAMMENHANGEND';  // "Unzusammenhängend", only in the index on page 117
const VIEW = { width: 1100, height: 750 };
const SLOW = 15000;  // a loaded machine may take this long to show a page

// The site, converted the way a user converts it, with a home folder of its own.
function convert(site) {
  const home = path.join(work, 'home');
  fs.rmSync(site, { recursive: true, force: true });
  fs.rmSync(home, { recursive: true, force: true });
  fs.mkdirSync(home, { recursive: true });
  execFileSync(vellumix, ['-m', '-r', pdf, site + '.htm'],
               { stdio: 'inherit', env: Object.assign({}, process.env, { HOME: home, XDG_CONFIG_HOME: path.join(home, '.config') }) });
}

// The page texts of the index files, as the site's search reads them.
function indexTexts(site) {
  const texts = {};
  for (const name of fs.readdirSync(site).filter(n => /^pg_text_\d+\.js$/.test(n))) {
    new Function('qmText', fs.readFileSync(path.join(site, name), 'utf8'))((n, t) => { texts[n] = t; });
  }
  return texts;
}

async function drive(context, base, mode, site, shots, texts) {
  console.log(mode + ': ' + base + 'index.htm');
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', e => errors.push(e.message));
  await page.goto(base + 'index.htm');
  const frame = name => page.frame({ name });
  const nav = () => frame('ltop'), list = () => frame('lbottom'), contents = () => frame('contents');
  const fileOf = f => path.basename(new URL(f.url()).pathname);
  const onPage = async (p, n, what) => {
    const file = 'pg_' + String(n).padStart(4, '0') + '.htm';
    const fr = name => p.frame({ name });
    // The bare address is the first page; the page is ready once it takes keys.
    await expectSoon(what + ': page ' + n + ' shows', async () => {
      const hash = new URL(p.url()).hash;
      return fileOf(fr('contents')) === file && (await fr('ltop').$eval('#page', e => e.value)) === String(n) &&
        (hash ? hash.indexOf('page=' + n + '&') === 1 : n === 1) &&
        (await fr('contents').evaluate(() => !!(window.QM && QM.keys)));
    }, SLOW);
  };
  const zoomOf = p => p.frame({ name: 'contents' }).evaluate(() => document.body.style.zoom || '1');

  await onPage(page, 1, 'opened');
  check(await page.title() === TITLE, 'the title bar shows the document title (' + await page.title() + ')');

  // Thumbnails: one per page, drawn pictures no wider than 400 px; the far end of the list
  // waits until it is scrolled to.
  await expectSoon('the page list holds ' + PAGES + ' thumbnails', async () =>
    (await list().$$eval('#list img', l => l.length)) === PAGES);
  const thumbs = await list().$$eval('#list img', l => l.map(i => ({
    src: i.getAttribute('src'), lazy: i.loading === 'lazy', w: i.naturalWidth, done: i.complete })));
  check(thumbs.every((t, k) => t.src === 'pg_' + String(k + 1).padStart(4, '0') + '_t.jpg'), 'each entry shows its page\'s thumbnail');
  check(thumbs.slice(10).every(t => t.lazy), 'thumbnails below the first screen load lazily');
  await expectSoon('the first thumbnail is a picture at most 400 px wide', async () =>
    list().$eval('#list img', i => i.complete && i.naturalWidth > 50 && i.naturalWidth <= 400));
  check(thumbs[PAGES - 1].w === 0, 'the last thumbnail is not loaded before it is scrolled to');

  // Search from the page frame: '/' focuses the box in the bar, hits list in the side frame,
  // Enter opens the first one with the word marked.
  await contents().click('body', { position: { x: 10, y: 10 } });
  await page.keyboard.press('/');
  await expectSoon('/ in the page focuses the search box', async () =>
    nav().evaluate(() => document.hasFocus() && document.activeElement.id === 'search'));
  await page.keyboard.type(LAST_PAGE_WORD);
  await expectSoon('the search finds the word on one page', async () =>
    /Found on 1 page/.test(await nav().$eval('#status', e => e.textContent)), 10000);
  // The list is another frame than the status line, told by a message of its own.
  await expectSoon('the side list shows the hit with its page and context', async () => {
    const hits = await list().$$eval('#results li', l => l.map(e => [e.querySelector('.pg').textContent, e.querySelector('mark').textContent]));
    return hits.length === 1 && hits[0][0] === 'p. ' + PAGES && hits[0][1] === 'Unzusammenh\u00e4ngend';
  });
  const timing = await nav().evaluate(() => [QM.search.firstHitMs, QM.search.allHitsMs]);
  console.log('  first hit after ' + timing[0] + ' ms, search done after ' + timing[1] + ' ms (' + mode + ')');
  await page.keyboard.press('Enter');
  await onPage(page, PAGES, 'Enter opens the hit');
  await expectSoon('the word is marked on the last page', async () => {
    const marks = await contents().$$eval('mark', l => l.map(m => {
      const r = m.getBoundingClientRect();
      return [m.textContent, r.top >= 0 && r.bottom <= innerHeight];
    }));
    // A word the page writes in pieces (letters moved apart) is marked piece by piece.
    return marks.map(m => m[0]).join('') === 'Unzusammenh\u00e4ngend' && marks.every(m => m[1]);
  }, SLOW);

  // Choosing a hit in the list: the hit's page, its words marked.
  await nav().fill('#search', 'w\u00fcrfel');
  await expectSoon('a second search lists several pages', async () =>
    /Found on \d+ pages/.test(await nav().$eval('#status', e => e.textContent)), 10000);
  const pagesFound = +(/Found on (\d+) pages/.exec(await nav().$eval('#status', e => e.textContent)) || [0, 0])[1];
  let second = [];
  await expectSoon('the side list holds a hit for each of the ' + pagesFound + ' pages', async () => {
    second = await list().$$eval('#results li a', l => l.map(a => +a.getAttribute('data-page')));
    return new Set(second).size === pagesFound;
  });
  await list().click('#results li:nth-child(2) a');
  await onPage(page, second[1], 'the second hit chosen');
  await expectSoon('its words are marked', async () =>
    (await contents().$$eval('mark', l => l.length)) > 0);
  const marked = await contents().$$eval('mark', l => l.map(m => m.textContent));
  check(/^(w[\u00fcu]rfel)+$/i.test(marked.join('')), 'only the searched word is marked ' + JSON.stringify(marked));

  // The keys, in each frame.
  const keys = async (who, focus, steps) => {
    await focus();
    for (const [key, n] of steps) {
      await page.keyboard.press(key);
      await onPage(page, n, key + ' in the ' + who);
    }
  };
  await keys('page', () => contents().click('body', { position: { x: 10, y: 10 } }),
             [['Home', 1], ['PageDown', 2], ['ArrowRight', 3], ['PageUp', 2], ['ArrowLeft', 1], ['End', PAGES], ['p', PAGES - 1]]);
  await keys('page list', () => list().focus('.tabs a'), [['Home', 1], ['n', 2], ['End', PAGES]]);
  await keys('bar', () => nav().focus('#first'), [['PageUp', PAGES - 1], ['Home', 1], ['PageDown', 2]]);
  const zoomKeys = [['+', '1.25'], ['+', '1.5'], ['-', '1.25'], ['0', '1'], ['-', '0.75'], ['0', '1']];
  await contents().click('body', { position: { x: 10, y: 10 } });
  for (const [key, z] of zoomKeys) {
    await page.keyboard.press(key);
    await expectSoon(key + ' zooms the page to ' + z, async () => (await zoomOf(page)) === z);
  }
  await page.keyboard.press('Control+f');
  await expectSoon('Ctrl+F in the page focuses the search box', async () =>
    nav().evaluate(() => document.hasFocus() && document.activeElement.id === 'search'));

  // History: every page move is an entry of the site's address.
  await nav().click('#first');
  await onPage(page, 1, 'first button');
  await nav().click('#next');
  await onPage(page, 2, 'next button');
  await list().click('#list a[data-page="9"]');
  await onPage(page, 9, 'page list entry 9');
  await page.goBack();
  await onPage(page, 2, 'Back');
  await page.goBack();
  await onPage(page, 1, 'Back again');
  await page.goForward();
  await onPage(page, 2, 'Forward');

  // Loading the site again from its history, the browser puts back in the page frame the
  // page it recorded, which can be an older one than the address names: the address wins
  // and no entry is added. Here the frameset, served with its page frame set to another
  // page (over HTTP, where the test can change it on its way), stands in for the browser.
  if (mode === 'http') {
    const restored = await context.newPage();
    await restored.route(/\/index\.htm$/, route => route.fulfill({
      contentType: 'text/html',
      body: fs.readFileSync(path.join(site, 'index.htm'), 'utf8').replace(/src="pg_0001\.htm"/, 'src="pg_0002.htm"') }));
    await restored.goto(base + 'index.htm#page=1&zoom=100');
    await onPage(restored, 1, 'a page put back in the frame gives way to the address');
    check(await restored.evaluate(() => history.length) === 2, 'the page put back adds no history entry');
    await restored.close();
  }

  // Reading: the page text selects in the order the index (and the PDF) has it.
  await nav().fill('#page', '3');
  await nav().press('#page', 'Enter');
  await onPage(page, 3, 'page number typed');
  const selected = await contents().evaluate(() => {
    const s = getSelection();
    s.selectAllChildren(document.body);
    const t = s.toString();
    s.removeAllRanges();
    return t;
  });
  const flat = t => match.fold(t).replace(/\s+/g, '');
  check(flat(selected).indexOf(flat(texts[3]).slice(0, 400)) >= 0, 'page text selects in reading order');
  check(await contents().$eval('span', s => getComputedStyle(s).userSelect !== 'none'), 'page text is selectable');

  // Tab reaches every control of the bar, each with a name and a visible focus.
  await nav().focus('#first');
  const reached = [];
  for (let i = 0; i < 8; i++) {
    if (i > 0) await page.keyboard.press('Tab');
    const info = await nav().evaluate(() => {
      const e = document.activeElement;
      if (!e || e === document.body) return null;
      const s = getComputedStyle(e);
      const label = e.getAttribute('aria-label') || (e.labels && e.labels[0] && e.labels[0].textContent) || e.title;
      const ring = (s.outlineStyle !== 'none' && parseFloat(s.outlineWidth) > 0) || s.boxShadow !== 'none';
      return { id: e.id, label: label, ring: ring };
    });
    if (info && !reached.some(r => r.id === info.id)) reached.push(info);
  }
  const ids = reached.map(r => r.id).join(' ');
  check(['first', 'prev', 'page', 'next', 'last', 'zoom', 'search'].every(id => reached.some(r => r.id === id)),
        'Tab reaches every control of the bar (' + ids + ')');
  check(reached.every(r => r.label && r.ring), 'each has a label and a visible focus ' + JSON.stringify(reached.filter(r => !r.label || !r.ring)));
  await list().focus('#list a[data-page="3"]');
  await page.keyboard.press('Tab');
  const ring = await list().evaluate(() => {
    const a = document.activeElement;
    return [a.getAttribute('aria-label'), getComputedStyle(a.querySelector('img')).boxShadow];
  });
  check(ring[0] === 'Page 4' && ring[1] !== 'none', 'Tab walks the page list with a visible ring ' + JSON.stringify(ring));

  // Addresses: page and zoom open there; the zoom stays over a reload and for the next visit.
  const deep = await context.newPage();
  await deep.goto(base + 'index.htm#page=50&zoom=150');
  await onPage(deep, 50, '#page=50&zoom=150');
  await expectSoon('#zoom=150 zooms the page', async () => (await zoomOf(deep)) === '1.5');
  check(await deep.frame({ name: 'ltop' }).$eval('#zoom', e => e.value) === '150', 'the bar shows 150 %');
  await deep.frame({ name: 'ltop' }).selectOption('#zoom', '175');
  await expectSoon('zoom 175 % chosen', async () => (await zoomOf(deep)) === '1.75');
  // The bar tells the address by a message of its own; a reload before it lands reloads 150 %.
  await expectSoon('the address holds 175 %', async () => new URL(deep.url()).hash === '#page=50&zoom=175');
  await deep.reload();
  await onPage(deep, 50, 'reloaded');
  await expectSoon('the reload keeps 175 %', async () => (await zoomOf(deep)) === '1.75');
  await deep.goto(base + 'index.htm');
  await onPage(deep, 1, 'opened again without an address');
  await expectSoon('the document opens again at its last zoom', async () => (await zoomOf(deep)) === '1.75');
  await deep.frame({ name: 'ltop' }).selectOption('#zoom', '100');
  await deep.close();

  check(errors.length === 0, 'no script errors' + (errors.length ? ': ' + errors.join('; ') : ''));
  await page.close();
}

// A screenshot of the site as it first opens, without its address.
async function firstView(browser, url, file) {
  const page = await browser.newPage({ viewport: VIEW });
  await page.goto(url);
  await waitFor('the first thumbnails load', async () =>
    page.frame({ name: 'lbottom' }).$$eval('#list img', l => l.length > 3 && l.slice(0, 4).every(i => i.complete && i.naturalWidth > 0)));
  await waitFor('the first page is drawn with its fonts', async () =>
    page.frame({ name: 'contents' }).evaluate(() => !!(window.QM && QM.keys) && document.readyState === 'complete' &&
      Array.from(document.images).every(i => i.complete) && document.fonts.status === 'loaded'), SLOW);
  await page.screenshot({ path: file });
  await page.close();
}

// Mean brightness of a grid of cells over a PNG, read by the browser itself.
async function cells(browser, file, columns, rows) {
  const page = await browser.newPage();
  const data = 'data:image/png;base64,' + fs.readFileSync(file).toString('base64');
  const out = await page.evaluate(async ([src, columns, rows]) => {
    const img = new Image();
    img.src = src;
    await img.decode();
    const c = document.createElement('canvas');
    c.width = img.naturalWidth; c.height = img.naturalHeight;
    const g = c.getContext('2d');
    g.drawImage(img, 0, 0);
    const px = g.getImageData(0, 0, c.width, c.height).data;
    const cw = Math.floor(c.width / columns), ch = Math.floor(c.height / rows), grid = [];
    for (let r = 0; r < rows; r++) for (let k = 0; k < columns; k++) {
      let sum = 0;
      for (let y = r * ch; y < (r + 1) * ch; y++) for (let x = k * cw; x < (k + 1) * cw; x++) {
        const i = (y * c.width + x) * 4;
        sum += (px[i] + px[i + 1] + px[i + 2]) / 3;
      }
      grid.push(sum / (cw * ch));
    }
    return { width: c.width, height: c.height, grid };
  }, [data, columns, rows]);
  await page.close();
  return out;
}

async function firefoxAgrees(browser, site, shots) {
  if (!firefoxPath || /NOTFOUND/.test(firefoxPath)) {
    console.log('firefox: not installed, skipped');
    return;
  }
  console.log('firefox: ' + firefoxPath);
  const url = 'file://' + path.join(site, 'index.htm');
  const chromeShot = path.join(shots, 'first-view-chromium.png'), firefoxShot = path.join(shots, 'first-view-firefox.png');
  await firstView(browser, url, chromeShot);
  const profile = path.join(work, 'firefox-profile');
  fs.rmSync(profile, { recursive: true, force: true });
  fs.mkdirSync(profile, { recursive: true });
  fs.rmSync(firefoxShot, { force: true });
  try {
    execFileSync(firefoxPath, ['--headless', '-no-remote', '-profile', profile, '--window-size=' + VIEW.width + ',' + VIEW.height,
                               '--screenshot', firefoxShot, url],
                 { stdio: 'ignore', timeout: 180000, env: Object.assign({}, process.env, { HOME: path.join(work, 'home') }) });
  } catch (e) { /* judged by the picture */ }
  if (!check(fs.existsSync(firefoxShot), 'firefox wrote a screenshot')) return;
  const columns = 55, rows = 25;  // cells of 20 x 30 pixels
  const ff = await cells(browser, firefoxShot, columns, rows), ch = await cells(browser, chromeShot, columns, rows);
  check(ff.width === VIEW.width && ff.height === VIEW.height, 'the screenshot is ' + ff.width + ' x ' + ff.height);
  const region = (g, x0, y0, x1, y1) => {
    const v = [];
    for (let r = Math.floor(y0 / 30); r < Math.ceil(y1 / 30); r++)
      for (let k = Math.floor(x0 / 20); k < Math.ceil(x1 / 20); k++) v.push(g.grid[r * columns + k]);
    const mean = v.reduce((a, b) => a + b, 0) / v.length;
    return { mean, spread: Math.sqrt(v.reduce((a, b) => a + (b - mean) * (b - mean), 0) / v.length) };
  };
  // The bar, the page list and the page each show something, and roughly what Chromium shows.
  const parts = [['page list', 0, 60, 140, 750], ['page', 160, 60, 1100, 750], ['bar', 0, 0, 1100, 30]];
  for (const [name, x0, y0, x1, y1] of parts) {
    const f = region(ff, x0, y0, x1, y1), c = region(ch, x0, y0, x1, y1);
    check(f.spread > 2 && f.mean < 252, 'firefox shows the ' + name + ' (mean ' + f.mean.toFixed(1) + ', spread ' + f.spread.toFixed(1) + ')');
    check(Math.abs(f.mean - c.mean) < 12, 'the ' + name + ' looks as in chromium (' + f.mean.toFixed(1) + ' vs ' + c.mean.toFixed(1) + ')');
  }
  let diff = 0;
  for (let i = 0; i < ff.grid.length; i++) diff += Math.abs(ff.grid[i] - ch.grid[i]);
  diff /= ff.grid.length;
  check(diff < 12, 'the whole window differs from chromium\'s by ' + diff.toFixed(1) + ' levels per cell on average');
}

run(async () => {
  const site = path.join(work, 'site');
  fs.mkdirSync(work, { recursive: true });
  convert(site);
  const texts = indexTexts(site);
  check(Object.keys(texts).length === PAGES, 'the index holds ' + Object.keys(texts).length + ' pages');
  const bytes = fs.readdirSync(site).filter(n => /^pg_text_/.test(n)).reduce((s, n) => s + fs.statSync(path.join(site, n)).size, 0);
  console.log('  index: ' + bytes + ' bytes, ' + Math.round(bytes / PAGES) + ' bytes per page');
  // Nothing of the site reaches outside its folder: no addresses in the support files.
  const outside = fs.readdirSync(site).filter(n => /^pg_[a-z_]+\.(htm|js)$/.test(n) && !/^pg_text_/.test(n))
    .filter(n => /(src|href)\s*=\s*["']?(https?:)?\/\/|url\(\s*["']?(https?:)?\/\/|@import/i.test(fs.readFileSync(path.join(site, n), 'utf8')));
  check(outside.length === 0, 'the support files name nothing outside the folder ' + JSON.stringify(outside));

  const { browser, shots } = await launchChromium(work, chromiumPath, nodeFolder);
  let server;
  try {
    const started = await startServer(site);
    server = started.server;
    for (const [mode, base] of [['file', 'file://' + site + '/'], ['http', started.base]]) {
      const context = await browser.newContext({ viewport: VIEW });
      // Only the site's own folder may be reached.
      const strays = [];
      await context.route('**/*', route => {
        const u = route.request().url();
        if (u.startsWith(base) || u.startsWith('data:')) return route.continue();
        strays.push(u);
        return route.abort();
      });
      await drive(context, base, mode, site, shots, texts);
      check(strays.length === 0, 'no request left the site\'s folder ' + JSON.stringify(strays.slice(0, 3)));
      await context.close();
    }
    // A search in progress, for a look: the second index file is held back until the
    // picture is taken.
    const context = await browser.newContext({ viewport: VIEW });
    let release;
    const held = new Promise(r => { release = r; });
    await context.route('**/pg_text_0002.js', async route => { await held; route.continue().catch(() => {}); });
    const page = await context.newPage();
    await page.goto(started.base + 'index.htm#page=3&zoom=100');
    await waitFor('page 3 opens for the search picture', async () =>
      /pg_0003\.htm$/.test(page.frame({ name: 'contents' }).url()) &&
      page.frame({ name: 'contents' }).evaluate(() => !!(window.QM && QM.keys)), SLOW);
    await page.frame({ name: 'ltop' }).fill('#search', 'Topologie');
    await waitFor('the search shows its progress', async () =>
      /Searching/.test(await page.frame({ name: 'ltop' }).$eval('#status', e => e.textContent)) &&
      page.frame({ name: 'lbottom' }).$eval('#results', e => !e.hidden), SLOW);
    await page.screenshot({ path: path.join(shots, 'search-in-progress.png') });
    release();
    await context.close();
    await firefoxAgrees(browser, site, shots);
  } finally {
    if (server) server.kill();
    await browser.close();
  }
});
