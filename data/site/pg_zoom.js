// Zoom steps for the keys and the zoom each document had last, kept in the browser's local
// storage (per site folder). Storage may be missing or refuse access for pages opened from
// disk; the zoom then starts at 100 % every time.
QM.zoom = (function () {
  var steps = [25, 50, 75, 100, 125, 150, 175, 200, 300, 400];
  var key = 'vellumix-zoom:' + location.pathname.replace(/[^\/]*$/, '');

  function stored() {
    try { return parseInt(window.localStorage.getItem(key), 10); } catch (e) { return NaN; }
  }
  function store(z) {
    try { window.localStorage.setItem(key, String(z)); } catch (e) {}
  }
  function by(direction) {
    var z = QM.nav.zoom(), pick = z;
    for (var i = 0; i < steps.length; i++) {
      if (direction > 0 && steps[i] > z) { pick = steps[i]; break; }
      if (direction < 0 && steps[i] < z) pick = steps[i];
    }
    QM.nav.setZoom(pick);
  }

  window.addEventListener('DOMContentLoaded', function () {
    var z = stored();
    if (z >= 10 && z <= 1000) QM.nav.setZoom(z, 'restore');
    QM.nav.watch(function (page, zoom) { store(zoom); });
  });

  return {
    zoomIn: function () { by(1); },
    zoomOut: function () { by(-1); },
    reset: function () { QM.nav.setZoom(100); }
  };
})();
