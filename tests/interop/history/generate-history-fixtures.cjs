// Makes history documents with the reference's low-level API, each with the history list the
// read rules give for it, and writes them (<name>.automerge and expected.json) into a folder:
//   node generate-history-fixtures.cjs <folder>
// Actors and change times are fixed, so the output is the same on every run.
'use strict';
const path = require('path');
const fs = require('fs');
const A = require(path.join(__dirname, '..', 'node_modules', '@automerge', 'automerge'));

const actor = (byte) => byte.repeat(16);
const record = (present, at, mutation) => JSON.stringify({ present, watched_at_ms: at, mutation_id: mutation });

// A document holding owner_history with entries and clears maps, committed once.
function base() {
  const doc = A.getBackend(A.init({ actor: actor('aa') }));
  const history = doc.putObject('_root', 'owner_history', {});
  doc.putObject(history, 'entries', {});
  doc.putObject(history, 'clears', {});
  doc.commit(null, 1700000000);
  return doc;
}
const mapOf = (doc, obj, key) => doc.getWithType(obj, key)[1];
const entries = (doc) => mapOf(doc, mapOf(doc, '_root', 'owner_history'), 'entries');
const clears = (doc) => mapOf(doc, mapOf(doc, '_root', 'owner_history'), 'clears');

// Writes `left` into the base's own actor and `right` into a fork whose actor sorts higher, so
// the fork's value is the one the document shows as the key's winner; then merges them.
function concurrent(left, right) {
  const doc = base();
  const other = doc.fork(actor('ff'));
  left(doc);
  doc.commit(null, 1700000001);
  right(other);
  other.commit(null, 1700000001);
  doc.merge(other);
  return doc;
}

function single(body) {
  const doc = base();
  body(doc);
  doc.commit(null, 1700000002);
  return doc;
}

const fixtures = {
  // The winner says watched at 100; the other value is later and is the one that counts.
  'concurrent-misleading-winner': [
    concurrent((d) => d.put(entries(d), 'v', record(true, 200, 'owner:watch:v:200'), 'str'),
      (d) => d.put(entries(d), 'v', record(true, 100, 'owner:watch:v:100'), 'str')),
    [['v', 200]]],
  // The winner is a watch; a later concurrent removal hides the video.
  'concurrent-later-removal': [
    concurrent((d) => d.put(entries(d), 'v', record(false, 300, 'owner:remove:v:300'), 'str'),
      (d) => d.put(entries(d), 'v', record(true, 100, 'owner:watch:v:100'), 'str')),
    []],
  // Three actors; equal times are decided by the mutation id.
  'concurrent-three-actors': [
    (() => {
      const doc = base();
      const b = doc.fork(actor('bb'));
      const c = doc.fork(actor('cc'));
      doc.put(entries(doc), 'v', record(true, 500, 'm-a'), 'str');
      doc.commit(null, 1700000001);
      b.put(entries(b), 'v', record(false, 500, 'm-c'), 'str');
      b.commit(null, 1700000001);
      c.put(entries(c), 'v', record(true, 500, 'm-b'), 'str');
      c.commit(null, 1700000001);
      doc.merge(b);
      doc.merge(c);
      return doc;
    })(),
    []],
  'removal-later-than-watch': [
    (() => {
      const doc = base();
      doc.put(entries(doc), 'v', record(true, 100, 'owner:watch:v:100'), 'str');
      doc.put(entries(doc), 'w', record(true, 150, 'owner:watch:w:150'), 'str');
      doc.commit(null, 1700000001);
      doc.put(entries(doc), 'v', record(false, 200, 'owner:remove:v:200'), 'str');
      doc.commit(null, 1700000002);
      return doc;
    })(),
    [['w', 150]]],
  'rewatch-after-removal': [
    (() => {
      const doc = base();
      for (const [i, text] of [record(true, 100, 'a'), record(false, 200, 'b'), record(true, 300, 'c')].entries()) {
        doc.put(entries(doc), 'v', text, 'str');
        doc.commit(null, 1700000001 + i);
      }
      return doc;
    })(),
    [['v', 300]]],
  'clear-at-entry-time': [
    single((d) => {
      d.put(entries(d), 'v', record(true, 1000, 'a'), 'str');
      d.put(clears(d), 'owner:clear:all:1000', '1000', 'str');
    }),
    []],
  'clear-one-ms-before': [
    single((d) => {
      d.put(entries(d), 'v', record(true, 1000, 'a'), 'str');
      d.put(clears(d), 'owner:clear:all:999', '999', 'str');
    }),
    [['v', 1000]]],
  // Only a text of decimal digits counts as a clear time: every other kind is ignored.
  'clear-values-of-every-kind': [
    single((d) => {
      const c = clears(d);
      d.put(c, 'text', '100', 'str');
      d.put(c, 'int', 5000, 'int');
      d.put(c, 'uint', 5000, 'uint');
      d.put(c, 'f64', 5000.5, 'f64');
      d.put(c, 'counter', 5000, 'counter');
      d.put(c, 'timestamp', new Date(5000), 'timestamp');
      d.put(c, 'bytes', new Uint8Array([0x35, 0x30]), 'bytes');
      d.put(c, 'boolean', true, 'boolean');
      d.put(c, 'null', null, 'null');
      d.put(c, 'letters', 'abc', 'str');
      d.put(c, 'spaces', ' 5000', 'str');
      d.put(c, 'signed', '+5000', 'str');
      d.putObject(c, 'map', {});
      d.put(entries(d), 'shown', record(true, 200, 'a'), 'str');
      d.put(entries(d), 'hidden', record(true, 100, 'b'), 'str');
    }),
    [['shown', 200]]],
  'entry-texts': [
    single((d) => {
      const e = entries(d);
      d.put(e, 'not-json', 'not json', 'str');
      d.put(e, 'missing-member', JSON.stringify({ present: true, watched_at_ms: 10 }), 'str');
      d.put(e, 'extra-members', JSON.stringify({ title: 'x', present: true, watched_at_ms: 20, mutation_id: 'm', more: [1, 2] }), 'str');
      d.put(e, 'array-form', JSON.stringify([true, 30, 'm']), 'str');
      d.put(e, 'short-array', JSON.stringify([true, 40]), 'str');
      d.put(e, 'wrong-type', JSON.stringify({ present: 1, watched_at_ms: 50, mutation_id: 'm' }), 'str');
      d.put(e, 'number-scalar', 60, 'uint');
      d.put(e, 'members-reordered', JSON.stringify({ mutation_id: 'm', watched_at_ms: 70, present: true }), 'str');
      d.putObject(e, 'map-value', {});
    }),
    [['members-reordered', 70], ['array-form', 30], ['extra-members', 20]]],
  'owner-history-not-a-map': [
    (() => {
      const doc = A.getBackend(A.init({ actor: actor('aa') }));
      doc.put('_root', 'owner_history', 'text', 'str');
      doc.commit(null, 1700000000);
      return doc;
    })(),
    []],
  'newest-first-ties-by-id': [
    single((d) => {
      for (const [id, at] of [['b', 5], ['a', 5], ['c', 9], ['d', 1]]) d.put(entries(d), id, record(true, at, id), 'str');
    }),
    [['c', 9], ['a', 5], ['b', 5], ['d', 1]]],
};

const out = process.argv[2];
if (!out) throw new Error('usage: generate-history-fixtures.cjs <folder>');
fs.mkdirSync(out, { recursive: true });
const expected = {};
for (const [name, [doc, list]] of Object.entries(fixtures)) {
  fs.writeFileSync(path.join(out, `${name}.automerge`), doc.save());
  expected[name] = list;
}
fs.writeFileSync(path.join(out, 'expected.json'), JSON.stringify(expected, null, 1) + '\n');
