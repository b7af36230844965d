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

  // Every match of the query inside one text of the page becomes a <mark>; the text keeps
  // its place, so the page still reads and selects in its order.
  function markAll(query) {
    clearMarks();
    var q = QM.match.query(query), first = null;
    if (!q || !document.body) return null;
    var walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT, {
      acceptNode: function (n) {
        var tag = n.parentNode && n.parentNode.nodeName;
        return tag === 'SCRIPT' || tag === 'STYLE' ? NodeFilter.FILTER_REJECT : NodeFilter.FILTER_ACCEPT;
      }
    });
    var nodes = [];
    for (var n = walker.nextNode(); n; n = walker.nextNode()) nodes.push(n);
    for (var i = 0; i < nodes.length; i++) {
      var node = nodes[i], hits = QM.match.find(node.data, q);
      for (var k = hits.length - 1; k >= 0; k--) {
        var tail = node.splitText(hits[k][0]);
        tail.splitText(hits[k][1] - hits[k][0]);
        var mark = document.createElement('mark');
        mark.setAttribute('data-search', '');
        tail.parentNode.replaceChild(mark, tail);
        mark.appendChild(tail);
        if (k === 0 && !first) first = mark;
      }
    }
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
  hub.send('ltop', 'page', { page: m ? parseInt(m[1], 10) : 0 });
})();
