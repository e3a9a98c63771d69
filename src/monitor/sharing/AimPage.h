#pragma once

// The phone's page: self-contained (no file, font or script from anywhere
// else), fitting a phone either way up, following Talvor by Server-Sent
// Events and sounding the tone through Web Audio once tapped (browsers play
// nothing before a tap).
inline constexpr char AimPage[] = R"PAGE(<!doctype html>
<html lang="en"><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width,initial-scale=1">
<link rel="icon" href="data:,">
<title>Talvor: aim the dish</title>
<style>
html,body{margin:0;height:100%;background:#111;color:#eee;font-family:sans-serif}
body{display:flex;flex-direction:column;align-items:center;justify-content:center;gap:3vh;text-align:center}
#n{font-size:min(42vw,40vh);font-weight:bold;line-height:1;font-variant-numeric:tabular-nums}
#n.low{color:#f55}#n.none{color:#999;font-size:min(9vw,8vh);font-weight:normal}
.row{font-size:min(6vw,5vh)}#tr{font-size:min(12vw,9vh)}
#g{position:relative;width:90vw;height:6vh;background:#333;border-radius:1vh;overflow:hidden}
#f{height:100%;width:0;background:#1c1}#f.low{background:#e33}
#t{position:absolute;top:0;bottom:0;width:4px;margin-left:-2px;background:#fff}
#st{min-height:1.2em;color:#fc6}
body.old #n,body.old #row,body.old #g{opacity:.35}
button{font-size:min(6vw,5vh);padding:1.5vh 5vw;border-radius:1vh;border:0;background:#2a5db0;color:#fff}
@media (orientation:landscape){body{gap:2vh}#n{font-size:min(26vw,45vh)}}
</style></head><body>
<div id="n" class="none">Waiting for Talvor</div>
<div id="st" class="row"></div>
<div class="row" id="row"><span id="tr">&rarr;</span> peak <b id="p">&ndash;</b> <small id="pt"></small> &middot; lowest <b id="l">&ndash;</b></div>
<div id="g"><div id="f"></div><div id="t"></div></div>
<button id="s">Tap for sound</button>
<script>
"use strict";
const $ = id => document.getElementById(id);
let audio = null, floor = 0;
// A short beep per reading, its pitch 300 Hz at the floor rising to 1500 Hz
// at 100; silent below the floor. The same rule as Talvor's own tone.
function beep(v) {
  if (!audio || v === null || v < floor) return;
  const share = Math.min(1, Math.max(0, (v - floor) / ((100 - floor) || 1)));
  const o = audio.createOscillator(), g = audio.createGain(), t = audio.currentTime;
  o.frequency.value = 300 + 1200 * share;
  g.gain.setValueAtTime(0, t);
  g.gain.linearRampToValueAtTime(0.3, t + 0.005);
  g.gain.linearRampToValueAtTime(0, t + 0.12);
  o.connect(g).connect(audio.destination);
  o.start(t);
  o.stop(t + 0.13);
}
$("s").onclick = () => {
  if (audio) { audio.close(); audio = null; $("s").textContent = "Tap for sound"; return; }
  audio = new (window.AudioContext || window.webkitAudioContext)();
  $("s").textContent = "Sound on: tap to stop";
};
const shown = v => v === null ? "\u2013" : String(v);
const clamp = v => Math.max(0, Math.min(100, v));
const url = location.pathname.replace(/\/$/, "") + "/events";
let lastAt = 0, events = null;
// Whatever the page shows stays, greyed, with how old it is: never the
// past as if it were now.
function old(why) {
  document.body.classList.add("old");
  const age = lastAt ? " \u00b7 last news " + Math.round((Date.now() - lastAt) / 1000) + " s ago" : "";
  $("st").textContent = why + age;
  $("st").dataset.why = why;
}
// Talvor speaks at every reading and every second while it waits: a longer
// silence is news too.
setInterval(() => {
  if (document.body.classList.contains("old")) old($("st").dataset.why);
  else if (lastAt && Date.now() - lastAt > 5000) old("No news from Talvor");
}, 1000);
function show(e) {
  const d = JSON.parse(e.data), n = $("n"), low = d.reading !== null && d.reading <= d.threshold;
  lastAt = Date.now();
  document.body.classList.remove("old");
  $("st").textContent = "";
  if (d.waiting !== null && d.waiting !== undefined) { n.textContent = "waiting " + d.waiting + " s"; n.className = "none"; }
  else if (d.reading === null) { n.textContent = d.reason || "No reading"; n.className = "none"; }
  else { n.textContent = d.reading; n.className = low ? "low" : ""; }
  $("p").textContent = shown(d.peak);
  $("pt").textContent = d.peak_time ? "at " + d.peak_time : "";
  $("l").textContent = shown(d.lowest);
  // No reading, no direction.
  $("tr").textContent = d.reading === null ? "\u2013" : d.trend;
  $("f").style.width = (d.reading === null ? 0 : clamp(d.reading)) + "%";
  $("f").className = low ? "low" : "";
  $("t").style.left = clamp(d.threshold) + "%";
  floor = d.floor || 0;
  beep(d.reading);
}
function connect() {
  events = new EventSource(url);
  events.onmessage = show;
  events.onerror = () => {
    // Gone for now: the browser tries again by itself.
    if (events.readyState !== EventSource.CLOSED) { old("Talvor is not answering"); return; }
    // Turned away (eight phones watch) or the page's address gone: ask why,
    // and try again every few seconds.
    events.close();
    fetch(url, { method: "HEAD", cache: "no-store" }).then(r => r.status, () => 0).then(status =>
      old(status === 503 ? "Eight phones are watching already" : "Talvor is not answering"));
    setTimeout(connect, 3000);
  };
}
connect();
</script></body></html>
)PAGE";
