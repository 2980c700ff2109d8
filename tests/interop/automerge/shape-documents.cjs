// Builds six documents of different shapes with the reference implementation, from fixed seeds,
// so that load and save can be timed on each (bench/automerge/compare-shapes.sh) and the C++ side
// can be checked against the same bytes.
//   node shape-documents.cjs <out-dir>     writes <name>.automerge for every shape
'use strict';
const fs = require('fs');
const path = require('path');
const S = require('./scripts.cjs');

// mulberry32: a small deterministic generator, so the same seed gives the same document.
function generator(seed) {
  let state = seed >>> 0;
  return () => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

const alphabet = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_';
function randomText(random, length) {
  let out = '';
  for (let i = 0; i < length; i++) out += alphabet[Math.floor(random() * alphabet.length)];
  return out;
}

// A watch history like the history store's: one entry per watch, each committed on its own,
// re-watches overwriting an earlier entry.
function history(seed, entries, rewatchShare) {
  const random = generator(seed);
  const doc = S.create('aa'.repeat(16));
  const root = doc.putObject('_root', 'owner_history', {});
  const map = doc.putObject(root, 'entries', {});
  doc.putObject(root, 'clears', {});
  doc.commit(null, 1700000000);
  const ids = [];
  let at = 1700000000000;
  for (let i = 0; i < entries; i++) {
    let id;
    if (ids.length > 0 && random() < rewatchShare) id = ids[Math.floor(random() * ids.length)];
    else {
      id = randomText(random, 11);
      ids.push(id);
    }
    at += 1000 + Math.floor(random() * 600000);
    doc.put(map, id, `{"present":true,"watched_at_ms":${at},"mutation_id":"owner:watch:${id}:${at}"}`, 'str');
    doc.commit(null, Math.floor(at / 1000));
  }
  return { doc, map, random, at };
}

// A history grown until its saved size reaches about `bytes`; with `exact`, one last entry of
// random bytes (which deflate cannot shrink) is sized so that the saved document is exactly
// `bytes` long.
function historyOfSize(seed, bytes, exact) {
  let count = 1000;
  for (;;) {
    const built = history(seed, count, 0.1);
    const size = built.doc.save().length;
    if (size >= bytes * 0.98 || count > 1000000) {
      if (!exact) return built.doc;
      break;
    }
    count = Math.ceil(count * Math.max(1.01, Math.min(2, (bytes * 0.985) / size)));
  }
  const base = history(seed, count, 0.1);
  const padding = new Uint8Array(1 << 20);
  for (let i = 0; i < padding.length; i++) padding[i] = Math.floor(base.random() * 256);
  const padded = (length) => {
    const doc = base.doc.fork();
    doc.put(base.map, 'padding', padding.subarray(0, length), 'bytes');
    doc.commit(null, Math.floor(base.at / 1000) + 1);
    return doc;
  };
  // The largest padding that does not overshoot, then the lengths around it.
  let low = 0;
  let high = padding.length;
  while (low < high) {
    const middle = Math.ceil((low + high) / 2);
    if (padded(middle).save().length <= bytes) low = middle;
    else high = middle - 1;
  }
  for (let length = Math.max(0, low - 64); length <= low + 64; length++) {
    const doc = padded(length);
    if (doc.save().length === bytes) return doc;
  }
  throw new Error(`no padding gives exactly ${bytes} bytes`);
}

function largeString(seed, length) {
  const random = generator(seed);
  const doc = S.create('bb'.repeat(16));
  doc.put('_root', 'text', randomText(random, length), 'str');
  doc.commit(null, 1700000000);
  return doc;
}

function oneLargeChange(seed, ops) {
  const random = generator(seed);
  const doc = S.create('cc'.repeat(16));
  for (let i = 0; i < ops; i++) doc.put('_root', `key${String(i).padStart(6, '0')}`, Math.floor(random() * 1e9), 'int');
  doc.commit(null, 1700000000);
  return doc;
}

// Keys of every value type, written over ten changes, some overwritten by a second actor and
// merged back, so the columns hold every kind of run.
function wideMap(seed, keys) {
  const random = generator(seed);
  const doc = S.create('dd'.repeat(16));
  const kinds = ['int', 'uint', 'f64', 'boolean', 'str', 'bytes', 'timestamp', 'counter', 'null'];
  const value = (kind) => {
    switch (kind) {
      case 'int': return Math.floor(random() * 2e6) - 1e6;
      case 'uint': return Math.floor(random() * 1e9);
      case 'f64': return random() * 1000;
      case 'boolean': return random() < 0.5;
      case 'str': return randomText(random, 1 + Math.floor(random() * 30));
      case 'bytes': return new Uint8Array(Buffer.from(randomText(random, 8)));
      case 'timestamp': return new Date(1700000000000 + Math.floor(random() * 1e9));
      case 'counter': return Math.floor(random() * 100);
      default: return null;
    }
  };
  const names = [];
  for (let i = 0; i < keys; i++) names.push(randomText(random, 4 + Math.floor(random() * 12)) + i);
  for (let c = 0; c < 10; c++) {
    for (let i = c * (keys / 10); i < (c + 1) * (keys / 10); i++) {
      const kind = kinds[Math.floor(random() * kinds.length)];
      doc.put('_root', names[i], value(kind), kind);
    }
    doc.commit(null, 1700000000 + c);
  }
  const other = doc.fork('ee'.repeat(16));
  for (let i = 0; i < keys / 10; i++) other.put('_root', names[Math.floor(random() * keys)], value('int'), 'int');
  other.commit(null, 1700000100);
  doc.merge(other);
  return doc;
}

const shapes = {
  'history-10000': () => history(23, 10000, 0).doc,
  'history-600k': () => historyOfSize(29, 600 * 1024, false),
  'history-4m': () => historyOfSize(31, 4 * 1024 * 1024, true),
  'string-1m': () => largeString(37, 1000000),
  'change-50000-ops': () => oneLargeChange(41, 50000),
  'map-10000-keys': () => wideMap(43, 10000),
};

module.exports = { shapes };

if (require.main === module) {
  const out = process.argv[2];
  if (!out) throw new Error('usage: shape-documents.cjs <out-dir>');
  fs.mkdirSync(out, { recursive: true });
  for (const [name, build] of Object.entries(shapes)) fs.writeFileSync(path.join(out, `${name}.automerge`), build().save());
}
