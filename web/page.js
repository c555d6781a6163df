// The page around the show: loads the data package behind the start screen, keeps the
// canvas one texel per device pixel with the largest 4:3 picture that fits in it, and says
// in words what keeps the show away.
"use strict";

// data.pack.gz = gzip("IPK1" + per file: u16 name length, UTF-8 name with "/", u32 size, bytes; little-endian).
const PACKAGE_URL = "data.pack.gz";
const PACKAGE_MAGIC = "IPK1";
// The music is rendered at this rate; the sound card resamples if it must.
const AUDIO_RATE = 44100;
const AUDIO_START_TIMEOUT_MS = 3000;

const screenCanvas = document.getElementById("screen");
const startBox = document.getElementById("start");
const startButton = document.getElementById("start-button");
const progressText = document.getElementById("progress");
const errorBox = document.getElementById("error");
const fullscreenButton = document.getElementById("fullscreen-button");
const escapeButton = document.getElementById("escape-button");

// What the show will be given: the package's files by name, the GL context, the audio context.
const invitation = { files: null, gl: null, audio: null, picture: null };
window.invitation = invitation;

class PageError extends Error {}

function setState(state) {
  document.body.dataset.state = state;
}

// Every reason is shown once, one a line, in the order they came.
function showError(text) {
  setState("error");
  startBox.hidden = true;
  const shown = errorBox.textContent ? errorBox.textContent.split("\n") : [];
  if (!shown.includes(text)) errorBox.textContent = [...shown, text].join("\n");
  errorBox.hidden = false;
}

// --- The picture: the largest 4:3 rectangle, centred, black bars -----------------------

// The canvas covers the window and has one texel per device pixel; the picture is drawn
// into the rectangle FitPicture gives for that size (as SetProjection does on the desktop),
// and the rest is cleared black. Here in the page, the same rule as FitPicture
// (platform/display_modes.cpp): x and y from the lower left, as GL counts.
function fitPicture(width, height) {
  width = Math.max(1, width);
  height = Math.max(1, height);
  let w = width, h = height;
  if (width * 3 > height * 4) w = Math.floor((height * 4) / 3);
  else if (width * 3 < height * 4) h = Math.floor((width * 3) / 4);
  return { x: Math.floor((width - w) / 2), y: Math.floor((height - h) / 2), width: w, height: h };
}

function resize(width, height) {
  if (screenCanvas.width !== width) screenCanvas.width = width;
  if (screenCanvas.height !== height) screenCanvas.height = height;
  invitation.picture = fitPicture(width, height);
  if (document.body.dataset.state === "running") drawPicture();
}

// One texel per device pixel: the CSS size times devicePixelRatio, again after every
// resize and every change of the ratio (a zoom, another screen), which resizes nothing.
function watchSize() {
  const measure = () => {
    const ratio = window.devicePixelRatio || 1;
    resize(Math.max(1, Math.round(screenCanvas.clientWidth * ratio)),
           Math.max(1, Math.round(screenCanvas.clientHeight * ratio)));
  };
  const watchRatio = () => {
    matchMedia(`(resolution: ${window.devicePixelRatio || 1}dppx)`)
      .addEventListener("change", () => { measure(); watchRatio(); }, { once: true });
  };
  new ResizeObserver(measure).observe(screenCanvas);
  watchRatio();
  measure();
}

// Until the show runs here: a test picture of eight bars filling the 4:3 rectangle.
const TEST_BARS = [[1, 1, 1], [1, 1, 0], [0, 1, 1], [0, 1, 0], [1, 0, 1], [1, 0, 0], [0, 0, 1], [0.5, 0.5, 0.5]];
function drawPicture() {
  const gl = invitation.gl, rect = invitation.picture;
  if (!rect) return;   // no size yet: the first resize draws it
  gl.viewport(0, 0, screenCanvas.width, screenCanvas.height);
  gl.clearColor(0, 0, 0, 1);
  gl.clear(gl.COLOR_BUFFER_BIT);
  gl.enable(gl.SCISSOR_TEST);
  TEST_BARS.forEach(([r, g, b], i) => {
    const x0 = rect.x + Math.round((i * rect.width) / TEST_BARS.length);
    const x1 = rect.x + Math.round(((i + 1) * rect.width) / TEST_BARS.length);
    gl.scissor(x0, rect.y, x1 - x0, rect.height);
    gl.clearColor(r, g, b, 1);
    gl.clear(gl.COLOR_BUFFER_BIT);
  });
  gl.disable(gl.SCISSOR_TEST);
}

// --- The data package ---------------------------------------------------------------------

async function loadPackage(onProgress) {
  if (typeof DecompressionStream !== "function")
    throw new PageError("This browser cannot unpack the invitation's data (it has no DecompressionStream). " +
                        "A current Chrome, Firefox or Safari can.");
  let response;
  try {
    response = await fetch(PACKAGE_URL);
  } catch (error) {
    throw new PageError(`The invitation's data package (${PACKAGE_URL}) could not be fetched: ${error.message}`);
  }
  if (response.status === 404)
    throw new PageError(`The invitation's data package (${PACKAGE_URL}) is missing on the server.`);
  if (!response.ok)
    throw new PageError(`The invitation's data package (${PACKAGE_URL}) could not be loaded (HTTP ${response.status}).`);
  const total = Number(response.headers.get("Content-Length")) || 0;
  let received = 0;
  const counter = new TransformStream({
    transform(chunk, controller) {
      received += chunk.byteLength;
      if (total) onProgress(Math.min(1, received / total));
      controller.enqueue(chunk);
    },
  });
  const chunks = [];
  let size = 0;
  try {
    const reader = response.body.pipeThrough(counter).pipeThrough(new DecompressionStream("gzip")).getReader();
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      chunks.push(value);
      size += value.byteLength;
    }
  } catch (error) {
    throw new PageError(`The invitation's data package (${PACKAGE_URL}) is damaged: it does not decompress.`);
  }
  const bytes = new Uint8Array(size);
  let at = 0;
  for (const chunk of chunks) {
    bytes.set(chunk, at);
    at += chunk.byteLength;
  }
  return unpack(bytes);
}

function unpack(bytes) {
  const damaged = why => new PageError(`The invitation's data package (${PACKAGE_URL}) is damaged: ${why}.`);
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const text = new TextDecoder("utf-8", { fatal: true });
  if (bytes.length < 4 || String.fromCharCode(...bytes.subarray(0, 4)) !== PACKAGE_MAGIC)
    throw damaged("it is not an invitation data package");
  const files = new Map();
  let at = 4;
  while (at < bytes.length) {
    if (at + 2 > bytes.length) throw damaged("it ends inside a file's name");
    const nameLength = view.getUint16(at, true);
    if (nameLength === 0 || at + 2 + nameLength + 4 > bytes.length) throw damaged("it ends inside a file's name");
    let name;
    try {
      name = text.decode(bytes.subarray(at + 2, at + 2 + nameLength));
    } catch (error) {
      throw damaged("a file's name is not UTF-8");
    }
    const size = view.getUint32(at + 2 + nameLength, true);
    const start = at + 2 + nameLength + 4;
    if (start + size > bytes.length) throw damaged(`${name} is cut short`);
    files.set(name, bytes.subarray(start, start + size));
    at = start + size;
  }
  if (files.size === 0) throw damaged("it holds no files");
  return files;
}

// --- Start ----------------------------------------------------------------------------------

// Sound is allowed only from a user's gesture: the audio context is made in the click.
async function openAudio() {
  const Context = window.AudioContext || window.webkitAudioContext;
  if (!Context) throw new PageError("This browser cannot play sound (it has no Web Audio), and the invitation is timed to its music.");
  let audio;
  try {
    audio = new Context({ sampleRate: AUDIO_RATE });
  } catch (error) {
    throw new PageError(`No sound can be played here (${error.message}), and the invitation is timed to its music.`);
  }
  const timeout = new Promise((_, reject) => setTimeout(
    () => reject(new PageError("The sound does not start in this browser, and the invitation is timed to its music.")),
    AUDIO_START_TIMEOUT_MS));
  await Promise.race([audio.resume(), timeout]);
  return audio;
}

const loading = loadPackage(share => { progressText.textContent = `Loading… ${Math.round(share * 100)}%`; })
  .then(files => {
    invitation.files = files;
    if (document.body.dataset.state === "loading") {
      setState("ready");
      progressText.textContent = "Ready.";
    }
    return files;
  });
loading.catch(error => showError(error instanceof PageError ? error.message : `The invitation cannot load: ${error}`));

async function start() {
  if (document.body.dataset.state === "error" || startButton.disabled) return;
  startButton.disabled = true;
  try {
    invitation.audio = await openAudio();
    if (!invitation.files) {
      setState("starting");
      progressText.textContent = "Starting as soon as everything is loaded…";
    }
    await loading;
  } catch (error) {
    showError(error instanceof PageError ? error.message : `The invitation cannot start: ${error}`);
    return;
  }
  startBox.hidden = true;
  setState("running");
  drawPicture();
  screenCanvas.focus();
}

// --- Controls -------------------------------------------------------------------------------

function toggleFullscreen() {
  if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  else if (document.fullscreenEnabled) document.documentElement.requestFullscreen().catch(() => {});
}

// Phones have no Escape key: the button hands the show the same key events as a keyboard.
function sendEscape() {
  for (const type of ["keydown", "keyup"])
    window.dispatchEvent(new KeyboardEvent(type, { key: "Escape", code: "Escape", keyCode: 27, which: 27, bubbles: true }));
}

function init() {
  const gl = screenCanvas.getContext("webgl", { alpha: false, antialias: false });
  if (!gl) {
    showError("This browser cannot show WebGL, which the invitation draws with. " +
              "Turn on hardware acceleration, or try another browser.");
    return;
  }
  invitation.gl = gl;
  screenCanvas.tabIndex = -1;
  screenCanvas.addEventListener("webglcontextlost", event => {
    event.preventDefault();
    showError("The browser took WebGL away from the invitation (its graphics context was lost). Reload the page.");
  });
  watchSize();
  startButton.addEventListener("click", start);
  startButton.focus();
  escapeButton.addEventListener("click", sendEscape);
  fullscreenButton.hidden = !document.fullscreenEnabled;
  fullscreenButton.addEventListener("click", toggleFullscreen);
  document.addEventListener("fullscreenchange", () => {
    fullscreenButton.textContent = document.fullscreenElement ? "Leave fullscreen" : "Fullscreen";
  });
  window.addEventListener("keydown", event => {
    if ((event.key === "f" || event.key === "F") && !event.repeat && !event.ctrlKey && !event.altKey && !event.metaKey) {
      event.preventDefault();
      toggleFullscreen();
    }
  });
}

init();
