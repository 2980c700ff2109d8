// Loads the documents the C++ core saved (written by the automerge_interop_tests binary into the
// folder given) with the reference implementation, and checks that they read back the values,
// concurrent values, key order and heads the C++ side recorded, and that the reference re-saves
// them to the same uncompressed bytes. Exits non-zero on the first difference.
//   NAME.json        {"expected": dump}
//   NAME.automerge   Document::save()
//   NAME.nocompress  Document::save_uncompressed()
//   NAME.changes     every change chunk, concatenated
'use strict';
const fs = require('fs');
const path = require('path');
const S = require('./scripts.cjs');

const dir = process.argv[2];
if (!dir) throw new Error('usage: check-cpp-documents.cjs <dir>');
let failures = 0;
let checked = 0;
const normal = (value) => JSON.stringify(value);

for (const file of fs.readdirSync(dir).filter((f) => f.endsWith('.json')).sort()) {
  const name = file.slice(0, -5);
  const expected = JSON.parse(fs.readFileSync(path.join(dir, file), 'utf8')).expected;
  const fail = (what) => { failures++; console.log(`FAIL ${name}: ${what}`); };
  for (const extension of ['automerge', 'nocompress', 'changes']) {
    const file = path.join(dir, `${name}.${extension}`);
    if (!fs.existsSync(file)) continue;
    let doc;
    try {
      doc = S.A.getBackend(S.A.load(fs.readFileSync(file)));
    } catch (error) {
      fail(`${extension} does not load: ${error.message}`);
      continue;
    }
    const actual = S.dump(doc);
    if (normal(actual) !== normal(expected)) {
      const first = (list) => list.find((entry, i) => normal(entry) !== normal((list === actual.root ? expected.root : actual.root)[i]));
      const differs = normal(actual.heads) !== normal(expected.heads) ? 'heads' : normal(first(actual.root) ?? null);
      fail(`${extension} reads differently at ${differs.slice(0, 400)}\n  c++ has ${normal(first(expected.root) ?? null).slice(0, 400)}`);
    }
    if (extension === 'automerge') {
      const nocompress = fs.readFileSync(path.join(dir, `${name}.nocompress`));
      if (Buffer.compare(Buffer.from(doc.saveNoCompress()), nocompress) !== 0) fail('the reference re-saves different bytes');
    }
    checked++;
  }
}
console.log(`${checked} passed, ${failures} failed`);
process.exit(failures === 0 && checked > 0 ? 0 : 1);
