// The site's message hub. Every frame of the site (the frameset itself, the navigation bar
// "ltop", the side list "lbottom" and the page "contents") loads this file; features talk to
// one another with QM.hub.send(frame, type, data) and listen with QM.hub.on(type, handler).
// Messages travel by postMessage, so they cross frames whether the site is served over HTTP
// (one origin) or opened from disk (every file its own origin). Only messages from the
// site's own frames are delivered.
var QM = window.QM || {};
window.QM = QM;
QM.hub = QM.hub || (function () {
  var names = ['top', 'ltop', 'lbottom', 'contents'];
  var handlers = {};
  var atTop = parent === window;

  function frame(name) {
    try {
      if (name === 'top') return atTop ? window : parent;
      var f = (atTop ? window : parent).frames[name];
      return f || null;
    } catch (e) { return null; }
  }

  function nameOf(source) {
    if (source === window) return null;
    for (var i = 0; i < names.length; i++) {
      if (frame(names[i]) === source) return names[i];
    }
    return null;
  }

  function deliver(type, data, from) {
    var list = handlers[type];
    if (!list) return;
    for (var i = 0; i < list.length; i++) {
      try { list[i](data, from); } catch (e) { if (window.console) console.error(e); }
    }
  }

  function send(to, type, data) {
    var f = frame(to);
    var message = { site: type };
    for (var k in data || {}) if (Object.prototype.hasOwnProperty.call(data, k)) message[k] = data[k];
    if (f === window) {
      setTimeout(function () { deliver(type, message, to); }, 0);
      return true;
    }
    if (!f) return false;
    f.postMessage(message, '*');
    return true;
  }

  function on(type, handler) {
    (handlers[type] || (handlers[type] = [])).push(handler);
  }

  window.addEventListener('message', function (e) {
    var d = e.data;
    if (!d || typeof d !== 'object' || typeof d.site !== 'string') return;
    var from = nameOf(e.source);
    if (from) deliver(d.site, d, from);
  });

  // The name of page n's files without extension: pg_0001, ..., pg_12345.
  function pageName(n) {
    var s = String(n);
    while (s.length < 4) s = '0' + s;
    return 'pg_' + s;
  }

  return { send: send, on: on, frame: frame, pageName: pageName };
})();
