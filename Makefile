# Set-up commands: `make run` and `make test`. Both install missing Debian
# packages first (scripts/install-deps.sh), then configure and build with
# CMake + Ninja in build/.
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all deps configure build run test bench fuzz asan clean

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

bench: build
	@./scripts/run-benchmarks.sh $(BUILD)

fuzz: deps
	@./scripts/run-fuzzers.sh build-fuzz $(or $(FUZZ_SECONDS),20)

asan: deps
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVANE_SANITIZE=ON -DORVANE_BENCH=OFF >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

clean:
	rm -rf $(BUILD) build-asan build-fuzz
