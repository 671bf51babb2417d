// The page's side of the browser backend (backend_browser.cpp): the canvas, the page's
// events in a queue the program drains when it pumps, waits that yield to the browser,
// sound and the saved records.
mergeInto(LibraryManager.library, {
  $ZellPage__postset: 'ZellPage.init();',
  $ZellPage: {
    queue: [],
    wake: null,        // ends the current wait early when an event arrives
    held: 0,           // pointer buttons pressed on the canvas and not yet released
    canvas: null, shown: null, ime: null, pending: null, framePending: false,
    audio: null, midiOut: null, midiAccess: null,
    init: function() {
      if (typeof document === 'undefined') return;
      // Web MIDI is asked for at once; until the player allows it the Web Audio voice plays.
      if (navigator.requestMIDIAccess) {
        try {
          navigator.requestMIDIAccess().then(function(access) {
            ZellPage.midiAccess = access;
            access.outputs.forEach(function(port) { if (!ZellPage.midiOut) ZellPage.midiOut = port; });
          }, function() {});
        } catch (e) {}
      }
    },
    push: function(kind, numbers, text) {
      ZellPage.queue.push({kind: kind, numbers: numbers, text: text || ''});
      if (ZellPage.wake) { var w = ZellPage.wake; ZellPage.wake = null; w(); }
    },
    unlockAudio: function() {
      var AC = window.AudioContext || window.webkitAudioContext;
      if (!AC) return;
      if (!ZellPage.audio) { try { ZellPage.audio = new AC(); } catch (e) { return; } }
      if (ZellPage.audio.state === 'suspended') ZellPage.audio.resume();
    },
    // The pointer in hundredths of a CSS pixel from the canvas's top-left corner.
    pointerAt: function(e) {
      var r = ZellPage.shown.getBoundingClientRect();
      return [Math.round((e.clientX - r.left) * 100), Math.round((e.clientY - r.top) * 100)];
    },
    modifiers: function(e) {
      return (e.shiftKey ? 1 : 0) | (e.ctrlKey ? 2 : 0) | (e.altKey ? 4 : 0) |
             ((e.isComposing || e.keyCode === 229) ? 8 : 0);
    },
    listen: function() {
      var shown = ZellPage.shown, ime = ZellPage.ime;
      var focusIme = function() { ime.focus({preventScroll: true}); };
      // Keys the program takes are kept from the browser (F5 does not reload, Tab does not move
      // the focus); printable keys go on to the text field, whose text arrives as typed text.
      var taken = /^(Enter|Escape|Backspace|Tab|Arrow.*|Home|End|PageUp|PageDown|Insert|Delete|Clear|F[0-9]+)$/;
      window.addEventListener('keydown', function(e) {
        ZellPage.unlockAudio();
        var composing = e.isComposing || e.keyCode === 229;
        if (!composing && (taken.test(e.key) || (e.ctrlKey && (e.key === 'c' || e.key === 'C'))))
          e.preventDefault();
        ZellPage.push(1, [ZellPage.modifiers(e)], e.key);
      }, true);
      window.addEventListener('keyup', function(e) { ZellPage.push(2, [0], e.key); }, true);
      ime.addEventListener('input', function(e) {
        if (!e.isComposing && e.inputType === 'insertText' && e.data) ZellPage.push(3, [], e.data);
        if (!e.isComposing) ime.value = '';
      });
      ime.addEventListener('compositionend', function(e) {
        if (e.data) ZellPage.push(3, [], e.data);
        ime.value = '';
      });
      var buttonOf = function(e) { return e.button === 0 ? 0 : e.button === 2 ? 1 : -1; };
      shown.addEventListener('pointerdown', function(e) {
        ZellPage.unlockAudio();
        e.preventDefault();
        focusIme();
        var b = buttonOf(e);
        if (b < 0) return;
        try { shown.setPointerCapture(e.pointerId); } catch (err) {}
        ZellPage.held |= 1 << b;
        var p = ZellPage.pointerAt(e);
        ZellPage.push(4, [p[0], p[1], ZellPage.held]);
        ZellPage.push(5, [p[0], p[1], b]);
      });
      var release = function(e) {
        var b = buttonOf(e);
        if (b < 0 || !(ZellPage.held & (1 << b))) return;
        ZellPage.held &= ~(1 << b);
        var p = ZellPage.pointerAt(e);
        ZellPage.push(6, [p[0], p[1], b]);
      };
      shown.addEventListener('pointerup', release);
      shown.addEventListener('pointercancel', release);
      shown.addEventListener('pointermove', function(e) {
        var p = ZellPage.pointerAt(e);
        ZellPage.push(4, [p[0], p[1], ZellPage.held]);
      });
      shown.addEventListener('contextmenu', function(e) { e.preventDefault(); });
      window.addEventListener('resize', function() { ZellPage.push(8, []); });
      document.addEventListener('fullscreenchange', function() { ZellPage.push(8, []); });
      focusIme();
    },
    // Shows the last presented picture: its pixels to the source canvas, then up by the
    // whole factor of the canvas's backing store, every pixel a sharp square; the page scales
    // that to the canvas's place smoothly (sharp mode) or not at all (whole-factor mode).
    // Once per display frame at most, however often the program presents.
    frame: function() {
      ZellPage.framePending = false;
      var src = ZellPage.canvas, pending = ZellPage.pending;
      if (pending) {
        ZellPage.pending = null;
        var ctx = src.getContext('2d');
        if (!ZellPage.image || ZellPage.image.width !== src.width || ZellPage.image.height !== src.height)
          ZellPage.image = ctx.createImageData(src.width, src.height);
        var out = new Uint32Array(ZellPage.image.data.buffer), n = out.length;
        // 0x00RRGGBB words to the canvas's R, G, B, A bytes (a little-endian 0xAABBGGRR word).
        for (var i = 0; i < n; ++i) {
          var p = pending[i];
          out[i] = 0xFF000000 | ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
        }
        ctx.putImageData(ZellPage.image, 0, 0);
      }
      var shown = ZellPage.shown, sc = shown.getContext('2d');
      sc.imageSmoothingEnabled = false;
      sc.drawImage(src, 0, 0, shown.width, shown.height);
      // A page that embeds or tests the game may watch the frames.
      if (pending && typeof window.zellOnPresent === 'function') window.zellOnPresent(src);
      if (pending && !ZellPage.firstFrame) {
        ZellPage.firstFrame = performance.now();
        document.body.dataset.firstFrameMs = String(Math.round(ZellPage.firstFrame));
      }
    },
    requestFrame: function() {
      if (ZellPage.framePending) return;
      ZellPage.framePending = true;
      requestAnimationFrame(ZellPage.frame);
    },
  },

  zell_page_open__deps: ['$ZellPage'],
  zell_page_open: function(title, width, height) {
    document.title = UTF8ToString(title);
    var shown = document.getElementById('screen');
    ZellPage.shown = shown;
    ZellPage.ime = document.getElementById('ime');
    ZellPage.canvas = document.createElement('canvas');
    ZellPage.canvas.width = width; ZellPage.canvas.height = height;
    shown.width = width; shown.height = height;
    if (!ZellPage.listening) { ZellPage.listening = true; ZellPage.listen(); }
  },
  zell_page_close__deps: ['$ZellPage'],
  zell_page_close: function() {
    var ended = document.getElementById('ended');
    if (ended) ended.hidden = false;
  },
  zell_page_area__deps: ['$ZellPage'],
  // The area is the page above the hint; the canvas lies in it where the program places it.
  zell_page_area: function(w, h, ratio) {
    var hint = document.getElementById('hint');
    var below = hint ? hint.getBoundingClientRect().height : 0;
    setValue(w, window.innerWidth, 'double');
    setValue(h, Math.max(1, window.innerHeight - below), 'double');
    setValue(ratio, window.devicePixelRatio || 1, 'double');
  },
  zell_page_place_canvas__deps: ['$ZellPage'],
  zell_page_place_canvas: function(cssX, cssY, cssW, cssH, factor) {
    var shown = ZellPage.shown, src = ZellPage.canvas;
    shown.style.left = cssX + 'px';
    shown.style.top = cssY + 'px';
    shown.style.width = cssW + 'px';
    shown.style.height = cssH + 'px';
    // The backing store: the picture times the whole factor the program chose.
    shown.width = src.width * factor;
    shown.height = src.height * factor;
    ZellPage.requestFrame();
  },
  zell_page_present__deps: ['$ZellPage'],
  zell_page_present: function(pixels, width, height) {
    var src = ZellPage.canvas;
    if (src.width !== width || src.height !== height) { src.width = width; src.height = height; }
    // A copy: the program goes on drawing into its picture before the frame is shown.
    ZellPage.pending = HEAPU32.slice(pixels >> 2, (pixels >> 2) + width * height);
    ZellPage.requestFrame();
  },
  zell_page_queued__deps: ['$ZellPage'],
  zell_page_queued: function() { return ZellPage.queue.length; },
  zell_page_next_event__deps: ['$ZellPage'],
  zell_page_next_event: function(numbers, text, capacity) {
    var e = ZellPage.queue.shift();
    if (!e) return 0;
    for (var i = 0; i < 4; ++i) HEAP32[(numbers >> 2) + i] = e.numbers[i] | 0;
    stringToUTF8(e.text, text, capacity);
    return e.kind;
  },
  zell_page_toggle_full_screen__deps: ['$ZellPage'],
  zell_page_toggle_full_screen: function() {
    if (document.fullscreenElement) { document.exitFullscreen(); return; }
    var el = document.documentElement;
    if (el.requestFullscreen) el.requestFullscreen().catch(function() {});
  },
  zell_page_full_screen: function() { return document.fullscreenElement ? 1 : 0; },
  zell_page_yield__deps: ['$ZellPage'],
  // wakeable: an event arriving ends the wait early (a pump waiting for input), else the
  // wait lasts its time (a pause).
  zell_page_yield: function(ms, wakeable) {
    return Asyncify.handleSleep(function(wakeUp) {
      var done = false;
      var resume = function() { if (!done) { done = true; ZellPage.wake = null; wakeUp(); } };
      if (ms <= 0) {
        // A message to ourselves runs after the browser's queued work without the 4 ms clamp
        // of nested timers.
        var ch = ZellPage.channel || (ZellPage.channel = new MessageChannel());
        ch.port1.onmessage = resume;
        ch.port2.postMessage(0);
      } else {
        if (wakeable) ZellPage.wake = resume;
        setTimeout(resume, ms);
      }
    });
  },
  zell_page_beep__deps: ['$ZellPage'],
  zell_page_beep: function() {
    var ac = ZellPage.audio;
    if (!ac || ac.state !== 'running') return;
    var o = ac.createOscillator(), g = ac.createGain(), t = ac.currentTime;
    o.type = 'square'; o.frequency.value = 880;
    g.gain.value = 0.08;
    o.connect(g); g.connect(ac.destination);
    o.start(t); o.stop(t + 0.06);
  },
  zell_page_message__deps: ['$ZellPage'],
  zell_page_message: function(title, text) {
    var box = document.getElementById('message');
    var t = UTF8ToString(title) + ': ' + UTF8ToString(text);
    if (box) { box.textContent = t; box.hidden = false; }
  },
  zell_page_set_icon__deps: ['$ZellPage'],
  zell_page_set_icon: function(pixels, width, height, transparent) {
    var c = document.createElement('canvas');
    c.width = width; c.height = height;
    var ctx = c.getContext('2d'), img = ctx.createImageData(width, height);
    var out = new Uint32Array(img.data.buffer), base = pixels >> 2;
    for (var i = 0; i < width * height; ++i) {
      var p = HEAPU32[base + i];
      out[i] = p === transparent ? 0 : (0xFF000000 | ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF));
    }
    ctx.putImageData(img, 0, 0);
    var link = document.querySelector('link[rel="icon"]');
    if (!link) { link = document.createElement('link'); link.rel = 'icon'; document.head.appendChild(link); }
    link.href = c.toDataURL('image/png');
  },
  zell_sound_available__deps: ['$ZellPage'],
  zell_sound_available: function() {
    return (navigator.requestMIDIAccess || window.AudioContext || window.webkitAudioContext) ? 1 : 0;
  },
  zell_sound_name__deps: ['$ZellPage'],
  zell_sound_name: function() {
    var name = ZellPage.midiOut ? 'Web MIDI: ' + ZellPage.midiOut.name : 'Web Audio voice';
    var len = lengthBytesUTF8(name) + 1, p = _malloc(len);
    stringToUTF8(name, p, len);
    return p;
  },
  zell_sound_send__deps: ['$ZellPage'],
  zell_sound_send: function(message) {
    var status = message & 0xFF, d1 = (message >> 8) & 0x7F, d2 = (message >> 16) & 0x7F;
    if (ZellPage.midiOut) {
      var bytes = (status & 0xE0) === 0xC0 ? [status, d1] : [status, d1, d2];
      try { ZellPage.midiOut.send(bytes); return; } catch (e) { ZellPage.midiOut = null; }
    }
    // The built-in voice: a short plucked tone for each note-on; note-offs need nothing.
    var ac = ZellPage.audio;
    if (!ac || ac.state !== 'running' || (status & 0xF0) !== 0x90 || d2 === 0) return;
    var o = ac.createOscillator(), g = ac.createGain(), t = ac.currentTime;
    o.type = 'triangle';
    o.frequency.value = 440 * Math.pow(2, (d1 - 69) / 12);
    g.gain.setValueAtTime(0.25 * d2 / 127, t);
    g.gain.exponentialRampToValueAtTime(0.001, t + 0.35);
    o.connect(g); g.connect(ac.destination);
    o.start(t); o.stop(t + 0.4);
  },
  // Saved records in localStorage under "zell-bowling/<name>", each byte one character 0..255.
  zell_store_read: function(name, length) {
    var v = null;
    try { v = window.localStorage.getItem('zell-bowling/' + UTF8ToString(name)); } catch (e) { return -1; }
    if (v === null) return 0;
    var p = _malloc(v.length + 1);
    for (var i = 0; i < v.length; ++i) HEAPU8[p + i] = v.charCodeAt(i) & 0xFF;
    setValue(length, v.length, 'i32');
    return p;
  },
  zell_store_write: function(name, bytes, length) {
    var s = '';
    for (var i = 0; i < length; i += 8192)
      s += String.fromCharCode.apply(null, HEAPU8.subarray(bytes + i, bytes + Math.min(length, i + 8192)));
    // One setItem replaces the record whole or not at all.
    try { window.localStorage.setItem('zell-bowling/' + UTF8ToString(name), s); return 1; } catch (e) { return 0; }
  },
  zell_store_move: function(from, to) {
    try {
      var ls = window.localStorage, a = 'zell-bowling/' + UTF8ToString(from), b = 'zell-bowling/' + UTF8ToString(to);
      var v = ls.getItem(a);
      if (v === null || ls.getItem(b) !== null) return 0;
      ls.setItem(b, v);
      ls.removeItem(a);
      return 1;
    } catch (e) { return 0; }
  },
});
