# Two entry points for a newcomer: `make demo` and `make test`.
PRESET ?= debug
BUILD_DIR := build/$(PRESET)
JOBS ?= $(shell nproc)

.PHONY: all deps configure build demo test asan-test fuzz bench clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

demo: build
	@$(BUILD_DIR)/bin/vex3d info data/samples/cube.obj

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

asan-test:
	@$(MAKE) --no-print-directory test PRESET=asan

bench:
	@bash scripts/install-deps.sh --bench
	@$(MAKE) --no-print-directory build PRESET=release
	@for b in build/release/bin/*_bench; do [ -x "$$b" ] && "$$b"; done

fuzz:
	@bash scripts/install-deps.sh --fuzz
	@cmake --preset fuzz >/dev/null
	@cmake --build build/fuzz -j $(JOBS)
	@bash fuzz/run.sh build/fuzz/bin 60

clean:
	@rm -rf build
