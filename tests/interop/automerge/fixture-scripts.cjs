// The scripts behind the committed fixtures. Each is replayed by the reference (to make the
// fixture) and by the C++ tests (which must save the same bytes). Actors and times are fixed so
// the fixtures are reproducible.
'use strict';

const actorA = 'aa'.repeat(16);
const actorB = 'bb'.repeat(16);
const actorC = '0c'.repeat(16);

function mapsAndScalars() {
  const steps = [
    ['put', 'A', [], 'null', 'null', null],
    ['put', 'A', [], 'yes', 'boolean', true],
    ['put', 'A', [], 'no', 'boolean', false],
    ['put', 'A', [], 'int', 'int', -1234567],
    ['put', 'A', [], 'int_big', 'int', 9007199254740991],
    ['put', 'A', [], 'uint', 'uint', 4000000000],
    ['put', 'A', [], 'f64', 'f64', 1.5],
    ['put', 'A', [], 'f64_small', 'f64', -2.5e-300],
    ['put', 'A', [], 'str', 'str', 'plain scalar string'],
    ['put', 'A', [], 'str_empty', 'str', ''],
    ['put', 'A', [], 'str_unicode', 'str', 'héllo wörld ～ 😀'],
    ['put', 'A', [], 'bytes', 'bytes', '00ff10a0'],
    ['put', 'A', [], 'counter', 'counter', 42],
    ['put', 'A', [], 'timestamp', 'timestamp', 1700000000123],
    ['commit', 'A', 1700000000, 'scalars'],
  ];
  // Keys whose UTF-8 byte order differs from UTF-16 and from case-insensitive order.
  for (const key of ['9', '10', 'Alpha', 'a', 'é', '～', '😀', 'b']) steps.push(['put', 'A', [], key, 'str', `key ${key}`]);
  steps.push(['commit', 'A', 1700000001, null]);
  steps.push(['put_object', 'A', [], 'vexa']);
  steps.push(['put_object', 'A', ['vexa'], 'likes']);
  steps.push(['put', 'A', ['vexa', 'likes'], 'dQw4w9WgXcQ', 'boolean', true]);
  steps.push(['put', 'A', ['vexa', 'likes'], 'abc', 'boolean', false]);
  steps.push(['put_object', 'A', ['vexa'], 'settings']);
  steps.push(['put', 'A', ['vexa', 'settings'], 'preferred_quality', 'str', '720p']);
  steps.push(['put_object', 'A', ['vexa', 'settings'], 'sponsor_categories']);
  steps.push(['put', 'A', ['vexa', 'settings', 'sponsor_categories'], 'filler', 'str', 'skip']);
  steps.push(['commit', 'A', 1700000002, 'nested maps']);
  // Overwrites, and a put of the value already there (records nothing).
  steps.push(['put', 'A', [], 'int', 'int', 7]);
  steps.push(['put', 'A', [], 'str', 'str', 'plain scalar string']);
  steps.push(['put', 'A', ['vexa', 'likes'], 'abc', 'boolean', true]);
  steps.push(['commit', 'A', 1700000003, null]);
  steps.push(['put', 'A', [], 'yes', 'boolean', true]);
  steps.push(['commit', 'A', 1700000004, 'nothing']);
  return { docs: { A: actorA }, steps, save: 'A' };
}

function concurrentValues() {
  const steps = [
    ['put', 'A', [], 'shared', 'str', 'base'],
    ['put_object', 'A', [], 'owner_history'],
    ['put_object', 'A', ['owner_history'], 'entries'],
    ['commit', 'A', 100, null],
    ['merge', 'B', 'A'],
    ['merge', 'C', 'A'],
    ['put', 'A', [], 'shared', 'str', 'from A'],
    ['put', 'A', ['owner_history', 'entries'], 'video1', 'str', '{"present":true,"watched_at_ms":10,"mutation_id":"a"}'],
    ['put', 'A', [], 'only_a', 'int', 1],
    ['put_object', 'A', [], 'child'],
    ['put', 'A', ['child'], 'who', 'str', 'A'],
    ['commit', 'A', 101, 'A side'],
    ['put', 'B', [], 'shared', 'str', 'from B'],
    ['put', 'B', ['owner_history', 'entries'], 'video1', 'str', '{"present":false,"watched_at_ms":20,"mutation_id":"b"}'],
    ['put', 'B', [], 'only_b', 'uint', 2],
    ['put_object', 'B', [], 'child'],
    ['put', 'B', ['child'], 'who', 'str', 'B'],
    ['commit', 'B', 102, 'B side'],
    ['put', 'C', [], 'shared', 'int', 3],
    ['commit', 'C', 103, null],
    ['merge', 'A', 'B'],
    ['merge', 'A', 'C'],
    ['merge', 'B', 'C'],
    ['merge', 'B', 'A'],
    // A later write on top of the merge resolves one conflict and leaves the others.
    ['put', 'A', [], 'resolved', 'boolean', true],
    ['commit', 'A', 104, null],
  ];
  return { docs: { A: actorA, B: actorB, C: actorC }, steps, save: 'A' };
}

// The 2,000-entry history document of the benchmark: one commit per entry.
function historyEntries(count = 2000) {
  const steps = [['put_object', 'A', [], 'owner_history'], ['put_object', 'A', ['owner_history'], 'entries'], ['put_object', 'A', ['owner_history'], 'clears'], ['commit', 'A', 1700000000, null]];
  for (let i = 0; i < count; i++) {
    const id = `video${String(i).padStart(6, '0')}`;
    const at = 1700000000000 + i * 1000;
    const record = `{"present":true,"watched_at_ms":${at},"mutation_id":"owner:watch:${id}:${at}"}`;
    steps.push(['put', 'A', ['owner_history', 'entries'], id, 'str', record]);
    steps.push(['commit', 'A', 1700000000 + i, null]);
  }
  return { docs: { A: actorA }, steps, save: 'A' };
}

// One big change (its chunk is over 256 bytes, so the reference compresses it).
function bigChange() {
  const steps = [];
  for (let i = 0; i < 100; i++) steps.push(['put', 'A', [], `key${i}`, 'str', `value number ${i} of the big change`]);
  steps.push(['commit', 'A', 5, 'big']);
  steps.push(['put', 'A', [], 'after', 'int', 1]);
  steps.push(['commit', 'A', 6, null]);
  return { docs: { A: actorA }, steps, save: 'A' };
}

function empty() {
  return { docs: { A: actorA }, steps: [], save: 'A' };
}

module.exports = {
  maps_and_scalars: mapsAndScalars(),
  concurrent_values: concurrentValues(),
  history_300: historyEntries(300),
  big_change: bigChange(),
  empty: empty(),
};
