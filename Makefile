# Front end for the CMake build. `make run` and `make test` work on a fresh Debian machine.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
# Where `make install` puts the program; DESTDIR stages the installation below another root.
PREFIX ?= /usr/local
# ON: compiler warnings are errors (CI).
WERROR ?= OFF
# The build's own make runs below this one: no "Entering/Leaving directory" lines.
MAKEFLAGS += --no-print-directory

# The game as installed and packaged: a Release build of its own, with all of Debian's hardening
# flags where dpkg-buildflags is there (without -g: the installed program is stripped).
RELEASE_BUILD ?= build-release

.PHONY: all deps configure build game run test golden test-sanitize bench fuzz soak release install uninstall deb tidy format format-check clean web web-test-deps web-if-possible windows-deps windows windows-zip test-windows

all: build

deps:
	@tools/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DZELL_WERROR=$(WERROR) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The game alone: a player's first start does not wait for the tests and benchmarks.
game: configure
	@cmake --build $(BUILD) --target zell-bowling -j $(JOBS)

run: game
	./$(BUILD)/zell-bowling

test: build web-if-possible
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Re-records the expected files of the golden scenarios (tests/golden/) after an intended change.
golden: configure
	@cmake --build $(BUILD) --target zell-script -j $(JOBS)
	@tests/support/golden.sh --record $(BUILD) .

# The whole test suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	@cmake --preset sanitize -DZELL_WERROR=$(WERROR) >/dev/null
	@cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

bench: build
	./$(BUILD)/zell-bench

release: deps
	@export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CFLAGS_MAINT_STRIP=-g DEB_CXXFLAGS_MAINT_STRIP=-g; \
	CFLAGS="$$(dpkg-buildflags --get CPPFLAGS 2>/dev/null) $$(dpkg-buildflags --get CFLAGS 2>/dev/null)" \
	CXXFLAGS="$$(dpkg-buildflags --get CPPFLAGS 2>/dev/null) $$(dpkg-buildflags --get CXXFLAGS 2>/dev/null)" \
	LDFLAGS="$$(dpkg-buildflags --get LDFLAGS 2>/dev/null)" \
	cmake -S . -B $(RELEASE_BUILD) -DCMAKE_BUILD_TYPE=Release -DZELL_WERROR=$(WERROR) >/dev/null
	@cmake --build $(RELEASE_BUILD) --target zell-bowling -j $(JOBS)

# Installs the stripped Release program, its desktop entry, metainfo, manual page and icons.
install: release
	DESTDIR=$(DESTDIR) cmake --install $(RELEASE_BUILD) --prefix $(PREFIX) --strip

# Removes what the last `make install` installed (its install_manifest.txt), and the folders it created.
uninstall:
	DESTDIR=$(DESTDIR) cmake -DMANIFEST=$(RELEASE_BUILD)/install_manifest.txt -P cmake/uninstall.cmake

# The Debian package zell-bowling_VERSION_ARCH.deb, made by CPack from the Release build.
deb: release
	cd $(RELEASE_BUILD) && cpack -G DEB
	cp $(RELEASE_BUILD)/zell-bowling_*.deb .

# Kills a saving program at random moments N times and checks the saved files after each kill.
N ?= 500
soak: build
	tools/soak-saves.sh $(BUILD) $(N)

# Random scripts through the scripted runner, on one core; see README.
FUZZ_SECONDS ?= 600
fuzz: build
	nice -n 10 ./$(BUILD)/zell-fuzz --seconds $(FUZZ_SECONDS) --keep

# clang-tidy's bug-finding checks (.clang-tidy) over the runtime, the game and the tools.
# clang-tidy 16 (apt-get install clang-tidy-16): Debian's default 14 cannot read std::source_location.
CLANG_TIDY ?= clang-tidy-16
TIDY_FILES ?= $(shell git ls-files -- "*.cpp" ":!:tests/*" ":!:bench/*" ":!:apps/web/*" ":!:platform/browser/backend_browser.cpp")
tidy: configure
	@cmake --build $(BUILD) --target zell-bowling zell-script -j $(JOBS)
	$(CLANG_TIDY) -p $(BUILD) --quiet $(TIDY_FILES)

# Formats the C++ sources in the project's style (.clang-format); format-check lists what differs.
FORMAT_FILES = $(shell git ls-files -- '*.cpp' '*.h')
format: deps
	@clang-format -i $(FORMAT_FILES)

format-check: deps
	@clang-format --dry-run --Werror $(FORMAT_FILES)

# The browser version: build-web/site/ holds the page, the loader and the WebAssembly module,
# optimized for size (a page loads it on every first visit).
# Debian's emcc runs its JavaScript tools with the system's node, which finds acorn there.
WEB_BUILD ?= build-web
web: configure
	@cmake --build $(BUILD) --target zell-web-sources -j $(JOBS)
	@NODE_PATH=/usr/share/nodejs emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=MinSizeRel \
		-DZELL_HOST_BUILD=$(abspath $(BUILD)) >/dev/null
	@NODE_PATH=/usr/share/nodejs cmake --build $(WEB_BUILD) -j $(JOBS)

# The browser test's driver (puppeteer-core, as locked in tools/web-test) in the web build folder.
web-test-deps: $(WEB_BUILD)/web-test/node_modules/.package-lock.json
$(WEB_BUILD)/web-test/node_modules/.package-lock.json: tools/web-test/package.json tools/web-test/package-lock.json
	@mkdir -p $(WEB_BUILD)/web-test
	@cp tools/web-test/package.json tools/web-test/package-lock.json $(WEB_BUILD)/web-test/
	@cd $(WEB_BUILD)/web-test && npm ci --no-audit --no-fund --loglevel=error

# The browser build and its test driver where Emscripten and Chromium are installed.
web-if-possible:
	@if command -v emcc >/dev/null && command -v chromium >/dev/null && command -v npm >/dev/null; then \
		$(MAKE) --no-print-directory web web-test-deps; \
	else echo "no emcc, chromium or npm: the browser build and its test are skipped"; fi

# The Windows version, cross-compiled with MinGW-w64 into build-win/: zell-bowling.exe (and, for
# make test-windows, zell-tests.exe and zell-script.exe). Its packages are in their own list, so
# that make test needs none of them. The generated tables come from the desktop build.
WIN_BUILD ?= build-win
windows-deps:
	@tools/install-deps.sh tools/windows-packages.txt

windows: configure windows-deps
	@cmake --build $(BUILD) --target zell-web-sources -j $(JOBS)
	@cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
		-DZELL_HOST_BUILD=$(abspath $(BUILD)) -DZELL_WERROR=$(WERROR) >/dev/null
	@cmake --build $(WIN_BUILD) --target zell-bowling -j $(JOBS)

# zell-bowling-VERSION-win64.zip: the program, README.txt and the fonts' licence notices.
windows-zip: windows
	@cmake --build $(WIN_BUILD) --target windows-zip
	@cp $(WIN_BUILD)/zell-bowling-*-win64.zip .

# Under Wine on a private Xvfb display: the unit tests, every golden scenario through the
# runner (the same files as on Linux), and the real window driven with keys and the mouse.
test-windows: windows
	@cmake --build $(WIN_BUILD) --target zell-tests zell-script -j $(JOBS)
	@cmake --build $(BUILD) --target zell-xwin zell-title-shots zell-script -j $(JOBS)
	tests/apps/windows/wine.test.sh $(WIN_BUILD) $(BUILD) .

clean:
	rm -rf $(BUILD) build-sanitize $(RELEASE_BUILD) $(WEB_BUILD) $(WIN_BUILD) zell-bowling_*.deb zell-bowling-*-win64.zip
