# Set-up commands: `make run` and `make test`. Both install missing Debian
# packages first (scripts/install-deps.sh), then configure and build with
# CMake + Ninja in build/.
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all deps configure build run test bench fuzz asan tsan clean install install-build deb example-pictures

all: build

deps:
	@./scripts/install-deps.sh

$(BUILD)/build.ninja:
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS) >/dev/null

configure: deps $(BUILD)/build.ninja

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@./scripts/run-program.sh $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

# Static libraries, headers, tools and the CMake/pkg-config files, for games
# built elsewhere: make install PREFIX=$$HOME/.local. Built on its own in
# build-install/ (Release; no tests, benchmarks, examples or vorlo), so it
# needs only the packages a game needs (install-deps.sh runtime). Programs
# are installed stripped.
INSTALL_BUILD ?= build-install
PREFIX ?= /usr/local

$(INSTALL_BUILD)/build.ninja:
	@cmake -S . -B $(INSTALL_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DORVANE_TESTS=OFF -DORVANE_BENCH=OFF -DORVANE_EXTRAS=OFF $(CMAKE_ARGS) >/dev/null

install-build:
	@./scripts/install-deps.sh runtime
	@$(MAKE) --no-print-directory $(INSTALL_BUILD)/build.ninja
	@cmake --build $(INSTALL_BUILD) -j $(JOBS)

install: install-build
	@cmake --install $(INSTALL_BUILD) --prefix $(PREFIX) --strip

# The same as a Debian package: $(INSTALL_BUILD)/orvane-dev_<version>_<arch>.deb
deb: install-build
	@cd $(INSTALL_BUILD) && cpack -G DEB

# The pictures of docs/examples.md, taken again by the test suite's runs.
example-pictures: build
	@cd $(BUILD) && ctest -j $(JOBS) -R '^example_picture_' --output-on-failure
	@mkdir -p docs/examples && rm -f docs/examples/*.png docs/examples/*.txt
	@cp $(BUILD)/tests/docs/pictures/* docs/examples/
	@./scripts/gen-example-catalogue.py

bench: build
	@./scripts/run-benchmarks.sh $(BUILD)

fuzz: deps
	@./scripts/run-fuzzers.sh build-fuzz $(or $(FUZZ_SECONDS),20)

# Leak checking covers the tests that do not start the system's GL stack:
# Mesa frees some memory only in drivers it unloads before the leak check
# runs, which leaves those reports without a usable stack. The GL and
# whole-program tests still run under AddressSanitizer and UBSan.
ASAN_ENV = UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
asan: deps
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVANE_SANITIZE=ON -DORVANE_BENCH=OFF >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && $(ASAN_ENV) ASAN_OPTIONS=detect_leaks=1 \
	  ctest --output-on-failure -j $(JOBS) -L 'unit|fuzz' $(CTEST_ARGS)
	@cd build-asan && $(ASAN_ENV) ASAN_OPTIONS=detect_leaks=0 \
	  ctest --output-on-failure -j $(JOBS) -LE 'unit|fuzz' $(CTEST_ARGS)

# ThreadSanitizer over the code that runs beside the game thread: the network
# session's thread, and the mixer's thread under music and movies. Only the
# library and those tests are built (build-tsan), with line tables only
# (-g1: enough for the reports), which keeps it quick.
TSAN_TARGETS = test_net test_net_processes net_peer test_media_music test_media_movie orvane-pack
tsan: deps
	@cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_TSAN=ON \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" >/dev/null
	@cmake --build build-tsan -j $(JOBS) --target $(TSAN_TARGETS)
	@./scripts/run-tsan-tests.sh build-tsan

clean:
	rm -rf $(BUILD) build-asan build-fuzz build-tsan build-release $(INSTALL_BUILD)
