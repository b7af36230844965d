// The part of the site inside each page file: it tells the navigation bar which page is
// showing, takes the zoom the bar sends, and marks the words of a search on the page.
(function () {
  var hub = QM.hub;
  if (window.name !== 'contents' || !hub.frame('ltop')) return;
  var m = /(\d+)\.[^.\/]*$/.exec(location.pathname);
  var style = document.createElement('style');
  style.textContent = 'mark[data-search]{background:rgba(255,214,0,.55);color:inherit;}';
  (document.head || document.documentElement).appendChild(style);

  function clearMarks() {
    var old = document.querySelectorAll('mark[data-search]');
    for (var i = 0; i < old.length; i++) {
      var p = old[i].parentNode;
      while (old[i].firstChild) p.insertBefore(old[i].firstChild, old[i]);
      p.removeChild(old[i]);
      p.normalize();
    }
  }

  // Elements that sit inside a line of text: a word may run across them (a run's letters
  // are moved apart by empty spacing elements), so matches are sought in the whole line.
  var inline = { SPAN: 1, MARK: 1, A: 1, B: 1, I: 1, EM: 1, STRONG: 1, FONT: 1, SUB: 1, SUP: 1, U: 1, S: 1 };
  function lineOf(n) {
    var p = n.parentNode;
    while (p && inline[p.nodeName]) p = p.parentNode;
    return p;
  }

  // Every match of the query inside one line of the page becomes <mark> elements, one per
  // text it touches; the texts keep their places, so the page still reads and selects in
  // its order.
  function markAll(query) {
    clearMarks();
    var q = QM.match.query(query);
    if (!q || !document.body) return null;
    var walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT, {
      acceptNode: function (n) {
        var tag = n.parentNode && n.parentNode.nodeName;
        return tag === 'SCRIPT' || tag === 'STYLE' ? NodeFilter.FILTER_REJECT : NodeFilter.FILTER_ACCEPT;
      }
    });
    var lines = [], line = null, index = 0;
    for (var n = walker.nextNode(); n; n = walker.nextNode()) {
      var owner = lineOf(n);
      if (!line || line.owner !== owner) lines.push(line = { owner: owner, parts: [], text: '' });
      line.parts.push({ node: n, at: line.text.length, index: index++ });
      line.text += n.data;
    }
    var pieces = [];
    for (var i = 0; i < lines.length; i++) {
      var hits = QM.match.find(lines[i].text, q), parts = lines[i].parts;
      for (var h = 0; h < hits.length; h++) {
        for (var k = 0; k < parts.length; k++) {
          var from = Math.max(hits[h][0], parts[k].at) - parts[k].at;
          var to = Math.min(hits[h][1], parts[k].at + parts[k].node.data.length) - parts[k].at;
          if (to > from) pieces.push({ node: parts[k].node, index: parts[k].index, from: from, to: to });
        }
      }
    }
    // Last piece first: splitting a text leaves the offsets before the split as they were.
    pieces.sort(function (a, b) { return b.index - a.index || b.from - a.from; });
    for (var j = 0; j < pieces.length; j++) {
      var tail = pieces[j].node.splitText(pieces[j].from);
      tail.splitText(pieces[j].to - pieces[j].from);
      var mark = document.createElement('mark');
      mark.setAttribute('data-search', '');
      tail.parentNode.replaceChild(mark, tail);
      mark.appendChild(tail);
    }
    var first = document.querySelector('mark[data-search]');
    if (first && first.scrollIntoView) first.scrollIntoView({ block: 'center', inline: 'center' });
    return first;
  }

  hub.on('zoom', function (d, from) {
    var z = +d.zoom;
    if (from === 'ltop' && z >= 10 && z <= 1000 && document.body) document.body.style.zoom = z / 100;
  });
  hub.on('mark', function (d, from) {
    if (from === 'ltop' && typeof d.query === 'string') markAll(d.query);
  });
  // Whether the browser put this page back from its history (Back, Forward) rather than
  // opening it for a link or the bar: such a page is no new move of the reader's.
  function restored() {
    try {
      var e = performance.getEntriesByType('navigation')[0];
      return e ? e.type === 'back_forward' : performance.navigation.type === 2;
    } catch (x) { return false; }
  }
  function report() { hub.send('ltop', 'page', { page: m ? parseInt(m[1], 10) : 0, restored: restored() }); }
  hub.on('which', function (d, from) { if (from === 'ltop') report(); });
  report();
})();
