// The site's matcher and index reader under node: what a query finds (case, accents,
// ligatures, scripts without word spaces, blanks), where a hit lies in the original text, and
// how the index files are read while a search runs.
//
//   node site_search_test.js
'use strict';
const path = require('path');
const site = path.join(__dirname, '..', '..', 'data', 'site');
const match = require(path.join(site, 'pg_match.js'));
const index = require(path.join(site, 'pg_search_index.js'));

let failures = 0;
function same(got, want, what) {
  const ok = JSON.stringify(got) === JSON.stringify(want);
  if (!ok) failures++;
  console.log((ok ? '  ok    ' : '  FAIL  ') + what + (ok ? '' : ': got ' + JSON.stringify(got) + ', want ' + JSON.stringify(want)));
}
const find = (text, q) => match.find(text, match.query(q)).map(([a, b]) => text.slice(a, b));

same(find('Ein Raum heißt ZUSAMMENHÄNGEND, wenn', 'zusammenhangend'), ['ZUSAMMENHÄNGEND'], 'case and accents are ignored');
same(find('Résumé: resume, RESUMÉ', 'résumé'), ['Résumé', 'resume', 'RESUMÉ'], 'accented queries find plain words too');
same(find('e\u0301te\u0301 (decomposed)', 'ete'), ['e\u0301te\u0301'], 'decomposed accents are marks of their letter');
same(find('Die Oberﬂäche', 'oberflache'), ['Oberﬂäche'], 'a ligature reads as its letters');
same(find('東京タワーと東京駅', '東京'), ['東京', '東京'], 'Japanese matches inside a run without spaces');
same(find('中华人民共和国', '人民'), ['人民'], 'Chinese matches inside a run without spaces');
same(find('two   words\tapart', 'two words apart'), ['two   words\tapart'], 'blanks of any kind and number are one');
same(find('x \ud835\udc00BC y', 'bc'), ['BC'], 'text after a surrogate pair keeps its place');
same(find('aaaa', 'aa'), ['aa', 'aa'], 'hits do not overlap');
same(find('anything', '   '), [], 'a blank query finds nothing');
same(match.query('  Straße  '), 'straße', 'the query is folded and trimmed');

// The index: files are asked for in order as the search reaches them, pages beyond the
// document are never read, and a newer search ends the older one.
const asked = [];
index.setPages(130);
index.setLoader((k, done) => {
  asked.push(k);
  for (let p = (k - 1) * 64 + 1; p <= k * 64; p++) global.qmText(p, p === 200 ? 'Schluss' : p === 130 ? 'Das Ende' : 'Seite ' + p);
  setImmediate(done);
});
const hits = [];
index.search('seite 12', p => hits.push(p), n => {
  same(hits, [12, 120, 121, 122, 123, 124, 125, 126, 127, 128, 129], 'hits come in page order across files');
  same(n, 11, 'the search counts the pages it found');
  same(asked, [1, 2, 3], 'each index file is read once, in order');
  // A longer document: its fourth file is not read yet when the second search starts.
  index.setPages(200);
  const late = [];
  index.search('schluss', p => late.push(p), () => late.push('done'));
  index.search('seite 7', p => late.push(p), () => {
    const sevens = [7].concat([...Array(10).keys()].map(k => 70 + k));
    same(late, sevens, 'a newer search ends the older one');
    same(asked, [1, 2, 3, 4], 'files read once are not read again');
    console.log(failures ? failures + ' check(s) failed' : 'all checks passed');
    process.exit(failures ? 1 : 0);
  });
});
