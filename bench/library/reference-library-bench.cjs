// Times the reference (@automerge/automerge from tests/interop) on LibraryBench.cpp's dispatch:
// one like put into the same library document, committed, and the document saved; and, apart,
// the atomic file write of the saved bytes (temporary file, flush, rename) in the folder given.
// Prints one JSON line of medians in microseconds.
//   node reference-library-bench.cjs <dir>
'use strict';
const fs = require('fs');
const path = require('path');
const { median, timeMedian } = require(path.join(__dirname, '..', 'timing.cjs'));
const time = (iterations, body) => timeMedian(iterations, body, 1e3);
const A = require(path.join(__dirname, '..', '..', 'tests', 'interop', 'node_modules', '@automerge', 'automerge'));

const pad = (n) => String(n).padStart(4, '0');
const videoId = (i) => `bench-video-${pad(i)}`;
const flags = ['sponsorblock', 'dearrow', 'dearrow_titles', 'dearrow_thumbnails', 'return_dislike', 'autoplay', 'show_comments'];
const categories = ['sponsor', 'selfpromo', 'interaction', 'intro', 'outro', 'preview', 'music_offtopic', 'filler'];

function libraryDocument() {
  const doc = A.getBackend(A.init({ actor: 'be'.repeat(16) }));
  const vexa = doc.putObject('_root', 'vexa', {});
  const likes = doc.putObject(vexa, 'likes', {});
  const queue = doc.putObject(vexa, 'queue', {});
  const subscriptions = doc.putObject(vexa, 'subscriptions', {});
  const settings = doc.putObject(vexa, 'settings', {});
  const modes = doc.putObject(settings, 'sponsor_categories', {});
  for (let i = 0; i < 500; i++) doc.put(subscriptions, `UCbenchchannel${pad(i)}`, true);
  for (let i = 500; i < 800; i++) doc.put(likes, videoId(i), true);
  for (let i = 800; i < 1000; i++) doc.put(queue, videoId(i), true);
  for (const flag of flags) doc.put(settings, flag, flag !== 'autoplay');
  doc.put(settings, 'preferred_quality', '720p');
  for (const category of categories) doc.put(modes, category, category === 'intro' ? 'show' : 'skip');
  doc.commit('library', 1700000000);
  return { doc, likes };
}

const dir = process.argv[2] || require('os').tmpdir();
const { doc, likes } = libraryDocument();
// Each like starts from the same document (cloned untimed), as LibraryBench.cpp does.
function timedLike(iterations, withSave) {
  const samples = [];
  for (let i = 0; i < iterations; i++) {
    const copy = doc.clone();
    const start = process.hrtime.bigint();
    copy.put(likes, videoId(i % 1000), false);
    copy.commit('vexa.action', 1700000001);
    if (withSave) copy.save();
    samples.push(Number(process.hrtime.bigint() - start) / 1e3);
    copy.free();
  }
  return median(samples);
}
timedLike(200, true); // warm up
const dispatchSaveUs = timedLike(2000, true);
const putCommitUs = timedLike(2000, false);

const bytes = doc.save();
const target = path.join(dir, `library-reference-bench-${process.pid}.automerge`);
const writeUs = time(50, () => {
  const temporary = `${target}.tmp`;
  const fd = fs.openSync(temporary, 'w', 0o600);
  fs.writeSync(fd, bytes);
  fs.fsyncSync(fd);
  fs.closeSync(fd);
  fs.renameSync(temporary, target);
});
fs.rmSync(target, { force: true });

console.log(JSON.stringify({ dispatch_save_us: dispatchSaveUs, put_commit_us: putCommitUs, write_us: writeUs, saved_bytes: bytes.length }));
