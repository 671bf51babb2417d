# Front end for the CMake build. `make run` and `make test` work on a fresh Debian machine.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
# Where `make install` puts the program; DESTDIR stages the installation below another root.
PREFIX ?= /usr/local

.PHONY: all deps configure build run test golden test-sanitize bench fuzz install clean web web-test-deps web-if-possible

all: build

deps:
	@tools/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/zell-bowling

test: build web-if-possible
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Re-records the expected files of the golden scenarios (tests/golden/) after an intended change.
golden: configure
	@cmake --build $(BUILD) --target zell-script -j $(JOBS)
	@tests/support/golden.sh --record $(BUILD) .

# The whole test suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	@cmake --preset sanitize >/dev/null
	@cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

bench: build
	./$(BUILD)/zell-bench

install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# Random scripts through the scripted runner, on one core; see README.
FUZZ_SECONDS ?= 600
fuzz: build
	nice -n 10 ./$(BUILD)/zell-fuzz --seconds $(FUZZ_SECONDS) --keep

# The browser version: build-web/site/ holds the page, the loader and the WebAssembly module.
# Debian's emcc runs its JavaScript tools with the system's node, which finds acorn there.
WEB_BUILD ?= build-web
web: configure
	@cmake --build $(BUILD) --target zell-web-sources -j $(JOBS)
	@NODE_PATH=/usr/share/nodejs emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release \
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

clean:
	rm -rf $(BUILD) build-sanitize $(WEB_BUILD)
