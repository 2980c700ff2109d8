// Timing helpers shared by the benchmarks that run the reference in Node.
'use strict';

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

// Runs body(i) `iterations` times and answers the median run in units of `nanosPerUnit`
// (1e6 for milliseconds, 1e3 for microseconds).
function timeMedian(iterations, body, nanosPerUnit = 1e6) {
  const samples = [];
  for (let i = 0; i < iterations; i++) {
    const start = process.hrtime.bigint();
    body(i);
    samples.push(Number(process.hrtime.bigint() - start) / nanosPerUnit);
  }
  return median(samples);
}

module.exports = { median, timeMedian };
