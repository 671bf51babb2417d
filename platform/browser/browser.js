// The page's side of the browser backend (backend_browser.cpp): the canvas, the page's
// events in a queue the program drains when it pumps, waits that yield to the browser,
// sound and the saved records.
mergeInto(LibraryManager.library, {
  $ZellPage__postset: 'ZellPage.init();',
  $ZellPage: {
    queue: [],
    wake: null,        // ends the current wait early when an event arrives
    held: 0,           // pointer buttons pressed on the canvas and not yet released
    canvas: null, shown: null, ime: null, pending: null, framePending: false, factor: 1,
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
    // The text field takes typed text (and brings up a touch device's keyboard) only while the
    // program reads a line; otherwise printable keys arrive as text from their key-downs.
    textInput: false,
    setTextInput: function(on) {
      ZellPage.textInput = on;
      if (on) ZellPage.ime.focus({preventScroll: true});
      else ZellPage.ime.blur();
    },
    // A touch waits this long for a second finger before it is a press of the left button; two
    // fingers down together are one click of the right button (giving up, as on touch ports of
    // desktop games). A finger that moves further than kSlop CSS pixels is a press at once.
    kTwoFingerMs: 120, kSlop: 8,
    touch: null,       // the first finger while it waits: {id, p, x, y, timer}
    touchIds: {},      // fingers on the canvas: id -> 'left' (its press was sent) or 'gesture'
    listen: function() {
      var shown = ZellPage.shown, ime = ZellPage.ime;
      // Keys the program takes are kept from the browser (F5 does not reload, Tab does not move
      // the focus); printable keys go on to the text field while a line is read, whose text
      // arrives as typed text, and are typed text themselves otherwise.
      var taken = /^(Enter|Escape|Backspace|Tab|Arrow.*|Home|End|PageUp|PageDown|Insert|Delete|Clear|F[0-9]+)$/;
      window.addEventListener('keydown', function(e) {
        if (e.target && e.target.tagName === 'BUTTON' && (e.key === 'Enter' || e.key === ' ')) return;
        ZellPage.unlockAudio();
        var composing = e.isComposing || e.keyCode === 229;
        if (!composing && (taken.test(e.key) || (e.ctrlKey && (e.key === 'c' || e.key === 'C'))))
          e.preventDefault();
        ZellPage.push(1, [ZellPage.modifiers(e)], e.key);
        if (!composing && document.activeElement !== ime && Array.from(e.key).length === 1 && !e.ctrlKey &&
            !e.altKey && !e.metaKey) {
          e.preventDefault();
          ZellPage.push(3, [], e.key);
        }
      }, true);
      window.addEventListener('keyup', function(e) { ZellPage.push(2, [0], e.key); }, true);
      ime.addEventListener('input', function(e) {
        // A touch keyboard's Enter may come only as a line break in the field.
        if (e.inputType === 'insertLineBreak' || e.inputType === 'insertParagraph') ZellPage.push(1, [0], 'Enter');
        else if (!e.isComposing && e.inputType === 'insertText' && e.data) ZellPage.push(3, [], e.data);
        if (!e.isComposing) ime.value = '';
      });
      ime.addEventListener('compositionend', function(e) {
        if (e.data) ZellPage.push(3, [], e.data);
        ime.value = '';
      });
      var buttonOf = function(e) { return e.button === 0 ? 0 : e.button === 2 ? 1 : -1; };
      var press = function(p, b) {
        ZellPage.held |= 1 << b;
        ZellPage.push(4, [p[0], p[1], ZellPage.held]);
        ZellPage.push(5, [p[0], p[1], b]);
      };
      var release = function(p, b) {
        if (!(ZellPage.held & (1 << b))) return;
        ZellPage.held &= ~(1 << b);
        ZellPage.push(6, [p[0], p[1], b]);
      };
      // The waiting finger becomes a press of the left button, where it went down.
      var pressTouch = function() {
        var t = ZellPage.touch;
        if (!t) return;
        ZellPage.touch = null;
        clearTimeout(t.timer);
        ZellPage.touchIds[t.id] = 'left';
        press(t.p, 0);
      };
      var onTouchDown = function(e) {
        var t = ZellPage.touch;
        if (t) {
          // A second finger while the first waits: the right button, clicked where the first is.
          clearTimeout(t.timer);
          ZellPage.touch = null;
          ZellPage.touchIds[t.id] = ZellPage.touchIds[e.pointerId] = 'gesture';
          press(t.p, 1);
          release(t.p, 1);
          return;
        }
        if (Object.keys(ZellPage.touchIds).length) { ZellPage.touchIds[e.pointerId] = 'gesture'; return; }
        ZellPage.touch = {id: e.pointerId, p: ZellPage.pointerAt(e), x: e.clientX, y: e.clientY,
                          timer: setTimeout(pressTouch, ZellPage.kTwoFingerMs)};
      };
      shown.addEventListener('pointerdown', function(e) {
        ZellPage.unlockAudio();
        e.preventDefault();
        if (ZellPage.textInput) ime.focus({preventScroll: true});
        try { shown.setPointerCapture(e.pointerId); } catch (err) {}
        if (e.pointerType === 'touch') { onTouchDown(e); return; }
        var b = buttonOf(e);
        if (b >= 0) press(ZellPage.pointerAt(e), b);
      });
      var up = function(e) {
        if (e.pointerType === 'touch') {
          var t = ZellPage.touch;
          if (t && t.id === e.pointerId) pressTouch();
          var kind = ZellPage.touchIds[e.pointerId];
          delete ZellPage.touchIds[e.pointerId];
          if (kind === 'left') release(ZellPage.pointerAt(e), 0);
          return;
        }
        var b = buttonOf(e);
        if (b >= 0) release(ZellPage.pointerAt(e), b);
      };
      shown.addEventListener('pointerup', up);
      shown.addEventListener('pointercancel', up);
      shown.addEventListener('pointermove', function(e) {
        if (e.pointerType === 'touch') {
          var t = ZellPage.touch;
          if (t && t.id === e.pointerId && Math.hypot(e.clientX - t.x, e.clientY - t.y) > ZellPage.kSlop) pressTouch();
          if (ZellPage.touchIds[e.pointerId] !== 'left') return;
        }
        var p = ZellPage.pointerAt(e);
        ZellPage.push(4, [p[0], p[1], ZellPage.held]);
      });
      shown.addEventListener('contextmenu', function(e) { e.preventDefault(); });
      window.addEventListener('resize', function() { ZellPage.push(8, []); });
      document.addEventListener('fullscreenchange', function() { ZellPage.push(8, []); });
      // Shown again: the picture is drawn afresh (the host held the game meanwhile).
      document.addEventListener('visibilitychange', function() { ZellPage.push(8, []); });
    },
    // A short line on the page (a save that failed, a record set aside), until it is closed.
    notice: function(text) {
      var box = document.getElementById('notice');
      if (!box) return;
      box.querySelector('span').textContent = text;
      box.hidden = false;
    },
    // Shows the last presented picture: its pixels to the source canvas, then up by the
    // whole factor of the canvas's backing store, every pixel a sharp square; the page scales
    // that to the canvas's place smoothly (sharp mode) or not at all (whole-factor mode).
    // Once per display frame at most, however often the program presents.
    frame: function() {
      ZellPage.framePending = false;
      var src = ZellPage.canvas, shown = ZellPage.shown, pending = ZellPage.pending;
      // The program's copy of the picture, already in the canvas's byte order; a view made now,
      // as the program's memory may have grown since it was presented.
      var image = pending && new ImageData(new Uint8ClampedArray(HEAPU8.buffer, pending.pixels,
          pending.width * pending.height * 4), pending.width, pending.height);
      if (pending && !ZellPage.firstFrame) {
        // The very first picture goes straight onto the canvas at its own size, which the page
        // scales: drawing it up by the whole factor would cost as much again while the player
        // waits for anything to show. The next display frame draws it again the sharp way.
        shown.width = pending.width;
        shown.height = pending.height;
        shown.getContext('2d').putImageData(image, 0, 0);
        ZellPage.firstFrame = performance.now();
        document.body.dataset.firstFrameMs = String(Math.round(ZellPage.firstFrame));
        document.dispatchEvent(new Event('zellfirstframe'));
        ZellPage.requestFrame();
        return;
      }
      if (pending) {
        ZellPage.pending = null;
        src.getContext('2d').putImageData(image, 0, 0);
      }
      // The backing store: the picture times the whole factor the program chose.
      if (shown.width !== src.width * ZellPage.factor || shown.height !== src.height * ZellPage.factor) {
        shown.width = src.width * ZellPage.factor;
        shown.height = src.height * ZellPage.factor;
      }
      var sc = shown.getContext('2d');
      sc.imageSmoothingEnabled = false;
      sc.drawImage(src, 0, 0, shown.width, shown.height);
      // A page that embeds or tests the game may watch the frames.
      if (pending && typeof window.zellOnPresent === 'function') window.zellOnPresent(src);
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
    // The last picture is shown now: its bytes go with the program.
    while (ZellPage.pending) ZellPage.frame();
    var ended = document.getElementById('ended');
    if (ended) ended.hidden = false;
  },
  zell_page_area__deps: ['$ZellPage'],
  // The area is the page but for the hint's bar (below the picture, or beside it on a phone on its
  // side); the canvas lies in it where the program places it.
  zell_page_area: function(w, h, ratio) {
    var area = document.getElementById('area');
    var r = area ? area.getBoundingClientRect() : {width: window.innerWidth, height: window.innerHeight};
    setValue(w, Math.max(1, r.width), 'double');
    setValue(h, Math.max(1, r.height), 'double');
    setValue(ratio, window.devicePixelRatio || 1, 'double');
  },
  zell_page_text_input__deps: ['$ZellPage'],
  zell_page_text_input: function(on) { ZellPage.setTextInput(!!on); },
  zell_page_hidden: function() { return document.visibilityState === 'hidden' ? 1 : 0; },
  zell_page_notice__deps: ['$ZellPage'],
  zell_page_notice: function(text) { ZellPage.notice(UTF8ToString(text)); },
  zell_page_place_canvas__deps: ['$ZellPage'],
  zell_page_place_canvas: function(cssX, cssY, cssW, cssH, factor) {
    var shown = ZellPage.shown;
    shown.style.left = cssX + 'px';
    shown.style.top = cssY + 'px';
    shown.style.width = cssW + 'px';
    shown.style.height = cssH + 'px';
    ZellPage.factor = factor;
    ZellPage.requestFrame();
  },
  zell_page_present__deps: ['$ZellPage'],
  zell_page_present: function(pixels, width, height) {
    var src = ZellPage.canvas;
    if (src.width !== width || src.height !== height) { src.width = width; src.height = height; }
    // The program keeps these bytes as they are until it presents the next picture.
    ZellPage.pending = {pixels: pixels, width: width, height: height};
    // The first picture at once: the page has shown nothing yet.
    if (!ZellPage.firstFrame) ZellPage.frame();
    else ZellPage.requestFrame();
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
