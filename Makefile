# Front door: every target first installs what is missing, then builds in build/.
APP ?= wendra3
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all setup configure build run test bench clean

all: build

setup:
	@bash scripts/setup.sh

configure: setup
	@cmake -S . -B $(BUILD) -DWENDRA_BUILD_UI=ON -DWENDRA_BUILD_TESTS=ON -DWENDRA_BUILD_BENCH=ON $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -x $(BUILD)/app/$(APP) ]; then ./$(BUILD)/app/$(APP); else ./$(BUILD)/cli/wendra-run; fi

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@bash scripts/bench.sh $(BUILD)

clean:
	rm -rf $(BUILD)

PREFIX ?= /usr/local
.PHONY: install package
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	@cd $(BUILD) && cpack -G DEB

# Installs the package on a fresh Debian 12 root and checks what a user gets
# (root, several minutes; see scripts/check-clean-install.sh).
.PHONY: check-clean-install
check-clean-install: setup
	@JOBS=$(JOBS) bash scripts/check-clean-install.sh

# Sanitized build of the whole suite, and the fuzz targets.
FUZZ_SECONDS ?= 60
.PHONY: test-sanitize fuzz
test-sanitize: setup
	@cmake -S . -B $(BUILD)-sanitize -DCMAKE_BUILD_TYPE=Debug -DWENDRA_SANITIZE=ON -DWENDRA_BUILD_UI=ON -DWENDRA_BUILD_TESTS=ON -DWENDRA_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(BUILD)-sanitize -j $(JOBS)
	@cd $(BUILD)-sanitize && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

fuzz: setup
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWENDRA_FUZZ=ON -DWENDRA_BUILD_UI=ON -DWENDRA_BUILD_TESTS=OFF -DWENDRA_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(BUILD)-fuzz -j $(JOBS) --target $$(cd tests/fuzz && ls *_fuzz.cpp | sed 's/\.cpp$$//')
	@bash scripts/fuzz.sh $(BUILD)-fuzz $(FUZZ_SECONDS)
