// Times the reference's low-level path on every document in a folder: the wasm `load` (which
// checks the heads, as ours does, but builds no JavaScript objects) and `save` of the loaded
// document. Prints one JSON object: { name: { load_ms, save_ms, bytes } }, medians.
//   node reference-shapes.cjs <dir>
'use strict';
const fs = require('fs');
const path = require('path');
const { median, timeMedian } = require(path.join(__dirname, '..', 'timing.cjs'));
const time = (iterations, body) => timeMedian(iterations, body);
const Module = require('module');

// The package exports only its high-level API; its low-level handler (what `load` calls before
// it materializes the JavaScript view) is a module-private binding, exposed here for timing.
function lowLevelApi() {
  const interop = path.join(__dirname, '..', '..', 'tests', 'interop');
  const file = require.resolve('@automerge/automerge', { paths: [interop] });
  const loaded = new Module(file, module);
  loaded.filename = file;
  loaded.paths = Module._nodeModulePaths(path.dirname(file));
  loaded._compile(`${fs.readFileSync(file, 'utf8')}\n;module.exports.__lowLevel = ApiHandler;\n`, file);
  return loaded.exports.__lowLevel;
}

const api = lowLevelApi();
const dir = process.argv[2];
const out = {};
for (const file of fs.readdirSync(dir).filter((name) => name.endsWith('.automerge')).sort()) {
  const bytes = new Uint8Array(fs.readFileSync(path.join(dir, file)));
  const iterations = bytes.length > (1 << 20) ? 7 : 15;
  const doc = api.load(bytes, {});
  const loadMs = time(iterations, () => api.load(bytes, {}).free());
  let saved = 0;
  const saveMs = time(iterations, () => { saved = doc.save().length; });
  doc.free();
  out[file.replace(/\.automerge$/, '')] = { load_ms: loadMs, save_ms: saveMs, bytes: bytes.length, saved_bytes: saved };
}
console.log(JSON.stringify(out));
