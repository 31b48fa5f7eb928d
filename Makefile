# The two commands of the project:
#   make demo   builds everything and runs the demo script under Wine
#   make test   builds everything and runs every test
# Both install what a fresh Debian machine lacks first (as root).

JOBS ?= $(shell nproc)
BUILD := build

.PHONY: all setup build demo test bench fuzz clean

all: build

setup:
	tools/setup-debian.sh

build: setup
	cmake -S . -B $(BUILD)/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake \
		-DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(BUILD)/win64 -j$(JOBS)
	cmake -S . -B $(BUILD)/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake \
		-DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
	cmake --build $(BUILD)/win32 -j$(JOBS)
	cmake -S . -B $(BUILD)/native -DCMAKE_BUILD_TYPE=Debug >/dev/null
	cmake --build $(BUILD)/native -j$(JOBS)

demo: build
	tools/run-demo

test: build
	tools/run-tests

bench: build
	tools/bench-setuprun

# Fuzzes the pure text logic for FUZZ_SECONDS (not part of the tests).
FUZZ_SECONDS ?= 60
fuzz: setup
	cmake -S . -B $(BUILD)/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
		-DSETUPRUN_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=Debug >/dev/null
	cmake --build $(BUILD)/fuzz -j$(JOBS) --target fuzz_text
	mkdir -p $(BUILD)/fuzz/corpus
	$(BUILD)/fuzz/setuprun/tests/fuzz_text $(BUILD)/fuzz/corpus -max_total_time=$(FUZZ_SECONDS)

clean:
	tools/wine-session stop 2>/dev/null || true
	WINE_BENCH=demo tools/wine-session stop 2>/dev/null || true
	rm -rf $(BUILD)
