# Writes the licence notices of the fonts built into the program (GNU Unifont, the Shinonome
# JIS font), as Debian ships them, into OUT: the Windows zip's FONT-LICENSES.txt.
set(text "Zell Bowling draws its text with glyphs generated at build time from these fonts.\n")
foreach(pair "GNU Unifont;/usr/share/doc/unifont/copyright"
             "Shinonome 16-dot JIS font;/usr/share/doc/xfonts-shinonome/copyright")
  list(GET pair 0 name)
  list(GET pair 1 file)
  file(READ ${file} notice)
  string(APPEND text "\n==== ${name} (${file} on Debian) ====\n\n${notice}")
endforeach()
file(WRITE ${OUT} "${text}")
