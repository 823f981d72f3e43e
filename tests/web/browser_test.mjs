// The web page in a real browser (Debian's chromium, driven by playwright-core): its downloads
// must equal byte for byte what the console program writes for the same answers.
// Usage: node browser_test.mjs SITE_DIR LDSGEN GOLDEN_DIR OUT_DIR [--bench]
// Exit 77 (skipped) where chromium or playwright-core is missing.
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';

const [site, ldsgen, golden, out] = process.argv.slice(2).map((p) => path.resolve(p));
const bench = process.argv.includes('--bench');
const chromium = '/usr/bin/chromium';
let playwright;
try {
  playwright = await import('playwright-core');
} catch {
  console.log('skipped: run npm ci in tests/web for playwright-core');
  process.exit(77);
}
if (!fs.existsSync(chromium)) {
  console.log('skipped: the browser tests need Debian\'s chromium');
  process.exit(77);
}
fs.mkdirSync(out, { recursive: true });

let passed = 0, failed = 0;
function check(name, ok, why = '') {
  if (ok) {
    passed++;
    console.log(`ok: ${name}`);
  } else {
    failed++;
    console.log(`FAIL: ${name}${why ? ': ' + why : ''}`);
  }
}

// What the console program writes and says for the same answers.
function native(script, model, data, occasions, options = []) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'ldsgen-web-'));
  const answers = `${script}\n${model}\n${data}\n${occasions}\n`;
  const run = spawnSync(ldsgen, options,
                        { cwd: dir, input: answers, stdio: ['pipe', 'ignore', 'pipe'] });
  // The line that says what was written is the console's own.
  const stderr = run.stderr.toString().split('\n').filter((l) => !l.startsWith('ldsgen: wrote '))
                     .join('\n');
  const name = script.startsWith('"') ? script.slice(1, -1) : script;
  const file = path.join(dir, name);
  const result = { text: fs.existsSync(file) ? fs.readFileSync(file) : null, stderr };
  fs.rmSync(dir, { recursive: true, force: true });
  return result;
}

function nativeErrors(script, model, data, occasions) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'ldsgen-web-'));
  const r = execFileSync('bash', ['-c', `"$0" 2>&1 >/dev/null || true`, ldsgen],
                         { cwd: dir, input: `${script}\n${model}\n${data}\n${occasions}\n` });
  fs.rmSync(dir, { recursive: true, force: true });
  return r.toString();
}

const server = http.createServer((req, res) => {
  const file = path.join(site, decodeURIComponent(new URL(req.url, 'http://x').pathname));
  if (!file.startsWith(site) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
    res.writeHead(404).end();
    return;
  }
  const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css' };
  res.writeHead(200, { 'content-type': types[path.extname(file)] || 'application/octet-stream' });
  fs.createReadStream(file).pipe(res);
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const url = `http://127.0.0.1:${server.address().port}/index.html`;

const browser = await playwright.chromium.launch({
  executablePath: chromium,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-quic',
         '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
const context = await browser.newContext({ acceptDownloads: true });
// The page must fetch nothing but its own files.
const foreign = [];
const ownFolders = ['file://' + site + '/'];
context.on('request', (r) => {
  const own = [url.replace('index.html', ''), ...ownFolders, 'blob:', 'data:'];
  if (!own.some((prefix) => r.url().startsWith(prefix)))
    foreign.push(r.url());
});

async function openPage(address = url) {
  const page = await context.newPage();
  const t0 = Date.now();
  await page.goto(address);
  await page.waitForFunction(() => document.getElementById('preview').textContent.length > 0 &&
                                   performance.getEntriesByName('ldsgen-first-preview').length > 0);
  const firstPreview = await page.evaluate(
      () => performance.getEntriesByName('ldsgen-first-preview')[0].startTime);
  return { page, firstPreview: Math.round(firstPreview), wall: Date.now() - t0 };
}

async function fill(page, script, model, data, occasions, eol = 'lf') {
  await page.fill('#script', script);
  await page.check(`input[name=model][value="${model}"]`);
  await page.fill('#data', data);
  await page.selectOption('#eol', eol);
  await page.fill('#occasions', String(occasions));
  // The answers are checked by the worker: wait until what is shown is for these answers.
  await page.waitForTimeout(150);
  await page.waitForFunction(() => /^(All|The first|No script)/.test(
      document.getElementById('more').textContent), null, { timeout: 60000 });
}

async function download(page, timeout = 60000) {
  const [d] = await Promise.all([page.waitForEvent('download', { timeout }),
                                 page.click('#download')]);
  return { name: d.suggestedFilename(), bytes: fs.readFileSync(await d.path()) };
}

const { page, firstPreview } = await openPage();

// Keystroke to preview at small counts, measured in the page itself.
const keystroke = [];
const timed = (await openPage()).page;
for (const n of [5, 50, 1000]) {
  await fill(timed, 't.inp', 1, 'd.dat', n);
  const times = [];
  for (let i = 0; i < 5; ++i) {
    const data = `d${i}.dat`;
    times.push(await timed.evaluate(async (data) => {
      const input = document.getElementById('data');
      const t0 = performance.now();
      input.value = data;
      input.dispatchEvent(new Event('input', { bubbles: true }));
      // Watched as the page changes, not polled, so the time is the page's own.
      await new Promise((resolve) => {
        const seen = () => document.getElementById('preview').textContent.includes(data) &&
                           /^(All|The first)/.test(document.getElementById('more').textContent);
        const watch = new MutationObserver(() => {
          if (seen()) {
            watch.disconnect();
            resolve();
          }
        });
        watch.observe(document.body, { subtree: true, childList: true, characterData: true });
      });
      return performance.now() - t0;
    }, data));
  }
  times.sort((a, b) => a - b);
  keystroke.push(`N = ${n}: ${Math.round(times[2])} ms`);
}
await timed.close();

// Downloads equal the console's scripts, byte for byte.
const longWindows = 'C:\\Users\\someone\\Documents\\Research\\LongitudinalStudy2024\\cleaned_data\\' +
                    'wave_all_participants.dat';
const cases = [
  ['s0.inp', 0, 'd.dat', 2], ['s1.inp', 1, 'd.dat', 2], ['u3.inp', 0, 'd.dat', 3],
  ['b3.inp', 1, 'd.dat', 3], ['u30.inp', 0, 'data.dat', 30], ['b30.inp', 1, 'data.dat', 30],
  ['u1000.inp', 0, 'd.dat', 1000], ['b1000.inp', 1, 'd.dat', 1000],
  ['long.inp', 1, longWindows, 4], ['"my script.inp"', 0, '"C:\\My Data\\wave.dat"', 4],
];
for (const [script, model, data, n] of cases) {
  await fill(page, script, model, data, n);
  const got = await download(page);
  const want = native(script, model, data, n);
  check(`download ${script} ${model} ${data} ${n}`,
        want.text !== null && Buffer.compare(got.bytes, want.text) === 0 &&
        got.name === script.replace(/"/g, ''),
        `${got.name}: ${got.bytes.length} bytes, native ${want.text && want.text.length}`);
}
await fill(page, 'w.inp', 1, 'd.dat', 5, 'crlf');
{
  const got = await download(page);
  const want = native('w.inp', 1, 'd.dat', 5).text.toString().replace(/\n/g, '\r\n');
  check('CR LF line ends', got.bytes.toString() === want);
}

// Copy puts the whole script on the clipboard. (Headless Chromium's clipboard keeps nothing, so
// the test takes what the page hands to it.)
{
  await page.evaluate(() => {
    navigator.clipboard.writeText = async (text) => { window.copiedForTest = text; };
  });
  await fill(page, 'c.inp', 1, 'd.dat', 400);
  await page.click('#copy');
  await page.waitForFunction(() => document.getElementById('status').textContent ===
                                   'The script is copied.');
  const copied = await page.evaluate(() => window.copiedForTest || '');
  const want = native('c.inp', 1, 'd.dat', 400).text.toString();
  check('copy', copied === want, `${copied.length} characters copied, ${want.length} written;` +
        ` ${JSON.stringify(copied.slice(0, 80))}`);
}

// Bad answers: the console's refusals, and no download.
const bad = [
  ['""', 0, 'd.dat', 4, 'script'], ['s.inp', 0, 'd.dat', 1, 'occasions'],
  ['s.inp', 0, 'd.dat', 'many', 'occasions'], ['s.inp', 1, '""', 4, 'data'],
  ['s.inp', 0, 'a'.repeat(4097), 4, 'data'],
];
for (const [script, model, data, n, field] of bad) {
  await fill(page, script, model, data, n);
  const shown = await page.textContent(`#${field}-problem`);
  const console_ = nativeErrors(script, model, data, n).split('\n')[0].replace(/^ldsgen: /, '');
  let downloaded = false;
  page.once('download', () => { downloaded = true; });
  await page.click('#download', { force: true });  // offered as unavailable, but clickable
  await page.waitForTimeout(500);
  check(`refused ${field}: ${String(script).slice(0, 20)} ${String(data).slice(0, 20)} ${n}`,
        shown === console_ && !downloaded, `page '${shown}', console '${console_}'`);
}
await fill(page, 's.inp', 1, 'C:\\data!v2\\d.dat', 3);
{
  const warnings = await page.$$eval('#warnings li', (l) => l.map((e) => e.textContent));
  const console_ = native('s.inp', 1, 'C:\\data!v2\\d.dat', 3).stderr.trim().split('\n')
                       .map((l) => l.replace(/^ldsgen: warning: /, ''));
  check('warnings as on the console', JSON.stringify(warnings) === JSON.stringify(console_),
        JSON.stringify(warnings));
  await page.screenshot({ path: path.join(out, 'warnings.png') });
  await fill(page, 'my model.inp', 1, 'd.dat', 1);
  await page.screenshot({ path: path.join(out, 'refused.png') });
}

// The diagram follows the answers and equals the reviewed golden.
for (const [model, name] of [[0, 'univariate_3.svg'], [1, 'bivariate_3.svg']]) {
  await fill(page, 'd.inp', model, 'd.dat', 3);
  const [d] = await Promise.all([page.waitForEvent('download'), page.click('#download-svg')]);
  const svg = fs.readFileSync(await d.path(), 'utf8');
  const shown = await page.$eval('#diagram svg title', (t) => t.textContent);
  check(`diagram ${name}`, svg === fs.readFileSync(path.join(golden, name), 'utf8') &&
        d.suggestedFilename() === 'd.svg' && shown.includes(`${model ? 'bivariate' : 'univariate'}`));
}

// Keyboard only: Tab to each control, type, and Enter on the download.
{
  const k = (await openPage()).page;
  await k.keyboard.press('Tab');
  await k.keyboard.press('Control+A');
  await k.keyboard.type('keys.inp');
  await k.keyboard.press('Tab');        // the model: arrow keys choose
  await k.keyboard.press('ArrowDown');  // bivariate
  await k.keyboard.press('Tab');
  await k.keyboard.press('Control+A');
  await k.keyboard.type('k.dat');
  await k.keyboard.press('Tab');
  await k.keyboard.press('Control+A');
  await k.keyboard.type('5');
  await k.keyboard.press('Tab');        // line ends
  await k.keyboard.press('Tab');        // the model options, folded
  await k.keyboard.press('Tab');        // the data file's check, folded
  await k.keyboard.press('Tab');        // the download button
  await k.waitForTimeout(400);
  const [d] = await Promise.all([k.waitForEvent('download'), k.keyboard.press('Enter')]);
  const got = fs.readFileSync(await d.path());
  const want = native('keys.inp', 1, 'k.dat', 5).text;
  check('keyboard only', d.suggestedFilename() === 'keys.inp' &&
        Buffer.compare(got.toString().includes('\r\n') ? Buffer.from(got.toString()
            .replace(/\r\n/g, '\n')) : got, want) === 0);
  await k.close();
}

// A large script: complete and identical, and the page answers a click while it is written.
let largeSeconds = 0;
{
  await fill(page, 'big.inp', 1, 'd.dat', 100000);
  const t0 = Date.now();
  let downloadedAt = 0;
  const pending = Promise.all([page.waitForEvent('download', { timeout: 120000 }),
                               page.click('#download')]).then((r) => {
    downloadedAt = Date.now();
    return r;
  });
  await page.waitForTimeout(50);
  const c0 = Date.now();
  await page.click('input[name=model][value="0"]');
  const clickedAt = Date.now();
  const [[d]] = [await pending];
  largeSeconds = (Date.now() - t0) / 1000;
  const got = fs.readFileSync(await d.path());
  const want = native('big.inp', 1, 'd.dat', 100000).text;
  check(`bivariate N = 100,000 (${got.length} bytes, ${largeSeconds.toFixed(2)} s)`,
        Buffer.compare(got, want) === 0);
  // Not a timing bound: the click must be handled while the script is still being written.
  check(`the page answered a click while writing (in ${clickedAt - c0} ms)`,
        clickedAt < downloadedAt && await page.isChecked('input[name=model][value="0"]'));
}

// Every action takes the answers as they stand when it is used, never earlier ones.
const previewOf = (page, text) => page.waitForFunction(
    (t) => document.getElementById('preview').textContent.includes(t) &&
           /^(All|The first)/.test(document.getElementById('more').textContent), text,
    { timeout: 60000 });
{
  await fill(page, 'good.inp', 0, 'd.dat', 4);
  await page.fill('#script', 'renamed.inp');
  await page.fill('#occasions', '5');
  const [d] = await Promise.all([page.waitForEvent('download'), page.press('#occasions', 'Enter')]);
  const got = fs.readFileSync(await d.path());
  check('Enter at once after a change saves the new name with the new content',
        d.suggestedFilename() === 'renamed.inp' &&
        Buffer.compare(got, native('renamed.inp', 0, 'd.dat', 5).text) === 0,
        d.suggestedFilename());
  check('the status says where the browser saved it',
        await page.textContent('#status') ===
            `Saved to your downloads folder as renamed.inp (${got.length.toLocaleString('en')} bytes).`,
        await page.textContent('#status'));

  // A count made too large by one more digit, and Enter at once: refused, never a hang.
  await fill(page, 'good.inp', 1, 'd.dat', 100000);
  await page.fill('#occasions', '1000000');
  await page.type('#occasions', '0');
  await page.press('#occasions', 'Enter');
  await page.waitForFunction(() => document.getElementById('status').textContent.startsWith(
      'Nothing to save'), null, { timeout: 30000 });
  check('Enter on a count just made too large is refused, and the progress bar ends',
        await page.isHidden('#progress-box') &&
        (await page.textContent('#occasions-problem')).startsWith('the page writes scripts of up to'));

  await fill(page, 'd.inp', 0, 'd.dat', 4);
  await page.fill('#occasions', '1000000');
  const [svgDownload] = await Promise.all([page.waitForEvent('download', { timeout: 120000 }),
                                           page.click('#download-svg')]);
  const svg = fs.readFileSync(await svgDownload.path(), 'utf8');
  check('Download SVG right after a change draws the new answers',
        svg.includes('1000000 occasions</title>'), svg.slice(0, 400));

  await page.evaluate(() => { window.copiedForTest = undefined; });
  await fill(page, 'c.inp', 0, 'd.dat', 4);
  await page.check('input[name=model][value="1"]');
  await page.fill('#occasions', '1000000');
  await page.click('#copy');
  await page.waitForFunction(() => document.getElementById('status').textContent.includes('too large'));
  check('Copy while counting respects the size limit',
        await page.evaluate(() => window.copiedForTest === undefined));

  // The suggested names: the last part of the answer, exactly, with no ending added.
  for (const [answer, name] of [['noext', 'noext'], ['"model 1.inp"', 'model 1.inp'],
                                ['C:\\a\\b.inp', 'b.inp']]) {
    await fill(page, answer, 0, 'd.dat', 3);
    const [n] = await Promise.all([page.waitForEvent('download'), page.click('#download')]);
    check(`${answer} is saved as ${name}`, n.suggestedFilename() === name, n.suggestedFilename());
  }
  for (const answer of ['.', '..', 'dir/', 'sub\\']) {
    await fill(page, answer, 0, 'd.dat', 3);
    const shown = await page.textContent('#script-problem');
    const console_ = nativeErrors(answer, 0, 'd.dat', 3).split('\n')[0].replace(/^ldsgen: /, '');
    check(`${answer} is refused as on the console`, shown === console_ && shown.includes('folder'),
          `page '${shown}', console '${console_}'`);
  }

  // A worker that dies mid-request leaves a usable page.
  await fill(page, 'k.inp', 1, 'd.dat', 4);
  await page.fill('#occasions', '1000000');
  await page.waitForTimeout(100);
  await page.evaluate(() => window.ldsgenStopPreviewWorker());
  await page.fill('#occasions', '6');
  await previewOf(page, 'ly6 by y6 @1;');
  const [k] = await Promise.all([page.waitForEvent('download'), page.click('#download')]);
  check('a worker killed mid-request leaves a usable page',
        Buffer.compare(fs.readFileSync(await k.path()), native('k.inp', 1, 'd.dat', 6).text) === 0);
}

// No queue: 20 keystrokes 130 ms apart on bivariate 50,000 end in the final preview alone.
let afterLastKey = 0;
{
  await fill(page, 'q.inp', 1, 'd', 50000);
  for (let i = 0; i < 20; ++i) {
    await page.type('#data', String(i % 10));
    await page.waitForTimeout(130);
  }
  const data = await page.inputValue('#data');
  const t0 = Date.now();
  await previewOf(page, `DATA: FILE IS ${data};`);
  afterLastKey = Date.now() - t0 + 130;
  check(`after 20 keystrokes the final preview shows (${afterLastKey} ms after the last key)`, true);
}

// Opened straight from disk.
{
  const { page: f } = await openPage('file://' + path.join(site, 'index.html'));
  const text = await f.textContent('#preview');
  check('works from file://', text.startsWith('!*********'));
  await f.close();
}

// The page in one file works on its own, opened from disk, as from a USB stick.
{
  const alone = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'ldsgen-one-')), 'ldsgen.html');
  fs.copyFileSync(path.join(site, 'ldsgen.html'), alone);
  ownFolders.push('file://' + path.dirname(alone) + '/');
  const { page: o } = await openPage('file://' + alone);
  const blocked = [];
  o.on('console', (m) => { if (/Content Security Policy/.test(m.text())) blocked.push(m.text()); });
  await fill(o, 'one.inp', 1, 'd.dat', 4);
  const got = await download(o);
  check('ldsgen.html works on its own', blocked.length === 0 &&
        Buffer.compare(got.bytes, native('one.inp', 1, 'd.dat', 4).text) === 0, blocked.join(' '));
  await o.close();
}

// The first preview against the same page as static HTML with the script already in it (and no
// scripts at all): the cost of starting the core, median of 7 each, opened from disk. Both are
// timed to the paint of the script text (Element Timing).
let startRatio = '';
{
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'ldsgen-static-'));
  const script = native('model.inp', 0, 'data.dat', 4).text.toString()
                     .replace(/&/g, '&amp;').replace(/</g, '&lt;');
  // The built page holds its first preview already: without its scripts it is that page.
  const html = fs.readFileSync(path.join(site, 'index.html'), 'utf8')
                   .replace(/<script[^>]*><\/script>\n/g, '');
  check('the page comes with the preview of its first answers', html.includes(script));
  fs.writeFileSync(path.join(dir, 'index.html'), html);
  fs.copyFileSync(path.join(site, 'style.css'), path.join(dir, 'style.css'));
  ownFolders.push('file://' + dir + '/');
  const median = (xs) => xs.sort((a, b) => a - b)[Math.floor(xs.length / 2)];
  const live = [], still = [];
  for (let i = 0; i < 7; ++i) {
    const p = await context.newPage();
    await p.goto('file://' + path.join(dir, 'index.html'));
    // When the script text was painted (Element Timing), as the live page measures its own.
    still.push(await p.evaluate(() => new Promise((resolve) => {
      new PerformanceObserver((list) => {
        const shown = list.getEntries().find((e) => e.identifier === 'ldsgen-preview');
        if (shown) resolve(shown.renderTime);
      }).observe({ type: 'element', buffered: true });
    })));
    await p.close();
    const q = (await openPage('file://' + path.join(site, 'index.html'))).page;
    live.push(await q.evaluate(
        () => performance.getEntriesByName('ldsgen-first-preview')[0].startTime));
    await q.close();
  }
  startRatio = `first preview ${Math.round(median(live))} ms against ${Math.round(median(still))} ` +
               `ms for the static page (${(median(live) / median(still)).toFixed(1)} times)`;
}

// The model options, found by their labels: the script is the console's with the same options.
{
  await fill(page, 'opts.inp', 1, 'd.dat', 4);
  await page.getByText('Model options').click();
  await page.getByLabel('Name of the first variable').fill('anx');
  await page.getByLabel('Name of the second variable (bivariate)').fill('dep');
  await page.getByLabel('Change of the second variable (bivariate)').selectOption('proportional');
  await page.getByLabel('Coupling (bivariate)').selectOption('y-to-x');
  await page.getByLabel('Starting values').fill('3=0.1 1=-0.2');
  await previewOf(page, 'ddep1 on lanx1*0.1(3);');
  const got = await download(page);
  const want = native('opts.inp', 1, 'd.dat', 4, ['--y-name=anx', '--x-name=dep',
      '--x-change=proportional', '--coupling=y-to-x', '--start=3=0.1', '--start=1=-0.2']);
  check('the model options write the console\'s script for the same options',
        Buffer.compare(got.bytes, want.text) === 0, got.bytes.toString().slice(0, 200));
  check('the diagram names the chosen variables',
        (await page.textContent('#diagram')).includes('ldep1'));

  await page.getByLabel('Starting values').fill('4=1');
  await page.waitForFunction(() => document.getElementById('options-problem').textContent !== '');
  check('a starting value for a label the model lacks is refused where it was typed',
        (await page.textContent('#options-problem')).startsWith('the model has no label 4') &&
        await page.getAttribute('#download', 'aria-disabled') === 'true',
        await page.textContent('#options-problem'));
  await page.getByLabel('Starting values').fill('');

  await page.getByLabel('Legend under the diagram').uncheck();
  await page.waitForFunction(() => !document.querySelector('#diagram .legend') &&
      /^(All|The first)/.test(document.getElementById('more').textContent));
  check('the legend can be left out of the diagram',
        (await page.$$('#diagram text.label')).length > 10);
  await page.getByLabel('Legend under the diagram').check();
  for (const [label, usual] of [['Name of the first variable', 'y'],
                                ['Name of the second variable (bivariate)', 'x']]) {
    await page.getByLabel(label).fill(usual);
  }
  await page.getByLabel('Change of the second variable (bivariate)').selectOption('dual');
  await page.getByLabel('Coupling (bivariate)').selectOption('both');
  await page.getByText('Model options').click();

  // The same answers for R: the console's --lavaan file, named as the script with .R.
  await fill(page, 'twin.inp', 1, 'd.dat', 4);
  const [r] = await Promise.all([page.waitForEvent('download'),
                                 page.getByRole('button', { name: 'Download R script' }).click()]);
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'ldsgen-web-'));
  spawnSync(ldsgen, ['-q', '-m', 'bi', '-d', 'd.dat', '-n', '4', '--lavaan=twin.R', 'twin.inp'],
            { cwd: dir });
  check('Download R script saves the console\'s R script, as twin.R',
        r.suggestedFilename() === 'twin.R' &&
        Buffer.compare(fs.readFileSync(await r.path()),
                       fs.readFileSync(path.join(dir, 'twin.R'))) === 0, r.suggestedFilename());
  fs.rmSync(dir, { recursive: true, force: true });
}

// The data file: picked, shown as a table with a role per column, its mapping used; the script
// is the console's with the same --columns, --id and --missing.
{
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'ldsgen-web-'));
  const file = path.join(dir, 'waves.csv');
  const body = '1,10.1,11.2,-999,12.9,34\n2,9.7,10.8,11.5,-999,41\n3,10.4,-999,11.9,12.7,29\n';
  fs.writeFileSync(file, 'ID,y1,y2,y3,y4,age at start\n' + body);
  await fill(page, 'mapped.inp', 0, 'waves.csv', 4);
  await page.getByText('Check your data file (it stays on this computer)').click();
  await page.getByLabel('Data file to check').setInputFiles(file);
  await page.waitForFunction(() => !document.getElementById('data-found').hidden);
  const roles = [];
  for (let k = 1; k <= 6; ++k) {
    roles.push(`${await page.getByLabel(`Role of column ${k}`).inputValue()}:` +
               `${await page.getByLabel(`Name of column ${k}`).inputValue()}`);
  }
  check('a header and an ID column are shown as a table with a role and a name per column',
        roles.join(' ') === 'id:ID y1:y1 y2:y2 y3:y3 y4:y4 unused:ageatsta' &&
        (await page.$$('#data-table tbody tr')).length === 4, roles.join(' '));
  const warned = await page.textContent('#data-warnings');
  check('the header line is warned of, and -999 proposed as the missing-value code',
        warned.includes('a header line') &&
        await page.getByLabel('Missing-value code in the file').inputValue() === '-999', warned);
  const [stripped] = await Promise.all([
      page.waitForEvent('download'),
      page.getByRole('button', { name: 'Download without the header line' }).click()]);
  check('Download without the header line saves the file from its second line',
        fs.readFileSync(await stripped.path(), 'utf8') === body);
  await page.getByLabel('Name of column 6').fill('age');
  await page.getByRole('button', { name: 'Use these columns' }).click();
  await previewOf(page, 'IDVARIABLE=ID;');
  const got = await download(page);
  const want = native('mapped.inp', 0, 'waves.csv', 4,
                      ['--columns=ID y1 y2 y3 y4 age', '--id=ID', '--missing=-999']);
  check('the mapped script is the console\'s with the same --columns, --id and --missing',
        Buffer.compare(got.bytes, want.text) === 0, got.bytes.toString().slice(0, 400));
  await page.waitForFunction(() => !document.getElementById('data-warnings').textContent
                                       .includes('the script names'));
  await page.screenshot({ path: path.join(out, 'data-file.png'), fullPage: true });
  await page.getByText('Model options').click();
  for (const id of ['columns', 'id-column']) await page.fill(`#${id}`, '');
  await page.fill('#missing', '.');
  await page.getByText('Model options').click();
  await page.getByText('Check your data file (it stays on this computer)').click();
  fs.rmSync(dir, { recursive: true, force: true });
}

// Dynamics: values typed in fields found by their labels draw the figure; an Mplus output then
// sets the answers to its model, fills the values, and the figure and the table are the
// console's for the same output.
{
  await fill(page, 'dyn.inp', 0, 'd.dat', 6);
  await page.getByText('What the model says about change').click();
  await page.getByLabel('The mean of the initial level of y').fill('10');
  await page.getByLabel('The mean of the slope of y').fill('2');
  await page.getByLabel('The proportional change of y').fill('-0.2');
  await page.waitForFunction(() => document.querySelector('#dynamics-figure svg') &&
      document.getElementById('dynamics-regime').textContent.includes('equilibrium at 10'));
  check('typed values draw the expected trajectory and say where it settles',
        (await page.textContent('#dynamics-regime')).includes('moves towards it steadily') &&
        (await page.$$('#dynamics-figure path.mean')).length === 1);
  const [typedCsv] = await Promise.all([
      page.waitForEvent('download'),
      page.getByRole('button', { name: 'Download table (CSV)' }).click()]);
  const csv = fs.readFileSync(await typedCsv.path(), 'utf8');
  check('the typed values\' table has a row for each occasion, without bands',
        typedCsv.suggestedFilename() === 'dyn-dynamics.csv' &&
        csv.startsWith('occasion,y,y_lower,y_upper\n1,10,,\n2,10,,\n') &&
        csv.split('\n').length === 8, csv);

  await page.getByLabel('Mplus output file (.out) of this script').setInputFiles(
      path.join(golden, 'bivariate_5.out'));
  await page.waitForFunction(() => document.querySelectorAll('#dynamics-figure path.mean').length
                                   === 3 && document.getElementById('occasions').value === '5');
  await page.waitForFunction(() => document.querySelectorAll('#dynamics-figure path.band')
                                   .length === 2);
  check('the output sets the answers to its model and says what it read',
        await page.isChecked('input[name=model][value="1"]') &&
        (await page.textContent('#dynamics-read')).includes('the coupling from y to x') &&
        await page.getByLabel('The coupling from x to y').inputValue() === '0.115');
  const saved = {};
  for (const [button, kind] of [['Download figure (SVG)', 'svg'], ['Download table (CSV)', 'csv']]) {
    const [d] = await Promise.all([page.waitForEvent('download'),
                                   page.getByRole('button', { name: button }).click()]);
    saved[kind] = fs.readFileSync(await d.path(), 'utf8');
  }
  check('both figures and the table are the console\'s for the same output',
        saved.svg === fs.readFileSync(path.join(golden, 'bivariate_5_dynamics.svg'), 'utf8') &&
        saved.csv === fs.readFileSync(path.join(golden, 'bivariate_5.csv'), 'utf8') &&
        saved.svg.includes('vector field'), saved.csv);
  await page.setViewportSize({ width: 1280, height: 900 });
  await page.screenshot({ path: path.join(out, 'dynamics.png'), fullPage: true });
  await page.getByText('What the model says about change').click();
}

// Screenshots for review, at a desktop's and a phone's width.
for (const [model, name] of [[0, 'univariate'], [1, 'bivariate']]) {
  await page.setViewportSize({ width: 1280, height: 900 });
  await fill(page, 'model.inp', model, 'data.dat', 4);
  await page.screenshot({ path: path.join(out, `desktop-${name}.png`), fullPage: true });
  await page.setViewportSize({ width: 390, height: 844 });
  await page.screenshot({ path: path.join(out, `phone-${name}.png`), fullPage: true });
}
{
  // 200% zoom: a desktop window's CSS pixels halved, every pixel drawn twice.
  const zoomed = await browser.newContext({ viewport: { width: 640, height: 450 },
                                            deviceScaleFactor: 2 });
  const z = await zoomed.newPage();
  await z.goto(url);
  await z.waitForFunction(() => document.getElementById('preview').textContent.length > 0);
  await z.screenshot({ path: path.join(out, 'zoom200.png') });
  const wide = await z.evaluate(() => document.documentElement.scrollWidth - innerWidth);
  check(`no sideways scrolling at 200% zoom (${wide} px)`, wide <= 0);
  await zoomed.close();
}
const overflow = await page.evaluate(() => document.documentElement.scrollWidth - innerWidth);
check(`no sideways scrolling at a phone's width (${overflow} px)`, overflow <= 0);

check('nothing fetched from elsewhere', foreign.length === 0, foreign.join(' '));

const weight = fs.readdirSync(site).filter((f) => f !== 'ldsgen.html')
                   .reduce((n, f) => n + fs.statSync(path.join(site, f)).size, 0);
const oneFile = fs.statSync(path.join(site, 'ldsgen.html')).size;
console.log(`measured: page weight ${(weight / 1024).toFixed(0)} KiB (in one file ` +
            `${(oneFile / 1024).toFixed(0)} KiB), first preview ` +
            `${firstPreview} ms after navigation, bivariate N = 100,000 written in ` +
            `${largeSeconds.toFixed(2)} s`);
console.log(`measured: ${startRatio}`);
console.log(`measured: keystroke to preview (median of 5) ${keystroke.join(', ')}; final ` +
            `preview ${afterLastKey} ms after the last of 20 keystrokes at bivariate 50,000`);
await browser.close();
server.close();
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
