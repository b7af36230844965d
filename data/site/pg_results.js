// The hits of the search box, listed above the page list: page number, hit count and the
// words around the first hit. Choosing one opens its page with the words marked. The text
// comes from the document and is only ever set as text, never as markup.
(function () {
  var hub = QM.hub, current = 0;

  function el(tag, cls, text) {
    var e = document.createElement(tag);
    if (cls) e.className = cls;
    if (text) e.textContent = text;
    return e;
  }

  function pageFile(n) { return QM.hub.pageName(n) + '.htm'; }

  function show(d) {
    var box = document.getElementById('results');
    if (!box) return;
    box.textContent = '';
    var hits = Array.isArray(d.hits) ? d.hits : [];
    if (!d.query || typeof d.query !== 'string') { box.hidden = true; return; }
    box.hidden = false;
    var head = el('div', 'head');
    var pages = hits.length + (hits.length === 1 ? ' page' : ' pages');
    head.appendChild(el('span', '', hits.length ? pages + (d.done ? ' with' : ' so far with')
                                                : (d.done ? 'No page holds' : 'Searching for')));
    head.appendChild(el('q', '', d.query));
    box.appendChild(head);
    var list = el('ol', 'hits');
    for (var i = 0; i < hits.length; i++) {
      var h = hits[i], page = parseInt(h.page, 10);
      if (!(page >= 1)) continue;
      var li = el('li'), a = el('a');
      a.href = pageFile(page);
      a.target = 'contents';
      a.setAttribute('data-page', page);
      a.appendChild(el('span', 'pg', 'p. ' + page + (h.count > 1 ? ' (' + h.count + ')' : '')));
      var ctx = el('span', 'ctx');
      ctx.appendChild(document.createTextNode(String(h.before || '')));
      ctx.appendChild(el('mark', '', String(h.match || '')));
      ctx.appendChild(document.createTextNode(String(h.after || '')));
      a.appendChild(ctx);
      li.appendChild(a);
      list.appendChild(li);
    }
    list.onclick = function (e) {
      var a = e.target.closest ? e.target.closest('a[data-page]') : null;
      if (a && hub.send('ltop', 'goto', { page: +a.getAttribute('data-page'), mark: d.query })) e.preventDefault();
    };
    box.appendChild(list);
  }

  // The hit of the page shown is marked, so the reader sees where in the list they are.
  function mark() {
    var links = document.querySelectorAll('#results a[data-page]');
    for (var i = 0; i < links.length; i++) {
      var on = +links[i].getAttribute('data-page') === current;
      links[i].className = on ? 'on' : '';
      if (on && links[i].scrollIntoView) links[i].scrollIntoView({ block: 'nearest' });
    }
  }

  hub.on('results', function (d, from) { if (from === 'ltop') { show(d); mark(); } });
  hub.on('current', function (d, from) { if (from === 'ltop') { current = parseInt(d.page, 10); mark(); } });
})();
