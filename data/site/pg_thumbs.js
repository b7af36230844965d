// The page list: one entry per page file with the page's thumbnail (pg_0001_t.jpg, drawn by
// the conversion with its text); beyond the first screenful loaded only when it scrolls
// into sight. The entry of the page shown is marked and kept in view.
(function () {
  var hub = QM.hub, first = 0, last = 0, current = 1, kEager = 8;

  var pageName = hub.pageName;

  function mark() {
    var links = document.querySelectorAll('#list a');
    for (var i = 0; i < links.length; i++) {
      var on = +links[i].getAttribute('data-page') === current;
      links[i].className = on ? 'on' : '';
      if (on) links[i].setAttribute('aria-current', 'page'); else links[i].removeAttribute('aria-current');
      if (on && links[i].scrollIntoView) links[i].scrollIntoView({ block: 'nearest' });
    }
  }

  function build(f, l) {
    f = parseInt(f, 10); l = parseInt(l, 10);
    var list = document.getElementById('list');
    // The bar may tell the range before the list is parsed; the list is built once it is.
    if (!list || !(f >= 1 && l >= f) || (f === first && l === last)) return;
    first = f; last = l;
    list.textContent = '';
    for (var n = first; n <= last; n++) {
      var a = document.createElement('a'), img = document.createElement('img'), label = document.createElement('span');
      a.href = pageName(n) + '.htm';
      a.target = 'contents';
      a.setAttribute('data-page', n);
      a.title = 'Page ' + n;
      a.setAttribute('aria-label', 'Page ' + n);
      // The first screenful loads at once; the rest as it scrolls into sight.
      if (n - first >= kEager) img.loading = 'lazy';
      img.src = pageName(n) + '_t.jpg';
      img.alt = '';
      label.textContent = n;
      label.setAttribute('aria-hidden', 'true');
      a.appendChild(img);
      a.appendChild(label);
      list.appendChild(a);
    }
    mark();
  }

  hub.on('range', function (d, from) {
    if (from !== 'ltop') return;
    build(d.first, d.last);
    if (d.page >= 1) { current = parseInt(d.page, 10); mark(); }
  });
  hub.on('current', function (d, from) {
    if (from !== 'ltop' || !(d.page >= 1)) return;
    current = parseInt(d.page, 10);
    mark();
  });

  window.addEventListener('DOMContentLoaded', function () {
    // The range appended to this file; the bar tells it as well.
    build(window.firstpage, window.lastpage);
    var list = document.getElementById('list');
    if (list) list.addEventListener('click', function (e) {
      var a = e.target.closest ? e.target.closest('a[data-page]') : null;
      // The bar opens the page, so the move lands in the site's address and its history.
      if (a && hub.send('ltop', 'goto', { page: +a.getAttribute('data-page') })) e.preventDefault();
    });
    hub.send('ltop', 'hello', {});
  });
})();
