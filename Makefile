# Velmora: top-level commands.
#   make test            install dependencies if missing, configure, build, run every test
#   make check-sanitize  the same tests built with ASan + UBSan (folder build-asan)
#   make release         libraries and programs as a packager builds them: Release, no
#                        tests (folder build-release)
#   make run             the guider client with the simulator
#   make bench           build and run velmora-bench

JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
RELEASE_BUILD ?= build-release
CTEST_ARGS ?= --output-on-failure -j $(JOBS) --timeout 300

.PHONY: all deps configure build test check-sanitize release run bench clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG"

configure: $(BUILD)/CMakeCache.txt

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest $(CTEST_ARGS)

check-sanitize: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/client/devices/indi/lsan_suppressions.txt ctest $(CTEST_ARGS)

release: deps
	cmake -S . -B $(RELEASE_BUILD) -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF
	cmake --build $(RELEASE_BUILD) -j $(JOBS)

run: build
	BUILD=$(BUILD) scripts/run-client

bench: build
	$(BUILD)/bench/velmora-bench

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(RELEASE_BUILD)
