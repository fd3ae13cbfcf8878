// The page of `zentrik serve`: the cameras' pictures, zone outlines and controls, the zone
// editor, the event log and the snapshot gallery, all through the server's HTTP API.
"use strict";

(() => {
  const FRAME_WIDTH = 320;
  const FRAME_HEIGHT = 240;
  const MAX_EVENTS = 300;
  const TILE_REFRESH_MS = 500;
  const PROCESSED_REFRESH_MS = 250;
  const CAMERA_REFRESH_MS = 5000;
  const GALLERY_REFRESH_MS = 10000;
  const MESSAGE_LIFETIME_MS = 20000;

  const token = new URLSearchParams(location.search).get("token");
  const cameras = new Map();
  let selected = null;
  let eventSeq = 0;
  // Figures the browser tests read: frames shown from the stream and their delay in ms.
  const stats = (window.zentrikStats = { liveFrames: 0, latencies: [], eventDelays: [] });

  const $ = (id) => document.getElementById(id);

  // ---- requests -------------------------------------------------------------------------------

  function withToken(path) {
    if (!token) return path;
    return path + (path.includes("?") ? "&" : "?") + "token=" + encodeURIComponent(token);
  }

  function cameraPath(id, rest) {
    return "/api/cameras/" + encodeURIComponent(id) + (rest || "");
  }

  async function api(method, path, body) {
    const init = { method, headers: {} };
    if (token) init.headers.Authorization = "Bearer " + token;
    if (body !== undefined) {
      init.headers["Content-Type"] = "application/json";
      init.body = JSON.stringify(body);
    }
    const response = await fetch(withToken(path), init);
    const text = await response.text();
    let data = null;
    if (text) {
      try {
        data = JSON.parse(text);
      } catch {
        data = { error: text };
      }
    }
    if (!response.ok) {
      const reason = data && data.error ? data.error : response.status + " " + response.statusText;
      throw new Error(reason);
    }
    return data;
  }

  // Runs a request and shows its failure as a message instead of throwing.
  async function attempt(what, action) {
    try {
      return await action();
    } catch (error) {
      showMessage(what + " failed", error.message, "error");
      return null;
    }
  }

  // ---- colours --------------------------------------------------------------------------------

  // The control's colour values are 0x00BBGGRR.
  function colorCss(value) {
    const v = Number(value) >>> 0;
    const hex = (n) => n.toString(16).padStart(2, "0");
    return "#" + hex(v & 0xff) + hex((v >> 8) & 0xff) + hex((v >> 16) & 0xff);
  }

  function colorBasic(value) {
    return "&H" + (Number(value) >>> 0).toString(16).toUpperCase().padStart(6, "0");
  }

  // Reads "&HBBGGRR", "0xBBGGRR" or a decimal colour value; null when it is none of them.
  function parseColor(text) {
    const t = String(text).trim();
    let m = /^(?:&H|0x)([0-9a-f]{1,8})&?$/i.exec(t);
    if (m) return parseInt(m[1], 16) | 0;
    m = /^-?\d+$/.exec(t);
    return m ? parseInt(t, 10) : null;
  }

  function swatch(el, value) {
    el.style.background = value === null || value < 0 ? "transparent" : colorCss(value);
    el.title = value === null ? "" : colorBasic(value);
  }

  // A table cell with a colour's swatch and &H value (empty without one); the row keeps the value.
  function colourCell(row, value) {
    const cell = document.createElement("td");
    if (value === undefined || value === null) return cell;
    row.dataset.color = value;
    const chip = document.createElement("span");
    chip.className = "swatch";
    swatch(chip, value);
    cell.append(chip, " " + colorBasic(value));
    return cell;
  }

  // ---- messages -------------------------------------------------------------------------------

  const recentMessages = new Map();
  const READOUT = /^X = .* \(as long variable\)$/;

  // Shows a message box of the control as a banner. A box reaches the page twice (in the answer
  // to the request that raised it and on the event stream) and is shown once; the pixel
  // read-out has a place of its own under the pictures.
  function showMessage(title, text, kind, camera) {
    if (READOUT.test(text)) return;
    const key = (camera || "") + "\n" + title + "\n" + text;
    const now = Date.now();
    if (now - (recentMessages.get(key) || 0) < 2000) return;
    recentMessages.set(key, now);
    const box = document.createElement("div");
    box.className = "message " + (kind || "info");
    box.setAttribute("role", kind === "error" ? "alert" : "status");
    const heading = document.createElement("strong");
    heading.textContent = title + (camera ? " \u2014 " + camera : "");
    const body = document.createElement("span");
    body.className = "message-text";
    body.textContent = text;
    const close = document.createElement("button");
    close.type = "button";
    close.className = "message-close";
    close.textContent = "\u00d7";
    close.title = "Dismiss";
    close.onclick = () => box.remove();
    box.append(heading, body, close);
    $("messages").prepend(box);
    while ($("messages").children.length > 5) $("messages").lastElementChild.remove();
    setTimeout(() => box.remove(), MESSAGE_LIFETIME_MS);
  }

  function showMessages(list, camera) {
    for (const m of list || []) showMessage(m.title || "Zentrik", m.text, "info", camera);
  }

  // ---- outlines -------------------------------------------------------------------------------

  function percent(value, whole) {
    return (100 * value) / whole + "%";
  }

  function drawOutlines(container, outlines) {
    const boxes = [];
    for (const o of outlines || []) {
      if (!o.visible) continue;
      const box = document.createElement("div");
      box.className = "outline";
      box.dataset.zone = o.zone;
      box.dataset.left = o.left;
      box.dataset.top = o.top;
      box.dataset.width = o.width;
      box.dataset.height = o.height;
      box.style.left = percent(o.left, FRAME_WIDTH);
      box.style.top = percent(o.top, FRAME_HEIGHT);
      box.style.width = percent(o.width, FRAME_WIDTH);
      box.style.height = percent(o.height, FRAME_HEIGHT);
      box.style.borderColor = o.css || colorCss(o.color);
      const label = document.createElement("span");
      label.className = "outline-label";
      label.textContent = o.zone;
      box.append(label);
      boxes.push(box);
    }
    container.replaceChildren(...boxes);
  }

  function refreshOutlines(camera) {
    const tile = tileOf(camera.id);
    if (tile) drawOutlines(tile.querySelector(".outlines"), camera.outlines);
    if (camera.id !== selected) return;
    drawOutlines($("live-outlines"), camera.outlines);
    drawOutlines($("processed-outlines"), camera.outlines);
  }

  // ---- camera grid ----------------------------------------------------------------------------

  function tileOf(id) {
    return document.querySelector('.tile[data-camera="' + CSS.escape(id) + '"]');
  }

  function makeTile(camera) {
    const tile = document.createElement("article");
    tile.className = "tile";
    tile.dataset.camera = camera.id;
    tile.tabIndex = 0;
    tile.innerHTML =
      '<div class="frame"><img class="tile-live" alt="" draggable="false">' +
      '<div class="outlines"></div></div>' +
      '<div class="tile-info"><b class="tile-name"></b><span class="fps"></span>' +
      '<span class="tile-state"></span></div>';
    tile.querySelector(".tile-name").textContent = camera.name || camera.id;
    tile.addEventListener("click", () => select(camera.id));
    tile.addEventListener("keydown", (e) => {
      if (e.key === "Enter") select(camera.id);
    });
    refreshTilePicture(tile, camera.id);
    return tile;
  }

  // A tile shows single pictures a few times a second: one stream per tile would exhaust the
  // browser's connections per server.
  function refreshTilePicture(tile, id) {
    const img = tile.querySelector("img");
    const next = (delay) =>
      setTimeout(() => {
        if (!tile.isConnected) return;
        if (document.hidden) return next(TILE_REFRESH_MS);
        img.src = withToken(cameraPath(id, "/live.jpg?t=" + Date.now()));
      }, delay);
    img.onload = () => next(TILE_REFRESH_MS);
    img.onerror = () => next(4 * TILE_REFRESH_MS);
    next(0);
  }

  function updateTile(camera) {
    const tile = tileOf(camera.id);
    if (!tile) return;
    tile.querySelector(".fps").textContent = camera.fps_caption || "";
    const state = tile.querySelector(".tile-state");
    state.textContent = camera.source_state || "";
    state.dataset.state = camera.source_state || "";
    state.title = camera.source_message || "";
    tile.classList.toggle("selected", camera.id === selected);
  }

  function renderGrid() {
    const grid = $("grid");
    for (const camera of cameras.values()) {
      if (!tileOf(camera.id)) grid.append(makeTile(camera));
      updateTile(camera);
      refreshOutlines(camera);
    }
  }

  // ---- the opened camera ----------------------------------------------------------------------

  function storeCamera(camera) {
    const known = cameras.get(camera.id) || {};
    const merged = Object.assign(known, camera);
    cameras.set(camera.id, merged);
    updateTile(merged);
    if (camera.outlines) refreshOutlines(merged);
    if (merged.id === selected) showDetail(merged);
    return merged;
  }

  function showDetail(camera) {
    $("detail-name").textContent = camera.name || camera.id;
    $("detail-fps").textContent = camera.fps_caption || "";
    $("detail-status").textContent = camera.status_caption || "";
    const source = $("detail-source");
    source.textContent = camera.source_state === "running" ? "" : camera.source_state || "";
    source.title = camera.source_message || "";
    source.dataset.state = camera.source_state || "";
    $("detail-version").textContent = camera.version_caption || "";
    $("detail-frame").textContent = camera.frame ?? "";
    setControl("ctl-layer", camera.layer);
    setControl("ctl-colordepth", camera.colordepth);
    setControl("ctl-debugpreview", camera.debugpreview);
    setControl("ctl-active", camera.active);
    $("stage-processed").hidden = !camera.debugpreview;
    if (camera.zones) renderZones(camera);
  }

  // Leaves an input the user is editing alone, unless it shows the answer to the user's write.
  function setControl(id, value, force) {
    const el = $(id);
    if (value === undefined || (document.activeElement === el && !force)) return;
    if (el.type === "checkbox") el.checked = Boolean(value);
    else el.value = String(value);
  }

  function select(id) {
    if (!cameras.has(id)) return;
    selected = id;
    history.replaceState(null, "", "#" + encodeURIComponent(id));
    $("detail").hidden = false;
    for (const camera of cameras.values()) updateTile(camera);
    const camera = cameras.get(id);
    showDetail(camera);
    refreshOutlines(camera);
    $("readout").hidden = true;
    $("draw-rect").hidden = true;
    liveView.start(withToken(cameraPath(id, "/live.mjpg")));
    processedView.kick();
    loadCamera(id);
    loadGallery();
  }

  async function loadCamera(id) {
    const camera = await attempt("Reading camera " + id, () => api("GET", cameraPath(id)));
    if (camera) storeCamera(camera);
  }

  async function writeProperties(change) {
    const id = selected;
    const answer = await attempt("Setting " + Object.keys(change).join(", "), () =>
      api("PUT", cameraPath(id, "/properties"), change),
    );
    if (!answer) return loadCamera(id);
    showMessages(answer.messages, id);
    const camera = Object.assign({}, answer);
    delete camera.messages;
    if (camera.id === undefined) camera.id = id;
    const stored = storeCamera(camera);
    // A rejected or corrected value shows at once, even in the input still focused.
    for (const name of Object.keys(change)) setControl("ctl-" + name, stored[name], true);
  }

  function bindControls() {
    $("ctl-layer").addEventListener("change", (e) => {
      const layer = parseInt(e.target.value, 10);
      if (Number.isFinite(layer)) writeProperties({ layer });
    });
    $("ctl-colordepth").addEventListener("change", (e) =>
      writeProperties({ colordepth: Number(e.target.value) }),
    );
    $("ctl-debugpreview").addEventListener("change", (e) =>
      writeProperties({ debugpreview: e.target.checked }),
    );
    $("ctl-active").addEventListener("change", (e) => writeProperties({ active: e.target.checked }));
  }

  // ---- live picture ---------------------------------------------------------------------------

  // Reads the MJPEG stream with fetch, so that each frame's arrival is known and the server's
  // frame time stamp (when it sends one) gives the frame-to-browser delay.
  class LiveView {
    constructor(img) {
      this.img = img;
      this.abort = null;
      this.pending = null;
      this.busy = false;
    }

    start(url) {
      this.stop();
      this.abort = new AbortController();
      this.run(url, this.abort.signal);
    }

    stop() {
      if (this.abort) this.abort.abort();
      this.abort = null;
    }

    async run(url, signal) {
      try {
        const response = await fetch(url, { signal });
        if (!response.ok || !response.body) throw new Error("HTTP " + response.status);
        const reader = response.body.getReader();
        let buffer = new Uint8Array(0);
        for (;;) {
          const { value, done } = await reader.read();
          if (done) break;
          buffer = joinBytes(buffer, value);
          for (let part = takePart(buffer); part; part = takePart(buffer)) {
            buffer = part.rest;
            this.show(part);
          }
        }
      } catch (error) {
        if (signal.aborted) return;
      }
      if (!signal.aborted) setTimeout(() => !signal.aborted && this.run(url, signal), 1000);
    }

    // Shows the newest frame; frames that arrive while one is decoding replace each other.
    show(part) {
      this.pending = part;
      if (this.busy) return;
      this.busy = true;
      const frame = this.pending;
      this.pending = null;
      const url = URL.createObjectURL(new Blob([frame.body], { type: "image/jpeg" }));
      const old = this.img.src;
      this.img.onload = this.img.onerror = () => {
        if (old.startsWith("blob:")) URL.revokeObjectURL(old);
        this.noteShown(frame.headers);
        this.busy = false;
        if (this.pending) this.show(this.pending);
      };
      this.img.src = url;
    }

    noteShown(headers) {
      stats.liveFrames += 1;
      const stamp = Number(headers["x-timestamp"] || headers["x-frame-time"]);
      if (stamp > 0) {
        stats.latencies.push(Date.now() - stamp);
        if (stats.latencies.length > 1000) stats.latencies.shift();
      }
      if (headers["x-frame"]) this.img.dataset.frame = headers["x-frame"];
    }
  }

  function joinBytes(a, b) {
    const out = new Uint8Array(a.length + b.length);
    out.set(a, 0);
    out.set(b, a.length);
    return out;
  }

  function indexOfBytes(buffer, pattern, from) {
    outer: for (let i = from; i <= buffer.length - pattern.length; i++) {
      for (let j = 0; j < pattern.length; j++) {
        if (buffer[i + j] !== pattern[j]) continue outer;
      }
      return i;
    }
    return -1;
  }

  const HEADER_END = [13, 10, 13, 10];
  const JPEG_END = [0xff, 0xd9];

  // One part of a multipart stream: its headers (the boundary line is skipped as a line without
  // a colon) and its body, by Content-Length or else up to the end of the JPEG.
  function takePart(buffer) {
    const headerEnd = indexOfBytes(buffer, HEADER_END, 0);
    if (headerEnd < 0) return null;
    const headers = {};
    const head = new TextDecoder().decode(buffer.subarray(0, headerEnd));
    for (const line of head.split("\r\n")) {
      const m = /^([^:]+):\s*(.*)$/.exec(line);
      if (m) headers[m[1].trim().toLowerCase()] = m[2].trim();
    }
    const start = headerEnd + 4;
    const length = parseInt(headers["content-length"], 10);
    let end;
    if (length >= 0) {
      if (buffer.length < start + length) return null;
      end = start + length;
    } else {
      const jpegEnd = indexOfBytes(buffer, JPEG_END, start);
      if (jpegEnd < 0) return null;
      end = jpegEnd + 2;
    }
    return { headers, body: buffer.slice(start, end), rest: buffer.subarray(end) };
  }

  // ---- processed picture and pixel read-out ---------------------------------------------------

  class ProcessedView {
    constructor(img) {
      this.img = img;
      this.timer = null;
      img.onload = img.onerror = () => this.schedule(PROCESSED_REFRESH_MS);
    }

    kick() {
      this.schedule(0);
    }

    schedule(delay) {
      clearTimeout(this.timer);
      this.timer = setTimeout(() => this.load(), delay);
    }

    load() {
      const camera = cameras.get(selected);
      if (!camera || !camera.debugpreview || document.hidden) {
        return this.schedule(4 * PROCESSED_REFRESH_MS);
      }
      this.img.src = withToken(cameraPath(selected, "/processed.bmp?t=" + Date.now()));
    }
  }

  // Pixel of the picture under a pointer event, in the 320 x 240 frame.
  function framePoint(event, element) {
    const rect = element.getBoundingClientRect();
    const x = Math.floor(((event.clientX - rect.left) * FRAME_WIDTH) / rect.width);
    const y = Math.floor(((event.clientY - rect.top) * FRAME_HEIGHT) / rect.height);
    return {
      x: Math.min(Math.max(x, 0), FRAME_WIDTH - 1),
      y: Math.min(Math.max(y, 0), FRAME_HEIGHT - 1),
    };
  }

  async function readPixel(event) {
    const point = framePoint(event, $("processed"));
    const answer = await attempt("Reading the pixel", () =>
      api("POST", cameraPath(selected, "/pixel"), point),
    );
    if (!answer) return;
    const readout = $("readout");
    readout.hidden = false;
    readout.dataset.x = point.x;
    readout.dataset.y = point.y;
    readout.dataset.color = answer.color;
    $("readout-text").textContent = answer.text;
    swatch($("readout-swatch"), answer.color);
    // The read-out is the colour a colour zone needs: the editor takes it at once.
    $("zone-color").value = colorBasic(answer.color);
    swatch($("zone-color-swatch"), answer.color);
  }

  // ---- zone editor ----------------------------------------------------------------------------

  function bindDrawing() {
    const frame = $("live-frame");
    const rect = $("draw-rect");
    let start = null;
    frame.addEventListener("pointerdown", (e) => {
      if (e.button !== 0) return;
      e.preventDefault();
      frame.setPointerCapture(e.pointerId);
      start = framePoint(e, frame);
      placeDrawing(start, start);
      rect.hidden = false;
    });
    frame.addEventListener("pointermove", (e) => {
      if (start) placeDrawing(start, framePoint(e, frame));
    });
    const finish = (e) => {
      if (!start) return;
      const end = framePoint(e, frame);
      const box = placeDrawing(start, end);
      start = null;
      if (box.width < 2 || box.height < 2) {
        rect.hidden = true;
        return;
      }
      $("zone-left").value = box.left;
      $("zone-top").value = box.top;
      $("zone-width").value = box.width;
      $("zone-height").value = box.height;
    };
    frame.addEventListener("pointerup", finish);
    frame.addEventListener("pointercancel", () => {
      start = null;
      rect.hidden = true;
    });
  }

  // Places the drawn rectangle spanning both corner pixels; returns it in frame pixels.
  function placeDrawing(a, b) {
    const box = {
      left: Math.min(a.x, b.x),
      top: Math.min(a.y, b.y),
      width: Math.abs(a.x - b.x) + 1,
      height: Math.abs(a.y - b.y) + 1,
    };
    const rect = $("draw-rect");
    rect.style.left = percent(box.left, FRAME_WIDTH);
    rect.style.top = percent(box.top, FRAME_HEIGHT);
    rect.style.width = percent(box.width, FRAME_WIDTH);
    rect.style.height = percent(box.height, FRAME_HEIGHT);
    return box;
  }

  function intField(id) {
    return parseInt($(id).value, 10);
  }

  function zoneFromEditor() {
    const zone = {
      layer: intField("zone-layer"),
      zone: intField("zone-number"),
      kind: $("zone-kind").value,
      left: intField("zone-left"),
      top: intField("zone-top"),
      width: intField("zone-width"),
      height: intField("zone-height"),
      percentage: intField("zone-percentage"),
    };
    for (const [key, value] of Object.entries(zone)) {
      if (key !== "kind" && !Number.isFinite(value)) {
        throw new Error("Fill in " + key + (key === "left" ? " (draw a rectangle)" : ""));
      }
    }
    if (zone.kind === "color") {
      zone.color = parseColor($("zone-color").value);
      if (zone.color === null) throw new Error("Pick a colour: click the processed picture");
    }
    return zone;
  }

  // Zone edits answer with the camera, its outlines already refreshed by the server.
  async function editZones(what, method, rest, body) {
    const id = selected;
    const camera = await attempt(what, () => api(method, cameraPath(id, rest), body));
    if (camera) storeCamera(camera);
    return camera;
  }

  async function addZone() {
    let zone;
    try {
      zone = zoneFromEditor();
    } catch (error) {
      return showMessage("Zone not added", error.message, "error");
    }
    if (await editZones("Adding the zone", "POST", "/zones", zone)) $("draw-rect").hidden = true;
  }

  function removeZone(zone) {
    const rest = "/zones/" + zone.layer + "/" + zone.zone + "?kind=" + zone.kind;
    return editZones("Removing the zone", "DELETE", rest);
  }

  function clearLayer() {
    const layer = intField("clear-layer");
    return editZones("Clearing layer " + layer, "POST", "/clear", { layer });
  }

  function editZone(zone) {
    $("zone-kind").value = zone.kind;
    $("zone-layer").value = zone.layer;
    $("zone-number").value = zone.zone;
    $("zone-left").value = zone.left;
    $("zone-top").value = zone.top;
    $("zone-width").value = zone.width;
    $("zone-height").value = zone.height;
    $("zone-percentage").value = zone.percentage;
    if (zone.color !== undefined) {
      $("zone-color").value = colorBasic(zone.color);
      swatch($("zone-color-swatch"), zone.color);
    }
    $("zone-color-row").dataset.kind = zone.kind;
  }

  function renderZones(camera) {
    const rows = [...camera.zones].sort(
      (a, b) => a.layer - b.layer || a.zone - b.zone || a.kind.localeCompare(b.kind),
    );
    const body = $("zone-list");
    body.replaceChildren();
    for (const zone of rows) {
      const tr = document.createElement("tr");
      tr.className = "zone-row" + (zone.layer === camera.layer ? " current" : "");
      for (const key of ["layer", "zone", "kind", "left", "top", "width", "height", "percentage"]) {
        tr.dataset[key] = zone[key];
        const td = document.createElement("td");
        td.textContent = key === "zone" && zone.name ? zone.zone + " " + zone.name : zone[key];
        tr.append(td);
      }
      if (zone.name) tr.dataset.name = zone.name;
      const colour = colourCell(tr, zone.color);
      const actions = document.createElement("td");
      const remove = document.createElement("button");
      remove.type = "button";
      remove.className = "zone-remove";
      remove.textContent = "Remove";
      remove.onclick = (e) => {
        e.stopPropagation();
        removeZone(zone);
      };
      actions.append(remove);
      tr.append(colour, actions);
      tr.onclick = () => editZone(zone);
      body.append(tr);
    }
  }

  // ---- event log ------------------------------------------------------------------------------

  function timeText(time) {
    const date = new Date(typeof time === "number" ? time : Date.parse(time));
    return isNaN(date) ? String(time) : date.toISOString().slice(11, 23);
  }

  function logEvent(e) {
    const raised = typeof e.time === "number" ? e.time : Date.parse(e.time);
    if (raised > 0) {
      stats.eventDelays.push(Date.now() - raised);
      if (stats.eventDelays.length > 1000) stats.eventDelays.shift();
    }
    const tr = document.createElement("tr");
    tr.className = "event " + (e.status ? "on" : "off") + (e.warmup ? " warmup" : "");
    eventSeq += 1;
    Object.assign(tr.dataset, {
      seq: eventSeq,
      camera: e.camera,
      layer: e.layer,
      zone: e.zone,
      kind: e.kind,
      status: e.status ? "on" : "off",
      percentage: e.percentage,
      frame: e.frame ?? "",
      time: e.time ?? "",
      name: e.name ?? "",
    });
    const cells = [
      timeText(e.time),
      e.camera,
      e.kind,
      e.layer,
      e.name ? e.zone + " " + e.name : e.zone,
      (e.status ? "ON" : "off") + (e.warmup ? " (warm-up)" : ""),
      e.percentage + "%",
    ];
    for (const text of cells) {
      const td = document.createElement("td");
      td.textContent = text;
      tr.append(td);
    }
    tr.append(colourCell(tr, e.color));
    const log = $("event-log");
    log.prepend(tr);
    while (log.children.length > MAX_EVENTS) log.lastElementChild.remove();
  }

  // ---- gallery --------------------------------------------------------------------------------

  async function loadGallery() {
    if (!selected) return [];
    const id = selected;
    const list = await api("GET", cameraPath(id, "/snapshots")).catch(() => null);
    if (!list || id !== selected) return [];
    const gallery = $("gallery");
    gallery.replaceChildren();
    for (const shot of list) {
      const link = document.createElement("a");
      link.className = "snapshot";
      link.dataset.name = shot.name;
      link.href = withToken(cameraPath(id, "/snapshots/" + encodeURIComponent(shot.name)));
      link.target = "_blank";
      link.rel = "noopener";
      if (/\.(jpe?g|bmp|png)$/i.test(shot.name)) {
        const img = document.createElement("img");
        img.loading = "lazy";
        img.alt = shot.name;
        img.src = link.href;
        link.append(img);
      }
      const caption = document.createElement("span");
      caption.textContent = shot.name + " \u00b7 " + Math.ceil((shot.size || 0) / 1024) + " KB";
      link.append(caption);
      gallery.append(link);
    }
    if (!list.length) gallery.textContent = "No snapshots yet.";
    return list;
  }

  // The snapshot is written with the next frame: the gallery is read again until it shows it.
  async function snapshotNow() {
    const answer = await attempt("Snapshot", () =>
      api("POST", cameraPath(selected, "/snapshot"), {}),
    );
    if (!answer) return;
    for (let i = 0; i < 20; i++) {
      const list = await loadGallery();
      if (list.some((s) => s.name === answer.name)) return;
      await new Promise((resolve) => setTimeout(resolve, 250));
    }
    showMessage("Snapshot", answer.name + " was not written (is the camera active?)", "error");
  }

  // ---- about box ------------------------------------------------------------------------------

  async function showAbout() {
    const about = await attempt("About", () => api("GET", "/api/about"));
    if (!about) return;
    $("about-title").textContent = about.title;
    $("about-lines").replaceChildren(
      ...(about.lines || []).map((line) => {
        const p = document.createElement("p");
        p.textContent = line;
        return p;
      }),
    );
    $("about").showModal();
  }

  // ---- server events --------------------------------------------------------------------------

  function connectEvents() {
    const source = new EventSource(withToken("/api/events"));
    const connection = $("connection");
    const on = (type, handler) =>
      source.addEventListener(type, (message) => {
        let data;
        try {
          data = JSON.parse(message.data);
        } catch {
          return;
        }
        handler(data);
      });
    source.onopen = () => {
      connection.dataset.state = "live";
      connection.textContent = "live";
    };
    source.onerror = () => {
      connection.dataset.state = "reconnecting";
      connection.textContent = "reconnecting\u2026";
    };
    on("zone", logEvent);
    // An event snapshot was written: the gallery of the camera on show takes it in.
    on("snapshot", (data) => {
      if (data.camera === selected) loadGallery();
    });
    on("outlines", (data) => {
      const camera = cameras.get(data.camera);
      if (!camera) return;
      camera.outlines = data.outlines;
      refreshOutlines(camera);
    });
    on("message", (data) => showMessages([data], data.camera));
    on("camera", (data) => {
      if (!cameras.has(data.camera)) return;
      const change = Object.assign({}, data, { id: data.camera });
      delete change.camera;
      storeCamera(change);
    });
  }

  // ---- start ----------------------------------------------------------------------------------

  let liveView = null;
  let processedView = null;

  async function start() {
    liveView = new LiveView($("live"));
    processedView = new ProcessedView($("processed"));
    bindControls();
    bindDrawing();
    $("processed").addEventListener("click", readPixel);
    $("zone-add").addEventListener("click", addZone);
    $("clear-button").addEventListener("click", clearLayer);
    $("snapshot-now").addEventListener("click", snapshotNow);
    $("about-button").addEventListener("click", showAbout);
    $("readout-use").addEventListener("click", () => {
      $("zone-kind").value = "color";
      $("zone-color-row").dataset.kind = "color";
      $("zone-editor").scrollIntoView({ behavior: "smooth", block: "nearest" });
    });
    $("zone-kind").addEventListener("change", (e) => {
      $("zone-color-row").dataset.kind = e.target.value;
    });
    $("zone-color").addEventListener("input", (e) =>
      swatch($("zone-color-swatch"), parseColor(e.target.value)),
    );
    $("zone-color-row").dataset.kind = $("zone-kind").value;
    connectEvents();
    const list = await attempt("Reading the cameras", () => api("GET", "/api/cameras"));
    for (const camera of list || []) cameras.set(camera.id, camera);
    renderGrid();
    const wanted = decodeURIComponent(location.hash.slice(1));
    if (cameras.size) select(cameras.has(wanted) ? wanted : cameras.keys().next().value);
    setInterval(async () => {
      if (!selected || document.hidden) return;
      const camera = await api("GET", cameraPath(selected)).catch(() => null);
      if (camera) storeCamera(camera);
    }, CAMERA_REFRESH_MS);
    setInterval(() => !document.hidden && loadGallery(), GALLERY_REFRESH_MS);
    document.body.dataset.ready = "true";
  }

  // The script is inserted by the page's loader and may run before the page is parsed.
  if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", start);
  else start();
})();
