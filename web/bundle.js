// Joins the core's loader and the worker into one script text that the page turns into a
// worker from a blob: a page opened from a folder may not load a worker from a file.
// Usage: node bundle.js LOADER WORKER OUT
'use strict';
const fs = require('fs');
const [loader, worker, out] = process.argv.slice(2);
const text = fs.readFileSync(loader, 'utf8') + '\n' + fs.readFileSync(worker, 'utf8');
fs.writeFileSync(out, '// Generated from the core and web/worker.js.\n' +
                 'const LDSGEN_WORKER_SOURCE = ' + JSON.stringify(text) + ';\n');
