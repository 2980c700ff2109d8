// Shared library documents made and checked by the reference implementation, for the C++ reader
// and writer of the library layout (root "vexa" with its maps).
//
//   node library-documents.cjs make <dir>
//       writes NAME.automerge for each document below, made with the reference's low-level API
//       and scalar strings, plus NAME.winners.json: what the reference reads at the keys whose
//       values conflict, so the C++ side can check it reads the same winners.
//   node library-documents.cjs check <file.automerge> <expected.json>
//       loads a document the C++ writer saved and checks that the reference sees the same
//       content ({"content": nested maps of scalars, "heads": [hex...]}).
'use strict';
const fs = require('fs');
const path = require('path');
const A = require('@automerge/automerge');

const actor = (byte) => byte.repeat(16);
const create = (byte) => A.getBackend(A.init({ actor: actor(byte) }));

// Puts a nested plain object: objects become maps, [type, value] pairs typed scalars, other
// values scalars of their own kind (strings stay scalar strings, never Text objects).
function putAll(doc, obj, values) {
  for (const [key, value] of Object.entries(values)) {
    if (Array.isArray(value)) doc.put(obj, key, value[1], value[0]);
    else if (value !== null && typeof value === 'object') putAll(doc, doc.putObject(obj, key, {}), value);
    else doc.put(obj, key, value);
  }
}

function single(byte, values) {
  const doc = create(byte);
  putAll(doc, '_root', values);
  doc.commit('library', 1);
  return doc;
}

function mapAt(doc, keys) {
  let obj = '_root';
  for (const key of keys) {
    const found = doc.getWithType(obj, key);
    if (!found || found[0] !== 'map') return null;
    obj = found[1];
  }
  return obj;
}

function winner(doc, keys, key) {
  const obj = mapAt(doc, keys);
  if (obj === null) return null;
  const found = doc.getWithType(obj, key);
  if (!found) return null;
  return found[0] === 'map' ? ['map'] : [found[0], found[1]];
}

const documents = {
  layout: () => single('01', {
    vexa: {
      likes: { v1: true, v2: false, v9: true },
      comment_likes: { c1: true, c2: false, c3: 'yes' },
      subscriptions: { UCb: true, UCa: true, UCc: false, 'https://www.youtube.com/@creator': true },
      queue: { v2: true, v3: true },
      comment_replies: { c1: { 'reply-0000000000000001': { text: 'hi', active: true } } },
      private_history: { 'profile:local': { clears: {}, entries: {} } },
      settings: {
        sponsorblock: false, dearrow: true, dearrow_titles: false, dearrow_thumbnails: true,
        return_dislike: false, autoplay: false, show_comments: true, preferred_quality: '480p',
        sponsor_categories: { sponsor: 'show', selfpromo: 'disabled', filler: 'skip', unknown: 'show' },
      },
    },
  }),
  wrong_kinds: () => single('02', {
    vexa: {
      likes: { v1: 'true', v2: ['int', 1], v3: ['counter', 1] },
      comment_likes: { c1: ['uint', 1], c2: null },
      subscriptions: 'UCa',
      queue: ['f64', 1.5],
      settings: {
        autoplay: 'false', sponsorblock: ['int', 0], dearrow: ['f64', 1], show_comments: null,
        preferred_quality: '360p',
        sponsor_categories: { sponsor: 'Skip', intro: true, outro: ['timestamp', new Date(5)], filler: 'SHOW' },
      },
    },
  }),
  vexa_not_map: () => single('03', { vexa: 'not a map', likes: { v1: true } }),
  vexa_counter: () => single('04', { vexa: ['counter', 3] }),
  concurrent: () => {
    const base = single('0a', { vexa: { likes: { v0: true }, settings: { preferred_quality: '1080p' }, queue: { v1: true } } });
    const other = A.getBackend(A.load(base.save(), { actor: actor('0b') }));
    putAll(base, mapAt(base, ['vexa', 'likes']), { v1: false, v2: true });
    putAll(base, mapAt(base, ['vexa', 'settings']), { preferred_quality: '480p', autoplay: true });
    base.put(mapAt(base, ['vexa']), 'queue', 'replaced');
    base.commit('a', 2);
    putAll(other, mapAt(other, ['vexa', 'likes']), { v1: true, v3: true });
    putAll(other, mapAt(other, ['vexa', 'settings']), { preferred_quality: 'auto', autoplay: false });
    putAll(other, mapAt(other, ['vexa']), { queue: { v4: true } });
    other.commit('b', 2);
    base.merge(other);
    return base;
  },
};

function make(dir) {
  fs.mkdirSync(dir, { recursive: true });
  for (const [name, build] of Object.entries(documents)) {
    const doc = build();
    fs.writeFileSync(path.join(dir, `${name}.automerge`), doc.save());
    const winners = {
      likes_v1: winner(doc, ['vexa', 'likes'], 'v1'),
      quality: winner(doc, ['vexa', 'settings'], 'preferred_quality'),
      autoplay: winner(doc, ['vexa', 'settings'], 'autoplay'),
      queue: winner(doc, ['vexa'], 'queue'),
      conflicts_v1: mapAt(doc, ['vexa', 'likes']) === null ? 0 : (doc.getAll(mapAt(doc, ['vexa', 'likes']), 'v1') || []).length,
    };
    fs.writeFileSync(path.join(dir, `${name}.winners.json`), JSON.stringify(winners));
  }
}

function materialize(doc, obj) {
  const out = {};
  for (const key of doc.keys(obj)) {
    const [type, value] = doc.getWithType(obj, key);
    if (type === 'map') out[key] = materialize(doc, value);
    else if (type === 'str' || type === 'boolean') out[key] = value;
    else out[key] = [type, String(value)];
  }
  return out;
}

function sorted(value) {
  if (value === null || typeof value !== 'object' || Array.isArray(value)) return value;
  const out = {};
  for (const key of Object.keys(value).sort()) out[key] = sorted(value[key]);
  return out;
}

function check(file, expectedFile) {
  const expected = JSON.parse(fs.readFileSync(expectedFile, 'utf8'));
  const doc = A.getBackend(A.load(fs.readFileSync(file)));
  const content = JSON.stringify(sorted(materialize(doc, '_root')));
  const want = JSON.stringify(sorted(expected.content));
  let ok = true;
  if (content !== want) {
    console.log(`content differs:\n  reference reads ${content}\n  c++ wrote       ${want}`);
    ok = false;
  }
  const heads = JSON.stringify([...doc.getHeads()].sort());
  if (heads !== JSON.stringify([...expected.heads].sort())) {
    console.log(`heads differ: reference ${heads}, c++ ${JSON.stringify(expected.heads)}`);
    ok = false;
  }
  console.log(ok ? 'library document matches' : 'library document differs');
  process.exit(ok ? 0 : 1);
}

const [command, ...args] = process.argv.slice(2);
if (command === 'make' && args.length === 1) make(args[0]);
else if (command === 'check' && args.length === 2) check(args[0], args[1]);
else {
  console.error('usage: library-documents.cjs make <dir> | check <file.automerge> <expected.json>');
  process.exit(2);
}
