// Makes the page one self-contained file, ldsgen.html: the styles, the page's script and the
// core with its worker inline, allowed by their hashes in the page's Content Security Policy.
// It works opened from a USB stick or an e-mail attachment, offline.
// Usage: node single.js SITE_DIR OUT
'use strict';
const crypto = require('crypto');
const fs = require('fs');
const path = require('path');
const [site, out] = process.argv.slice(2);
const read = (name) => fs.readFileSync(path.join(site, name), 'utf8');
const hash = (text) => `'sha256-${crypto.createHash('sha256').update(text).digest('base64')}'`;

const style = read('style.css');
const scripts = [read('worker-source.js'), read('app.js')];
let page = read('index.html');
page = page.replace('<link rel="stylesheet" href="style.css">', () => `<style>${style}</style>`);
page = page.replace('<script src="worker-source.js"></script>', () => `<script>${scripts[0]}</script>`);
page = page.replace('<script src="app.js"></script>', () => `<script>${scripts[1]}</script>`);
page = page.replace(/script-src 'self'/, () => `script-src ${scripts.map(hash).join(' ')}`);
page = page.replace(/style-src 'self'/, () => `style-src ${hash(style)}`);
for (const file of ['style.css', 'worker-source.js', 'app.js'])
  if (page.includes(`"${file}"`)) throw new Error(`${file} is still referenced`);
fs.writeFileSync(out, page);
