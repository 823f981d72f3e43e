// Joins the core's loader and the worker into one script text that the page turns into a
// worker from a blob (a page opened from a folder may not load a worker from a file), and
// starts the first worker.
// Usage: node bundle.js LOADER WORKER OUT
'use strict';
const fs = require('fs');
const [loader, worker, out] = process.argv.slice(2);
const text = fs.readFileSync(loader, 'utf8') + '\n' + fs.readFileSync(worker, 'utf8');
// The page loads this in its head, so the first worker compiles the core while the rest of the
// page is read.
fs.writeFileSync(out, '// Generated from the core and web/worker.js.\n' +
                 'const LDSGEN_WORKER_URL = URL.createObjectURL(new Blob([' +
                 JSON.stringify(text) + '], { type: \'text/javascript\' }));\n' +
                 'const LDSGEN_FIRST_WORKER = new Worker(LDSGEN_WORKER_URL);\n');
