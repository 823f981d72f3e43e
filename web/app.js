// The page: it asks, shows and saves. Every rule about answers and scripts is the core's,
// which runs in workers; this sends them the answers as they stand and shows what they say.
'use strict';

const $ = (id) => document.getElementById(id);
const form = $('answers');
const fields = ['script', 'data', 'occasions', 'options'];
const workerUrl = LDSGEN_WORKER_URL;

// A worker that sends nothing for this long has stopped answering and is replaced. A long
// preview or download says how far it has got every few megabytes, far more often than this.
const kSilence = 20000;
const kCopyLimit = 20e6;

// Workers start with the page and compile the core at once; one is kept ready, so that new
// answers never wait for work on older ones: that work is stopped and the ready one takes over.
let spare = LDSGEN_FIRST_WORKER;  // started in the page's head
function takeWorker() {
  const w = spare || new Worker(workerUrl);
  spare = null;
  // The next one starts a moment later, so that it does not slow this one's start: the two
  // would share the machine's cores while the core compiles.
  setTimeout(() => { if (!spare) spare = new Worker(workerUrl); }, 200);
  return w;
}

let lastId = 0;
// Sends one request and settles when it is answered: with the final message, or with an error
// when the worker fails or stops answering. `onEvent` hears the messages on the way.
function call(worker, type, answers, crlf, onEvent = () => {}, extra = {}) {
  const id = ++lastId;
  let timer = 0, settle = null, fail = null, settled = false;
  const promise = new Promise((resolve, reject) => {
    fail = reject;
    const watch = () => {
      clearTimeout(timer);
      timer = setTimeout(() => settle(reject, new Error('the page\'s worker stopped answering')),
                         kSilence);
    };
    settle = (how, value) => {
      if (settled) return;
      settled = true;
      clearTimeout(timer);
      worker.onmessage = null;
      worker.onerror = null;
      how(value);
    };
    worker.onmessage = (e) => {
      const m = e.data;
      if (m.id !== id) return;
      watch();
      if (m.type === 'done' || m.type === 'refused') settle(resolve, m);
      else if (m.type === 'failed') settle(reject, new Error(m.error));
      else onEvent(m);
    };
    worker.onerror = (e) => {
      e.preventDefault();
      settle(reject, new Error(e.message || 'the page\'s worker failed'));
    };
    watch();
    worker.postMessage({ type, id, answers, crlf, ...extra });
  });
  return { promise, cancel: () => settle(fail, new Error('superseded')) };
}

// The model options by the console's names, NAME=VALUE, one to a line; a name is given only where
// it is not the usual one, and each starting value is one option.
function modelOptions() {
  const options = [];
  for (const [id, usual] of [['y-name', 'y'], ['x-name', 'x']]) {
    if ($(id).value !== usual) options.push(`${id}=${$(id).value}`);
  }
  for (const id of ['y-change', 'x-change', 'coupling']) options.push(`${id}=${$(id).value}`);
  for (const start of $('starts').value.split(/\s+/)) {
    if (start !== '') options.push(`start=${start}`);
  }
  // The data file's columns, as "Use these columns" or the user gives them.
  const columns = $('columns').value.trim();
  if (columns !== '') options.push(`columns=${columns}`);
  if ($('id-column').value.trim() !== '') options.push(`id=${$('id-column').value.trim()}`);
  if ($('missing').value.trim() !== '.') options.push(`missing=${$('missing').value.trim()}`);
  return options.join('\n');
}

function answers() {
  return {
    script: $('script').value,
    model: Number(form.elements.model.value),
    data: $('data').value,
    occasions: $('occasions').value,
    options: modelOptions(),
    legend: $('legend').checked,
  };
}
const sameAnswers = (a, b) => a && b && a.script === b.script && a.model === b.model &&
                              a.data === b.data && a.occasions === b.occasions &&
                              a.options === b.options && a.legend === b.legend;
const crlf = () => $('eol').value === 'crlf';

// Mplus runs on Windows: scripts get CR LF there unless the user chooses otherwise.
const onWindows = /Win/.test(navigator.userAgentData ? navigator.userAgentData.platform
                                                     : navigator.platform);
$('eol').value = onWindows ? 'crlf' : 'lf';

function setDisabled(button, disabled) {
  button.setAttribute('aria-disabled', String(disabled));
}

function showChecked(c) {
  for (const f of fields) {
    $(f + '-problem').textContent = c[f];
    if ($(f)) $(f).setAttribute('aria-invalid', String(c[f] !== ''));
  }
  $('warnings').replaceChildren(...c.warnings.map((w) => {
    const li = document.createElement('li');
    li.textContent = w;
    return li;
  }));
  if (c.options) $('model-options').open = true;  // a refused option is seen where it is
  for (const b of ['download', 'copy', 'download-svg', 'download-r']) setDisabled($(b), !c.ok);
  if (!c.ok) {
    preview = null;
    $('preview').textContent = '';
    $('more').textContent = 'No script: see what is refused in your answers.';
    $('diagram').replaceChildren();
  }
}

// ---- The preview: always of the answers as they stand --------------------------------------

let preview = null;  // the last preview shown, with the answers it is of
let previewWorker = null, previewCall = null;

function showPreview(p, of) {
  if (!preview) performance.mark('ldsgen-first-preview');  // read by the benchmark
  preview = { ...p, answers: of };
  $('preview').textContent = p.head;
  const shown = p.head.split('\n').length - 1;
  $('more').textContent = p.lines > shown
      ? `The first ${shown} of ${p.lines.toLocaleString('en')} lines; the download holds all of them.`
      : `All ${p.lines} lines.`;
  const svg = new DOMParser().parseFromString(p.svg, 'image/svg+xml').documentElement;
  svg.setAttribute('role', 'img');
  $('diagram').replaceChildren(document.importNode(svg, true));
  $('unknown').replaceChildren(...p.unknown.map((u) => {
    const li = document.createElement('li');
    li.textContent = 'not drawn, not understood: ' + u;
    return li;
  }));
}

// Starts the preview of the answers as they stand, stopping any older one. Resolves with the
// preview, or with null when the answers are refused.
let pause = 0;
function requestPreview() {
  clearTimeout(pause);
  const a = answers();
  if (previewCall) {
    // Work on older answers is never waited for: its worker is stopped.
    previewCall.cancel();
    previewWorker.terminate();
    previewWorker = null;
  }
  if (!previewWorker) previewWorker = takeWorker();
  $('more').textContent = 'Writing the preview…';
  const call_ = call(previewWorker, 'preview', a, false, (m) => {
    if (m.type === 'checked') showChecked(m.checked);
    if (m.type === 'head') {
      $('preview').textContent = m.head;
      $('more').textContent = 'Counting the lines and drawing the diagram…';
    }
  });
  previewCall = call_;
  return call_.promise.then((m) => {
    if (previewCall === call_) previewCall = null;
    recheckData();
    redrawDynamics();
    if (m.type === 'refused') return null;
    showPreview(m.preview, a);
    return preview;
  }, (e) => {
    if (previewCall === call_) previewCall = null;
    if (e.message === 'superseded') throw e;
    previewWorker.terminate();
    previewWorker = null;
    $('more').textContent = `No preview: ${e.message}. Change an answer to try again.`;
    throw e;
  });
}

// ---- Actions: each takes the answers as they stand when it is used --------------------------

function status(text) {
  $('status').textContent = text;
}

function save(blob, name) {
  const a = document.createElement('a');
  a.href = URL.createObjectURL(blob);
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(a.href), 60000);
}

// The browser saves a download under the last part of the name, in its downloads folder.
const fileName = (name) => name.split(/[\\/]/).pop();

// Writes the whole script of these answers in a worker of its own, so that the page answers
// while it runs; a progress bar shows when it takes more than a moment, and always ends.
async function writeScript(a, type = 'write') {
  const worker = takeWorker();
  let total = 0;
  const timer = setTimeout(() => { $('progress-box').hidden = false; }, 300);
  $('progress').removeAttribute('value');
  try {
    return await call(worker, type, a, crlf(), (m) => {
      if (m.type === 'checked') {
        showChecked(m.checked);
        total = m.checked.bytes || 0;
      }
      if (m.type === 'progress') {
        if (total > 0) $('progress').value = Math.min(100, (100 * m.bytes) / total);
        $('progress-text').textContent = `${(m.bytes / 1e6).toFixed(0)} MB written`;
      }
    }).promise;
  } finally {
    clearTimeout(timer);
    $('progress-box').hidden = true;
    worker.terminate();
  }
}

// Checks the answers as they stand (a moment's work), showing any refusal at its field.
async function check(a) {
  const worker = takeWorker();
  try {
    const m = await call(worker, 'check', a, crlf()).promise;
    showChecked(m.checked);
    return m.checked;
  } finally {
    worker.terminate();
  }
}

const refusedText = 'Nothing to save: see what is refused in your answers.';

async function act(what) {
  try {
    await what();
  } catch (e) {
    if (e.message !== 'superseded') status(`Not done: ${e.message}. Try again.`);
  }
}

// The R script for lavaan: the same model, named as the script with the ending .R.
$('download-r').addEventListener('click', () => act(async () => {
  const a = answers();
  status('Writing…');
  const m = await writeScript(a, 'lavaan');
  if (m.type === 'refused') return status(refusedText);
  const name = (fileName(m.checked.name).replace(/\.[^.]*$/, '') || 'model') + '.R';
  save(m.blob, name);
  status(`Saved to your downloads folder as ${name} ` +
         `(${m.blob.size.toLocaleString('en')} bytes).`);
}));

form.addEventListener('submit', (event) => {
  event.preventDefault();
  act(async () => {
    const a = answers();
    status('Writing…');
    const m = await writeScript(a);
    if (m.type === 'refused') return status(refusedText);
    const name = fileName(m.checked.name);
    save(m.blob, name);
    status(`Saved to your downloads folder as ${name} ` +
           `(${m.blob.size.toLocaleString('en')} bytes).`);
  });
});

$('copy').addEventListener('click', () => act(async () => {
  const a = answers();
  const c = await check(a);
  if (!c.ok) return status('Nothing to copy: see what is refused in your answers.');
  if (c.bytes > kCopyLimit) return status('The script is too large to copy; download it instead.');
  const m = await writeScript(a);
  if (m.type === 'refused') return status('Nothing to copy: see what is refused in your answers.');
  const text = await m.blob.text();
  try {
    await navigator.clipboard.writeText(text);
    status('The script is copied.');
  } catch {
    status('This browser did not allow copying; download the script instead.');
  }
}));

$('download-svg').addEventListener('click', () => act(async () => {
  const a = answers();
  const c = await check(a);
  if (!c.ok) return status(refusedText);
  // The diagram shown is used only when it is of these very answers.
  const p = preview && preview.svg && sameAnswers(preview.answers, a) && !previewCall
      ? preview
      : await requestPreview();
  if (!p) return status(refusedText);
  const name = (fileName(c.name).replace(/\.[^.]*$/, '') || 'diagram') + '.svg';
  save(new Blob([p.svg], { type: 'image/svg+xml' }), name);
  status(`Saved to your downloads folder as ${name}.`);
}));

// ---- The data file: checked in a worker, never sent anywhere ---------------------------------

let dataFile = null, inspected = null;

function listWarnings(list, warnings) {
  list.replaceChildren(...warnings.map((w) => {
    const li = document.createElement('li');
    li.textContent = w;
    return li;
  }));
}

// Checks the picked file against the answers as they stand; resolves with what the core saw.
async function inspectData() {
  const worker = takeWorker();
  try {
    const m = await call(worker, 'inspect', answers(), crlf(), () => {}, { file: dataFile }).promise;
    return m.inspected;
  } finally {
    worker.terminate();
  }
}

// The warnings follow the answers, the mapping among them.
function recheckData() {
  if (!dataFile) return;
  const file = dataFile;
  inspectData().then((i) => {
    if (file === dataFile) listWarnings($('data-warnings'), i.warnings);
  }).catch(() => {});
}

const roleText = { unused: 'Not used', id: 'ID' };

// One row of role choices and one of names over the file's first rows.
function showTable(i) {
  const head = $('data-table').tHead, body = $('data-table').tBodies[0];
  const roles = document.createElement('tr'), names = document.createElement('tr');
  i.roles.forEach((role, k) => {
    const select = document.createElement('select');
    select.setAttribute('aria-label', `Role of column ${k + 1}`);
    for (const value of ['unused', 'id', ...i.observed]) {
      select.add(new Option(roleText[value] || value, value));
    }
    select.value = role === 'observed' ? i.names[k] : role;
    const name = document.createElement('input');
    name.setAttribute('aria-label', `Name of column ${k + 1}`);
    name.maxLength = 64;
    name.spellcheck = false;
    name.value = i.names[k];
    name.dataset.own = role === 'observed' ? `v${k + 1}` : i.names[k];
    const follow = () => {
      const observed = select.value !== 'unused' && select.value !== 'id';
      if (!observed && name.readOnly) name.value = name.dataset.own;
      name.readOnly = observed;
      if (observed) name.value = select.value;
    };
    name.addEventListener('input', () => { name.dataset.own = name.value; });
    select.addEventListener('input', follow);
    follow();
    const th = document.createElement('th');
    th.append(select);
    roles.append(th);
    const td = document.createElement('th');
    td.append(name);
    names.append(td);
  });
  head.replaceChildren(roles, names);
  body.replaceChildren(...i.rows.map((row, r) => {
    const tr = document.createElement('tr');
    if (r === 0 && i.header) tr.className = 'header-line';
    for (const value of row) {
      const td = document.createElement('td');
      td.textContent = value;
      tr.append(td);
    }
    return tr;
  }));
  $('data-missing').value = i.missing || '.';
  $('strip-header').hidden = !i.header;
  $('data-found').hidden = false;
}

$('data-file').addEventListener('change', () => act(async () => {
  dataFile = $('data-file').files[0] || null;
  $('data-found').hidden = true;
  $('data-warnings').replaceChildren();
  if (!dataFile) return;
  const file = dataFile;
  const i = await inspectData();
  if (file !== dataFile) return;
  inspected = i;
  showTable(i);
  listWarnings($('data-warnings'), i.warnings);
}));

// The table's choices become the model's options, and the script, the R script and the diagram
// follow them.
$('use-columns').addEventListener('click', () => {
  const columns = [], heads = $('data-table').tHead.rows;
  let id = '';
  [...heads[0].cells].forEach((cell, k) => {
    const role = cell.firstChild.value, name = heads[1].cells[k].firstChild.value.trim();
    columns.push(name);
    if (role === 'id' && id === '') id = name;
  });
  $('columns').value = columns.join(' ');
  $('id-column').value = id;
  $('missing').value = $('data-missing').value.trim() || '.';
  status(`The script now names the data file's ${columns.length} columns.`);
  answersChanged();
});

// The same file without its first line, made here from the file itself.
$('strip-header').addEventListener('click', () => {
  if (!dataFile || !inspected) return;
  save(new Blob([dataFile.slice(inspected.headerBytes)], { type: 'application/octet-stream' }),
       dataFile.name);
  status(`Saved to your downloads folder as ${dataFile.name}, without its header line.`);
});

// ---- Dynamics: what the values say about change ----------------------------------------------

const dynamicsFields = () => [...document.querySelectorAll('#dynamics input[data-key]')];
let dynamics = null;  // the last figure and table drawn
const typedValues = {};  // by key, kept while the model changes

function dynamicsValues() {
  return Object.entries(typedValues).filter(([, v]) => v.trim() !== '')
      .map(([k, v]) => `${k}=${v.trim()}`).join('\n');
}

// A field for each value the model has, labelled with what it is ("the mean of the initial
// level of y"), made again when the model's values change.
function showDynamicsFields(keys, meanings) {
  if (dynamicsFields().map((f) => f.dataset.key + f.labels[0].textContent).join() ===
      keys.map((k, i) => k + meanings[i][0].toUpperCase() + meanings[i].slice(1)).join()) {
    for (const f of dynamicsFields()) {
      if (f !== document.activeElement) f.value = typedValues[f.dataset.key] || '';
    }
    return;
  }
  $('dynamics-values').replaceChildren($('dynamics-values').firstElementChild,
                                       ...keys.map((key, i) => {
    const div = document.createElement('div');
    div.className = 'field';
    const label = document.createElement('label');
    label.htmlFor = `dyn-${key}`;
    label.textContent = meanings[i][0].toUpperCase() + meanings[i].slice(1);
    const input = document.createElement('input');
    Object.assign(input, { id: `dyn-${key}`, inputMode: 'decimal', maxLength: 40,
                           autocomplete: 'off', spellcheck: false, value: typedValues[key] || '' });
    input.dataset.key = key;
    div.append(label, input);
    return div;
  }));
}

// One worker draws the dynamics, kept from one request to the next as the preview's is: each
// takes a moment, and starting a worker takes longer. Requests wait their turn.
let dynamicsWorker = null, dynamicsQueue = Promise.resolve();
function askDynamics(type, extra) {
  const a = answers();
  const asked = dynamicsQueue.then(() => {
    if (!dynamicsWorker) dynamicsWorker = takeWorker();
    return call(dynamicsWorker, type, a, crlf(), () => {}, extra).promise;
  }).catch((e) => {
    if (dynamicsWorker) dynamicsWorker.terminate();
    dynamicsWorker = null;
    throw e;
  });
  dynamicsQueue = asked.catch(() => {});
  return asked;
}

// Draws the values as they stand for the answers as they stand, when the section is open.
let dynamicsTurn = 0;
function redrawDynamics() {
  if (!$('dynamics').open) return;
  const turn = ++dynamicsTurn;
  askDynamics('dynamics', { values: dynamicsValues() }).then((m) => {
    if (turn !== dynamicsTurn) return;
    const d = m.dynamics;
    if (!d) return;
    // A starting value fills a field no one has typed in; the drawing takes it next time.
    let filled = false;
    d.startKeys.forEach((key, i) => {
      if (typedValues[key] === undefined) {
        typedValues[key] = d.startValues[i];
        filled = true;
      }
    });
    showDynamicsFields(d.keys, d.meanings);
    if (filled) redrawDynamics();
    $('dynamics-problem').textContent = d.problem ||
        (d.missing ? `To draw the expected levels, give ${d.missing}.` : '');
    $('dynamics-regime').textContent = d.regime || '';
    if (d.svg) {
      const svg = new DOMParser().parseFromString(d.svg, 'image/svg+xml').documentElement;
      svg.setAttribute('role', 'img');
      $('dynamics-figure').replaceChildren(document.importNode(svg, true));
      dynamics = { svg: d.svg, csv: d.csv };
    } else {
      $('dynamics-figure').replaceChildren();
      dynamics = null;
    }
    for (const b of ['download-dynamics-svg', 'download-dynamics-csv']) setDisabled($(b), !d.svg);
  }).catch(() => {});
}

$('dynamics').addEventListener('toggle', redrawDynamics);
$('dynamics').addEventListener('input', (e) => {
  if (e.target.dataset.key) {
    typedValues[e.target.dataset.key] = e.target.value;
    redrawDynamics();
  }
});

// An Mplus output of a script written here: its model becomes the answers' (it is the model its
// values are of), and its values fill the fields.
$('output-file').addEventListener('change', () => act(async () => {
  const file = $('output-file').files[0];
  if (!file) return;
  $('dynamics-read').textContent = 'Reading the output…';
  const o = (await askDynamics('output', { file })).output;
  if (o.error) {
    $('dynamics-read').textContent = `Not read: ${o.error}.`;
    return;
  }
  form.elements.model.value = o.bivariate ? '1' : '0';
  $('y-name').value = o.yName;
  $('x-name').value = o.bivariate ? o.xName : 'x';
  $('y-change').value = o.yChange;
  $('x-change').value = o.xChange;
  $('coupling').value = o.coupling;
  $('occasions').value = String(o.occasions);
  for (const key of Object.keys(typedValues)) typedValues[key] = '';
  o.read.forEach((key, i) => { typedValues[key] = o.values[i]; });
  for (const f of dynamicsFields()) f.value = typedValues[f.dataset.key] || '';
  $('dynamics-read').textContent =
      `Read from ${file.name}: ${o.said}. ` +
      (o.lacking ? `Not in it: ${o.lacking} (the levels are drawn without bands). ` : '') +
      `The answers are set to its model ` +
      `(${o.bivariate ? 'bivariate' : 'univariate'}, ${o.occasions} occasions).`;
  answersChanged();
}));

function saveDynamics(what, type) {
  if (!dynamics) return status('Nothing to save: give the values the expected levels need.');
  const name = (fileName($('script').value.replace(/^"|"$/g, '')).replace(/\.[^.]*$/, '') ||
                'model') + `-dynamics.${what}`;
  save(new Blob([dynamics[what]], { type }), name);
  status(`Saved to your downloads folder as ${name}.`);
}
$('download-dynamics-svg').addEventListener('click', () => saveDynamics('svg', 'image/svg+xml'));
$('download-dynamics-csv').addEventListener('click', () => saveDynamics('csv', 'text/csv'));

// A large script's preview is a second or more of work: while typing goes on it starts at a
// pause (it would only be stopped by the next key); a small one starts at once.
const kLargePreview = 2e6;
function answersChanged() {
  clearTimeout(pause);
  if (preview && preview.bytes > kLargePreview) {
    $('more').textContent = 'Writing the preview…';
    pause = setTimeout(() => requestPreview().catch(() => {}), 250);
  } else {
    requestPreview().catch(() => {});
  }
}
// The data file's table is not an answer: it changes the script only through "Use these columns".
form.addEventListener('input', (e) => {
  if (!$('data-check').contains(e.target) && !$('dynamics').contains(e.target)) answersChanged();
});
$('legend').addEventListener('input', answersChanged);
// For the browser tests: stop the preview's worker as if it had crashed.
window.ldsgenStopPreviewWorker = () => {
  if (previewWorker) previewWorker.terminate();
};
previewWorker = takeWorker();

// The page comes with the preview of its first answers, worked out when it was built: while the
// fields hold those answers (a browser may restore others), it is shown as it is. Its diagram
// is drawn again for Download SVG, which saves the core's own bytes.
function firstAnswers() {
  const atFirst = (e) => {
    if (e.type === 'radio' || e.type === 'checkbox') return e.checked === e.defaultChecked;
    if (e.tagName === 'SELECT') {
      const first = [...e.options].find((o) => o.defaultSelected) || e.options[0];
      return e.id === 'eol' || e.value === first.value;
    }
    return !('value' in e) || e.tagName === 'BUTTON' || e.value === e.defaultValue;
  };
  return [...form.elements, $('legend')].every(atFirst);
}
const built = $('preview').dataset;
if (built.lines && firstAnswers()) {
  preview = { head: $('preview').textContent, lines: Number(built.lines),
              bytes: Number(built.bytes), svg: null, unknown: [], answers: answers() };
  // Read by the benchmark: when the browser first painted it (Element Timing), else now.
  const mark = (startTime) => {
    if (performance.getEntriesByName('ldsgen-first-preview').length === 0)
      performance.mark('ldsgen-first-preview', startTime === undefined ? {} : { startTime });
  };
  if ((PerformanceObserver.supportedEntryTypes || []).includes('element')) {
    new PerformanceObserver((list, observer) => {
      const shown = list.getEntries().find((e) => e.identifier === 'ldsgen-preview');
      if (shown) {
        mark(shown.renderTime || shown.loadTime);
        observer.disconnect();
      }
    }).observe({ type: 'element', buffered: true });
  } else {
    mark();
  }
} else {
  requestPreview().catch(() => {});
}
