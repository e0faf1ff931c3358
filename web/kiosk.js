// The kiosk page: a price-query terminal in a browser.  It keeps a WebSocket to Tarifon
// (/ws), sends what the scanner types followed by Enter, shows the answer in large type,
// and between scans shows the shop's texts, the quick message and the picture set.  The
// messages are described in docs/web.md.
"use strict";

const ANSWER_SECONDS = 6;      // how long an answer stays on the screen
const SLIDE_SECONDS = 5;       // a picture whose pause is below 1
const UPDATED_SECONDS = 2;     // the picture that ends an upload
const REPLY_SECONDS = 5;       // a scan unanswered this long is given up
const CONNECT_SECONDS = 10;    // a connection attempt that hangs this long is given up
const FIRST_RETRY_MS = 1000;   // reconnecting: 1 s, doubling up to 30 s
const LAST_RETRY_MS = 30000;

const TEXT = {
  notFound: "Produto não encontrado",
  notFoundNote: "Confira o código ou peça ajuda a um atendente",
  failed: "Consulta indisponível no momento",
  noReply: "Sem resposta do servidor de preços",
  offline: "Sem conexão com o servidor de preços",
  tryAgain: "Tente novamente em instantes",
  code: "Código ",
  retryIn: (s) => "Sem conexão com o servidor de preços · nova tentativa em " + s + " s",
  retrying: "Sem conexão com o servidor de preços · reconectando…",
};

const $ = (id) => document.getElementById(id);
const screens = ["idle", "answer", "picture"];

const state = {
  socket: null,
  retryMs: FIRST_RETRY_MS,
  retryAt: 0,
  retryTimer: 0,
  countdownTimer: 0,
  connectTimer: 0,
  aliveTimer: 0,
  aliveEveryMs: 10000,
  silenceTimer: 0,
  silenceMs: 60000,
  seq: Math.floor(Date.now() / 1000) % 100000 * 1000,
  waitingSeq: null,
  lastCode: "",
  screen: "idle",
  screenTimer: 0,
  messageTimer: 0,
  pictures: new Map(),   // index -> {src, loop, pause}
  slideTimer: 0,
  slideOrder: [],
  slidePosition: 0,
  slideShown: null,      // src of the picture on the screen
};

// ---- what the page keeps across restarts ----------------------------------

function stored(key, fallback) {
  try {
    const value = JSON.parse(localStorage.getItem("tarifon." + key));
    return value === null ? fallback : Object.assign({}, fallback, value);
  } catch (e) {
    return fallback;
  }
}

function store(key, value) {
  try {
    localStorage.setItem("tarifon." + key, JSON.stringify(value));
  } catch (e) {
    // A browser without storage forgets at the next start; the page works on.
  }
}

// Texts missing from a message count as empty, numbers as 0 (docs/web.md).
const text = (v) => (typeof v === "string" ? v : "");
const whole = (v) => (Number.isInteger(v) ? v : 0);

let netConfig = stored("net", { text1: "", text2: "", text3: "", text4: "", time: 5 });
let updConfig = stored("upd", {
  gateway: "", nameServer: "", terminalName: "", updateServer: "", user: "", password: "",
});

// ---- fitting long texts ----------------------------------------------------

// The largest font size (px, between min and max) at which the element shows all of its
// text within its own box (the CSS gives it a width and a height limit).
function fit(el, maxPx, minPx) {
  const overflows = () => el.scrollHeight > el.clientHeight + 1 || el.scrollWidth > el.clientWidth + 1;
  el.style.fontSize = maxPx + "px";
  if (!overflows()) return;
  let lo = minPx;
  let hi = maxPx;
  while (hi - lo > 1) {
    const mid = (lo + hi) / 2;
    el.style.fontSize = mid + "px";
    if (overflows()) hi = mid;
    else lo = mid;
  }
  el.style.fontSize = lo + "px";
}

// Sizes from the screen: a wide screen is bounded by its height, a tall one by its width.
function sized(widthShare, heightShare) {
  return Math.min(innerWidth * widthShare, innerHeight * heightShare);
}

function fitAnswer() {
  if ($("answer").classList.contains("found")) {
    fit($("description"), sized(0.1, 0.1), 14);
    fit($("price"), sized(0.22, 0.26), 24);
  } else {
    fit($("price"), sized(0.09, 0.11), 16);
  }
}

function fitMessage() {
  fit($("message-line1"), sized(0.1, 0.14), 16);
  fit($("message-line2"), sized(0.07, 0.1), 14);
}

// ---- screens ----------------------------------------------------------------

function show(name, seconds) {
  state.screen = name;
  for (const s of screens) $(s).hidden = s !== name;
  clearTimeout(state.screenTimer);
  if (name === "idle") {
    startSlides();
  } else {
    stopSlides();
    hideMessage();  // something else took the screen
    if (seconds > 0) state.screenTimer = setTimeout(() => show("idle"), seconds * 1000);
  }
}

// kind: "found", "not-found" or "failed".
function showAnswer(kind, description, price, note) {
  $("answer").className = "screen " + kind;
  $("description").textContent = description;
  $("price").textContent = price;
  $("answer-note").textContent = note || "";
  $("answer-code").textContent = state.lastCode ? TEXT.code + state.lastCode : "";
  show("answer", ANSWER_SECONDS);
  fitAnswer();
  // The bar at the foot empties until the page goes back to the idle screen.
  const timer = $("answer-timer");
  timer.style.animation = "none";
  void timer.offsetWidth;
  timer.style.animation = "drain " + ANSWER_SECONDS + "s linear forwards";
}

function showIdleTexts() {
  const lines = [netConfig.text1, netConfig.text2, netConfig.text3, netConfig.text4]
    .map(text)
    .filter((t) => t.trim() !== "");
  const box = $("idle-texts");
  box.textContent = "";
  for (const line of lines) {
    const div = document.createElement("div");
    div.textContent = line;
    box.appendChild(div);
  }
  $("terminal-name").textContent = text(updConfig.terminalName);
}

// The quick message takes the idle screen for `seconds` (0: until something else does).
function showMessage(line1, line2, seconds) {
  $("message-line1").textContent = line1;
  $("message-line2").textContent = line2;
  if (state.screen !== "idle") show("idle");
  $("message").hidden = false;
  fitMessage();
  clearTimeout(state.messageTimer);
  if (seconds > 0) state.messageTimer = setTimeout(hideMessage, seconds * 1000);
}

function hideMessage() {
  clearTimeout(state.messageTimer);
  $("message").hidden = true;
}

// ---- the picture set ----------------------------------------------------------

// By number, round after round, each picture `loop` times in a row (below 1: once).
function startSlides() {
  stopSlides();
  state.slideOrder = [];
  const indexes = [...state.pictures.keys()].sort((a, b) => a - b);
  for (const index of indexes) {
    const p = state.pictures.get(index);
    for (let i = 0; i < Math.max(1, p.loop); i++) state.slideOrder.push(index);
  }
  state.slidePosition = 0;
  $("welcome").hidden = state.slideOrder.length > 0;
  if (state.slideOrder.length === 0) {
    for (const img of document.querySelectorAll(".slide")) {
      img.classList.remove("shown");
      img.removeAttribute("src");
    }
    state.slideShown = null;
    return;
  }
  nextSlide();
}

function stopSlides() {
  clearTimeout(state.slideTimer);
}

// Cross-fades to the next picture once it is decoded; a picture the browser cannot show is
// passed over (after its pause, so a set of broken pictures does not spin).
function nextSlide() {
  const index = state.slideOrder[state.slidePosition % state.slideOrder.length];
  state.slidePosition++;
  const p = state.pictures.get(index);
  const seconds = p.pause >= 1 ? p.pause : SLIDE_SECONDS;
  state.slideTimer = setTimeout(nextSlide, seconds * 1000);
  if (state.slideShown === p.src) return;
  const [a, b] = document.querySelectorAll(".slide");
  const showing = a.classList.contains("shown") ? a : b;
  const next = showing === a ? b : a;
  next.src = p.src;
  next.decode().then(
    () => {
      if (next.getAttribute("src") !== p.src) return;  // a later picture took over
      next.classList.add("shown");
      showing.classList.remove("shown");
      state.slideShown = p.src;
    },
    () => {},
  );
}

function showPicture(src, seconds) {
  $("picture-image").src = src;
  show("picture", seconds);
}

function picture(m) {
  const src = m.data ? "data:" + m.mime + ";base64," + m.data : null;
  switch (m.kind) {
    case "instant":
      if (src) showPicture(src, whole(m.pause));
      break;
    case "uploadBegin":
      if (src) showPicture(src, 0);
      break;
    case "uploadClear":
      state.pictures.clear();
      break;
    case "uploadPicture":
      if (src) state.pictures.set(m.index, { src: src, loop: whole(m.loop), pause: whole(m.pause) });
      break;
    case "uploadEnd":
      if (src) showPicture(src, UPDATED_SECONDS);
      else show("idle");
      break;
  }
}

// ---- the connection -------------------------------------------------------------

function send(message) {
  if (state.socket && state.socket.readyState === WebSocket.OPEN) {
    state.socket.send(JSON.stringify(message));
    resetAlive();
  }
}

function resetAlive() {
  clearTimeout(state.aliveTimer);
  state.aliveTimer = setTimeout(() => send({ type: "alive" }), state.aliveEveryMs);
}

// Tarifon sends a keep-alive every few seconds; a link silent for much longer is dead
// without having said so (a Wi-Fi drop leaves it half open), so it is closed and made again.
function resetSilence() {
  clearTimeout(state.silenceTimer);
  state.silenceTimer = setTimeout(() => {
    if (state.socket) state.socket.close();
  }, state.silenceMs);
}

function setStatus(message) {
  $("status-text").textContent = message || "";
  $("status").hidden = !message;
}

function showCountdown() {
  const seconds = Math.max(0, Math.ceil((state.retryAt - Date.now()) / 1000));
  setStatus(seconds > 0 ? TEXT.retryIn(seconds) : TEXT.retrying);
}

// After the answer is out, so that Tarifon hears it before the page goes.
function reloadAfterSending() {
  const wait = () => {
    if (!state.socket || state.socket.bufferedAmount === 0) location.reload();
    else setTimeout(wait, 50);
  };
  setTimeout(wait, 100);
}

function answered(m) {
  if (m.seq !== state.waitingSeq) return false;  // for an older scan
  state.waitingSeq = null;
  return true;
}

function handle(m) {
  switch (m.type) {
    case "welcome":
      state.retryMs = FIRST_RETRY_MS;
      state.aliveEveryMs = Math.max(1000, Math.floor(whole(m.idleTimeoutMs) / 3));
      state.silenceMs = Math.max(60000, 2 * whole(m.idleTimeoutMs));
      clearInterval(state.countdownTimer);
      setStatus("");
      send({ type: "response", code: 392 });  // the picture set, please
      break;
    case "price":
      if (answered(m)) showAnswer("found", text(m.description), text(m.price));
      break;
    case "notFound":
      if (answered(m)) showAnswer("not-found", "", TEXT.notFound, TEXT.notFoundNote);
      break;
    case "failed":
      if (answered(m)) showAnswer("failed", "", TEXT.failed, TEXT.tryAgain);
      break;
    case "message":
      showMessage(text(m.line1), text(m.line2), whole(m.time));
      break;
    case "picture":
      picture(m);
      break;
    case "keepAlive":
      send({ type: "alive" });
      break;
    case "getNetConfig":
      send(Object.assign({ type: "netConfig" }, netConfig));
      break;
    case "setNetConfig":
      netConfig = {
        text1: text(m.text1), text2: text(m.text2), text3: text(m.text3), text4: text(m.text4),
        time: whole(m.time),
      };
      store("net", netConfig);
      showIdleTexts();
      break;
    case "getUpdConfig":
      send(Object.assign({ type: "updConfig" }, updConfig));
      break;
    case "setUpdConfig":
      updConfig = {
        gateway: text(m.gateway), nameServer: text(m.nameServer),
        terminalName: text(m.terminalName), updateServer: text(m.updateServer),
        user: text(m.user), password: text(m.password),
      };
      store("upd", updConfig);
      showIdleTexts();
      send({ type: "response", code: 388 });
      break;
    case "checkLive":
      send({ type: "response", code: 374 });
      break;
    case "alwaysLive":
      send({ type: "response", code: 372 });  // a page always stays connected
      break;
    case "restartSoft":
      send({ type: "response", code: 378 });
      reloadAfterSending();
      break;
    case "updateSoftware":
      send({ type: "response", code: 370 });
      reloadAfterSending();  // the files are served uncached: this takes the new ones
      break;
  }
}

function connect() {
  const scheme = location.protocol === "https:" ? "wss://" : "ws://";
  const socket = new WebSocket(scheme + location.host + "/ws");
  state.socket = socket;
  if (!$("status").hidden) setStatus(TEXT.retrying);
  // An unreachable server may leave the attempt hanging for minutes.
  state.connectTimer = setTimeout(() => socket.close(), CONNECT_SECONDS * 1000);
  socket.onopen = () => {
    clearTimeout(state.connectTimer);
    resetSilence();
  };
  socket.onmessage = (event) => {
    resetSilence();
    let m;
    try {
      m = JSON.parse(event.data);
    } catch (e) {
      return;
    }
    if (m && typeof m === "object") handle(m);
  };
  socket.onclose = () => {
    if (state.socket !== socket) return;
    state.socket = null;
    clearTimeout(state.connectTimer);
    clearTimeout(state.aliveTimer);
    clearTimeout(state.silenceTimer);
    clearTimeout(state.retryTimer);
    clearInterval(state.countdownTimer);
    state.retryAt = Date.now() + state.retryMs;
    showCountdown();
    state.countdownTimer = setInterval(showCountdown, 250);
    state.retryTimer = setTimeout(() => {
      clearInterval(state.countdownTimer);
      connect();
    }, state.retryMs);
    state.retryMs = Math.min(state.retryMs * 2, LAST_RETRY_MS);
  };
}

// ---- the scanner ---------------------------------------------------------------------

function scan(code) {
  code = code.replace(/[\r\n\t ]+$/, "");
  if (code === "") return;
  state.lastCode = code;
  if (!state.socket || state.socket.readyState !== WebSocket.OPEN) {
    showAnswer("failed", "", TEXT.offline, TEXT.tryAgain);
    return;
  }
  state.seq = (state.seq + 1) % 4294967296;
  const seq = state.seq;
  state.waitingSeq = seq;
  send({ type: "scan", code: code, seq: seq });
  setTimeout(() => {
    if (state.waitingSeq === seq) {
      state.waitingSeq = null;
      showAnswer("failed", "", TEXT.noReply, TEXT.tryAgain);
    }
  }, REPLY_SECONDS * 1000);
}

function keepFocus() {
  const input = $("scanner");
  if (document.activeElement !== input) input.focus({ preventScroll: true });
}

$("scanner").addEventListener("keydown", (event) => {
  if (event.key !== "Enter") return;
  event.preventDefault();
  const input = $("scanner");
  scan(input.value);
  input.value = "";
});
document.addEventListener("pointerdown", (event) => event.preventDefault());
document.addEventListener("click", keepFocus);
setInterval(keepFocus, 1000);
addEventListener("resize", () => {
  if (!$("answer").hidden) fitAnswer();
  if (!$("message").hidden) fitMessage();
});

showIdleTexts();
show("idle");
keepFocus();
connect();
