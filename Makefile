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
