// Shared by the fixture generator and the checker: builds documents with the reference
// implementation from a small script that the C++ tests replay too, and dumps a document into a
// canonical JSON form that both sides compare.
'use strict';
const A = require('@automerge/automerge');

const hex = (bytes) => Buffer.from(bytes).toString('hex');
const unhex = (text) => new Uint8Array(Buffer.from(text, 'hex'));

// The backend (the low-level document) of a new document with a fixed actor.
function create(actor) {
  return A.getBackend(A.init({ actor }));
}

function resolve(doc, path) {
  let obj = '_root';
  for (const key of path) {
    const value = doc.getWithType(obj, key);
    if (!value || value[0] !== 'map') throw new Error(`path ${path.join('/')} is not a map`);
    obj = value[1];
  }
  return obj;
}

function scalar(type, value) {
  switch (type) {
    case 'bytes': return unhex(value);
    case 'timestamp': return new Date(value);
    default: return value;
  }
}

// Runs a script: { docs: {name: actorHex}, steps: [[op, doc, ...args]] }. Returns the docs.
function run(script) {
  const docs = {};
  for (const [name, actor] of Object.entries(script.docs)) docs[name] = create(actor);
  for (const step of script.steps) {
    const [op, name, ...args] = step;
    const doc = docs[name];
    switch (op) {
      case 'put': {
        const [path, key, type, value] = args;
        doc.put(resolve(doc, path), key, scalar(type, value), type);
        break;
      }
      case 'put_object': {
        const [path, key] = args;
        doc.putObject(resolve(doc, path), key, {});
        break;
      }
      case 'increment': {
        const [path, key, by] = args;
        doc.increment(resolve(doc, path), key, by);
        break;
      }
      case 'delete': {
        const [path, key] = args;
        doc.delete(resolve(doc, path), key);
        break;
      }
      case 'commit': {
        const [time, message] = args;
        doc.commit(message, time);
        break;
      }
      case 'merge': {
        const [from] = args;
        doc.merge(docs[from]);
        break;
      }
      default: throw new Error(`unknown step ${op}`);
    }
  }
  return docs;
}

function dumpValue(doc, entry) {
  const [type, value] = entry;
  switch (type) {
    case 'map': return ['map', dumpObject(doc, value)];
    case 'bytes': return ['bytes', hex(value)];
    case 'timestamp': return ['timestamp', value.getTime()];
    case 'list': case 'text': case 'table': return [type, null];
    default:
      // Unknown value types come back as "unknownNN" with their raw bytes.
      if (type.startsWith('unknown')) return ['unknown', Number(type.slice(7)), hex(value)];
      if (typeof value === 'bigint') return [type, Number.isSafeInteger(Number(value)) ? Number(value) : value.toString()];
      return [type, value];
  }
}

function dumpObject(doc, obj) {
  const out = [];
  for (const key of doc.keys(obj)) {
    out.push([key, doc.getAll(obj, key).map((entry) => dumpValue(doc, entry))]);
  }
  return out;
}

// Canonical form: every key in document order with all its concurrent values, winner last.
function dump(doc) {
  return { heads: [...doc.getHeads()].sort(), root: dumpObject(doc, '_root') };
}

module.exports = { A, hex, unhex, create, run, dump };
