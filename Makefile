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

.PHONY: all deps configure build game run test golden test-sanitize bench fuzz install tidy clean

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

test: build
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

install: game
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# Random scripts through the scripted runner, on one core; see README.
FUZZ_SECONDS ?= 600
fuzz: build
	nice -n 10 ./$(BUILD)/zell-fuzz --seconds $(FUZZ_SECONDS) --keep

# clang-tidy's bug-finding checks (.clang-tidy) over the runtime, the game and the tools.
# clang-tidy 16 (apt-get install clang-tidy-16): Debian's default 14 cannot read std::source_location.
CLANG_TIDY ?= clang-tidy-16
TIDY_FILES ?= $(wildcard runtime/*.cpp runtime/platform/*.cpp game/*.cpp tools/*.cpp src/*.cpp)
tidy: configure
	@cmake --build $(BUILD) --target zell-bowling zell-script -j $(JOBS)
	$(CLANG_TIDY) -p $(BUILD) --quiet $(TIDY_FILES)

clean:
	rm -rf $(BUILD) build-sanitize
