// The search box of the navigation bar. Typing searches the whole document (the index does
// the reading and matching); the hits go to the side list, which shows them with their page
// and the words around them. Enter opens the first hit, with the words marked on the page.
QM.search = (function () {
  var hub = QM.hub, input = null, status = null;
  var query = '', hits = [], done = true, goWhenFound = false, timer = 0, publishTimer = 0;
  var started = 0;
  var kMaxListed = 500, kBefore = 40, kAfter = 60;

  function say(text) { if (status) status.textContent = text; }

  function publish() {
    clearTimeout(publishTimer);
    publishTimer = 0;
    hub.send('lbottom', 'results', { query: query, hits: hits, done: done });
  }
  function publishSoon() { if (!publishTimer) publishTimer = setTimeout(publish, 60); }

  // The words around a hit, cut at blanks where the text goes on.
  function before(text, at) {
    var from = Math.max(0, at - kBefore), part = text.slice(from, at);
    if (from === 0) return part;
    var blank = part.indexOf(' ');
    return '\u2026' + (blank >= 0 && blank < part.length - 1 ? part.slice(blank + 1) : part);
  }
  function after(text, at) {
    var to = Math.min(text.length, at + kAfter), part = text.slice(at, to);
    if (to === text.length) return part;
    var blank = part.lastIndexOf(' ');
    return (blank > 0 ? part.slice(0, blank) : part) + '\u2026';
  }

  function open(hit) { QM.nav.goTo(hit.page, { mark: query }); }

  function run(q) {
    clearTimeout(timer);
    query = q;
    hits = [];
    done = false;
    started = Date.now();
    QM.search.firstHitMs = -1;
    QM.search.allHitsMs = -1;
    if (!QM.match.query(q)) {
      QM.searchIndex.cancel();
      done = true;
      say('');
      publish();
      return;
    }
    say('Searching\u2026');
    QM.searchIndex.search(q, function (page, count, text, range) {
      if (QM.search.firstHitMs < 0) QM.search.firstHitMs = Date.now() - started;
      if (hits.length < kMaxListed) {
        hits.push({ page: page, count: count, before: before(text, range[0]), match: text.slice(range[0], range[1]),
                    after: after(text, range[1]) });
      }
      if (hits.length === 1 && goWhenFound) { goWhenFound = false; open(hits[0]); }
      say('Searching\u2026 ' + hits.length + (hits.length === 1 ? ' page' : ' pages'));
      publishSoon();
    }, function (pages) {
      done = true;
      goWhenFound = false;
      QM.search.allHitsMs = Date.now() - started;
      say(pages ? 'Found on ' + pages + (pages === 1 ? ' page' : ' pages') : 'Not found');
      publish();
    });
  }

  hub.on('hello', function (d, from) { if (from === 'lbottom' && query) publish(); });

  window.addEventListener('DOMContentLoaded', function () {
    input = document.getElementById('search');
    status = document.getElementById('status');
    if (!input) return;
    input.addEventListener('input', function () {
      clearTimeout(timer);
      var q = input.value;
      timer = setTimeout(function () { run(q); }, 150);
    });
    input.addEventListener('keydown', function (e) {
      if (e.key === 'Enter') {
        e.preventDefault();
        if (input.value !== query) { goWhenFound = true; run(input.value); }
        else if (hits.length) open(hits[0]);
        else if (!done) goWhenFound = true;
      } else if (e.key === 'Escape') {
        input.blur();
      }
    });
  });

  return {
    focus: function () {
      if (!input) return;
      try { window.focus(); } catch (e) {}
      input.focus();
      input.select();
    },
    run: run,
    firstHitMs: -1,
    allHitsMs: -1
  };
})();
