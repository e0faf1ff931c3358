// The kiosk page: a price-query terminal in a browser.  It keeps a WebSocket to Tarifon
// (/ws), sends what the scanner types followed by Enter, shows the answer in large type,
// and between scans shows the idle texts, the quick message and the picture set.  The
// messages are described in docs/web.md.
"use strict";

const ANSWER_SECONDS = 6;      // how long an answer stays on the screen
const SLIDE_SECONDS = 5;       // a picture whose pause is below 1
const REPLY_SECONDS = 5;       // a scan unanswered this long is given up
const FIRST_RETRY_MS = 1000;   // reconnecting: 1 s, doubling up to 30 s
const LAST_RETRY_MS = 30000;

const $ = (id) => document.getElementById(id);
const screens = ["idle", "answer", "notice", "picture"];

const state = {
  socket: null,
  retryMs: FIRST_RETRY_MS,
  retryTimer: 0,
  aliveTimer: 0,
  aliveEveryMs: 10000,
  seq: Math.floor(Date.now() / 1000) % 100000 * 1000,
  waitingSeq: null,
  screenTimer: 0,
  pictures: new Map(),   // index -> {src, loop, pause}
  slideTimer: 0,
  slideOrder: [],
  slidePosition: 0,
  uploading: false,
};

// ---- what the page keeps across restarts ----------------------------------

function stored(key, fallback) {
  try {
    const value = JSON.parse(localStorage.getItem("tarifon." + key));
    return value === null ? fallback : value;
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

let netConfig = stored("net", { text1: "", text2: "", text3: "", text4: "", time: 5 });
let updConfig = stored("upd", {
  gateway: "", nameServer: "", terminalName: "", updateServer: "", user: "", password: "",
});

// ---- screens ----------------------------------------------------------------

function show(name, seconds) {
  for (const s of screens) $(s).hidden = s !== name;
  clearTimeout(state.screenTimer);
  if (name === "idle") {
    startSlides();
  } else {
    stopSlides();
    if (seconds > 0) state.screenTimer = setTimeout(() => show("idle"), seconds * 1000);
  }
}

function showAnswer(kind, description, price) {
  $("answer").className = "screen " + kind;
  $("description").textContent = description;
  $("price").textContent = price;
  show("answer", ANSWER_SECONDS);
}

function showIdleTexts() {
  const lines = [netConfig.text1, netConfig.text2, netConfig.text3, netConfig.text4]
    .filter((t) => t && t.trim() !== "");
  const box = $("idle-texts");
  box.textContent = "";
  for (const line of lines) {
    const div = document.createElement("div");
    div.textContent = line;
    box.appendChild(div);
  }
  $("terminal-name").textContent = updConfig.terminalName || "";
}

// ---- the picture set ----------------------------------------------------------

function startSlides() {
  stopSlides();
  state.slideOrder = [];
  const indexes = [...state.pictures.keys()].sort((a, b) => a - b);
  for (const index of indexes) {
    const p = state.pictures.get(index);
    for (let i = 0; i < Math.max(1, p.loop); i++) state.slideOrder.push(index);
  }
  state.slidePosition = 0;
  nextSlide();
}

function stopSlides() {
  clearTimeout(state.slideTimer);
}

function nextSlide() {
  const img = $("slide");
  if (state.slideOrder.length === 0) {
    img.hidden = true;
    img.removeAttribute("src");
    return;
  }
  const index = state.slideOrder[state.slidePosition % state.slideOrder.length];
  state.slidePosition++;
  const p = state.pictures.get(index);
  if (img.getAttribute("src") !== p.src) img.src = p.src;
  img.hidden = false;
  const seconds = p.pause >= 1 ? p.pause : SLIDE_SECONDS;
  state.slideTimer = setTimeout(nextSlide, seconds * 1000);
}

function showPicture(src, seconds, terminalPicture) {
  const img = $("picture-image");
  img.className = terminalPicture ? "terminal-picture" : "";
  img.src = src;
  show("picture", seconds);
}

function picture(m) {
  const src = m.data ? "data:" + m.mime + ";base64," + m.data : null;
  switch (m.kind) {
    case "instant":
      if (src) showPicture(src, m.pause, true);
      break;
    case "uploadBegin":
      state.uploading = true;
      if (src) showPicture(src, 0, true);
      break;
    case "uploadClear":
      state.pictures.clear();
      break;
    case "uploadPicture":
      if (src) state.pictures.set(m.index, { src: src, loop: m.loop, pause: m.pause });
      break;
    case "uploadEnd":
      state.uploading = false;
      if (src) showPicture(src, 2, true);
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

function setStatus(text) {
  $("status").textContent = text || "";
  $("status").hidden = !text;
}

// After the answer is out, so that Tarifon hears it before the page goes.
function reloadAfterSending() {
  const wait = () => {
    if (!state.socket || state.socket.bufferedAmount === 0) location.reload();
    else setTimeout(wait, 50);
  };
  setTimeout(wait, 100);
}

function handle(m) {
  switch (m.type) {
    case "welcome":
      state.retryMs = FIRST_RETRY_MS;
      state.aliveEveryMs = Math.max(1000, Math.floor(m.idleTimeoutMs / 3));
      setStatus("");
      send({ type: "response", code: 392 });  // the picture set, please
      break;
    case "price":
      if (m.seq === state.waitingSeq) {
        state.waitingSeq = null;
        showAnswer("found", m.description, m.price);
      }
      break;
    case "notFound":
      if (m.seq === state.waitingSeq) {
        state.waitingSeq = null;
        showAnswer("not-found", "", "Produto não encontrado");
      }
      break;
    case "failed":
      if (m.seq === state.waitingSeq) {
        state.waitingSeq = null;
        showAnswer("failed", "", "Consulta indisponível no momento");
      }
      break;
    case "message":
      $("notice-line1").textContent = m.line1;
      $("notice-line2").textContent = m.line2;
      show("notice", m.time);
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
      netConfig = { text1: m.text1, text2: m.text2, text3: m.text3, text4: m.text4, time: m.time };
      store("net", netConfig);
      showIdleTexts();
      break;
    case "getUpdConfig":
      send(Object.assign({ type: "updConfig" }, updConfig));
      break;
    case "setUpdConfig":
      updConfig = {
        gateway: m.gateway, nameServer: m.nameServer, terminalName: m.terminalName,
        updateServer: m.updateServer, user: m.user, password: m.password,
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
  socket.onmessage = (event) => {
    let m;
    try {
      m = JSON.parse(event.data);
    } catch (e) {
      return;
    }
    handle(m);
  };
  socket.onclose = () => {
    if (state.socket !== socket) return;
    state.socket = null;
    clearTimeout(state.aliveTimer);
    const seconds = Math.round(state.retryMs / 1000);
    setStatus("Sem conexão com o servidor de preços. Nova tentativa em " + seconds + " s.");
    clearTimeout(state.retryTimer);
    state.retryTimer = setTimeout(connect, state.retryMs);
    state.retryMs = Math.min(state.retryMs * 2, LAST_RETRY_MS);
  };
}

// ---- the scanner ---------------------------------------------------------------------

function scan(code) {
  code = code.replace(/[\r\n\t ]+$/, "");
  if (code === "") return;
  if (!state.socket || state.socket.readyState !== WebSocket.OPEN) {
    showAnswer("failed", "", "Sem conexão com o servidor de preços");
    return;
  }
  state.seq = (state.seq + 1) % 4294967296;
  state.waitingSeq = state.seq;
  send({ type: "scan", code: code, seq: state.seq });
  const seq = state.seq;
  setTimeout(() => {
    if (state.waitingSeq === seq) {
      state.waitingSeq = null;
      showAnswer("failed", "", "Sem resposta do servidor de preços");
    }
  }, REPLY_SECONDS * 1000);
}

function keepFocus() {
  const input = $("scanner");
  if (document.activeElement !== input) input.focus();
}

$("scanner").addEventListener("keydown", (event) => {
  if (event.key !== "Enter") return;
  event.preventDefault();
  const input = $("scanner");
  scan(input.value);
  input.value = "";
});
document.addEventListener("click", keepFocus);
setInterval(keepFocus, 1000);

showIdleTexts();
show("idle");
keepFocus();
connect();
