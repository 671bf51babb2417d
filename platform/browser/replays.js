// The page's side of the replays (Emscripten library): listing and removing saved records, and the
// replay file the page hands the program to watch (apps/web/replays.js puts it in sessionStorage).
mergeInto(LibraryManager.library, {
  // The names below "zell-bowling/<folder>/", each as "<folder>/<name>", joined by new lines
  // (malloc'd; null when storage is refused).
  zell_store_list: function(folder) {
    var prefix = 'zell-bowling/' + UTF8ToString(folder) + '/', names = [];
    try {
      var ls = window.localStorage;
      for (var i = 0; i < ls.length; ++i) {
        var k = ls.key(i);
        if (k && k.indexOf(prefix) === 0 && k.indexOf('/', prefix.length) < 0) names.push(k.substring(13));
      }
    } catch (e) { return 0; }
    var s = names.join('\n'), n = lengthBytesUTF8(s) + 1, p = _malloc(n);
    stringToUTF8(s, p, n);
    return p;
  },
  zell_store_remove: function(name) {
    try { window.localStorage.removeItem('zell-bowling/' + UTF8ToString(name)); return 1; } catch (e) { return 0; }
  },
  // The replay the page was asked to show, each byte one character 0..255 (malloc'd; null: none).
  zell_page_take_replay: function(length) {
    var v = null;
    try {
      v = window.sessionStorage.getItem('zell-bowling-watch');
      window.sessionStorage.removeItem('zell-bowling-watch');
    } catch (e) { return 0; }
    if (v === null) return 0;
    var p = _malloc(v.length + 1);
    for (var i = 0; i < v.length; ++i) HEAPU8[p + i] = v.charCodeAt(i) & 0xFF;
    setValue(length, v.length, 'i32');
    return p;
  },
});
