// The document's text for the search: the conversion writes it as script files of 64 pages
// each (pg_text_0001.js, pg_text_0002.js, ...), every page one call qmText(page, "text").
// They are loaded one after another while a search runs, so the first hits show before a
// long document is read, and no page file is opened. Scripts load from disk as well as
// over HTTP, where reading a file would need a server.
var QM = (typeof window !== 'undefined' && window.QM) || (typeof QM !== 'undefined' && QM) || {};
if (typeof window !== 'undefined') window.QM = QM;
QM.searchIndex = (function () {
  var root = typeof window !== 'undefined' ? window : global;
  var perFile = 64;
  var texts = {}, folded = {};
  var files = {};       // file number -> true once loaded (or failed), or the waiting callbacks
  var pages = 0;
  var generation = 0;
  var loader = scriptLoader;
  var match = QM.match || (typeof require !== 'undefined' ? require('./pg_match.js') : null);

  root.qmText = function (n, text) {
    n = +n;
    if (!(n >= 1) || typeof text !== 'string') return;
    texts[n] = text;
    folded[n] = match.fold(text);
  };

  function fileName(k) {
    var s = String(k);
    while (s.length < 4) s = '0' + s;
    return 'pg_text_' + s + '.js';
  }

  function scriptLoader(k, done) {
    var s = document.createElement('script');
    s.src = fileName(k);
    s.onload = s.onerror = function () { s.onload = s.onerror = null; done(); };
    document.head.appendChild(s);
  }

  function load(k, done) {
    var state = files[k];
    if (state === true) return done();
    if (state) return state.push(done);
    files[k] = [done];
    loader(k, function () {
      var waiting = files[k];
      files[k] = true;
      for (var i = 0; i < waiting.length; i++) waiting[i]();
    });
  }

  function count(haystack, q) {
    var n = 0;
    for (var at = haystack.indexOf(q); at >= 0; at = haystack.indexOf(q, at + q.length)) n++;
    return n;
  }

  // Runs a search over pages 1..pages: onHit(page, count, text, [start, end]) for every page
  // that holds the query, in page order, then onDone(pagesWithHits). A newer search (or
  // cancel()) ends an older one.
  function search(q, onHit, onDone) {
    var gen = ++generation, folding = match.query(q), found = 0, k = 1;
    var last = Math.ceil(pages / perFile);
    if (!folding) { onDone(0); return; }
    function next() {
      if (gen !== generation) return;
      if (k > last) { onDone(found); return; }
      var file = k++;
      load(file, function () {
        if (gen !== generation) return;
        var end = Math.min(pages, file * perFile);
        for (var p = (file - 1) * perFile + 1; p <= end; p++) {
          var f = folded[p];
          if (f === undefined || f.indexOf(folding) < 0) continue;
          found++;
          onHit(p, count(f, folding), texts[p], match.find(texts[p], folding, 1)[0]);
          if (gen !== generation) return;
        }
        next();
      });
    }
    next();
  }

  return {
    search: search,
    cancel: function () { generation++; },
    setPages: function (n) { n = parseInt(n, 10); if (n >= 0) pages = n; },
    setLoader: function (f) { loader = f; },
    fileName: fileName,
    perFile: perFile,
    text: function (p) { return texts[p]; }
  };
})();
if (typeof module !== 'undefined') module.exports = QM.searchIndex;
