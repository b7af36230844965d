// Text matching for the site's search and for the marks on a page: both sides are folded
// the same way (compatibility forms, case and accents dropped, blanks run together), so
// "Résumé" finds "RESUME" and "ﬁle" finds "file". Texts in scripts without word spaces
// (Chinese, Japanese) match anywhere, as every query matches inside words.
var QM = (typeof window !== 'undefined' && window.QM) || (typeof QM !== 'undefined' && QM) || {};
if (typeof window !== 'undefined') window.QM = QM;
QM.match = (function () {
  var marks = /[\u0300-\u036f\u1ab0-\u1aff\u1dc0-\u1dff\u20d0-\u20ff\ufe20-\ufe2f\u3099\u309a]/;
  var blank = /\s/;
  var cache = {};

  // One character (a code point) folded; memoised, as documents repeat their letters.
  function foldChar(ch) {
    var f = cache[ch];
    if (f !== undefined) return f;
    var d = ch.normalize ? ch.normalize('NFKD') : ch;
    f = '';
    for (var i = 0; i < d.length; i++) if (!marks.test(d[i])) f += d[i];
    f = f.toLowerCase();
    if (blank.test(f)) f = ' ';
    cache[ch] = f;
    return f;
  }

  // The folded text alone (fast, for the index).
  function fold(text) {
    var out = '', lastBlank = true;
    for (var i = 0; i < text.length; i++) {
      var c = text.charCodeAt(i), ch = text[i];
      if (c >= 0xd800 && c <= 0xdbff && i + 1 < text.length) ch = text.substr(i++, 2);
      var f = c < 0x80 ? (c >= 65 && c <= 90 ? String.fromCharCode(c + 32) : (c <= 32 ? ' ' : ch)) : foldChar(ch);
      if (f === ' ') {
        if (lastBlank) continue;
        lastBlank = true;
      } else if (f) {
        lastBlank = false;
      }
      out += f;
    }
    return out;
  }

  // The folded text with, for each of its characters, the offset in `text` it came from
  // (and one more entry: the end), so a match can be shown in the original text.
  function foldWithMap(text) {
    var out = '', map = [], lastBlank = true;
    for (var i = 0; i < text.length; i++) {
      var start = i, ch = text[i], c = text.charCodeAt(i);
      if (c >= 0xd800 && c <= 0xdbff && i + 1 < text.length) ch = text.substr(i++, 2);
      var f = foldChar(ch);
      if (f === ' ') {
        if (lastBlank) continue;
        lastBlank = true;
      } else if (f) {
        lastBlank = false;
      }
      for (var k = 0; k < f.length; k++) map.push(start);
      out += f;
    }
    map.push(text.length);
    return { text: out, map: map };
  }

  // The query as it is matched: folded, blanks at the ends dropped. "" matches nothing.
  function query(q) { return fold(String(q || '')).replace(/^ | $/g, ''); }

  // Offsets in `text` of the matches of the folded query `q`: [[start, end], ...], at most
  // `limit` of them.
  function find(text, q, limit) {
    var hits = [];
    if (!q) return hits;
    var folded = foldWithMap(text);
    for (var at = folded.text.indexOf(q); at >= 0 && hits.length < (limit || 1e9); at = folded.text.indexOf(q, at + q.length)) {
      var endIndex = at + q.length;
      var end = endIndex < folded.map.length - 1 ? folded.map[endIndex] : text.length;
      hits.push([folded.map[at], end]);
    }
    return hits;
  }

  return { fold: fold, foldWithMap: foldWithMap, query: query, find: find };
})();
if (typeof module !== 'undefined') module.exports = QM.match;
