// The reference (@automerge/automerge from tests/interop) recording one watch into a 2,000-entry
// history document: put, commit and save, as the store does without its file write. Prints one
// JSON line of medians in milliseconds. With a path argument it writes the document there.
'use strict';
const path = require('path');
const { median } = require(path.join(__dirname, '..', 'timing.cjs'));
const fs = require('fs');
const A = require(path.join(__dirname, '..', '..', 'tests', 'interop', 'node_modules', '@automerge', 'automerge'));

function historyDocument(count) {
  const doc = A.getBackend(A.init({ actor: 'aa'.repeat(16) }));
  const history = doc.putObject('_root', 'owner_history', {});
  const entries = doc.putObject(history, 'entries', {});
  doc.commit(null, 1700000000);
  for (let i = 0; i < count; i++) {
    const id = `video${String(i).padStart(6, '0')}`;
    const at = 1700000000000 + i * 1000;
    doc.put(entries, id, JSON.stringify({ present: true, watched_at_ms: at, mutation_id: `owner:watch:${id}:${at}` }), 'str');
    doc.commit(null, 1700000000 + i);
  }
  return doc;
}

const bytes = historyDocument(2000).save();
if (process.argv[2]) fs.writeFileSync(process.argv[2], bytes);

const doc = A.getBackend(A.load(bytes));
const history = doc.getWithType('_root', 'owner_history')[1];
const entries = doc.getWithType(history, 'entries')[1];
let at = 1800000000000;
const record = (i) => {
  const id = `video${String(i % 2000).padStart(6, '0')}`;
  doc.put(entries, id, JSON.stringify({ present: true, watched_at_ms: at, mutation_id: `owner:watch:${id}:${at}` }), 'str');
  at++;
  doc.commit(null, Math.floor(at / 1000));
  return doc.save().length;
};
for (let i = 0; i < 20; i++) record(i); // warm up
const samples = [];
for (let i = 0; i < 200; i++) {
  const start = process.hrtime.bigint();
  record(i);
  samples.push(Number(process.hrtime.bigint() - start) / 1e6);
}
const openSamples = [];
for (let i = 0; i < 20; i++) {
  const start = process.hrtime.bigint();
  A.load(bytes);
  openSamples.push(Number(process.hrtime.bigint() - start) / 1e6);
}
console.log(JSON.stringify({ record_ms: median(samples), load_ms: median(openSamples), saved_bytes: bytes.length }));
