// The page: it asks, shows and saves. Every rule about answers and scripts is the core's,
// which runs in a worker; this sends it the answers and shows what it says.
'use strict';

const $ = (id) => document.getElementById(id);
const form = $('answers');
const fields = ['script', 'data', 'occasions'];
const workerUrl = URL.createObjectURL(new Blob([LDSGEN_WORKER_SOURCE], { type: 'text/javascript' }));

let previewWorker = null, busyWith = null, lastId = 0;
let checked = null, preview = null;

// Mplus runs on Windows: scripts get CR LF there unless the user chooses otherwise.
const onWindows = /Win/.test(navigator.userAgentData ? navigator.userAgentData.platform
                                                     : navigator.platform);
$('eol').value = onWindows ? 'crlf' : 'lf';

function answers() {
  return {
    script: $('script').value,
    model: Number(form.elements.model.value),
    data: $('data').value,
    occasions: $('occasions').value,
  };
}

function startPreviewWorker() {
  previewWorker = new Worker(workerUrl);
  previewWorker.onmessage = (e) => {
    const m = e.data;
    if (m.id !== lastId) return;  // answers have changed since
    if (m.type === 'checked') showChecked(m.checked);
    if (m.type === 'head') {
      $('preview').textContent = m.head;
      $('more').textContent = 'Counting the lines and drawing the diagram…';
    }
    if (m.type === 'preview') {
      busyWith = null;
      showPreview(m.preview);
    }
  };
}

// A preview of a million occasions takes a while; new answers don't wait for it.
function requestPreview() {
  const a = answers();
  if (busyWith !== null && Number(busyWith) > 50000) {
    previewWorker.terminate();
    startPreviewWorker();
  }
  busyWith = a.occasions;
  previewWorker.postMessage({ type: 'preview', id: ++lastId, answers: a });
}

function setDisabled(button, disabled) {
  button.setAttribute('aria-disabled', String(disabled));
}

function showChecked(c) {
  checked = c;
  for (const f of fields) {
    $(f + '-problem').textContent = c[f];
    $(f).setAttribute('aria-invalid', String(c[f] !== ''));
  }
  const list = $('warnings');
  list.replaceChildren(...c.warnings.map((w) => {
    const li = document.createElement('li');
    li.textContent = w;
    return li;
  }));
  setDisabled($('download'), !c.ok);
  setDisabled($('copy'), !c.ok);
  setDisabled($('download-svg'), !c.ok);
  if (!c.ok) {
    preview = null;
    $('preview').textContent = '';
    $('more').textContent = 'No script: see what is refused in your answers.';
    $('diagram').replaceChildren();
  } else {
    $('more').textContent = 'Writing the preview…';
  }
}

function showPreview(p) {
  if (!preview) performance.mark('ldsgen-first-preview');  // read by the benchmark
  preview = p;
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

function save(blob, name) {
  const a = document.createElement('a');
  a.href = URL.createObjectURL(blob);
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(a.href), 60000);
}

// Writes the whole script in a worker of its own, so the page answers while it runs; a progress
// bar shows when it takes more than a moment.
function writeScript(crlf) {
  return new Promise((resolve) => {
    const worker = new Worker(workerUrl);
    const total = preview ? preview.bytes : 0;
    const timer = setTimeout(() => { $('progress-box').hidden = false; }, 300);
    $('progress').removeAttribute('value');
    worker.onmessage = (e) => {
      const m = e.data;
      if (m.type === 'progress') {
        const mb = (m.bytes / 1e6).toFixed(0);
        if (total > 0) $('progress').value = Math.min(100, (100 * m.bytes) / total);
        $('progress-text').textContent = `${mb} MB written`;
      } else if (m.type === 'written') {
        clearTimeout(timer);
        $('progress-box').hidden = true;
        worker.terminate();
        resolve(m.blob);
      }
    };
    worker.postMessage({ type: 'write', id: 0, answers: answers(), crlf });
  });
}

form.addEventListener('submit', async (event) => {
  event.preventDefault();
  if (!checked || !checked.ok) {
    $('status').textContent = 'Nothing to download: see what is refused in your answers.';
    return;
  }
  $('status').textContent = 'Writing ' + checked.name + '…';
  const blob = await writeScript($('eol').value === 'crlf');
  save(blob, checked.name.split(/[\\/]/).pop());
  $('status').textContent = `Saved ${checked.name} (${blob.size.toLocaleString('en')} bytes).`;
});

$('copy').addEventListener('click', async () => {
  if (!checked || !checked.ok) return;
  if (preview && preview.bytes > 20e6) {
    $('status').textContent = 'The script is too large to copy; download it instead.';
    return;
  }
  const text = await (await writeScript($('eol').value === 'crlf')).text();
  try {
    await navigator.clipboard.writeText(text);
    $('status').textContent = 'The script is copied.';
  } catch {
    $('status').textContent = 'This browser did not allow copying; download the script instead.';
  }
});

$('download-svg').addEventListener('click', () => {
  if (!checked || !checked.ok || !preview) return;
  const base = checked.name.split(/[\\/]/).pop().replace(/\.[^.]*$/, '');
  save(new Blob([preview.svg], { type: 'image/svg+xml' }), (base || 'diagram') + '.svg');
});

let pending = 0;
form.addEventListener('input', () => {
  clearTimeout(pending);
  pending = setTimeout(requestPreview, 100);
});
startPreviewWorker();
requestPreview();
