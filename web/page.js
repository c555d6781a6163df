// The page around the show: loads the program and the data package behind the start
// screen, runs the show one loop body per animation frame in the largest 4:3 picture that
// fits, turns taps on the menu's labels and its own Escape button into the show's keys,
// offers the show again at its end, and says in words what keeps the show away.
"use strict";

// data.pack.gz = gzip("IPK2" + per file: u16 name length, UTF-8 name with "/", u32 size, then
// pieces until they make up the size: u32 zeros, u32 count, count bytes; little-endian).
// A piece's zeros are a run of zero bytes the build left out (web/pack_data.py).
const PACKAGE_URL = "data.pack.gz";
const PACKAGE_MAGIC = "IPK2";
// Where the package's files are for the program: its data folder.
const DATA_FOLDER = "/data";
// The program, and the page's deterministic mode (?check): web/wasm/CMakeLists.txt.
const PROGRAM_SCRIPT = "invitation.js";
const PROGRAM_CODE = "invitation.wasm";
const CHECK_SCRIPT = "invitation-check.js";
const CHECK_CODE = "invitation-check.wasm";
const CHECK_MODE = new URLSearchParams(location.search).has("check");
// The music is rendered at this rate; the sound card resamples if it must.
const AUDIO_RATE = 44100;
const AUDIO_START_TIMEOUT_MS = 3000;
// What web_frame answers, in this order (web/live_main.cpp StatusField); phases as ShowPhase.
const STATUS = { OVER: 0, PHASE: 1, ORDER: 2, ROW: 3, ENTRY: 4, PAGE: 5, POSITION: 6, MUSIC_MS: 7 };
const STATUS_FIELDS = 8;
const VK_ESCAPE = 27;

const screenCanvas = document.getElementById("screen");
const startBox = document.getElementById("start");
const startButton = document.getElementById("start-button");
const progressText = document.getElementById("progress");
const errorBox = document.getElementById("error");
const endBox = document.getElementById("end");
const againButton = document.getElementById("again-button");
const fullscreenButton = document.getElementById("fullscreen-button");
const escapeButton = document.getElementById("escape-button");

// The page's parts for the program (showMessage, audio, checkFrame) and for whoever
// watches it (state, status, timings).
const invitation = {
  files: null, program: null, audio: null, picture: null, status: null, frames: 0,
  timings: {}, showMessage: null, checkFrame: null,
};
window.invitation = invitation;
invitation.STATUS = STATUS;

class PageError extends Error {}

function setState(state) {
  document.body.dataset.state = state;
}

// Every reason is shown once, one a line, in the order they came.
function showError(text) {
  setState("error");
  startBox.hidden = true;
  endBox.hidden = true;
  const shown = errorBox.textContent ? errorBox.textContent.split("\n") : [];
  if (!shown.includes(text)) errorBox.textContent = [...shown, text].join("\n");
  errorBox.hidden = false;
}

// The program's own messages ("texture data\scr1.bmp not found!") as they come.
invitation.showMessage = text => showError(`The invitation cannot run: ${text}`);

function mark(name) {
  invitation.timings[name] = performance.now();
}

// --- The picture: the largest 4:3 rectangle, centred, black bars -----------------------

// The canvas covers the window and has one texel per device pixel; the program draws the
// picture into the rectangle FitPicture gives for that size and clears the rest black.
// The same rule as FitPicture (platform/display_modes.cpp), here for the taps: x and y
// from the lower left, as GL counts.
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
  if (invitation.program) invitation.program._web_resize(width, height);
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

// The point of a pointer event in the picture: x and y from -1 to 1, y upwards.
function picturePoint(event) {
  const rect = invitation.picture, box = screenCanvas.getBoundingClientRect();
  const ratioX = screenCanvas.width / Math.max(1, box.width), ratioY = screenCanvas.height / Math.max(1, box.height);
  const x = (event.clientX - box.left) * ratioX, y = screenCanvas.height - (event.clientY - box.top) * ratioY;
  return { x: ((x - rect.x) / rect.width) * 2 - 1, y: ((y - rect.y) / rect.height) * 2 - 1 };
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
  let fetched;
  try {
    fetched = await readAll(response.body, received => { if (total) onProgress(Math.min(1, received / total)); });
  } catch (error) {
    throw new PageError(`The invitation's data package (${PACKAGE_URL}) could not be fetched: ${error.message}`);
  }
  mark("packageFetched");
  // A host that sends .gz files with a gzip Content-Encoding has the browser unpack it already.
  if (!(fetched[0] === 0x1f && fetched[1] === 0x8b)) return unpack(fetched);
  let bytes;
  try {
    // A stream made here, not a Blob's: a Blob's bytes go through the browser's own process.
    const source = new ReadableStream({ start(controller) { controller.enqueue(fetched); controller.close(); } });
    bytes = await readAll(source.pipeThrough(new DecompressionStream("gzip")));
  } catch (error) {
    throw new PageError(`The invitation's data package (${PACKAGE_URL}) is damaged: it does not decompress.`);
  }
  return unpack(bytes);
}

// A stream's bytes in one array; `onChunk` hears how many have come so far.
async function readAll(stream, onChunk = () => {}) {
  const chunks = [];
  let size = 0;
  const reader = stream.getReader();
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    chunks.push(value);
    size += value.byteLength;
    onChunk(size);
  }
  const bytes = new Uint8Array(size);
  let at = 0;
  for (const chunk of chunks) {
    bytes.set(chunk, at);
    at += chunk.byteLength;
  }
  return bytes;
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
    // Allocated zeroed: the runs left out are already there.
    const file = new Uint8Array(size);
    let filled = 0;
    at += 2 + nameLength + 4;
    while (filled < size) {
      if (at + 8 > bytes.length) throw damaged(`${name} is cut short`);
      const zeros = view.getUint32(at, true), count = view.getUint32(at + 4, true);
      if (zeros + count === 0 || filled + zeros + count > size) throw damaged(`${name} does not add up to its size`);
      if (at + 8 + count > bytes.length) throw damaged(`${name} is cut short`);
      file.set(bytes.subarray(at + 8, at + 8 + count), filled + zeros);
      filled += zeros + count;
      at += 8 + count;
    }
    files.set(name, file);
  }
  if (files.size === 0) throw damaged("it holds no files");
  return files;
}

// --- The program ----------------------------------------------------------------------------

function loadScript(url) {
  return new Promise((resolve, reject) => {
    const script = document.createElement("script");
    script.src = url;
    script.onload = resolve;
    script.onerror = () => reject(new PageError(`The invitation's program (${url}) could not be loaded.`));
    document.head.appendChild(script);
  });
}

// The program's code, fetched and compiled as it arrives; the browser compiles off the
// page's thread, so this goes on while the page unpacks the package and opens the sound.
function compileProgram(url) {
  return fetch(url).then(response => {
    if (!response.ok) throw new PageError(`The invitation's program (${url}) could not be loaded (HTTP ${response.status}).`);
    // Streaming compilation wants the type application/wasm; some hosts send another.
    if ((response.headers.get("Content-Type") || "").startsWith("application/wasm"))
      return WebAssembly.compileStreaming(response);
    return response.arrayBuffer().then(bytes => WebAssembly.compile(bytes));
  }, error => {
    throw new PageError(`The invitation's program (${url}) could not be fetched: ${error.message}`);
  });
}

// The program instantiated from its compiled code, its script loaded beside.
async function loadProgram(compiled) {
  const url = CHECK_MODE ? CHECK_SCRIPT : PROGRAM_SCRIPT;
  await loadScript(url);
  const create = CHECK_MODE ? window.createInvitationCheck : window.createInvitation;
  let fail;
  const failure = new Promise((_, reject) => { fail = reject; });
  const instantiateWasm = (imports, receive) => {
    compiled.then(module => WebAssembly.instantiate(module, imports).then(instance => receive(instance, module)))
      .catch(fail);
    return {};
  };
  try {
    return await Promise.race([failure, create({ canvas: screenCanvas, instantiateWasm, print: text => console.log(text),
                                                 printErr: text => console.warn(text) })]);
  } catch (error) {
    if (error instanceof PageError) throw error;
    throw new PageError(`The invitation's program (${url}) does not run in this browser: ${error.message || error}`);
  }
}

// The package's files into the program's data folder.
function storeFiles(program, files) {
  for (const [name, bytes] of files) {
    const path = `${DATA_FOLDER}/${name}`;
    const folder = path.slice(0, path.lastIndexOf("/"));
    program.FS.mkdirTree(folder);
    // The program only reads them: the file system may keep the unpacked bytes as they are.
    program.FS.writeFile(path, bytes, { canOwn: true });
  }
}

// --- Start, the loop and the end -------------------------------------------------------------

// The audio context is made before the click and held still; the click lets it play.
function makeAudio() {
  const Context = window.AudioContext || window.webkitAudioContext;
  if (!Context) throw new PageError("This browser cannot play sound (it has no Web Audio), and the invitation is timed to its music.");
  let audio;
  try {
    audio = new Context({ sampleRate: AUDIO_RATE, latencyHint: "interactive" });
  } catch (error) {
    throw new PageError(`No sound can be played here (${error.message}), and the invitation is timed to its music.`);
  }
  if (audio.state === "running") audio.suspend();
  return audio;
}

async function resumeAudio(audio) {
  const timeout = new Promise((_, reject) => setTimeout(
    () => reject(new PageError("The sound does not start in this browser, and the invitation is timed to its music.")),
    AUDIO_START_TIMEOUT_MS));
  await Promise.race([audio.resume(), timeout]);
}

// The network's part, started at the page's first moment, before anything else holds the
// page's thread: the package and the program's code.
let loading = null;

function startLoading() {
  if (loading) return loading;
  mark("navigationToScript");
  const compiled = compileProgram(CHECK_MODE ? CHECK_CODE : PROGRAM_CODE);
  loading = {
    files: loadPackage(share => { progressText.textContent = `Loading… ${Math.round(share * 100)}%`; })
      .then(files => { mark("packageUnpacked"); return files; }),
    program: loadProgram(compiled).then(program => { mark("programCompiled"); return program; }),
  };
  // Whoever waits for them hears of their failures; a page that cannot run never does.
  compiled.catch(() => {});
  loading.files.catch(() => {});
  loading.program.catch(() => {});
  return loading;
}

// Everything before the show, behind the start screen: the program and the package in
// parallel, then the pictures decoded, uploaded and drawn once.
async function prepare() {
  const { files: packageLoad, program: programLoad } = startLoading();
  const [files, program] = await Promise.all([packageLoad, programLoad]);
  invitation.files = files;
  storeFiles(program, files);
  mark("filesStored");
  if (CHECK_MODE) {
    invitation.program = program;
    return program;
  }
  resize(screenCanvas.width, screenCanvas.height);
  if (!program._web_start(screenCanvas.width, screenCanvas.height))
    throw new PageError(errorBox.textContent || "The invitation cannot start here (its WebGL 2 could not be set up).");
  // The sound's context once the pictures are on their way to the GPU: a page's first one
  // waits while the browser starts its audio service (0.1 to 0.2 s), and the GPU works meanwhile.
  invitation.audio = makeAudio();
  mark("audioMade");
  if (!program._web_start_music())
    throw new PageError(errorBox.textContent || "The invitation cannot start here (its music could not be played).");
  mark("ready");
  invitation.program = program;
  return program;
}

// The page's own key (the Escape button): down for one frame, so that the show sees it,
// then up for the next.
let pendingPress = 0, pendingRelease = 0;

function frame() {
  if (document.body.dataset.state !== "running") return;
  const program = invitation.program;
  if (pendingRelease) {
    program._web_key(pendingRelease, 0);
    pendingRelease = 0;
  }
  if (pendingPress) {
    program._web_key(pendingPress, 1);
    pendingRelease = pendingPress;
    pendingPress = 0;
  }
  const at = program._web_frame() >> 2;
  const status = Array.from(program.HEAP32.subarray(at, at + STATUS_FIELDS));
  invitation.status = status;
  invitation.frames++;
  if (invitation.frames === 1) mark("firstFrame");
  if (status[STATUS.OVER]) {
    setState("ended");
    endBox.hidden = false;
    againButton.focus();
    return;
  }
  requestAnimationFrame(frame);
}

function begin() {
  startBox.hidden = true;
  endBox.hidden = true;
  setState("running");
  screenCanvas.focus();
  invitation.frames = 0;
  invitation.program._web_begin();
  requestAnimationFrame(frame);
}

let preparing = null;   // prepare(), started by the page's first moment unless in check mode

function prepareBehindStart() {
  preparing = prepare();
  preparing.then(() => {
    if (document.body.dataset.state === "loading") {
      setState("ready");
      progressText.textContent = "Ready.";
    }
  }, error => showError(error instanceof PageError ? error.message : `The invitation cannot load: ${error}`));
}

// The show begins in the click's own task; the sound follows as soon as the browser lets it
// (the intro waits for the music's clock). Sound that does not start stops the show with words.
function beginWithSound(what) {
  const resumed = resumeAudio(invitation.audio);
  begin();
  resumed.catch(error => showError(error instanceof PageError ? error.message : `The invitation cannot ${what}: ${error}`));
}

async function start() {
  if (document.body.dataset.state === "error" || startButton.disabled) return;
  startButton.disabled = true;
  mark("startGesture");
  try {
    if (!invitation.program) {
      setState("starting");
      progressText.textContent = "Starting as soon as everything is loaded…";
    }
    await preparing;
  } catch (error) {
    showError(error instanceof PageError ? error.message : `The invitation cannot start: ${error}`);
    return;
  }
  beginWithSound("start");
}

function playAgain() {
  beginWithSound("start again");
}

// --- The deterministic mode (?check) ---------------------------------------------------------

// The whole show as the capture runs it: the frames listed are handed back as RGB, with the
// per-frame log and the sha256 of the sound. Called by the tests through the DevTools protocol.
invitation.runCheck = async function (keys, fps, wanted) {
  const program = await prepare();
  screenCanvas.style.width = "640px";
  screenCanvas.style.height = "480px";
  screenCanvas.width = 640;
  screenCanvas.height = 480;
  const frames = {};
  invitation.checkFrame = (index, rgb, width, height) => { frames[index] = { rgb, width, height }; };
  const keysPointer = program.stringToNewUTF8 ? program.stringToNewUTF8(keys) : allocateString(program, keys);
  const list = program._malloc(Math.max(1, wanted.length) * 4);
  program.HEAP32.set(wanted, list >> 2);
  const started = performance.now();
  const result = program._web_check_run(keysPointer, fps, 640, 480, list, wanted.length);
  const seconds = (performance.now() - started) / 1000;
  program._free(list);
  program._free(keysPointer);
  const log = program.UTF8ToString(program._web_check_log());
  const countPointer = program._malloc(4);
  const soundPointer = program._web_check_sound(countPointer);
  const count = program.HEAP32[countPointer >> 2];
  program._free(countPointer);
  const sound = program.HEAPU8.slice(soundPointer, soundPointer + count * 2);
  const digest = new Uint8Array(await crypto.subtle.digest("SHA-256", sound));
  const soundSha256 = Array.from(digest, b => b.toString(16).padStart(2, "0")).join("");
  invitation.checkFrames = frames;
  return { result, log, soundSha256, samples: count, seconds, frames: Object.keys(frames).map(Number) };
};

// A frame of the last check run as base64 of its RGB bytes (rows from the top).
invitation.checkFrameBase64 = function (index) {
  const rgb = invitation.checkFrames[index].rgb;
  let text = "";
  for (let at = 0; at < rgb.length; at += 0x8000) text += String.fromCharCode.apply(null, rgb.subarray(at, at + 0x8000));
  return btoa(text);
};

function allocateString(program, text) {
  const bytes = new TextEncoder().encode(text);
  const pointer = program._malloc(bytes.length + 1);
  program.HEAPU8.set(bytes, pointer);
  program.HEAPU8[pointer + bytes.length] = 0;
  return pointer;
}

// --- Controls -------------------------------------------------------------------------------

function toggleFullscreen() {
  if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  else if (document.fullscreenEnabled) document.documentElement.requestFullscreen().catch(() => {});
}

// Phones have no Escape key: the button presses it for one frame.
function sendEscape() {
  if (document.body.dataset.state !== "running") return;
  pendingPress = VK_ESCAPE;
  screenCanvas.focus();
}

// The controls stay out of the picture's way: shown when the pointer moves or a finger
// touches, faded out a few seconds later.
const CONTROLS_IDLE_MS = 3000;
let controlsTimer = 0;
function wakeControls() {
  document.body.classList.remove("idle");
  clearTimeout(controlsTimer);
  controlsTimer = setTimeout(() => document.body.classList.add("idle"), CONTROLS_IDLE_MS);
}

// The canvas's WebGL 2 context, made as the page starts, while the network brings the rest,
// with the attributes platform/web.cpp asks for (it is handed this one): what the native
// frame shows, no alpha over the page, no smoothed edges.
const CONTEXT_ATTRIBUTES = { alpha: false, antialias: false, depth: true, stencil: false, premultipliedAlpha: false };

function makeContext() {
  try {
    return screenCanvas.getContext("webgl2", CONTEXT_ATTRIBUTES);
  } catch (error) {
    return null;
  }
}

function init() {
  startLoading();
  if (!makeContext()) {
    showError("This browser cannot show WebGL 2, which the invitation draws with. " +
              "Turn on hardware acceleration, or try another browser.");
    return false;
  }
  screenCanvas.tabIndex = -1;
  screenCanvas.addEventListener("webglcontextlost", event => {
    event.preventDefault();
    showError("The browser took WebGL away from the invitation (its graphics context was lost). Reload the page.");
  });
  if (CHECK_MODE) return true;
  watchSize();
  startButton.addEventListener("click", start);
  startButton.focus();
  againButton.addEventListener("click", playAgain);
  escapeButton.addEventListener("click", sendEscape);
  screenCanvas.addEventListener("pointerdown", event => {
    if (document.body.dataset.state !== "running" || !invitation.picture) return;
    const point = picturePoint(event);
    invitation.program._web_tap(point.x, point.y);
  });
  for (const type of ["pointermove", "pointerdown", "keydown"]) window.addEventListener(type, wakeControls);
  wakeControls();
  fullscreenButton.hidden = !document.fullscreenEnabled;
  fullscreenButton.addEventListener("click", () => { toggleFullscreen(); screenCanvas.focus(); });
  document.addEventListener("fullscreenchange", () => {
    fullscreenButton.textContent = document.fullscreenElement ? "Leave fullscreen" : "Fullscreen";
  });
  window.addEventListener("keydown", event => {
    if ((event.key === "f" || event.key === "F") && !event.repeat && !event.ctrlKey && !event.altKey && !event.metaKey) {
      event.preventDefault();
      toggleFullscreen();
    }
  });
  return true;
}

if (init() && !CHECK_MODE) prepareBehindStart();
