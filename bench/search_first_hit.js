// Times the site's search over index files already written: loads them the way the site
// does (one file after another, as the search reaches it) and reports when the first hit
// came and when the search was done.
//
//   node search_first_hit.js INDEX_FOLDER PAGES QUERY
'use strict';
const fs = require('fs');
const path = require('path');
const vm = require('vm');
const index = require(path.join(__dirname, '..', 'data', 'site', 'pg_search_index.js'));

const [folder, pages, query] = process.argv.slice(2);
index.setPages(pages);
index.setLoader((k, done) => {
  const file = path.join(folder, index.fileName(k));
  if (fs.existsSync(file)) vm.runInThisContext(fs.readFileSync(file, 'utf8'), { filename: file });
  setImmediate(done);  // a script element loads in a later task, too
});
const start = process.hrtime.bigint();
const ms = () => Number(process.hrtime.bigint() - start) / 1e6;
let first = -1, found = 0;
index.search(query, () => { if (first < 0) first = ms(); found++; }, () => {
  console.log('first_hit_ms=' + first.toFixed(3) + ' all_ms=' + ms().toFixed(3) + ' pages_found=' + found);
});
