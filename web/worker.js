// The page's worker: ldsgen's core, compiled to WebAssembly, checks the answers, previews the
// script and its diagram, and writes whole scripts, off the page's own thread. This text runs
// after the core's loader (createLdsgen) in one blob, so the page also works from a folder.
'use strict';

let sink = null;  // where the core's blocks go while a script is written
let onHead = null;  // where a preview's first lines go, before the rest is counted and drawn
const core = createLdsgen({
  onBlock: (bytes) => sink(bytes),
  onHead: (text) => onHead(text),
}).then((m) => ({
  check: m.cwrap('ldsgen_check', 'string', ['string', 'number', 'string', 'string']),
  preview: m.cwrap('ldsgen_preview', 'string', []),
  write: m.cwrap('ldsgen_write', null, ['number']),
}));

function check(c, a) {
  return JSON.parse(c.check(a.script, a.model, a.data, a.occasions));
}

// Blocks are gathered into blobs of a few megabytes, which the browser may keep on disk, so a
// script of hundreds of megabytes does not sit in the worker's memory twice.
function write(c, crlf) {
  const parts = [];
  let chunks = [], pending = 0, bytes = 0, reported = 0;
  sink = (view) => {
    chunks.push(view.slice());
    pending += view.length;
    bytes += view.length;
    if (pending >= 8 << 20) {
      parts.push(new Blob(chunks));
      chunks = [];
      pending = 0;
    }
    if (bytes - reported >= 1 << 20) {
      reported = bytes;
      postMessage({ type: 'progress', bytes });
    }
  };
  c.write(crlf ? 1 : 0);
  parts.push(new Blob(chunks));
  sink = null;
  return new Blob(parts, { type: 'text/plain' });
}

onmessage = async (event) => {
  const { type, id, answers, crlf } = event.data;
  const c = await core;
  const checked = check(c, answers);
  if (type === 'preview') {
    postMessage({ type: 'checked', id, checked });
    if (!checked.ok) return;
    onHead = (head) => postMessage({ type: 'head', id, head });
    postMessage({ type: 'preview', id, preview: JSON.parse(c.preview()) });
  } else if (type === 'write' && checked.ok) {
    postMessage({ type: 'written', id, blob: write(c, crlf) });
  }
};
