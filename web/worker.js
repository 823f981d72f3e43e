// The page's worker: ldsgen's core, compiled to WebAssembly, checks the answers, previews the
// script and its diagram, and writes whole scripts, off the page's own thread. This text runs
// after the core's loader (createLdsgen) in one blob, so the page also works from a folder; the
// WebAssembly comes with it, compressed.
// Every request is answered: with its result, with 'refused' when the answers are refused, or
// with 'failed' when the core fails.
'use strict';

let sink = null;  // where the core's blocks go while a script is written
let onHead = null;  // where a preview's first lines go, before the rest is counted and drawn
let onProgress = null;  // where a long preview says how far it has got
// The core's WebAssembly, inflated from the compressed text the page carries.
async function wasmBinary() {
  const packed = Uint8Array.from(atob(LDSGEN_WASM_GZ), (c) => c.charCodeAt(0));
  const inflated = new Blob([packed]).stream().pipeThrough(new DecompressionStream('gzip'));
  return new Uint8Array(await new Response(inflated).arrayBuffer());
}
const core = wasmBinary().then((binary) => createLdsgen({
  wasmBinary: binary,
  onBlock: (bytes) => sink(bytes),
  onHead: (text) => onHead(text),
  onProgress: (bytes) => onProgress(bytes),
})).then((m) => ({
  check: m.cwrap('ldsgen_check', 'string',
                 ['string', 'number', 'string', 'string', 'number', 'string']),
  preview: m.cwrap('ldsgen_preview', 'string', ['number']),
  write: m.cwrap('ldsgen_write', null, ['number']),
  writeLavaan: m.cwrap('ldsgen_write_lavaan', null, ['number']),
  inspect: m.cwrap('ldsgen_inspect', 'string', ['string', 'number']),
  dataBytes: m.cwrap('ldsgen_data_bytes', 'number', []),
  dynamics: m.cwrap('ldsgen_dynamics', 'string', ['string']),
  outputText: m.cwrap('ldsgen_output_text', null, ['string']),
  outputEnd: m.cwrap('ldsgen_output_end', 'string', []),
}));

// Reads an Mplus output a mebibyte at a time, so that one with long technical sections never
// sits in memory whole. A block is cut after its last line end, the rest going with the next.
async function readOutput(c, file) {
  const decoder = new TextDecoder();
  let carry = '';
  for (let at = 0; at < file.size; at += 1 << 20) {
    const text = carry + decoder.decode(await file.slice(at, at + (1 << 20)).arrayBuffer(),
                                        { stream: true });
    const cut = text.lastIndexOf('\n') + 1;
    c.outputText(text.slice(0, cut));
    carry = text.slice(cut);
  }
  c.outputText(carry + decoder.decode());
  return JSON.parse(c.outputEnd());
}

// Reads the beginning of a data file the user picked and checks it against the script of the
// answers last checked. The file never leaves the browser. The length of its first line, in
// bytes, lets the page save the file without it.
async function inspect(c, file) {
  const most = c.dataBytes();
  const bytes = new Uint8Array(await file.slice(0, most).arrayBuffer());
  const newline = bytes.indexOf(10);
  const text = new TextDecoder().decode(bytes);
  const inspected = JSON.parse(c.inspect(text, file.size <= most ? 1 : 0));
  inspected.headerBytes = newline < 0 ? bytes.length : newline + 1;
  return inspected;
}

// Blocks are gathered into blobs of a few megabytes, which the browser may keep on disk, so a
// script of hundreds of megabytes does not sit in the worker's memory twice. The type is one no
// browser maps to an ending of its own, so the file keeps the name the user gave.
function write(c, id, crlf, lavaan = false) {
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
      postMessage({ type: 'progress', id, bytes });
    }
  };
  (lavaan ? c.writeLavaan : c.write)(crlf ? 1 : 0);
  parts.push(new Blob(chunks));
  sink = null;
  return new Blob(parts, { type: 'application/octet-stream' });
}

onmessage = async (event) => {
  const { type, id, answers, crlf, file, values } = event.data;
  try {
    const c = await core;
    const checked = JSON.parse(c.check(answers.script, answers.model, answers.data,
                                       answers.occasions, crlf ? 1 : 0, answers.options));
    postMessage({ type: 'checked', id, checked });
    if (type === 'output') {
      postMessage({ type: 'done', id, checked, output: await readOutput(c, file) });
    } else if (type === 'dynamics') {
      postMessage({ type: 'done', id, checked, dynamics: JSON.parse(c.dynamics(values)) });
    } else if (type === 'inspect') {
      // A data file is checked against the model as far as the answers give it.
      postMessage({ type: 'done', id, checked, inspected: await inspect(c, file) });
    } else if (!checked.ok) {
      postMessage({ type: 'refused', id, checked });
    } else if (type === 'check') {
      postMessage({ type: 'done', id, checked });
    } else if (type === 'preview') {
      onHead = (head) => postMessage({ type: 'head', id, head });
      onProgress = (bytes) => postMessage({ type: 'progress', id, bytes });
      postMessage({ type: 'done', id, checked,
                    preview: JSON.parse(c.preview(answers.legend ? 1 : 0)) });
    } else if (type === 'write' || type === 'lavaan') {
      postMessage({ type: 'done', id, checked, blob: write(c, id, crlf, type === 'lavaan') });
    }
  } catch (e) {
    postMessage({ type: 'failed', id, error: String(e && e.message || e) });
  }
};
