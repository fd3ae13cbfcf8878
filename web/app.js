// A minimal page: one live picture and frame-rate label per camera.
"use strict";
const token = new URLSearchParams(location.search).get("token");
const suffix = token ? "?token=" + encodeURIComponent(token) : "";
fetch("/api/cameras" + suffix).then((r) => r.json()).then((cameras) => {
  const list = document.getElementById("cameras");
  for (const camera of cameras) {
    const figure = document.createElement("figure");
    const img = document.createElement("img");
    img.src = "/api/cameras/" + camera.id + "/live.mjpg" + suffix;
    const caption = document.createElement("figcaption");
    caption.textContent = camera.name + " - " + camera.fps_caption;
    figure.append(img, caption);
    list.append(figure);
  }
});
