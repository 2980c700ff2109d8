// Times the reference (@automerge/automerge from tests/interop) on the workloads of
// AutomergeBench.cpp and prints one JSON line: milliseconds per iteration (median) and sizes.
// With a path argument it also writes the reference's 2,000-entry document there.
'use strict';
const path = require('path');
const { median, timeMedian } = require(path.join(__dirname, '..', 'timing.cjs'));
const time = (iterations, body) => timeMedian(iterations, body);
const fs = require('fs');
const interop = path.join(__dirname, '..', '..', 'tests', 'interop', 'automerge');
const S = require(path.join(interop, 'scripts.cjs'));

function historyDocument(count) {
  const doc = S.create('aa'.repeat(16));
  const history = doc.putObject('_root', 'owner_history', {});
  const entries = doc.putObject(history, 'entries', {});
  doc.putObject(history, 'clears', {});
  doc.commit(null, 1700000000);
  for (let i = 0; i < count; i++) {
    const id = `video${String(i).padStart(6, '0')}`;
    const at = 1700000000000 + i * 1000;
    doc.put(entries, id, `{"present":true,"watched_at_ms":${at},"mutation_id":"owner:watch:${id}:${at}"}`, 'str');
    doc.commit(null, 1700000000 + i);
  }
  return doc;
}

const bytes = historyDocument(2000).save();
if (process.argv[2]) fs.writeFileSync(process.argv[2], bytes);

let savedBytes = 0;
time(5, () => S.A.save(S.A.load(bytes))); // warm up
const loadSaveMs = time(30, () => {
  const doc = S.A.load(bytes);
  savedBytes = S.A.save(doc).length;
});

const record = (i) => {
  const id = `video${String(i % 500).padStart(6, '0')}`;
  const at = 1700000000000 + i * 1000;
  return [id, `{"present":true,"watched_at_ms":${at},"mutation_id":"owner:watch:video${String(i).padStart(6, '0')}:${at}"}`];
};
const putsMs = time(5, () => {
  const doc = S.create('bb'.repeat(16));
  for (let i = 0; i < 10000; i++) {
    const [key, value] = record(i);
    doc.put('_root', key, value, 'str');
    doc.commit(null, 1700000000 + i);
  }
});

console.log(JSON.stringify({ load_save_ms: loadSaveMs, puts_ms: putsMs, saved_bytes: savedBytes, input_bytes: bytes.length }));
