// The site's address follows the reader: index.htm#page=12&zoom=150 opens page 12 at
// 150 %, every move to another page adds an entry the browser's Back returns to, and a zoom
// change rewrites the current one. The frameset page owns the address; the navigation bar
// tells it of moves and hears from it when the address changes (Back, Forward, typing).
(function () {
  var hub = QM.hub;

  function parse(hash) {
    var state = {}, parts = String(hash || '').replace(/^#/, '').split('&');
    for (var i = 0; i < parts.length; i++) {
      var kv = parts[i].split('='), v = parseInt(kv[1], 10);
      if ((kv[0] === 'page' || kv[0] === 'zoom') && v > 0) state[kv[0]] = v;
    }
    return state;
  }
  function text(page, zoom) { return '#page=' + page + '&zoom=' + zoom; }

  if (parent === window) {
    // The frameset page.
    var shown = location.hash;
    var tell = function () {
      var state = parse(location.hash);
      if (!state.page) state.page = 1;  // the bare address is the first page
      hub.send('ltop', 'open', state);
    };
    hub.on('where', function (d, from) { if (from === 'ltop') tell(); });
    var changed = function () {
      if (location.hash === shown) return;
      shown = location.hash;
      tell();
    };
    window.addEventListener('hashchange', changed);
    window.addEventListener('popstate', changed);
    hub.on('moved', function (d, from) {
      if (from !== 'ltop' || !(d.page > 0 && d.zoom > 0)) return;
      var h = text(parseInt(d.page, 10), parseInt(d.zoom, 10));
      if (h === location.hash) return;
      shown = h;
      // The page the address already names (the bare address names the first) is no new
      // entry: pushing one would drop the entries Forward goes to.
      var now = parse(location.hash).page || 1;
      var push = d.push && now !== parseInt(d.page, 10);
      // Entries are added through the history, not by setting the address: a frameset
      // whose fragment is set may load all its frames again.
      try {
        if (push) history.pushState(null, '', h);
        else history.replaceState(null, '', h);
      } catch (e) {}
    });
    return;
  }

  // The navigation bar.
  hub.on('open', function (d, from) {
    if (from !== 'top') return;
    if (d.zoom > 0) QM.nav.setZoom(d.zoom, 'history');
    if (d.page > 0) QM.nav.goTo(d.page, { how: 'history' });
  });
  window.addEventListener('DOMContentLoaded', function () {
    QM.nav.watch(function (page, zoom, how) {
      if (how !== 'history') hub.send('top', 'moved', { page: page, zoom: zoom, push: how !== 'zoom' && how !== 'restore' });
    });
    hub.send('top', 'where', {});
  });
})();
