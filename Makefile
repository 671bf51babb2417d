# Front end for the CMake build. `make run` and `make test` work on a fresh Debian machine.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
# Where `make install` puts the program; DESTDIR stages the installation below another root.
PREFIX ?= /usr/local

.PHONY: all deps configure build run test golden test-sanitize bench fuzz install clean

all: build

deps:
	@tools/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/zell-bowling

test: build
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

clean:
	rm -rf $(BUILD) build-sanitize
