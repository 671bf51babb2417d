// The page's replays: "Watch a replay" (a file picker; the page reloads and the program plays the
// file instead of the game) and the replay of each Best 20 entry of this browser as a download.
// Self-contained: it adds its own button and panel to the page and reads the records the program
// keeps in localStorage ("zell-bowling/best/best20.txt", "zell-bowling/best/replays/*.replay").
(function () {
  'use strict';
  var PREFIX = 'zell-bowling/best/replays/';

  function record(key) {
    try { return window.localStorage.getItem(key); } catch (e) { return null; }
  }
  // A record's text (one character a byte) as the bytes of a file.
  function bytes(text) {
    var b = new Uint8Array(text.length);
    for (var i = 0; i < text.length; ++i) b[i] = text.charCodeAt(i) & 0xFF;
    return b;
  }
  // The lines "key rest" of a record, by key (the first of each).
  function fields(text) {
    var out = {};
    text.split('\n').forEach(function (line) {
      var blank = line.indexOf(' ');
      if (blank > 0 && !(line.substring(0, blank) in out)) out[line.substring(0, blank)] = line.substring(blank + 1);
    });
    return out;
  }
  function replays() {
    var list = [];
    try {
      var ls = window.localStorage;
      for (var i = 0; i < ls.length; ++i) {
        var key = ls.key(i);
        if (!key || key.indexOf(PREFIX) !== 0 || !/\.replay$/.test(key)) continue;
        var text = ls.getItem(key) || '', f = fields(text), end = /\nend (\S+)\n*$/.exec(text);
        list.push({key: key, file: key.substring(PREFIX.length), text: text, level: f.level, layout: f.layout,
                   name: f.name, score: end ? end[1] : ''});
      }
    } catch (e) { /* storage refused: no replays */ }
    list.sort(function (a, b) { return a.file < b.file ? 1 : -1; });  // newest first
    return list;
  }
  // The Best 20 entries, best first: score, level, layout and the quoted name as the table writes them.
  function entries() {
    var out = [], text = record('zell-bowling/best/best20.txt') || '';
    text.split('\n').forEach(function (line) {
      var m = /^entry (\d+) (\d) (\S+) (".*")$/.exec(line);
      if (m) out.push({score: m[1], level: m[2], layout: m[3], name: m[4]});
    });
    return out;
  }
  function link(r, label) {
    var a = document.createElement('a');
    a.href = URL.createObjectURL(new Blob([bytes(r.text)], {type: 'text/plain'}));
    a.download = r.file;
    a.textContent = label;
    return a;
  }

  var panel = document.createElement('div'), button = document.createElement('button');
  button.textContent = 'Replays';
  button.style.cssText = 'position:fixed;top:4px;right:4px;z-index:10;font:12px sans-serif;opacity:.7';
  panel.id = 'zell-replays';
  panel.hidden = true;
  panel.style.cssText = 'position:fixed;top:30px;right:4px;z-index:10;max-height:80%;overflow:auto;' +
                        'background:rgba(0,0,0,.9);color:#ddd;padding:8px;font:13px sans-serif;border:1px solid #555';

  function fill() {
    panel.textContent = '';
    var pick = document.createElement('label'), input = document.createElement('input');
    input.type = 'file';
    input.accept = '.replay,text/plain';
    input.addEventListener('change', function () {
      var file = input.files && input.files[0];
      if (!file) return;
      var reader = new FileReader();
      reader.onload = function () {
        var b = new Uint8Array(reader.result), s = '';
        for (var i = 0; i < b.length; i += 8192) s += String.fromCharCode.apply(null, b.subarray(i, i + 8192));
        try { window.sessionStorage.setItem('zell-bowling-watch', s); } catch (e) { return; }
        window.location.reload();
      };
      reader.readAsArrayBuffer(file);
    });
    pick.append('Watch a replay: ', input);
    panel.append(pick);
    var all = replays(), taken = {}, list = document.createElement('ol');
    entries().forEach(function (e) {
      var item = document.createElement('li');
      item.textContent = e.score + '  ' + e.name + '  level ' + e.level + ' ' + e.layout + '  ';
      for (var i = 0; i < all.length; ++i) {
        var r = all[i];
        if (taken[r.key] || r.score !== e.score || r.level !== e.level || r.layout !== e.layout || r.name !== e.name)
          continue;
        taken[r.key] = true;
        item.append(link(r, 'download replay'));
        break;
      }
      list.append(item);
    });
    var head = document.createElement('div');
    head.textContent = 'Best 20';
    panel.append(head, list);
    if (all.length) {
      var recent = document.createElement('div');
      recent.textContent = 'Latest game: ';
      recent.append(link(all[0], all[0].file));
      panel.append(recent);
    }
  }
  button.addEventListener('click', function () {
    panel.hidden = !panel.hidden;
    if (!panel.hidden) fill();
  });
  // Keys and clicks on the panel are the page's, not the game's.
  ['keydown', 'keyup', 'keypress', 'pointerdown', 'mousedown'].forEach(function (t) {
    panel.addEventListener(t, function (ev) { ev.stopPropagation(); });
    button.addEventListener(t, function (ev) { ev.stopPropagation(); });
  });
  document.body.append(button, panel);
  fill();
})();
