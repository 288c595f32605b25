# Two entry points for a newcomer: `make demo` and `make test`.
PRESET ?= debug
BUILD_DIR := build/$(PRESET)
JOBS ?= $(shell nproc)

.PHONY: all deps configure build demo viewer screenshot test asan-test tsan-test package package-test fuzz bench hostile clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

DEMO_DIR := $(BUILD_DIR)/demo

demo: build
	@rm -rf $(DEMO_DIR) && mkdir -p $(DEMO_DIR)
	@$(BUILD_DIR)/bin/vex3d info data/samples/textured_cube.v3d data/samples/animated_groups.v3d
	@$(BUILD_DIR)/bin/vex3d convert data/samples/animated_groups.v3d $(DEMO_DIR)/animated_groups.gltf
	@$(BUILD_DIR)/bin/vex3d convert data/samples/textured_cube.v3d $(DEMO_DIR)/textured_cube.obj
	@$(BUILD_DIR)/bin/vex3d info $(DEMO_DIR)/textured_cube.obj
	@$(BUILD_DIR)/bin/vex3d render data/samples/textured_cube.v3d -o $(DEMO_DIR)/cube.png --size 512x512 --view top
	@$(BUILD_DIR)/bin/vex3d render data/samples/colored_quads.v3d -o $(DEMO_DIR)/quads.png --size 512x512 --mode smooth-wireframe
	@$(BUILD_DIR)/bin/vex3d render data/samples/animated_groups.v3d -o $(DEMO_DIR)/turntable.png --size 320x240 --view front --antialias --turntable 12
	@$(BUILD_DIR)/bin/vex3d thumbnail data/samples/animated_groups.v3d $(DEMO_DIR)/thumbnail.png --size 256
	@echo "demo: images and the converted scene are in $(DEMO_DIR)"

# The viewer window on the bundled samples (needs a display).
viewer: build
	@if [ -z "$${DISPLAY:-}$${WAYLAND_DISPLAY:-}" ]; then \
	  echo "viewer: no display here; 'make screenshot' draws the viewer on a virtual one"; exit 2; fi
	@$(BUILD_DIR)/bin/vex3d view data/samples/textured_cube.v3d data/samples/animated_groups.v3d \
	  data/samples/colored_quads.v3d

# The README's picture of the viewer, drawn on a virtual display.
screenshot: build
	@bash scripts/viewer-screenshot.sh $(BUILD_DIR) docs/images/viewer.png \
	  data/samples/textured_cube.v3d data/samples/animated_groups.v3d

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# A Debian package of the release build, then that package unpacked and
# tried as a user would, and checked by lintian.
package:
	@bash scripts/install-deps.sh --package
	@$(MAKE) --no-print-directory build PRESET=release
	@rm -f build/release/vex3d_*.deb
	@cd build/release && cpack -G DEB >/dev/null && ls vex3d_*.deb

package-test: package
	@bash scripts/package-test.sh build/release

asan-test:
	@$(MAKE) --no-print-directory test PRESET=asan

# The tests whose code runs on several threads, under ThreadSanitizer: the
# viewer window (the scenes list's thread renders scenes the window draws)
# and the work shared among processors (normals, point-to-face graphs,
# materials in use and the import check-out of large meshes). Only what
# those tests need is built.
TSAN_JOBS ?= $(JOBS)
TSAN_ENV = env XDG_CONFIG_HOME=$(CURDIR)/build/tsan/test-config XDG_CACHE_HOME=$(CURDIR)/build/tsan/test-cache \
	  VEX3D_CONFIG_DIR= TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1:suppressions=$(CURDIR)/tests/tsan.supp
tsan-test: deps
	@cmake --preset tsan >/dev/null
	@cmake --build build/tsan -j $(TSAN_JOBS) --target viewer_window_tests hostlib_tests mesh_tests \
	  scene_tests v3d_plugin obj_plugin stl_plugin
	@$(TSAN_ENV) build/tsan/bin/hostlib_tests --gtest_brief=1 --gtest_filter='ParallelPartsTest.*'
	@$(TSAN_ENV) build/tsan/bin/mesh_tests --gtest_brief=1 --gtest_filter='NormalsTest.*:FaceMaterialsTest.*:FaceTopologyTest.*'
	@$(TSAN_ENV) build/tsan/bin/scene_tests --gtest_brief=1 --gtest_filter='ImportCheckoutTest.*'
	@$(TSAN_ENV) build/tsan/bin/viewer_window_tests

bench:
	@bash scripts/install-deps.sh --bench
	@$(MAKE) --no-print-directory build PRESET=release
	@for b in build/release/bin/*_bench; do [ -x "$$b" ] && "$$b"; done
	@bash bench/whole_process.sh build/release
	@bash bench/batch.sh build/release
	@bash bench/viewer.sh build/release

fuzz:
	@bash scripts/install-deps.sh --fuzz
	@cmake --preset fuzz >/dev/null
	@cmake --build build/fuzz -j $(JOBS)
	@bash fuzz/run.sh build/fuzz/bin 60

# Every kind of file a file browser meets, through the sanitizer build:
# crafted bombs and traps, the damaged-file corpus, the public importer
# test corpus. Long: not part of `make test`.
hostile:
	@bash scripts/install-deps.sh --corpus
	@$(MAKE) --no-print-directory build PRESET=asan
	@bash scripts/hostile-corpus.sh build/asan

clean:
	@rm -rf build
