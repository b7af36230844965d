// The reader's keys, wherever the focus is in the site: every frame loads this file and
// hands the key to the navigation bar, which acts. Arrows, Page Up/Down, Home and End move
// through the pages, + - and 0 zoom, / and Ctrl+F search. Typing in a field keeps its keys,
// and a page wider than its window keeps the left and right arrows for scrolling.
QM.keys = (function () {
  var hub = QM.hub;

  function editable(t) {
    if (!t || !t.tagName) return false;
    var tag = t.tagName.toLowerCase();
    return tag === 'input' || tag === 'textarea' || tag === 'select' || t.isContentEditable;
  }

  function action(e) {
    var k = e.key;
    if (e.altKey || e.metaKey) return null;
    if (e.ctrlKey) return k === 'f' || k === 'F' ? 'search' : null;
    if (editable(e.target)) return null;
    var wide = document.documentElement.scrollWidth > window.innerWidth + 1 && window.name === 'contents';
    switch (k) {
    case '/': return 'search';
    case 'PageDown': case 'n': return 'next';
    case 'PageUp': case 'p': return 'prev';
    case 'ArrowRight': return wide ? null : 'next';
    case 'ArrowLeft': return wide ? null : 'prev';
    case 'Home': return 'first';
    case 'End': return 'last';
    case '+': case '=': return 'zoomin';
    case '-': case '_': return 'zoomout';
    case '0': return 'zoomreset';
    default: return null;
    }
  }

  document.addEventListener('keydown', function (e) {
    var a = action(e);
    if (!a) return;
    e.preventDefault();
    hub.send('ltop', 'key', { action: a });
  }, true);

  if (window.name !== 'ltop' || !QM.nav) return true;
  hub.on('key', function (d) {
    switch (d.action) {
    case 'next': QM.nav.step(1); break;
    case 'prev': QM.nav.step(-1); break;
    case 'first': QM.nav.goTo(QM.nav.first()); break;
    case 'last': QM.nav.goTo(QM.nav.last()); break;
    case 'zoomin': if (QM.zoom) QM.zoom.zoomIn(); break;
    case 'zoomout': if (QM.zoom) QM.zoom.zoomOut(); break;
    case 'zoomreset': if (QM.zoom) QM.zoom.reset(); break;
    case 'search': if (QM.search) QM.search.focus(); break;
    }
  });
  return true;
})();
