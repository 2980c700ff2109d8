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

// The medians of a Google Benchmark JSON report written with repetitions and aggregates only:
// answers a lookup from a benchmark's run name to its median record (undefined when absent).
function cppMedians(jsonPath) {
  const report = JSON.parse(require('fs').readFileSync(jsonPath, 'utf8'));
  return (name) => report.benchmarks.find((b) => b.run_name === name && b.aggregate_name === 'median');
}

module.exports = { median, timeMedian, cppMedians };
