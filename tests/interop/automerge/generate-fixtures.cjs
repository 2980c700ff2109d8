// Writes the fixtures of tests/fixtures/automerge/ (or of the folder given as the first
// argument) with the reference implementation:
//   NAME.json          the script, the reference's dump (values, concurrent values, key order) and heads
//   NAME.automerge     the reference's save()
//   NAME.nocompress    the reference's saveNoCompress()
//   NAME.changes       every change chunk of the saved document, concatenated (getChanges)
// plus documents the C++ core must refuse (lists, text, marks) and documents made with ops the
// C++ API does not offer (deletes, increments), which it must still load.
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const S = require('./scripts.cjs');
const scripts = require('./fixture-scripts.cjs');

const out = process.argv[2] || path.join(__dirname, '..', '..', 'fixtures', 'automerge');
fs.mkdirSync(out, { recursive: true });

function write(name, doc, script) {
  const save = doc.save();
  fs.writeFileSync(path.join(out, `${name}.automerge`), save);
  fs.writeFileSync(path.join(out, `${name}.nocompress`), doc.saveNoCompress());
  const changes = doc.getChanges([]);
  fs.writeFileSync(path.join(out, `${name}.changes`), Buffer.concat(changes.map((c) => Buffer.from(c))));
  const json = { script: script || null, expected: S.dump(doc), change_count: changes.length };
  fs.writeFileSync(path.join(out, `${name}.json`), JSON.stringify(json) + '\n');
}

for (const [name, script] of Object.entries(scripts)) {
  const docs = S.run(script);
  write(name, docs[script.save], script);
}

// A compressed change chunk (type 2: the body raw-deflated, the checksum that of the inflated
// change), which the reference loads; the reference itself writes change chunks uncompressed.
function compressChange(chunk) {
  const bytes = Buffer.from(chunk);
  let offset = 9, length = 0, shift = 0;
  for (;;) { const byte = bytes[offset++]; length += (byte & 0x7f) * 2 ** shift; shift += 7; if (!(byte & 0x80)) break; }
  const deflated = zlib.deflateRawSync(bytes.subarray(offset, offset + length));
  const leb = []; let n = deflated.length;
  do { let byte = n & 0x7f; n = Math.floor(n / 128); if (n) byte |= 0x80; leb.push(byte); } while (n);
  return Buffer.concat([bytes.subarray(0, 8), Buffer.from([2]), Buffer.from(leb), deflated]);
}
{
  const doc = S.run(scripts.big_change)[scripts.big_change.save];
  const changes = doc.getChanges([]).map((c) => Buffer.from(c));
  const bytes = Buffer.concat([compressChange(changes[0]), ...changes.slice(1)]);
  const loaded = S.A.load(bytes);
  if (JSON.stringify(S.A.getHeads(loaded).sort()) !== JSON.stringify(S.dump(doc).heads)) throw new Error('reference refused the compressed change');
  fs.writeFileSync(path.join(out, 'big_change.compressed-changes'), bytes);
}

// Ops the C++ API lacks: deletes, increments, an overwrite of a map by a scalar.
{
  const doc = S.create('dd'.repeat(16));
  doc.put('_root', 'gone', 'x', 'str');
  doc.put('_root', 'kept', 'y', 'str');
  doc.put('_root', 'hits', 1, 'counter');
  const child = doc.putObject('_root', 'child', {});
  doc.put(child, 'inner', 1, 'int');
  doc.commit(null, 10);
  doc.delete('_root', 'gone');
  doc.increment('_root', 'hits', 5);
  doc.put('_root', 'child', 'now a string', 'str');
  doc.commit('delete and increment', 11);
  doc.increment('_root', 'hits', -2);
  doc.commit(null, 12);
  write('deletes_and_counters', doc, null);
}

// Documents the C++ core refuses.
const refuse = {
  unsupported_list: (doc) => { const list = doc.putObject('_root', 'items', []); doc.insert(list, 0, 'a', 'str'); },
  unsupported_text: (doc) => { const text = doc.putObject('_root', 'note', ''); doc.splice(text, 0, 0, 'hello'); },
  unsupported_mark: (doc) => { const text = doc.putObject('_root', 'note', ''); doc.splice(text, 0, 0, 'hello'); doc.mark(text, { start: 0, end: 2, expand: 'none' }, 'bold', true); },
};
for (const [name, build] of Object.entries(refuse)) {
  const doc = S.create('ee'.repeat(16));
  doc.put('_root', 'title', 'x', 'str');
  build(doc);
  doc.commit(null, 1);
  fs.writeFileSync(path.join(out, `${name}.automerge`), doc.save());
}
console.log(`fixtures written to ${out}`);
