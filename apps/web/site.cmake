# The served folder, made after the link (cmake -P): the loader and the module named with a hash
# of their contents (a kept page never pairs an old loader with a new module), the page that loads
# them, the manifest and its icons, the service worker that keeps them all, and compressed copies
# (.gz, and .br where Debian's brotli tool is installed) for servers that send those.
#   -DOUT=linked folder -DSITE=served folder -DSRC=apps/web -DICONS=icons folder of the host build
foreach(v OUT SITE SRC ICONS)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "site.cmake: ${v} is not set")
  endif()
endforeach()
file(SHA256 ${OUT}/zell-bowling.js loader_hash)
file(SHA256 ${OUT}/zell-bowling.wasm module_hash)
string(SHA256 tag "${loader_hash}${module_hash}")
string(SUBSTRING ${tag} 0 12 tag)
set(ZELL_LOADER zell-bowling-${tag}.js)
set(ZELL_MODULE zell-bowling-${tag}.wasm)

file(REMOVE_RECURSE ${SITE})
file(MAKE_DIRECTORY ${SITE})
file(COPY_FILE ${OUT}/zell-bowling.js ${SITE}/${ZELL_LOADER})
file(COPY_FILE ${OUT}/zell-bowling.wasm ${SITE}/${ZELL_MODULE})
configure_file(${SRC}/index.html ${SITE}/index.html @ONLY)
file(COPY_FILE ${SRC}/manifest.webmanifest ${SITE}/manifest.webmanifest)
foreach(size 64 192 512)
  file(COPY_FILE ${ICONS}/${size}x${size}/zell-bowling.png ${SITE}/icon-${size}.png)
endforeach()

# Every served file is kept by the service worker, under a name that changes with any of them.
file(GLOB served RELATIVE ${SITE} ${SITE}/*)
list(SORT served)
set(ZELL_SITE_FILES "'./'")
set(all_hashes "")
foreach(f ${served})
  string(APPEND ZELL_SITE_FILES ", './${f}'")
  file(SHA256 ${SITE}/${f} h)
  string(APPEND all_hashes ${h})
endforeach()
string(SHA256 ZELL_SITE_TAG "${all_hashes}")
string(SUBSTRING ${ZELL_SITE_TAG} 0 12 ZELL_SITE_TAG)
configure_file(${SRC}/sw.js.in ${SITE}/sw.js @ONLY)

find_program(GZIP gzip REQUIRED)
find_program(BROTLI brotli)
foreach(f index.html sw.js manifest.webmanifest ${ZELL_LOADER} ${ZELL_MODULE})
  execute_process(COMMAND ${GZIP} -9 -n -k -f ${SITE}/${f} COMMAND_ERROR_IS_FATAL ANY)
  if(BROTLI)
    execute_process(COMMAND ${BROTLI} -q 11 -k -f ${SITE}/${f} COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
