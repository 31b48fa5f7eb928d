# The two commands of the project:
#   make demo   builds everything and runs the demo script under Wine
#   make test   builds everything and runs every test
# Both install what a fresh Debian machine lacks first (as root).

JOBS ?= $(shell nproc)
BUILD := build
# The build trees: win64 (tested under Wine), win32 (its smoke set run under
# 32-bit Wine on an emulated i386 machine, tools/i386-bench), native (the
# pure logic under sanitizers). TREES=win64 builds and tests one.
TREES ?= win64 win32 native
export TREES

.PHONY: all setup build demo test test32 release bench stress fuzz screenshots clean

all: build

setup:
	tools/setup-debian.sh

build: setup
	tools/build-trees $(BUILD) $(JOBS) $(TREES)

demo: build
	tools/run-demo

test: build
	tools/run-tests

# The whole Windows suite on the win32 tree, on the emulated i386 machine.
test32: setup
	tools/build-trees $(BUILD) $(JOBS) win32
	TREES=win32 TESTS32=all tools/run-tests

# Release packages of both architectures in build/release/ (tools/release).
release: setup
	tools/build-trees $(BUILD) $(JOBS) win32 win64
	tools/release pack

bench: build
	tools/bench-setuprun
	tools/bench-baymgr

# setuprun on 10,000 mutated scripts under Wine (STRESS_CASES to change),
# with the figures: cases, crashes, hangs, changed sources, time; then the
# bay manager through 10,000 seeded bay changes (STRESS_CHANGES,
# STRESS_SEED) on a machine as unkind as one up for weeks (STRESS_MACHINE:
# numbers that only grow from 1,000 into the thousands, the Windows 2000
# name list, class drivers slow to start and stop), with its figures:
# changes, mismatches, crashes, hangs, time per change, and the service's
# handles, memory and threads. Between the two, the plan's proof:
# scriptcheck --plan against real runs of PLAN_PROOF_SCRIPTS generated
# scripts (300), with its count of disagreements.
PLAN_PROOF_SCRIPTS ?= 300
STRESS_CASES ?= 10000
STRESS_CHANGES ?= 10000
STRESS_SEED ?= 18
STRESS_MACHINE ?= --numbers-grow=1000 --long-names --slow-drivers
stress: build
	tools/stress-setuprun $(STRESS_CASES)
	tools/stress-plan $(PLAN_PROOF_SCRIPTS)
	tools/stress-baymgr $(STRESS_CHANGES) $(STRESS_SEED) $(STRESS_MACHINE)

# Pictures of the applet's pages for docs/install.md, from the real applet.
screenshots: build
	tools/palprop-screenshots

# Fuzzes the pure logic for FUZZ_SECONDS each (not part of the tests):
# the runner's text logic, then the bay manager's decisions and walks.
FUZZ_SECONDS ?= 60
fuzz: setup
	cmake -S . -B $(BUILD)/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
		-DSETUPRUN_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=Debug >/dev/null
	cmake --build $(BUILD)/fuzz -j$(JOBS) --target fuzz_text fuzz_bay
	mkdir -p $(BUILD)/fuzz/corpus $(BUILD)/fuzz/corpus-bay
	$(BUILD)/fuzz/setuprun/tests/fuzz_text $(BUILD)/fuzz/corpus -max_total_time=$(FUZZ_SECONDS)
	$(BUILD)/fuzz/vlxpnpmgr/tests/fuzz_bay $(BUILD)/fuzz/corpus-bay -max_total_time=$(FUZZ_SECONDS)

# The build and this checkout's Wine benches, wherever they live. The i386
# machine stays: it is shared by every checkout.
clean:
	tools/wine-session clean
	rm -rf $(BUILD)
	@echo "make clean: the i386 machine in $$(tools/i386-bench path) is shared by checkouts; remove it with: tools/i386-bench clean"
