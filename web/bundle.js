// Joins the core's loader and the worker into one script text that the page turns into a
// worker from a blob (a page opened from a folder may not load a worker from a file), and
// starts the first worker.
// Also puts the preview of the page's first answers into the page, worked out now by the core
// (PRERENDER), so that the page shows it as soon as it is read, as a static page would.
// The page's own scripts go without their comment lines and indentation: the page is weighed in
// bytes. (They hold no text that spans lines, which this would change.)
// Usage: node bundle.js LOADER WORKER OUT PRERENDER PAGE PAGE_OUT APP APP_OUT
'use strict';
const fs = require('fs');
const { execFileSync } = require('child_process');
const zlib = require('zlib');
const [loader, worker, out, prerender, page, pageOut, app, appOut] = process.argv.slice(2);
const lean = (file) => fs.readFileSync(file, 'utf8').split('\n').map((line) => line.trim())
    .filter((line) => line !== '' && !line.startsWith('//')).join('\n') + '\n';
fs.writeFileSync(appOut, lean(app));
// The WebAssembly beside the loader goes in compressed, as base64 text: the worker inflates it
// with the browser's own DecompressionStream. A third of the bytes of the base64 of it raw.
const wasm = fs.readFileSync(loader.replace(/\.js$/, '.wasm'));
const packed = zlib.gzipSync(wasm, { level: 9 }).toString('base64');
const text = `const LDSGEN_WASM_GZ = '${packed}';\n` + fs.readFileSync(loader, 'utf8') + '\n' +
             lean(worker);
// The page loads this in its head, so the first worker compiles the core while the rest of the
// page is read.
fs.writeFileSync(out, '// Generated from the core and web/worker.js.\n' +
                 'const LDSGEN_WORKER_URL = URL.createObjectURL(new Blob([' +
                 JSON.stringify(text) + '], { type: \'text/javascript\' }));\n' +
                 'const LDSGEN_FIRST_WORKER = new Worker(LDSGEN_WORKER_URL);\n');

// The first answers as the page's fields hold them.
let html = fs.readFileSync(page, 'utf8');
const value = (id) => html.match(new RegExp(`id="${id}"[^>]*value="([^"]*)"`))[1];
const model = html.match(/name="model" value="(\d)" checked/)[1];
const preview = JSON.parse(execFileSync(process.execPath,
                                        [prerender, model, value('data'), value('occasions')]));
const escape = (t) => t.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
const shown = preview.head.split('\n').length - 1;
if (shown > 300) throw new Error('the first answers make a script longer than the preview shows');
html = html.replace('aria-label="Script preview" elementtiming="ldsgen-preview"></pre>',
                    'aria-label="Script preview" elementtiming="ldsgen-preview" ' +
                    `data-lines="${preview.lines}" ` +
                    `data-bytes="${preview.bytes}">${escape(preview.head)}</pre>`)
           .replace('<p id="more" class="more"></p>',
                    `<p id="more" class="more">All ${shown} lines.</p>`)
           .replace('aria-label="Path diagram, scrollable"></div>',
                    'aria-label="Path diagram, scrollable">' +
                    preview.svg.replace(/^<\?xml[^>]*>\n/, '').replace('<svg ', '<svg role="img" ') +
                    '</div>');
fs.writeFileSync(pageOut, html);
